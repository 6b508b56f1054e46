#include "foundation/message_dispatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Listeners that record who was called with what; each may claim the
// notification or raise.
class MessageDispatchTest : public ::testing::Test {
  protected:
    struct Call {
        int owner;
        const void* sender;
        int32_t number;
        TMessageData data;
    };

    void Listen(int& owner, bool handles = false, int32_t answer = 0) {
        hub.AddListener(&owner, [this, &owner, handles, answer](const void* sender, int32_t number,
                                                                TMessageData data, bool& handled,
                                                                int32_t& result) {
            calls.push_back({owner, sender, number, data});
            if (handles) {
                handled = true;
                result = answer;
            }
        });
    }
    std::vector<int> Owners() const {
        std::vector<int> owners;
        for (const Call& call : calls) owners.push_back(call.owner);
        return owners;
    }

    TcMessageDispatch hub;
    int a = 1, b = 2, c = 3;
    std::vector<Call> calls;
};

TEST_F(MessageDispatchTest, DeliversInRegistrationOrderWithSenderNumberAndData) {
    Listen(b);
    Listen(a);
    Listen(c);
    const std::string text = "SYSDBA";
    EXPECT_FALSE(hub.Send(&a, 2000, reinterpret_cast<TMessageData>(&text), mfAll));
    EXPECT_EQ(Owners(), (std::vector<int>{2, 1, 3}));
    for (const Call& call : calls) {
        EXPECT_EQ(call.sender, &a);
        EXPECT_EQ(call.number, 2000);
        EXPECT_EQ(*reinterpret_cast<const std::string*>(call.data), "SYSDBA");
    }
}

TEST_F(MessageDispatchTest, FlagsChooseListenersByOwner) {
    struct Case {
        const char* name;
        int32_t flags;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"all", mfAll, {1, 2, 3}},
        {"only the sender's own", mfOnlySender, {2}},
        {"all but the sender's", mfExceptSender, {1, 3}},
        {"both flags exclude everyone", mfOnlySender | mfExceptSender, {}},
    };
    Listen(a);
    Listen(b);
    Listen(c);
    for (const Case& test : cases) {
        calls.clear();
        hub.Send(&b, 2002, 1, test.flags);
        EXPECT_EQ(Owners(), test.expected) << test.name;
    }
}

TEST_F(MessageDispatchTest, FirstHandlerThatHandlesWinsAndSetsTheResult) {
    Listen(a);
    Listen(b, /*handles=*/true, /*answer=*/42);
    Listen(c, /*handles=*/true, /*answer=*/7);
    int32_t result = 0;
    EXPECT_TRUE(hub.SendWithResult(&a, 2003, 0, mfAll, result));
    EXPECT_EQ(result, 42);
    EXPECT_EQ(Owners(), (std::vector<int>{1, 2}));
}

TEST_F(MessageDispatchTest, SenderWithoutListenerReachesNobodyWithFlagOne) {
    Listen(a);
    int lonely = 0;
    EXPECT_FALSE(hub.Send(&lonely, 2002, 1, mfOnlySender));
    EXPECT_TRUE(calls.empty());
}

TEST_F(MessageDispatchTest, AnOwnerHasOneListenerAndRemovingItStopsDelivery) {
    Listen(a);
    Listen(a, /*handles=*/true);  // ignored: the owner is listening already
    EXPECT_FALSE(hub.Send(&a, 2001, 0, mfOnlySender));
    EXPECT_EQ(calls.size(), 1u);

    hub.RemoveListener(&a);
    hub.RemoveListener(&a);  // nothing left to remove
    calls.clear();
    EXPECT_FALSE(hub.Send(&a, 2001, 0, mfAll));
    EXPECT_TRUE(calls.empty());
}

