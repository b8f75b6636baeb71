#pragma once

#include <string>
#include <vector>

#include "hotkeys/HotkeyTable.h"

namespace quorvel::testing {

// Records installs and keeps the actions, so a test can press a hotkey.
class FakeHotkeys final : public HotkeyService {
public:
    std::vector<std::string>* calls = nullptr;  // shared with the toolkit's log when set
    HotkeyActions* actions = nullptr;
    NativeWindow installedOn = nullptr;

    void install(NativeWindow window, HotkeyActions& hotkeyActions) override {
        if (calls) calls->push_back("installHotkeys");
        installedOn = window;
        actions = &hotkeyActions;
    }
    void uninstall(NativeWindow window) override {
        if (calls) calls->push_back("uninstallHotkeys");
        if (window == installedOn) actions = nullptr;
    }
};

}  // namespace quorvel::testing
