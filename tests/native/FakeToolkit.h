#pragma once

// A toolkit that keeps the user-visible state in memory and records every call in order,
// so tests can check a handler's exact sequence of toolkit calls.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/TimerState.h"
#include "toolkit/Toolkit.h"

namespace quorvel::testing {

std::string roleName(Role role);

struct FakeRow {
    std::array<std::string, 3> cells;
    std::int32_t value = 0;
};

struct FakeClick {
    std::int32_t x = 0;
    std::int32_t y = 0;
    ClickKind kind = ClickKind::left;
    friend bool operator==(const FakeClick&, const FakeClick&) = default;
};

class FakeToolkit final : public Toolkit {
public:
    // Recorded calls, e.g. "setDisabled(intervalEdit,true)".
    std::vector<std::string> calls;

    std::vector<FakeRow> rows;
    std::string editText = "1000";  // code page 936 bytes, as readText gives them
    std::map<Role, bool> disabled;
    std::map<Role, MousePointer> pointers;
    TimerState timer;
    std::optional<PointRecord> cursor = PointRecord{};  // nullopt: the position cannot be read
    bool insertFails = false;
    std::vector<FakeClick> clicks;
    std::vector<std::string> messageBoxes;

    // Run inside the message box, as the nested loop of a real one would run handlers.
    std::function<void()> whileMessageBoxOpen;
    // Run inside loadWindow after the created event, and inside the message loop.
    std::function<void()> whileWindowLoaded;
    std::function<void()> whileLoopRuns;
    bool loadSucceeds = true;
    int loopExitCode = 0;
    EventSink* sink = nullptr;

    static NativeWindow handleOf(FormId form) {
        return reinterpret_cast<NativeWindow>(form == FormId::mainWindow ? 0x1000 : 0x2000);
    }

    // A WM_TIMER reaching the timer window: raises the periodic event only while it runs.
    void deliverTick();

    void clearCalls() { calls.clear(); }

    void setDisabled(Role control, bool isDisabled) override;
    void setMousePointer(Role control, MousePointer pointer) override;
    std::string readText(Role edit) override;
    void setTimerPeriod(Role timerRole, std::int32_t periodMs) override;
    int showMessageBox(std::string_view text, std::uint32_t flags, std::string_view title) override;
    bool loadWindow(FormId form, bool modal) override;
    NativeWindow getWindowHandle(FormId form) override;
    void clickAt(std::int32_t x, std::int32_t y, ClickKind kind) override;
    bool readCursorPosition(PointRecord& position) override;
    std::int32_t insertRow(Role list, std::int32_t position, std::int32_t itemValue) override;
    void setCellText(Role list, std::int32_t row, std::int32_t column, std::string_view text) override;
    std::string getCellText(Role list, std::int32_t row, std::int32_t column) override;
    std::int32_t getRowValue(Role list, std::int32_t row) override;
    std::int32_t getRowCount(Role list) override;
    void setEventSink(EventSink* eventSink) override;
    int runMessageLoop() override;

private:
    bool hasCell(std::int32_t row, std::int32_t column) const;
};

}  // namespace quorvel::testing