TEST_F(MessageDispatchTest, HandlerErrorStopsDeliveryAndLeavesTheHubUsable) {
    Listen(a);
    hub.AddListener(&b, [](const void*, int32_t, TMessageData, bool&, int32_t&) {
        throw EUser("Status bar gone.");
    });
    Listen(c);
    EXPECT_THROW(
        {
            try {
                hub.Send(&a, 2000, 0, mfAll);
            } catch (const EUser& error) {
                EXPECT_STREQ(error.what(), "Status bar gone.");
                throw;
            }
        },
        EUser);
    EXPECT_EQ(Owners(), (std::vector<int>{1}));

    // The lock was released: another thread can still change the listeners.
    std::thread([&] { hub.RemoveListener(&b); }).join();
    calls.clear();
    hub.Send(&a, 2000, 0, mfAll);
    EXPECT_EQ(Owners(), (std::vector<int>{1, 3}));
}

TEST_F(MessageDispatchTest, HandlerMayRemoveItsOwnListener) {
    hub.AddListener(&a, [this](const void*, int32_t, TMessageData, bool&, int32_t&) {
        calls.push_back({1, nullptr, 0, 0});
        hub.RemoveListener(&a);
    });
    Listen(b);
    hub.Send(&a, 2000, 0, mfAll);
    EXPECT_EQ(Owners(), (std::vector<int>{1, 2}));
    calls.clear();
    hub.Send(&a, 2000, 0, mfAll);
    EXPECT_EQ(Owners(), (std::vector<int>{2}));
}

// Changes to the listeners made while a delivery runs take effect at once: a
// listener removed before its turn is not called, one added hears the next send.
TEST_F(MessageDispatchTest, ListenersChangedByAHandlerDuringDelivery) {
    int d = 4;
    struct Case {
        const char* name;
        std::function<void()> change;  // made during the first listener's handler
        std::vector<int> during;
        std::vector<int> next;
    };
    const Case cases[] = {
        {"a later listener removed", [&] { hub.RemoveListener(&c); }, {1, 2}, {1, 2}},
        {"a later listener removed by another thread",
         [&] { std::thread([&] { hub.RemoveListener(&c); }).join(); },
         {1, 2},
         {1, 2}},
        {"itself removed", [&] { hub.RemoveListener(&a); }, {1, 2, 3}, {2, 3}},
        {"a listener added", [&] { Listen(d); }, {1, 2, 3}, {1, 2, 3, 4}},
        {"removed and added again",
         [&] {
             hub.RemoveListener(&c);
             Listen(c);
         },
         {1, 2},
         {1, 2, 3}},
    };
    for (const Case& test : cases) {
        for (const int* owner : {&a, &b, &c, &d}) hub.RemoveListener(owner);
        bool changed = false;
        hub.AddListener(&a, [&](const void*, int32_t, TMessageData, bool&, int32_t&) {
            calls.push_back({1, nullptr, 0, 0});
            if (!changed) {
                changed = true;
                test.change();
            }
        });
        Listen(b);
        Listen(c);
        calls.clear();
        hub.Send(&a, 2000, 0, mfAll);
        EXPECT_EQ(Owners(), test.during) << test.name;
        calls.clear();
        hub.Send(&a, 2000, 0, mfAll);
        EXPECT_EQ(Owners(), test.next) << test.name;
    }
}

// No lock is held while a handler runs, so it may wait for a thread that
// uses the hub (this deadlocked while handlers ran under the listener lock).
TEST_F(MessageDispatchTest, HandlerMayWaitForAThreadThatUsesTheHub) {
    int worker_owner = 0;
    hub.AddListener(&a, [&](const void*, int32_t number, TMessageData, bool&, int32_t&) {
        calls.push_back({1, nullptr, number, 0});
        if (number != 2000) return;
        std::thread([&] {
            hub.AddListener(&worker_owner,
                            [&](const void*, int32_t n, TMessageData, bool&, int32_t&) {
                                calls.push_back({9, nullptr, n, 0});
                            });
            hub.Send(&worker_owner, 2001, 0, mfAll);
            hub.RemoveListener(&worker_owner);
        }).join();
    });
    hub.Send(&a, 2000, 0, mfAll);
    EXPECT_EQ(Owners(), (std::vector<int>{1, 1, 9}));
    EXPECT_EQ(calls[1].number, 2001);
    calls.clear();
    hub.Send(&a, 2001, 0, mfAll);
    EXPECT_EQ(Owners(), std::vector<int>{1});
}

