#pragma once
// Turns SIGINT and SIGTERM into an orderly end of a run of either front end.
//
// Contract: construct one in main() before any other thread exists. It
// blocks both signals for the whole process (every thread created later, the
// client library's too, inherits the mask) and takes them on a thread of its
// own with sigwait, so no signal handler ever runs and nothing is done in
// signal context. On the first signal it records the signal, wakes Sleep and
// the terminal (InterruptFd), and calls the interrupt handler, which asks
// the server to stop the running statement; the main flow then rolls back,
// disconnects and exits with ExitStatus(). A run that has not ended (or
// rearmed) 5 seconds after the first signal, stuck on a server that does not
// answer or on input that does not come, is ended then with "Interrupted."
// on standard error and the same status; a second signal ends it at once.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class TcSignalWatcher {
  public:
    TcSignalWatcher();
    ~TcSignalWatcher();
    TcSignalWatcher(const TcSignalWatcher&) = delete;
    TcSignalWatcher& operator=(const TcSignalWatcher&) = delete;

    // Called on the watcher's thread after the first signal, and again every
    // tenth of a second until it is cleared, so that it also reaches a
    // statement that starts after the signal; it must be safe to call from
    // another thread (CancelRunningStatement of an engine is). Replaced or
    // cleared (nullptr) under a lock: clear it when the run has stopped,
    // and before what it refers to goes away.
    void SetInterruptHandler(std::function<void()> handler);

    // The first signal received, 0 while none.
    int Received() const { return received_.load(); }
    // 128 + the signal, the shell's convention: 130 for SIGINT, 143 for SIGTERM.
    int ExitStatus() const { return 128 + Received(); }
    // Waits the given milliseconds; false when a signal came first (or had
    // come already).
    bool Sleep(int64_t milliseconds);
    // Readable from the first signal on; a terminal read polls it beside
    // its input so that a signal ends the read.
    int InterruptFd() const { return pipe_[0]; }
    // Forgets the signal received, for a run that goes on after it (the
    // prompt, after Ctrl-C stopped a statement): the next signal is a first
    // one again, and the handler is no longer called for this one.
    void Rearm();
    // While held, a run that does not end after the first signal is not
    // ended: for a commit, whose outcome the run must report.
    void HoldGuard(bool hold);

  private:
    void Watch();
    void Interrupt(int signal);
    // Ends the process when a first signal's run has not ended in time.
    void Guard();

    std::atomic<int> received_{0};
    std::atomic<bool> stopping_{false};
    int pipe_[2] = {-1, -1};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::function<void()> handler_;
    std::thread thread_;
    // Apart from mutex_, which the interrupt handler may hold for as long as
    // a cancel takes.
    std::mutex guardMutex_;
    std::condition_variable guardWake_;
    bool held_ = false;  // under guardMutex_
    std::thread guard_;
};
