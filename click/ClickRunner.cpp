#include "click/ClickRunner.h"

#include "click/ClickPoint.h"
#include "toolkit/ValueConversions.h"

namespace quorvel {
namespace {

constexpr std::string_view kEmptyListMessage = "请选择鼠标点击位置！";
constexpr std::string_view kEmptyListTitle = "提示";
constexpr std::uint32_t kPlainOkBox = 0;

ClickPoint readPoint(Toolkit& toolkit, std::int32_t row) {
    ClickPoint point;
    point.x = textToInt(toolkit.getCellText(kPointList, row, kXColumn));
    point.y = textToInt(toolkit.getCellText(kPointList, row, kYColumn));
    // The item value alone decides the button; column 0 is for the user.
    point.button = toolkit.getRowValue(kPointList, row) == 0 ? ClickButton::left : ClickButton::right;
    return point;
}

}  // namespace

void ClickRunner::onStartClicked() {
    toolkit_.setDisabled(Role::intervalEdit, true);
    intervalMs_ = textToInt(toolkit_.readText(Role::intervalEdit));
    toolkit_.setMousePointer(Role::startButton, MousePointer::none);
    toolkit_.setDisabled(Role::startButton, true);
    toolkit_.setMousePointer(Role::stopButton, MousePointer::hand);
    toolkit_.setDisabled(Role::stopButton, false);
    pointCount_ = toolkit_.getRowCount(kPointList);

    if (pointCount_ == 0) {
        // A Start inside the open refusal gets no box of its own: a held Ctrl+S nested a box
        // in the box for each repeat until the stack ran out.
        if (refusalOpen_) return;
        refusalOpen_ = true;
        toolkit_.showMessageBox(kEmptyListMessage, kPlainOkBox, kEmptyListTitle);
        refusalOpen_ = false;
        if (!cycleRunning_) showIdleControls();
        return;
    }

    nextIndex_ = 0;
    toolkit_.setTimerPeriod(Role::clickTimer, intervalMs_);
    cycleRunning_ = true;
}

void ClickRunner::onStopClicked() {
    showIdleControls();
    toolkit_.setTimerPeriod(Role::clickTimer, 0);
    cycleRunning_ = false;
}

void ClickRunner::onClickTimer() {
    if (nextIndex_ >= pointCount_) {
        nextIndex_ = 0;
        return;
    }
    const ClickPoint point = readPoint(toolkit_, nextIndex_);
    toolkit_.clickAt(point.x, point.y, point.button == ClickButton::left ? ClickKind::left : ClickKind::right);
    if (++nextIndex_ == pointCount_) nextIndex_ = 0;
}

void ClickRunner::showIdleControls() {
    toolkit_.setMousePointer(Role::stopButton, MousePointer::none);
    toolkit_.setDisabled(Role::stopButton, true);
    toolkit_.setMousePointer(Role::startButton, MousePointer::hand);
    toolkit_.setDisabled(Role::startButton, false);
    toolkit_.setDisabled(Role::intervalEdit, false);
}

}  // namespace quorvel
