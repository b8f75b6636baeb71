#include "hotkeys/HotkeyTable.h"

namespace quorvel {

void dispatchHotkey(HotkeyActions& actions, std::uintptr_t wParam, std::intptr_t lParam) {
    // Every row is tested; wParam has one value, so at most one action runs.
    for (const Hotkey& hotkey : kHotkeys) {
        if (wParam == static_cast<std::uintptr_t>(hotkey.id) && lParam == hotkey.lParam()) {
            (actions.*hotkey.action)();
        }
    }
}

}  // namespace quorvel