TEST(MessageDispatchRegistry, SecondRegistrationRaisesWithBothDescriptions) {
    TcMessageDispatch hub;
    EXPECT_FALSE(hub.IsRegistered(2000));
    hub.RegisterMessage(2000, "Connected username changed");
    EXPECT_TRUE(hub.IsRegistered(2000));
    try {
        hub.RegisterMessage(2000, "Something else");
        FAIL() << "a second registration must raise";
    } catch (const EDeveloper& error) {
        EXPECT_STREQ(
            error.what(),
            "Messagedispatch 2000 (Something else) exists for Connected username changed!");
    }
    // The first registration stays.
    try {
        hub.RegisterMessage(2000, "Third");
        FAIL() << "a third registration must raise";
    } catch (const EDeveloper& error) {
        EXPECT_STREQ(error.what(),
                     "Messagedispatch 2000 (Third) exists for Connected username changed!");
    }
}

TEST(MessageDispatchRegistry, NumbersAboveTheReservedRangeCountAsRegistered) {
    TcMessageDispatch hub;
    EXPECT_FALSE(hub.IsRegistered(999999999));
    EXPECT_TRUE(hub.IsRegistered(1000000000));
    EXPECT_TRUE(hub.IsRegistered(INT32_MAX));
}

// The base hub has no owning-thread wake-up; this one counts the requests so
// the tests can deliver when they choose.
class CountingDispatch : public TcMessageDispatch {
  public:
    int requests = 0;

  protected:
    void PostDeliveryRequest() override { ++requests; }
};

TEST(MessageDispatchQueue, PostedNotificationsWaitForDeliveryAndArriveInOrder) {
    CountingDispatch hub;
    int owner = 0, other = 0;
    std::vector<std::pair<const void*, int32_t>> seen;
    auto record = [&seen](const void* sender, int32_t number, TMessageData, bool&, int32_t&) {
        seen.push_back({sender, number});
    };
    hub.AddListener(&owner, record);
    hub.AddListener(&other, record);

    hub.Post(&owner, 2000, 0, mfOnlySender);
    hub.Post(&owner, 2001, 0, mfExceptSender);
    EXPECT_EQ(hub.requests, 2);
    EXPECT_EQ(hub.QueuedCount(), 2);
    EXPECT_TRUE(seen.empty());

    hub.DeliverQueue();
    EXPECT_EQ(hub.QueuedCount(), 0);
    const std::vector<std::pair<const void*, int32_t>> expected = {{&owner, 2000}, {&owner, 2001}};
    EXPECT_EQ(seen, expected);
}

TEST(MessageDispatchQueue, DeliveryErrorIsReportedAndTheRestStillArrives) {
    TcMessageDispatch hub;
    int owner = 0;
    std::vector<int32_t> delivered;
    hub.AddListener(&owner, [&](const void*, int32_t number, TMessageData, bool&, int32_t&) {
        if (number == 1) throw EUser("First failed.");
        delivered.push_back(number);
    });
    std::vector<std::string> errors;
    hub.OnDeliveryError = [&](const std::exception& error) { errors.push_back(error.what()); };

    hub.Post(&owner, 1, 0, mfAll);
    hub.Post(&owner, 2, 0, mfAll);
    hub.DeliverQueue();
    EXPECT_EQ(errors, std::vector<std::string>{"First failed."});
    EXPECT_EQ(delivered, std::vector<int32_t>{2});
    EXPECT_EQ(hub.QueuedCount(), 0);
}

