#pragma once
// The periodic timer behind the idle time-outs of the connection and
// transaction components. The components only set an interval; the ticks
// come from a timer host that runs on the thread owning the components (a
// window's event loop, a test's hand-driven clock), so a tick never
// interleaves with a client call of the same component. A thread without a
// host keeps its timers' intervals but never ticks them: nothing in this
// program arms an idle timer, and a front end that offers them installs a
// host first.

#include <cstdint>
#include <functional>

class TMDOTimer;

// Delivers ticks to the timers of one thread.
class IMDOTimerHost {
  public:
    virtual ~IMDOTimerHost() = default;
    // The timer runs now with its Interval; its periods count from now.
    virtual void TimerStarted(TMDOTimer& timer) = 0;
    // The timer stopped or is going away: no tick may reach it any more.
    virtual void TimerStopped(TMDOTimer& timer) = 0;
};

// The calling thread's host; null when the thread has none.
IMDOTimerHost*& TimerHost();

class TMDOTimer {
  public:
    explicit TMDOTimer(std::function<void()> onTimer) : onTimer_(std::move(onTimer)) {}
    ~TMDOTimer() { Stop(); }
    TMDOTimer(const TMDOTimer&) = delete;
    TMDOTimer& operator=(const TMDOTimer&) = delete;

    // A positive interval (milliseconds) starts the timer anew, 0 stops it.
    void SetInterval(int32_t milliseconds);
    int32_t Interval() const { return interval_; }
    bool Enabled() const { return interval_ > 0; }
    // Called by the host at the end of every period.
    void Tick() {
        if (onTimer_) onTimer_();
    }

  private:
    void Stop();
    std::function<void()> onTimer_;
    int32_t interval_ = 0;
    // The host that was told of the start, told again of the stop.
    IMDOTimerHost* host_ = nullptr;
};
