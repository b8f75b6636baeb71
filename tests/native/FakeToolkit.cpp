#include "FakeToolkit.h"

namespace quorvel::testing {
namespace {

std::string boolText(bool value) { return value ? "true" : "false"; }

std::string formName(FormId form) { return form == FormId::mainWindow ? "mainWindow" : "helpWindow"; }

std::string kindName(ClickKind kind) { return std::to_string(static_cast<std::int32_t>(kind)); }

}  // namespace

std::string roleName(Role role) {
    switch (role) {
    case Role::hintLabel: return "hintLabel";
    case Role::intervalEdit: return "intervalEdit";
    case Role::intervalLabel: return "intervalLabel";
    case Role::stopButton: return "stopButton";
    case Role::clickTimer: return "clickTimer";
    case Role::pointList: return "pointList";
    case Role::helpButton: return "helpButton";
    case Role::startButton: return "startButton";
    case Role::siteLabel: return "siteLabel";
    case Role::siteLink: return "siteLink";
    case Role::helpTextLabel: return "helpTextLabel";
    }
    return "?";
}

void FakeToolkit::deliverTick() {
    if (timer.acceptsTick() && sink) sink->onEvent(Event::clickTimerTick);
}

void FakeToolkit::setDisabled(Role control, bool isDisabled) {
    calls.push_back("setDisabled(" + roleName(control) + "," + boolText(isDisabled) + ")");
    disabled[control] = isDisabled;
}

void FakeToolkit::setMousePointer(Role control, MousePointer pointer) {
    calls.push_back("setMousePointer(" + roleName(control) + "," +
                    std::to_string(static_cast<std::int32_t>(pointer)) + ")");
    pointers[control] = pointer;
}

std::string FakeToolkit::readText(Role edit) {
    calls.push_back("readText(" + roleName(edit) + ")");
    return editText;
}

void FakeToolkit::setTimerPeriod(Role timerRole, std::int32_t periodMs) {
    calls.push_back("setTimerPeriod(" + roleName(timerRole) + "," + std::to_string(periodMs) + ")");
    timer.setPeriod(periodMs);
}

int FakeToolkit::showMessageBox(std::string_view text, std::uint32_t flags, std::string_view title) {
    calls.push_back("showMessageBox(" + std::string(text) + "," + std::to_string(flags) + "," +
                    std::string(title) + ")");
    messageBoxes.emplace_back(text);
    if (whileMessageBoxOpen) {
        // One nested run only: a box opened from inside gets no script of its own.
        auto script = std::move(whileMessageBoxOpen);
        whileMessageBoxOpen = nullptr;
        script();
    }
    calls.push_back("messageBoxClosed");
    return 0;
}

bool FakeToolkit::loadWindow(FormId form, bool modal) {
    calls.push_back("loadWindow(" + formName(form) + "," + boolText(modal) + ")");
    if (!loadSucceeds) return false;
    if (form == FormId::mainWindow && sink) sink->onEvent(Event::mainWindowCreated);
    if (whileWindowLoaded) whileWindowLoaded();
    return true;
}

NativeWindow FakeToolkit::getWindowHandle(FormId form) {
    calls.push_back("getWindowHandle(" + formName(form) + ")");
    return handleOf(form);
}

void FakeToolkit::clickAt(std::int32_t x, std::int32_t y, ClickKind kind) {
    calls.push_back("clickAt(" + std::to_string(x) + "," + std::to_string(y) + "," + kindName(kind) + ")");
    clicks.push_back({x, y, kind});
}

bool FakeToolkit::readCursorPosition(PointRecord& position) {
    calls.push_back("readCursorPosition");
    if (!cursor) return false;
    position = *cursor;
    return true;
}

std::int32_t FakeToolkit::insertRow(Role list, std::int32_t position, std::int32_t itemValue) {
    calls.push_back("insertRow(" + roleName(list) + "," + std::to_string(position) + "," +
                    std::to_string(itemValue) + ")");
    if (insertFails) return -1;
    FakeRow row;
    row.value = itemValue;
    if (position < 0 || position >= static_cast<std::int32_t>(rows.size())) {
        rows.push_back(row);
        return static_cast<std::int32_t>(rows.size()) - 1;
    }
    rows.insert(rows.begin() + position, row);
    return position;
}

void FakeToolkit::setCellText(Role list, std::int32_t row, std::int32_t column, std::string_view text) {
    calls.push_back("setCellText(" + roleName(list) + "," + std::to_string(row) + "," + std::to_string(column) +
                    "," + std::string(text) + ")");
    if (hasCell(row, column)) rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)] = text;
}

std::string FakeToolkit::getCellText(Role list, std::int32_t row, std::int32_t column) {
    calls.push_back("getCellText(" + roleName(list) + "," + std::to_string(row) + "," + std::to_string(column) + ")");
    return hasCell(row, column) ? rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)] : "";
}

std::int32_t FakeToolkit::getRowValue(Role list, std::int32_t row) {
    calls.push_back("getRowValue(" + roleName(list) + "," + std::to_string(row) + ")");
    return hasCell(row, 0) ? rows[static_cast<std::size_t>(row)].value : 0;
}

std::int32_t FakeToolkit::getRowCount(Role list) {
    calls.push_back("getRowCount(" + roleName(list) + ")");
    return static_cast<std::int32_t>(rows.size());
}

void FakeToolkit::setEventSink(EventSink* eventSink) {
    calls.push_back(eventSink ? "setEventSink" : "clearEventSink");
    sink = eventSink;
}

int FakeToolkit::runMessageLoop() {
    calls.push_back("runMessageLoop");
    if (whileLoopRuns) whileLoopRuns();
    return loopExitCode;
}

bool FakeToolkit::hasCell(std::int32_t row, std::int32_t column) const {
    return row >= 0 && row < static_cast<std::int32_t>(rows.size()) && column >= 0 && column < 3;
}

}  // namespace quorvel::testing
