#pragma once
// What the component tests share: a clock the test moves by hand (the idle
// timers tick only when it is advanced, so no test waits), a log of events in
// the order they fired, a login dialog of the test's choosing and a trace
// hook that counts what the components report.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "embedded_database.h"
#include "foundation/scoped_value.h"
#include "mdo/login_dialog.h"
#include "mdo/mdo_timer.h"
#include "mdo/sql_monitor_hook.h"

// The timer host of the calling thread for its lifetime.
class TcManualTimerHost : public IMDOTimerHost {
  public:
    TcManualTimerHost() : previous_(TimerHost()) { TimerHost() = this; }
    ~TcManualTimerHost() override { TimerHost() = previous_; }
    TcManualTimerHost(const TcManualTimerHost&) = delete;
    TcManualTimerHost& operator=(const TcManualTimerHost&) = delete;

    void TimerStarted(TMDOTimer& timer) override { due_[&timer] = now_ + timer.Interval(); }
    void TimerStopped(TMDOTimer& timer) override { due_.erase(&timer); }

    // Moves the clock on by `milliseconds`, ticking every running timer at
    // each end of its period on the way, earliest first.
    void Advance(int64_t milliseconds) {
        const int64_t end = now_ + milliseconds;
        for (;;) {
            auto next = due_.end();
            for (auto it = due_.begin(); it != due_.end(); ++it)
                if (it->second <= end && (next == due_.end() || it->second < next->second))
                    next = it;
            if (next == due_.end()) break;
            TMDOTimer* timer = next->first;
            now_ = next->second;
            next->second += timer->Interval();
            timer->Tick();  // may stop or destroy timers
        }
        now_ = end;
    }
    int64_t Now() const { return now_; }
    size_t Running() const { return due_.size(); }

  private:
    IMDOTimerHost* previous_;
    int64_t now_ = 0;
    std::map<TMDOTimer*, int64_t> due_;
};

// Names of events in firing order.
struct TcEventLog {
    std::vector<std::string> Events;
    // A handler for any event signature that logs `name`.
    auto Logger(const std::string& name) {
        return [this, name](auto&&...) { Events.push_back(name); };
    }
};

// Installs a login dialog for its lifetime.
class TcScopedLoginDialog {
  public:
    explicit TcScopedLoginDialog(TMDOLoginDialog dialog)
        : scope_(LoginDialog(), std::move(dialog)) {}

  private:
    TcScopedValue<TMDOLoginDialog> scope_;
};

// Counts the transaction starts and ends reported to the trace hook.
class TcCountingMonitor : public IIBSQLMonitorHook {
  public:
    TcCountingMonitor() : scope_(MonitorHookSlot(), this) {}
    void DBConnect(TMDODatabase&) override { ++Connects; }
    void DBDisconnect(TMDODatabase&) override { ++Disconnects; }
    void TRStart(TMDOTransaction&) override { ++Starts; }
    void TRCommit(TMDOTransaction&) override { ++Commits; }
    int Connects = 0, Disconnects = 0, Starts = 0, Commits = 0;

  private:
    TcScopedValue<IIBSQLMonitorHook*> scope_;
};
