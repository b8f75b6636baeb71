#include "click/ClickRunner.h"

#include <gtest/gtest.h>

#include "FakeToolkit.h"
#include "click/PointRecorder.h"

namespace quorvel {
namespace {

using testing::FakeClick;
using testing::FakeToolkit;
using Calls = std::vector<std::string>;

const Calls kStartSteps = {
    "setDisabled(intervalEdit,true)",
    "readText(intervalEdit)",
    "setMousePointer(startButton,0)",
    "setDisabled(startButton,true)",
    "setMousePointer(stopButton,14)",
    "setDisabled(stopButton,false)",
    "getRowCount(pointList)",
};

const Calls kIdleSteps = {
    "setMousePointer(stopButton,0)",
    "setDisabled(stopButton,true)",
    "setMousePointer(startButton,14)",
    "setDisabled(startButton,false)",
    "setDisabled(intervalEdit,false)",
};

Calls joined(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The runner with the recorders on the same fake, as the hotkeys drive them.
class ClickRunnerTest : public ::testing::Test {
protected:
    FakeToolkit toolkit;
    PointRecords records;
    PointRecorder recorder{toolkit, records};
    ClickRunner runner{toolkit};

    struct Handlers final : EventSink {
        ClickRunner& runner;
        explicit Handlers(ClickRunner& r) : runner(r) {}
        void onEvent(Event event) override {
            if (event == Event::clickTimerTick) runner.onClickTimer();
        }
    } handlers{runner};

    void SetUp() override { toolkit.sink = &handlers; }

    void record(bool right, std::int32_t x, std::int32_t y) {
        toolkit.cursor = PointRecord{x, y};
        right ? recorder.recordRightClick() : recorder.recordLeftClick();
    }

    void ticks(int count) {
        for (int i = 0; i < count; ++i) toolkit.deliverTick();
    }

    // The controls as the runner's two states leave them.
    void expectIdle() {
        EXPECT_FALSE(toolkit.disabled[Role::startButton]);
        EXPECT_EQ(toolkit.pointers[Role::startButton], MousePointer::hand);
        EXPECT_TRUE(toolkit.disabled[Role::stopButton]);
        EXPECT_EQ(toolkit.pointers[Role::stopButton], MousePointer::none);
        EXPECT_FALSE(toolkit.disabled[Role::intervalEdit]);
    }
    void expectRunningControls() {
        EXPECT_TRUE(toolkit.disabled[Role::startButton]);
        EXPECT_EQ(toolkit.pointers[Role::startButton], MousePointer::none);
        EXPECT_FALSE(toolkit.disabled[Role::stopButton]);
        EXPECT_EQ(toolkit.pointers[Role::stopButton], MousePointer::hand);
        EXPECT_TRUE(toolkit.disabled[Role::intervalEdit]);
    }
};

TEST_F(ClickRunnerTest, StartRunsItsStepsInOrder) {
    record(false, 1, 2);
    toolkit.editText = "250";
    toolkit.clearCalls();
    runner.onStartClicked();
    EXPECT_EQ(toolkit.calls, joined({kStartSteps, {"setTimerPeriod(clickTimer,250)"}}));
    EXPECT_EQ(runner.intervalMs(), 250);
    EXPECT_EQ(runner.pointCount(), 1);
    EXPECT_EQ(runner.nextIndex(), 0);
    EXPECT_EQ(toolkit.timer.period(), 250);
    expectRunningControls();
}

TEST_F(ClickRunnerTest, RefusedStartShowsTheBoxThenReturnsToIdle) {
    toolkit.editText = "40";
    runner.onStartClicked();
    EXPECT_EQ(toolkit.calls, joined({kStartSteps,
                                     {"showMessageBox(请选择鼠标点击位置！,0,提示)", "messageBoxClosed"},
                                     kIdleSteps}));
    EXPECT_EQ(runner.intervalMs(), 40);
    EXPECT_EQ(runner.pointCount(), 0);
    EXPECT_FALSE(toolkit.timer.running());
    expectIdle();
}

TEST_F(ClickRunnerTest, WhileTheRefusalIsShownTheControlsAlreadyShowRunning) {
    toolkit.whileMessageBoxOpen = [this] { expectRunningControls(); };
    runner.onStartClicked();
    expectIdle();
}

TEST_F(ClickRunnerTest, StopRunsItsStepsInOrderAndKeepsTheFields) {
    record(true, 5, 5);
    toolkit.editText = "100";
    runner.onStartClicked();
    ticks(1);
    toolkit.clearCalls();
    runner.onStopClicked();
    EXPECT_EQ(toolkit.calls, joined({kIdleSteps, {"setTimerPeriod(clickTimer,0)"}}));
    EXPECT_EQ(runner.pointCount(), 1);
    EXPECT_EQ(runner.intervalMs(), 100);
    EXPECT_FALSE(toolkit.timer.running());
    expectIdle();
}

TEST_F(ClickRunnerTest, TickReadsTheRowThenClicks) {
    record(true, 640, 480);
    record(false, 10, 20);
    runner.onStartClicked();
    toolkit.clearCalls();
    ticks(1);
    EXPECT_EQ(toolkit.calls, (Calls{
                                 "getCellText(pointList,0,1)",
                                 "getCellText(pointList,0,2)",
                                 "getRowValue(pointList,0)",
                                 "clickAt(640,480,2)",
                             }));
    EXPECT_EQ(runner.nextIndex(), 1);
}

TEST_F(ClickRunnerTest, RowsAreClickedInOrderCyclically) {
    record(false, 10, 11);
    record(true, 20, 21);
    record(false, 30, 31);
    runner.onStartClicked();
    ticks(7);
    const std::vector<FakeClick> expected = {
        {10, 11, ClickKind::left}, {20, 21, ClickKind::right}, {30, 31, ClickKind::left},
        {10, 11, ClickKind::left}, {20, 21, ClickKind::right}, {30, 31, ClickKind::left},
        {10, 11, ClickKind::left},
    };
    EXPECT_EQ(toolkit.clicks, expected);
}

TEST_F(ClickRunnerTest, OneRowIsClickedOnEveryTick) {
    record(true, -1280, 7);
    runner.onStartClicked();
    for (int i = 0; i < 3; ++i) {
        ticks(1);
        EXPECT_EQ(runner.nextIndex(), 0);
    }
    EXPECT_EQ(toolkit.clicks, std::vector<FakeClick>(3, {-1280, 7, ClickKind::right}));
}

TEST_F(ClickRunnerTest, TheItemValueAloneDecidesTheButton) {
    const struct {
        std::int32_t value;
        const char* columnText;
        ClickKind expected;
    } cases[] = {
        {0, "右键单击", ClickKind::left},
        {1, "左键单击", ClickKind::right},
        {2, "", ClickKind::right},
        {-1, "左键单击", ClickKind::right},
    };
    for (const auto& c : cases) toolkit.rows.push_back({{c.columnText, "3", "4"}, c.value});
    runner.onStartClicked();
    ticks(static_cast<int>(std::size(cases)));
    ASSERT_EQ(toolkit.clicks.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(toolkit.clicks[i].kind, cases[i].expected) << i;
}

TEST_F(ClickRunnerTest, RowsRecordedAfterStartWaitForTheNextStart) {
    record(false, 1, 1);
    record(false, 2, 2);
    runner.onStartClicked();
    ticks(1);
    record(true, 3, 3);
    ticks(3);
    EXPECT_EQ(toolkit.clicks, (std::vector<FakeClick>{{1, 1, ClickKind::left}, {2, 2, ClickKind::left},
                                                     {1, 1, ClickKind::left}, {2, 2, ClickKind::left}}));

    // Ctrl+S while running takes the new row in and starts over at row 0, same period.
    toolkit.clicks.clear();
    runner.onStartClicked();
    EXPECT_EQ(runner.pointCount(), 3);
    ticks(3);
    EXPECT_EQ(toolkit.clicks, (std::vector<FakeClick>{{1, 1, ClickKind::left}, {2, 2, ClickKind::left},
                                                     {3, 3, ClickKind::right}}));
}

TEST_F(ClickRunnerTest, RestartingWithTheSamePeriodKeepsTheTimersPhase) {
    record(false, 1, 1);
    toolkit.editText = "500";
    runner.onStartClicked();
    toolkit.clearCalls();
    runner.onStartClicked();
    // The runner asks for the same period; the timer leaves a running timer as it is.
    EXPECT_EQ(toolkit.calls.back(), "setTimerPeriod(clickTimer,500)");
    EXPECT_TRUE(toolkit.timer.running());
}

TEST_F(ClickRunnerTest, StopThenStartBeginsAtTheFirstRow) {
    record(false, 1, 1);
    record(false, 2, 2);
    record(false, 3, 3);
    runner.onStartClicked();
    ticks(2);
    runner.onStopClicked();
    runner.onStartClicked();
    toolkit.clicks.clear();
    ticks(1);
    EXPECT_EQ(toolkit.clicks, (std::vector<FakeClick>{{1, 1, ClickKind::left}}));
}

TEST_F(ClickRunnerTest, ATickBeforeAnyStartClicksNothing) {
    runner.onClickTimer();
    EXPECT_TRUE(toolkit.calls.empty());
    EXPECT_EQ(runner.nextIndex(), 0);
}

// The list never shrinks in the program; emptying the fake's rows is the one way to reach a
// refused Start while the timer runs and the index points past the new count.
TEST_F(ClickRunnerTest, RefusedStartLeavesIndexAndTimerAndTheNextTickStartsOver) {
    record(false, 1, 1);
    record(false, 2, 2);
    runner.onStartClicked();
    ticks(1);
    ASSERT_EQ(runner.nextIndex(), 1);
    toolkit.rows.clear();
    toolkit.clearCalls();

    runner.onStartClicked();
    EXPECT_EQ(runner.pointCount(), 0);
    EXPECT_EQ(runner.nextIndex(), 1);
    EXPECT_TRUE(toolkit.timer.running());
    for (const std::string& call : toolkit.calls) EXPECT_NE(call.rfind("setTimerPeriod", 0), 0u) << call;

    toolkit.clearCalls();
    ticks(1);
    EXPECT_TRUE(toolkit.calls.empty());
    EXPECT_EQ(runner.nextIndex(), 0);
    EXPECT_EQ(toolkit.clicks.size(), 1u);
}

TEST_F(ClickRunnerTest, IntervalsThatGiveNoPeriodShowRunningWithoutTicks) {
    const char* texts[] = {"0", "", "abc", "-5", "- 5", "\xA3\xAD" "1"};
    record(false, 1, 1);
    for (const char* text : texts) {
        toolkit.editText = text;
        runner.onStartClicked();
        expectRunningControls();
        EXPECT_FALSE(toolkit.timer.running()) << text;
        ticks(3);
        EXPECT_TRUE(toolkit.clicks.empty()) << text;
        runner.onStopClicked();
        expectIdle();
    }
}

// A hotkey Start inside the refusal's message box starts the cycle; closing the box must
// leave the controls showing that it runs.
TEST_F(ClickRunnerTest, NestedStartInsideTheRefusalKeepsRunningControls) {
    toolkit.editText = "100";
    toolkit.whileMessageBoxOpen = [this] {
        record(false, 9, 9);      // F6
        runner.onStartClicked();  // Ctrl+S
    };
    runner.onStartClicked();
    expectRunningControls();
    EXPECT_TRUE(toolkit.timer.running());
    ticks(2);
    EXPECT_EQ(toolkit.clicks.size(), 2u);

    runner.onStopClicked();  // Ctrl+Q
    expectIdle();
    ticks(1);
    EXPECT_EQ(toolkit.clicks.size(), 2u);
}

TEST_F(ClickRunnerTest, NestedRefusalThenStopStillEndsIdle) {
    toolkit.whileMessageBoxOpen = [this] {
        record(false, 9, 9);
        runner.onStartClicked();
        runner.onStopClicked();
    };
    runner.onStartClicked();
    expectIdle();
    EXPECT_FALSE(toolkit.timer.running());
}

// Ctrl+S held down with an empty list: its repeats come while the refusal is open.
TEST_F(ClickRunnerTest, StartsInsideTheRefusalOpenNoFurtherBox) {
    toolkit.whileMessageBoxOpen = [this] {
        for (int i = 0; i < 3; ++i) runner.onStartClicked();
        expectRunningControls();
    };
    runner.onStartClicked();
    EXPECT_EQ(toolkit.messageBoxes.size(), 1u);
    expectIdle();

    runner.onStartClicked();  // closed, the refusal comes again
    EXPECT_EQ(toolkit.messageBoxes.size(), 2u);
    expectIdle();
}

// A timer message already queued when Stop sets the period to 0 raises no tick.
TEST_F(ClickRunnerTest, NoClickAfterStop) {
    record(false, 1, 1);
    runner.onStartClicked();
    ticks(1);
    runner.onStopClicked();
    ticks(5);
    EXPECT_EQ(toolkit.clicks.size(), 1u);
}

}  // namespace
}  // namespace quorvel
