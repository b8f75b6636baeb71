#include "toolkit/TimerState.h"

namespace quorvel {

TimerState::Change TimerState::setPeriod(std::int32_t periodMs) {
    const std::int32_t period = periodMs < 0 ? 0 : periodMs;
    if (period == periodMs_) return {};
    periodMs_ = period;
    Change change;
    change.kill = running_;
    change.start = period > 0;
    running_ = change.start;
    return change;
}

}  // namespace quorvel
