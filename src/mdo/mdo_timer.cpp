#include "mdo/mdo_timer.h"

IMDOTimerHost*& TimerHost() {
    thread_local IMDOTimerHost* host = nullptr;
    return host;
}

void TMDOTimer::SetInterval(int32_t milliseconds) {
    Stop();
    interval_ = milliseconds > 0 ? milliseconds : 0;
    if (interval_ == 0) return;
    host_ = TimerHost();
    if (host_ != nullptr) host_->TimerStarted(*this);
}

void TMDOTimer::Stop() {
    if (host_ != nullptr) {
        IMDOTimerHost* host = host_;
        host_ = nullptr;
        host->TimerStopped(*this);
    }
}
