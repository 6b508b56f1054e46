// The worker that runs the engine off the window's thread.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>
#include <atomic>
#include <future>
#include <thread>

#include "console/execution_runner.h"

namespace {

TEST(ExecutionRunner, RunsJobsOneAfterTheOtherOnAnotherThread) {
    QObject context;
    TcExecutionRunner runner(&context);
    std::atomic<int> done{0};
    std::thread::id worker;
    runner.Start([&] {
        worker = std::this_thread::get_id();
        ++done;
    });
    runner.WaitIdle();
    runner.Start([&] { ++done; });
    runner.WaitIdle();
    EXPECT_EQ(done, 2);
    EXPECT_NE(worker, std::this_thread::get_id());
    EXPECT_FALSE(runner.Busy());
}

TEST(ExecutionRunner, StartWaitsForAJobThatReportedItsEndButHasNotReturned) {
    QObject context;
    TcExecutionRunner runner(&context);
    std::promise<void> reported;
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    runner.Start([&] {
        reported.set_value();  // the window hears of the end here
        opened.wait();         // ... and the job has still to return
    });
    reported.get_future().wait();
    std::thread opener([&] { gate.set_value(); });
    bool second = false;
    EXPECT_NO_THROW(runner.Start([&] { second = true; }));
    runner.WaitIdle();
    opener.join();
    EXPECT_TRUE(second);
}

TEST(ExecutionRunner, OnWindowThreadRunsThereWhileTheJobWaits) {
    QObject context;
    TcExecutionRunner runner(&context);
    std::atomic<bool> asked{false};
    QThread* askedOn = nullptr;
    runner.Start([&] {
        runner.OnWindowThread([&] { askedOn = QThread::currentThread(); });
        asked = true;
    });
    // The question needs this thread's event loop.
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked.load(); }, 60000));
    runner.WaitIdle();
    EXPECT_EQ(askedOn, QCoreApplication::instance()->thread());
}

}  // namespace
