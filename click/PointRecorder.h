#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "click/ClickPoint.h"
#include "toolkit/Toolkit.h"

namespace quorvel {

// The two point records the program owns from start-up until its exit routine.
struct PointRecords {
    std::unique_ptr<PointRecord> cursorBuffer = std::make_unique<PointRecord>();
    std::unique_ptr<PointRecord> lastCapturedPoint = std::make_unique<PointRecord>();

    void release() {
        cursorBuffer.reset();
        lastCapturedPoint.reset();
    }
};

// The F6 and F7 actions: append a row for the pointer's position to the point list.
class PointRecorder {
public:
    PointRecorder(Toolkit& toolkit, PointRecords& records) : toolkit_(toolkit), records_(records) {}

    void recordLeftClick();
    void recordRightClick();

    // The pointer's position as a new record; x 0 and y 0 when the system cannot tell it.
    std::unique_ptr<PointRecord> captureCursorPosition();

    // The list is empty when the main window is created, and rows are only ever appended.
    void resetRowCounter() { rowCounter_ = 0; }
    std::int32_t rowCounter() const { return rowCounter_; }

private:
    void record(ClickButton button, std::string_view buttonText);

    Toolkit& toolkit_;
    PointRecords& records_;
    std::int32_t rowCounter_ = 0;
};

}  // namespace quorvel
