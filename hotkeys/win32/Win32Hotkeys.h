#pragma once

#include <windows.h>

#include "hotkeys/HotkeyTable.h"

namespace quorvel {

// The four hotkeys registered on the main window, whose procedure is replaced for the
// window's life so that it sees their WM_HOTKEY messages.
class Win32Hotkeys final : public HotkeyService {
public:
    Win32Hotkeys() = default;
    ~Win32Hotkeys();
    Win32Hotkeys(const Win32Hotkeys&) = delete;
    Win32Hotkeys& operator=(const Win32Hotkeys&) = delete;

    void install(NativeWindow window, HotkeyActions& actions) override;
    void uninstall(NativeWindow window) override;

private:
    static LRESULT CALLBACK hotkeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND window_ = nullptr;
    HotkeyActions* actions_ = nullptr;
    WNDPROC previousWindowProc_ = nullptr;
};

}  // namespace quorvel
