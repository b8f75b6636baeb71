#pragma once

#include <cstdint>

namespace quorvel {

// The decisions of a periodic timer, apart from the native timer that carries them out.
class TimerState {
public:
    // What the native timer must do for a new period.
    struct Change {
        bool kill = false;   // stop the native timer that runs now
        bool start = false;  // start it with period()
    };

    // A negative period counts as 0. The current period again changes nothing, so a
    // running timer keeps its phase.
    Change setPeriod(std::int32_t periodMs);

    std::int32_t period() const { return periodMs_; }
    bool running() const { return running_; }

    // A tick raises the periodic event only while the timer runs: a tick that was already
    // on its way when the period became 0 is dropped.
    bool acceptsTick() const { return running_; }

private:
    std::int32_t periodMs_ = 0;
    bool running_ = false;
};

}  // namespace quorvel