// The queue is not locked while a notification is delivered, so a handler may
// wait for a thread that posts (this deadlocked while delivery held the queue).
TEST(MessageDispatchQueue, HandlerMayWaitForAThreadThatPosts) {
    CountingDispatch hub;
    int owner = 0;
    std::vector<int32_t> delivered;
    hub.AddListener(&owner, [&](const void*, int32_t number, TMessageData, bool&, int32_t&) {
        delivered.push_back(number);
        if (number == 1) std::thread([&] { hub.Post(&owner, 2, 0, mfAll); }).join();
    });
    hub.Post(&owner, 1, 0, mfAll);
    hub.DeliverQueue();
    // The worker's notification waits for the wake-up it requested.
    EXPECT_EQ(delivered, std::vector<int32_t>{1});
    EXPECT_EQ(hub.QueuedCount(), 1);
    EXPECT_EQ(hub.requests, 2);
    hub.DeliverQueue();
    EXPECT_EQ(delivered, (std::vector<int32_t>{1, 2}));
}

// A handler that posts again cannot keep one delivery busy for ever, and one
// that runs a nested delivery (as the event loop would) keeps queue order.
TEST(MessageDispatchQueue, PostingAndNestedDeliveryFromAHandler) {
    CountingDispatch hub;
    int owner = 0;
    std::vector<int32_t> delivered;
    hub.AddListener(&owner, [&](const void*, int32_t number, TMessageData, bool&, int32_t&) {
        delivered.push_back(number);
        if (number == 1) {
            hub.Post(&owner, 3, 0, mfAll);
            hub.DeliverQueue();
        } else if (number == 4) {
            hub.Post(&owner, 4, 0, mfAll);
        }
    });
    hub.Post(&owner, 1, 0, mfAll);
    hub.Post(&owner, 2, 0, mfAll);
    hub.DeliverQueue();
    EXPECT_EQ(delivered, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(hub.QueuedCount(), 0);

    delivered.clear();
    hub.Post(&owner, 4, 0, mfAll);
    hub.DeliverQueue();
    EXPECT_EQ(delivered, std::vector<int32_t>{4});
    EXPECT_EQ(hub.QueuedCount(), 1);
}

// A posted text is the queue's own copy: what the poster does with its string
// afterwards does not reach the handler (the queue used to keep the poster's
// address, so the handler read the changed or freed text).
TEST(MessageDispatchQueue, PostedTextIsCopiedWhenPosted) {
    TcMessageDispatch hub;
    int owner = 0;
    std::vector<std::string> delivered;
    hub.AddListener(&owner, [&](const void*, int32_t number, TMessageData data, bool&, int32_t&) {
        delivered.push_back(number == 2002 ? std::to_string(data)
                                           : *reinterpret_cast<const std::string*>(data));
    });

    std::string overwritten = "SYSDBA (RDB$ADMIN)";
    hub.PostText(&owner, 2000, overwritten, mfOnlySender);
    auto destroyed = std::make_unique<std::string>("localhost:/data/employee.fdb");
    hub.PostText(&owner, 2001, *destroyed, mfOnlySender);
    hub.Post(&owner, 2002, 1, mfOnlySender);

    overwritten.assign(overwritten.size(), 'X');
    destroyed->assign(destroyed->size(), 'X');
    destroyed.reset();
    hub.DeliverQueue();
    const std::vector<std::string> expected = {"SYSDBA (RDB$ADMIN)", "localhost:/data/employee.fdb",
                                               "1"};
    EXPECT_EQ(delivered, expected);
}

TEST(MessageDispatchQueue, UndeliveredNotificationsAreFreedWithTheHub) {
    // The sanitizer build reports a leak if the queue is not emptied.
    auto hub = std::make_unique<TcMessageDispatch>();
    int owner = 0;
    hub->AddListener(&owner, [](const void*, int32_t, TMessageData, bool&, int32_t&) {});
    hub->Post(&owner, 2002, 1, mfAll);
    EXPECT_EQ(hub->QueuedCount(), 1);
    hub.reset();
}

}  // namespace
