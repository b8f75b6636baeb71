#pragma once

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "toolkit/Form.h"
#include "toolkit/TimerState.h"
#include "toolkit/win32/Win32Handles.h"

namespace quorvel {

class Win32Toolkit;

// A control of a loaded form and the state the toolkit keeps with it; the enabled state is
// the native window's own.
struct Control {
    const ControlSpec* spec = nullptr;
    HWND window = nullptr;
    HCURSOR cursor = nullptr;  // shared cursors only, owned by the system
    TimerState timer;          // timers only
};

// The top-level window of a loaded form with its controls, built from the form's table.
class FormWindow {
public:
    // Creates the window and its controls, hidden. Null when the window cannot be created.
    static std::unique_ptr<FormWindow> create(Win32Toolkit& toolkit, const FormSpec& form, HWND owner);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND window() const { return window_; }
    const FormSpec& form() const { return form_; }
    bool destroyed() const { return window_ == nullptr; }

    Control* find(Role role);

    // Tab and Shift+Tab: the next visible and enabled control of the Tab order.
    void moveFocus(bool backwards);

    // While a modal form is open, the windows it disabled and whether each was enabled.
    void rememberDisabled(std::vector<std::pair<HWND, bool>> windows) { disabledByModal_ = std::move(windows); }

    static void setTimerPeriod(Control& timer, std::int32_t periodMs);

    static void registerClasses(HINSTANCE instance, std::vector<WindowClass>& classes);

private:
    FormWindow(Win32Toolkit& toolkit, const FormSpec& form);

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK timerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    void createControls();
    HWND createControl(const ControlSpec& spec, int id);
    Control* find(HWND window);
    std::vector<Control*> tabOrder();
    HWND focusTarget();
    void onCommand(HWND control, UINT notification);
    bool onSetCursor(HWND under);
    void onActivate(bool active);
    void onTimer(HWND timerWindow);
    void restoreDisabledWindows();

    Win32Toolkit& toolkit_;
    const FormSpec& form_;
    HWND window_ = nullptr;
    std::vector<Control> controls_;  // form order, built once
    std::vector<UniqueFont> fonts_;
    HWND lastFocus_ = nullptr;
    std::vector<std::pair<HWND, bool>> disabledByModal_;
};

}  // namespace quorvel
