#include "hotkeys/win32/Win32Hotkeys.h"

namespace quorvel {
namespace {

// The replacement procedure finds its hotkeys through this property of the window.
constexpr wchar_t kHotkeysProperty[] = L"Quorvel.Hotkeys";

// Unregistered in this order: Stop, Start, F6, F7.
constexpr HotkeyId kUnregisterOrder[] = {HotkeyId::stop, HotkeyId::start, HotkeyId::recordLeft,
                                         HotkeyId::recordRight};

}  // namespace

Win32Hotkeys::~Win32Hotkeys() {
    if (window_ && IsWindow(window_)) uninstall(window_);
}

void Win32Hotkeys::install(NativeWindow window, HotkeyActions& actions) {
    window_ = window;
    actions_ = &actions;
    SetPropW(window, kHotkeysProperty, this);
    previousWindowProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&hotkeyWindowProc));
    // A registration fails when another program (or another copy of this one) holds the
    // combination; the other hotkeys and the buttons work all the same.
    for (const Hotkey& hotkey : kHotkeys) {
        RegisterHotKey(window, static_cast<int>(hotkey.id), hotkey.modifiers, hotkey.virtualKey);
    }
}

void Win32Hotkeys::uninstall(NativeWindow window) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousWindowProc_));
    for (const HotkeyId id : kUnregisterOrder) UnregisterHotKey(window, static_cast<int>(id));
    RemovePropW(window, kHotkeysProperty);
    window_ = nullptr;
    actions_ = nullptr;
}

LRESULT CALLBACK Win32Hotkeys::hotkeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = static_cast<Win32Hotkeys*>(GetPropW(window, kHotkeysProperty));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_HOTKEY && self->actions_) dispatchHotkey(*self->actions_, wParam, lParam);
    // Every message, a hotkey's included, goes on to the procedure that was replaced.
    return CallWindowProcW(self->previousWindowProc_, window, message, wParam, lParam);
}

}  // namespace quorvel
