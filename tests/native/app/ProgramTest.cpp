#include "app/Program.h"

#include <gtest/gtest.h>

#include "FakeHotkeys.h"
#include "FakeToolkit.h"

namespace quorvel {
namespace {

using testing::FakeHotkeys;
using testing::FakeToolkit;
using Calls = std::vector<std::string>;

class ProgramTest : public ::testing::Test {
protected:
    FakeToolkit toolkit;
    FakeHotkeys hotkeys;
    PointRecords records;

    void SetUp() override { hotkeys.calls = &toolkit.calls; }
};

TEST_F(ProgramTest, LoadsTheMainWindowThenRunsTheLoop) {
    toolkit.loopExitCode = 0;
    EXPECT_EQ(runProgram(toolkit, hotkeys, records), 0);
    EXPECT_EQ(toolkit.calls, (Calls{
                                 "setEventSink",
                                 "loadWindow(mainWindow,false)",
                                 "setDisabled(stopButton,true)",
                                 "getWindowHandle(mainWindow)",
                                 "installHotkeys",
                                 "runMessageLoop",
                                 "clearEventSink",
                             }));
}

TEST_F(ProgramTest, AnF6AtTheFirstMomentFindsThePointRecords) {
    toolkit.cursor = PointRecord{12, 34};
    toolkit.whileWindowLoaded = [this] { hotkeys.actions->recordLeftClick(); };
    runProgram(toolkit, hotkeys, records);
    ASSERT_EQ(toolkit.rows.size(), 1u);
    EXPECT_EQ(toolkit.rows[0].cells[1], "12");
    EXPECT_EQ(toolkit.rows[0].cells[2], "34");
}

TEST_F(ProgramTest, ThePointRecordsLiveUntilTheLoopEnds) {
    toolkit.whileLoopRuns = [this] {
        EXPECT_NE(records.cursorBuffer, nullptr);
        EXPECT_NE(records.lastCapturedPoint, nullptr);
    };
    runProgram(toolkit, hotkeys, records);
    EXPECT_EQ(records.cursorBuffer, nullptr);
    EXPECT_EQ(records.lastCapturedPoint, nullptr);
}

TEST_F(ProgramTest, AMainWindowThatCannotBeCreatedEndsWithAnErrorBoxAndMinusOne) {
    toolkit.loadSucceeds = false;
    EXPECT_EQ(runProgram(toolkit, hotkeys, records), -1);
    ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
    EXPECT_EQ(std::find(toolkit.calls.begin(), toolkit.calls.end(), "runMessageLoop"), toolkit.calls.end());
    EXPECT_EQ(records.cursorBuffer, nullptr);
    EXPECT_EQ(records.lastCapturedPoint, nullptr);
    EXPECT_EQ(toolkit.sink, nullptr);
}

}  // namespace
}  // namespace quorvel
