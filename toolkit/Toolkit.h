#pragma once

// The window toolkit as the handlers see it. Nothing here includes <windows.h>, so the
// click script, the handlers and the frame build and test on any system against a fake.

#include <cstdint>
#include <string>
#include <string_view>

// HWND's own type (mingw-w64 and the Windows SDK declare handles as pointers to these
// structures), named without pulling in <windows.h>.
struct HWND__;

namespace quorvel {

using NativeWindow = HWND__*;

enum class FormId { mainWindow, helpWindow };

// The controls of both forms. Each role exists in one form only, so a role alone names
// a control of a loaded window.
enum class Role {
    hintLabel,
    intervalEdit,
    intervalLabel,
    stopButton,
    clickTimer,
    pointList,
    helpButton,
    startButton,
    siteLabel,
    siteLink,
    helpTextLabel,
};

// Everything a form binds to a handler.
enum class Event {
    none,
    startClicked,
    stopClicked,
    helpClicked,
    clickTimerTick,
    mainWindowCreated,
    mainWindowDestroying,
};

// Pointer numbers of setMousePointer; 0 leaves the control's own class cursor.
enum class MousePointer : std::int32_t {
    none = 0,
    arrow = 1,
    cross = 2,
    ibeam = 3,
    wait = 4,
    help = 5,
    appStarting = 6,
    no = 7,
    sizeAll = 8,
    sizeNesw = 9,
    sizeNs = 10,
    sizeNwse = 11,
    sizeWe = 12,
    upArrow = 13,
    hand = 14,
};

// Button kinds of clickAt; any other value clicks the left button once.
enum class ClickKind : std::int32_t {
    left = 0,
    leftDouble = 1,
    right = 2,
    rightDouble = 3,
};

// A screen position with the layout of the Windows POINT structure: x, then y.
struct PointRecord {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const PointRecord&, const PointRecord&) = default;
};

// Receives the events that the loaded forms bind to handlers.
class EventSink {
public:
    virtual void onEvent(Event event) = 0;

protected:
    ~EventSink() = default;
};

// Texts are UTF-8, except readText: see there.
class Toolkit {
public:
    virtual ~Toolkit() = default;

    virtual void setDisabled(Role control, bool disabled) = 0;
    virtual void setMousePointer(Role control, MousePointer pointer) = 0;

    // The edit's text converted to code page 936 bytes, the bytes whose rules textToInt
    // follows (full-width digits and signs among them).
    virtual std::string readText(Role edit) = 0;

    // A negative period stops the timer like 0; setting the current period again keeps
    // a running timer's phase.
    virtual void setTimerPeriod(Role timer, std::int32_t periodMs) = 0;

    // Modal to the program's windows; gives the pressed button as 0 OK, 1 Cancel,
    // 2 Abort, 3 Retry, 4 Ignore, 5 Yes, 6 No.
    virtual int showMessageBox(std::string_view text, std::uint32_t flags, std::string_view title) = 0;

    // A modal load returns once the window has been closed.
    virtual bool loadWindow(FormId form, bool modal) = 0;
    virtual NativeWindow getWindowHandle(FormId form) = 0;

    virtual void clickAt(std::int32_t x, std::int32_t y, ClickKind kind) = 0;

    // Leaves the record as it was when the system cannot tell the position.
    virtual bool readCursorPosition(PointRecord& position) = 0;

    // Report-view list rows. A negative position appends; missing rows and cells read
    // back as "" and 0, and writing them changes nothing.
    virtual std::int32_t insertRow(Role list, std::int32_t position, std::int32_t itemValue) = 0;
    virtual void setCellText(Role list, std::int32_t row, std::int32_t column, std::string_view text) = 0;
    virtual std::string getCellText(Role list, std::int32_t row, std::int32_t column) = 0;
    virtual std::int32_t getRowValue(Role list, std::int32_t row) = 0;
    virtual std::int32_t getRowCount(Role list) = 0;

    // The frame's part: where the forms' events go, and the message loop, which runs until
    // no window of the program is left and gives the exit code of its quit message.
    virtual void setEventSink(EventSink* sink) = 0;
    virtual int runMessageLoop() = 0;
};

}  // namespace quorvel
