#include "app/signal_watcher.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <system_error>

namespace {

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

TcSignalWatcher::TcSignalWatcher() {
    const sigset_t set = StopSignals();
    if (const int error = pthread_sigmask(SIG_BLOCK, &set, nullptr); error != 0)
        throw std::system_error(error, std::generic_category(), "pthread_sigmask");
    if (pipe2(pipe_, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    thread_ = std::thread([this] { Watch(); });
    guard_ = std::thread([this] { Guard(); });
}

TcSignalWatcher::~TcSignalWatcher() {
    SetInterruptHandler(nullptr);
    // A signal aimed at the watcher's own thread ends its sigwait; the flag
    // tells it apart from a user's signal.
    {
        std::lock_guard lock(guardMutex_);
        stopping_ = true;
    }
    guardWake_.notify_all();
    guard_.join();
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
    close(pipe_[0]);
    close(pipe_[1]);
}

void TcSignalWatcher::SetInterruptHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void TcSignalWatcher::Watch() {
    const sigset_t set = StopSignals();
    // A cancel reaches only a request that runs: one that starts just after
    // the signal is caught by calling the handler again while it is set.
    const timespec again{0, 100'000'000};
    for (;;) {
        int signal = 0;
        if (received_.load() == 0) {
            if (sigwait(&set, &signal) != 0) continue;
        } else {
            signal = sigtimedwait(&set, nullptr, &again);
            if (signal < 0) {
                std::lock_guard lock(mutex_);
                if (received_.load() != 0 && handler_) handler_();  // not after Rearm
                continue;
            }
        }
        if (stopping_) return;
        if (received_.load() != 0) {
            // The first signal's cleanup did not end the run: the user insists.
            _exit(128 + received_.load());
        }
        Interrupt(signal);
    }
}

void TcSignalWatcher::Interrupt(int signal) {
    {
        std::lock_guard lock(mutex_);
        received_ = signal;
        if (handler_) handler_();
        const char byte = 1;
        // The pipe is empty until now (Rearm empties it), so the write
        // cannot block; a failure only leaves a terminal read waiting for
        // its input.
        [[maybe_unused]] const ssize_t written = write(pipe_[1], &byte, 1);
    }
    wake_.notify_all();
    { std::lock_guard lock(guardMutex_); }
    guardWake_.notify_all();
}

void TcSignalWatcher::Guard() {
    constexpr auto kGrace = std::chrono::seconds(5);
    std::unique_lock lock(guardMutex_);
    for (;;) {
        guardWake_.wait(lock, [this] { return stopping_ || received_.load() != 0; });
        if (stopping_) return;
        const int signal = received_.load();
        if (guardWake_.wait_for(lock, kGrace,
                                [this] { return stopping_ || received_.load() == 0; }))
            continue;
        // A commit is running: its outcome must be known, so it is waited
        // for, and the grace period starts again after it.
        if (held_) {
            guardWake_.wait(lock,
                            [this] { return stopping_ || received_.load() == 0 || !held_; });
            continue;
        }
        // The cleanup after the signal hangs: nothing more can be done in order.
        static const char kMessage[] = "Interrupted.\n";
        [[maybe_unused]] const ssize_t written =
            write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
        _exit(128 + signal);
    }
}

void TcSignalWatcher::Rearm() {
    std::lock_guard lock(mutex_);
    if (received_.load() == 0) return;
    // The watcher writes one byte per first signal, under the lock: one read
    // empties the pipe.
    char byte = 0;
    [[maybe_unused]] const ssize_t got = read(pipe_[0], &byte, 1);
    {
        std::lock_guard guardLock(guardMutex_);
        received_ = 0;
    }
    guardWake_.notify_all();
}

void TcSignalWatcher::HoldGuard(bool hold) {
    {
        std::lock_guard lock(guardMutex_);
        held_ = hold;
    }
    guardWake_.notify_all();
}

bool TcSignalWatcher::Sleep(int64_t milliseconds) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return received_.load() != 0; });
}
