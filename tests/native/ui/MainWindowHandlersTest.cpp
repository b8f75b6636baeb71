#include "ui/MainWindowHandlers.h"

#include <gtest/gtest.h>

#include "FakeHotkeys.h"
#include "FakeToolkit.h"

namespace quorvel {
namespace {

using testing::FakeHotkeys;
using testing::FakeToolkit;
using Calls = std::vector<std::string>;

class MainWindowHandlersTest : public ::testing::Test {
protected:
    FakeToolkit toolkit;
    FakeHotkeys hotkeys;
    PointRecords records;
    PointRecorder recorder{toolkit, records};
    ClickRunner runner{toolkit};
    MainWindowHandlers handlers{toolkit, hotkeys, recorder, runner};

    void SetUp() override { hotkeys.calls = &toolkit.calls; }
};

TEST_F(MainWindowHandlersTest, CreatedDisablesStopResetsTheCounterAndInstallsHotkeys) {
    recorder.recordLeftClick();
    toolkit.clearCalls();
    handlers.onEvent(Event::mainWindowCreated);
    EXPECT_EQ(toolkit.calls, (Calls{"setDisabled(stopButton,true)", "getWindowHandle(mainWindow)", "installHotkeys"}));
    EXPECT_EQ(recorder.rowCounter(), 0);
    EXPECT_EQ(hotkeys.installedOn, FakeToolkit::handleOf(FormId::mainWindow));
    EXPECT_EQ(hotkeys.actions, &handlers);
}

TEST_F(MainWindowHandlersTest, DestroyingUninstallsHotkeys) {
    handlers.onEvent(Event::mainWindowCreated);
    toolkit.clearCalls();
    handlers.onEvent(Event::mainWindowDestroying);
    EXPECT_EQ(toolkit.calls, (Calls{"getWindowHandle(mainWindow)", "uninstallHotkeys"}));
    EXPECT_EQ(hotkeys.actions, nullptr);
}

TEST_F(MainWindowHandlersTest, HelpLoadsTheHelpWindowModally) {
    handlers.onEvent(Event::helpClicked);
    EXPECT_EQ(toolkit.calls, (Calls{"loadWindow(helpWindow,true)"}));
}

TEST_F(MainWindowHandlersTest, EventsAndHotkeysReachTheirHandlers) {
    toolkit.cursor = PointRecord{3, 4};
    handlers.onEvent(Event::mainWindowCreated);
    hotkeys.actions->recordLeftClick();   // F6
    hotkeys.actions->recordRightClick();  // F7
    ASSERT_EQ(toolkit.rows.size(), 2u);
    EXPECT_EQ(toolkit.rows[0].value, 0);
    EXPECT_EQ(toolkit.rows[1].value, 1);

    handlers.onEvent(Event::startClicked);
    EXPECT_TRUE(toolkit.timer.running());
    handlers.onEvent(Event::clickTimerTick);
    EXPECT_EQ(toolkit.clicks.size(), 1u);
    hotkeys.actions->onStopClicked();  // Ctrl+Q
    EXPECT_FALSE(toolkit.timer.running());
    hotkeys.actions->onStartClicked();  // Ctrl+S
    EXPECT_TRUE(toolkit.timer.running());
    handlers.onEvent(Event::stopClicked);
    EXPECT_FALSE(toolkit.timer.running());
}

}  // namespace
}  // namespace quorvel
