#pragma once

#include "click/ClickRunner.h"
#include "click/PointRecorder.h"
#include "hotkeys/HotkeyTable.h"
#include "toolkit/Toolkit.h"

namespace quorvel {

// The main window's event bindings and the hotkeys' actions.
class MainWindowHandlers final : public EventSink, public HotkeyActions {
public:
    MainWindowHandlers(Toolkit& toolkit, HotkeyService& hotkeys, PointRecorder& recorder, ClickRunner& runner)
        : toolkit_(toolkit), hotkeys_(hotkeys), recorder_(recorder), runner_(runner) {}

    void onEvent(Event event) override;

    void onMainWindowCreated();
    void onMainWindowDestroying();
    void onHelpClicked();

    void onStartClicked() override { runner_.onStartClicked(); }
    void onStopClicked() override { runner_.onStopClicked(); }
    void recordLeftClick() override { recorder_.recordLeftClick(); }
    void recordRightClick() override { recorder_.recordRightClick(); }

private:
    Toolkit& toolkit_;
    HotkeyService& hotkeys_;
    PointRecorder& recorder_;
    ClickRunner& runner_;
};

}  // namespace quorvel
