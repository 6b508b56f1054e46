#pragma once
// Runs the engine off the window's thread, so that the window keeps painting
// and answering while a statement runs. One worker thread, one job at a
// time: the window starts a job only when none runs (Execute is disabled
// meanwhile), and a job hands its results back through the notification
// hub's queue, never by touching a widget.
//
// Whatever a job needs the user to answer (the records question, a
// parameter, a login) it asks through OnWindowThread, which runs the question
// on the window's thread and blocks the job until it has the answer.
//
// Contract: created, started and destroyed on the window's thread. The
// destructor waits for a running job to end, so the owner cancels first.

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class TcExecutionRunner {
  public:
    // context: an object of the window's thread, through which questions
    // reach that thread.
    explicit TcExecutionRunner(QObject* context);
    ~TcExecutionRunner();
    TcExecutionRunner(const TcExecutionRunner&) = delete;
    TcExecutionRunner& operator=(const TcExecutionRunner&) = delete;

    // Queues the job for the worker. The engine serves one run at a time:
    // the caller starts a job only once the previous one has reported its
    // end, and this waits for that job to return if it has not yet.
    void Start(std::function<void()> job);
    // A job is queued or running (read on the window's thread).
    bool Busy() const;
    // Waits until the job in hand has finished; for the owner's shutdown and
    // for tests that need the engine idle. The job must not be waiting for a
    // question on this thread, so call it only where none can be asked.
    void WaitIdle();

    // Runs fn on the window's thread and returns when it has returned: at
    // once when called there, else through a blocking queued call.
    void OnWindowThread(const std::function<void()>& fn) const;

  private:
    void Loop();

    QObject* context_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread worker_;
};
