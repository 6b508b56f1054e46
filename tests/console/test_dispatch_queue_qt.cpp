#include "console/dispatch_queue_qt.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <thread>
#include <vector>

namespace {

// Records each delivery with the thread it ran on.
class QtDispatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        hub = std::make_unique<TcQtMessageDispatch>();
        hub->AddListener(&owner,
                         [this](const void*, int32_t number, TMessageData data, bool&, int32_t&) {
                             delivered.push_back(number);
                             threads.push_back(std::this_thread::get_id());
                             (void)data;
                         });
    }
    // Lets the event loop deliver what was posted to this thread's objects.
    // Every wake-up is queued once Post has returned (worker threads are
    // joined first), so one pass delivers all of them: nothing waits on time.
    static void RunEventLoop() { QCoreApplication::sendPostedEvents(); }

    int owner = 0;
    std::unique_ptr<TcQtMessageDispatch> hub;
    std::vector<int32_t> delivered;
    std::vector<std::thread::id> threads;
};

TEST_F(QtDispatchTest, PostedNotificationArrivesOnlyThroughTheEventLoop) {
    hub->Post(&owner, 2002, 1, mfOnlySender);
    EXPECT_TRUE(delivered.empty());
    RunEventLoop();
    EXPECT_EQ(delivered, std::vector<int32_t>{2002});
    EXPECT_EQ(hub->QueuedCount(), 0);
}

TEST_F(QtDispatchTest, NotificationsPostedFromAnotherThreadArriveOnTheOwningThreadInOrder) {
    std::thread worker([this] {
        for (int32_t number = 2000; number <= 2003; ++number) hub->Post(&owner, number, 0, mfAll);
    });
    worker.join();
    RunEventLoop();
    EXPECT_EQ(delivered, (std::vector<int32_t>{2000, 2001, 2002, 2003}));
    for (const std::thread::id id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

// Watches the events the application delivers with a registered type (the
// hub's wake-up is one) and swallows those of the chosen type: a stray
// wake-up then never reaches code that would use a freed hub, so the fault
// shows as a recorded event in any build, not only under the sanitizer.
class WakeUpWatch : public QObject {
  public:
    WakeUpWatch() { QCoreApplication::instance()->installEventFilter(this); }
    ~WakeUpWatch() override { QCoreApplication::instance()->removeEventFilter(this); }

    QEvent::Type swallowed = QEvent::None;
    std::vector<QEvent::Type> seen;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() < QEvent::User) return false;
        seen.push_back(event->type());
        return event->type() == swallowed;
    }
};

TEST_F(QtDispatchTest, NothingReachesTheHubAfterItIsGone) {
    // One ordinary delivery shows which event type wakes the hub.
    WakeUpWatch watch;
    hub->Post(&owner, 2001, 0, mfAll);
    RunEventLoop();
    ASSERT_EQ(delivered, std::vector<int32_t>{2001});
    ASSERT_EQ(watch.seen.size(), 1u);
    watch.swallowed = watch.seen.front();
    watch.seen.clear();

    // A notification still queued when the hub goes: its wake-up must go with
    // the hub, and the listener's record, which outlives the hub, stays as it was.
    hub->Post(&owner, 2000, 0, mfAll);
    hub.reset();
    RunEventLoop();
    QCoreApplication::processEvents();
    EXPECT_TRUE(watch.seen.empty()) << "a wake-up was delivered after the hub was destroyed";
    EXPECT_EQ(delivered, std::vector<int32_t>{2001});
}

}  // namespace
