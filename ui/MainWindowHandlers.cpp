#include "ui/MainWindowHandlers.h"

namespace quorvel {

void MainWindowHandlers::onEvent(Event event) {
    switch (event) {
    case Event::startClicked: runner_.onStartClicked(); break;
    case Event::stopClicked: runner_.onStopClicked(); break;
    case Event::helpClicked: onHelpClicked(); break;
    case Event::clickTimerTick: runner_.onClickTimer(); break;
    case Event::mainWindowCreated: onMainWindowCreated(); break;
    case Event::mainWindowDestroying: onMainWindowDestroying(); break;
    case Event::none: break;
    }
}

void MainWindowHandlers::onMainWindowCreated() {
    toolkit_.setDisabled(Role::stopButton, true);
    recorder_.resetRowCounter();
    hotkeys_.install(toolkit_.getWindowHandle(FormId::mainWindow), *this);
}

void MainWindowHandlers::onMainWindowDestroying() {
    hotkeys_.uninstall(toolkit_.getWindowHandle(FormId::mainWindow));
}

void MainWindowHandlers::onHelpClicked() { toolkit_.loadWindow(FormId::helpWindow, true); }

}  // namespace quorvel
