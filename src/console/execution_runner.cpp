#include "console/execution_runner.h"

#include <QMetaObject>
#include <QThread>

TcExecutionRunner::TcExecutionRunner(QObject* context)
    : context_(context), worker_([this] { Loop(); }) {}

TcExecutionRunner::~TcExecutionRunner() {
    {
        std::lock_guard guard(lock_);
        stop_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void TcExecutionRunner::Start(std::function<void()> job) {
    {
        std::unique_lock guard(lock_);
        // The previous job has reported its end through the hub, which is
        // how the window knows it may start the next, but may not have
        // returned yet; what is left of it never waits for this thread.
        changed_.wait(guard, [this] { return !busy_; });
        job_ = std::move(job);
        busy_ = true;
    }
    changed_.notify_all();
}

bool TcExecutionRunner::Busy() const {
    std::lock_guard guard(lock_);
    return busy_;
}

void TcExecutionRunner::WaitIdle() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return !busy_; });
}

void TcExecutionRunner::OnWindowThread(const std::function<void()>& fn) const {
    if (QThread::currentThread() == context_->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(context_, fn, Qt::BlockingQueuedConnection);
}

void TcExecutionRunner::Loop() {
    std::unique_lock guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] { return stop_ || job_; });
        if (!job_) return;  // stopping with nothing to do
        std::function<void()> job = std::move(job_);
        job_ = nullptr;
        guard.unlock();
        // A job reports its own errors; one that escapes would end the
        // process from this thread, so the last resort is to drop it here.
        try {
            job();
        } catch (...) {  // NOLINT(bugprone-empty-catch): see above
        }
        guard.lock();
        busy_ = false;
        changed_.notify_all();
    }
}
