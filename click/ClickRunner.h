#pragma once

#include <cstdint>

#include "toolkit/Toolkit.h"

namespace quorvel {

// The timed click cycle: Start takes the interval and the row count once, every tick of the
// click timer clicks the next row, Stop sets the timer's period to 0. Whether the cycle runs
// shows in the controls: which button is enabled, the interval box, the timer's period.
class ClickRunner {
public:
    explicit ClickRunner(Toolkit& toolkit) : toolkit_(toolkit) {}

    void onStartClicked();
    void onStopClicked();
    void onClickTimer();

    std::int32_t pointCount() const { return pointCount_; }
    std::int32_t nextIndex() const { return nextIndex_; }
    std::int32_t intervalMs() const { return intervalMs_; }

private:
    void showIdleControls();

    Toolkit& toolkit_;
    std::int32_t pointCount_ = 0;
    std::int32_t nextIndex_ = 0;
    std::int32_t intervalMs_ = 0;
    // The empty-list message box runs a nested loop in which a hotkey can start the cycle;
    // closing the box must not then show Idle over a running timer.
    bool cycleRunning_ = false;
    bool refusalOpen_ = false;
};

}  // namespace quorvel
