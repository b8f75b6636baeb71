#include "click/PointRecorder.h"

#include "toolkit/ValueConversions.h"

namespace quorvel {

void PointRecorder::recordLeftClick() { record(ClickButton::left, kLeftClickText); }

void PointRecorder::recordRightClick() { record(ClickButton::right, kRightClickText); }

std::unique_ptr<PointRecord> PointRecorder::captureCursorPosition() {
    PointRecord& buffer = *records_.cursorBuffer;
    buffer = {};
    toolkit_.readCursorPosition(buffer);
    return std::make_unique<PointRecord>(buffer);
}

void PointRecorder::record(ClickButton button, std::string_view buttonText) {
    records_.lastCapturedPoint = captureCursorPosition();
    const PointRecord point = *records_.lastCapturedPoint;

    toolkit_.insertRow(kPointList, -1, static_cast<std::int32_t>(button));
    // The new row is addressed by the counter, which equals the row count before the append
    // because the list only ever grows.
    toolkit_.setCellText(kPointList, rowCounter_, kButtonColumn, buttonText);
    toolkit_.setCellText(kPointList, rowCounter_, kXColumn, intToText(point.x));
    toolkit_.setCellText(kPointList, rowCounter_, kYColumn, intToText(point.y));
    ++rowCounter_;
}

}  // namespace quorvel
