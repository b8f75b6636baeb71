#pragma once

#include <array>
#include <cstdint>

#include "toolkit/Toolkit.h"

namespace quorvel {

enum class HotkeyId : std::int32_t { start = 1, stop = 2, recordLeft = 3, recordRight = 4 };

// What the four hotkeys run.
class HotkeyActions {
public:
    virtual void onStartClicked() = 0;
    virtual void onStopClicked() = 0;
    virtual void recordLeftClick() = 0;
    virtual void recordRightClick() = 0;

protected:
    ~HotkeyActions() = default;
};

inline constexpr std::uint32_t kModNone = 0x0000;
inline constexpr std::uint32_t kModControl = 0x0002;  // MOD_CONTROL

struct Hotkey {
    HotkeyId id;
    std::uint32_t modifiers;
    std::uint32_t virtualKey;
    void (HotkeyActions::*action)();

    // The lParam of this hotkey's WM_HOTKEY: the key in the high word, the modifiers in the low.
    std::intptr_t lParam() const { return static_cast<std::intptr_t>(virtualKey << 16 | modifiers); }
};

// In the order of registration and of matching.
inline constexpr std::array<Hotkey, 4> kHotkeys{{
    {HotkeyId::start, kModControl, 0x53 /* S */, &HotkeyActions::onStartClicked},
    {HotkeyId::stop, kModControl, 0x51 /* Q */, &HotkeyActions::onStopClicked},
    {HotkeyId::recordLeft, kModNone, 0x75 /* VK_F6 */, &HotkeyActions::recordLeftClick},
    {HotkeyId::recordRight, kModNone, 0x76 /* VK_F7 */, &HotkeyActions::recordRightClick},
}};

// Runs the action of the hotkey whose identifier and whole lParam match exactly; anything
// else (the platform's own negative identifiers, extra bits, other modifiers) runs nothing.
void dispatchHotkey(HotkeyActions& actions, std::uintptr_t wParam, std::intptr_t lParam);

// Registers the four hotkeys on a window and hands their WM_HOTKEY messages to the actions.
class HotkeyService {
public:
    virtual void install(NativeWindow window, HotkeyActions& actions) = 0;
    virtual void uninstall(NativeWindow window) = 0;

protected:
    ~HotkeyService() = default;
};

}  // namespace quorvel
