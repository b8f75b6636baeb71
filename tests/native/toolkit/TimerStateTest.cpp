#include "toolkit/TimerState.h"

#include <gtest/gtest.h>

#include "CaseName.h"

#include <vector>

namespace quorvel {
namespace {

struct Step {
    std::int32_t period;
    bool kill;
    bool start;
    bool runningAfter;
};

struct TimerCase {
    const char* name;
    std::vector<Step> steps;
};

const TimerCase kTimerCases[] = {
    {"start", {{100, false, true, true}}},
    {"same period keeps the phase", {{100, false, true, true}, {100, false, false, true}}},
    {"new period restarts", {{100, false, true, true}, {250, true, true, true}}},
    {"zero stops", {{100, false, true, true}, {0, true, false, false}}},
    {"negative stops like zero", {{100, false, true, true}, {-5, true, false, false}}},
    {"negative after zero changes nothing", {{100, false, true, true}, {0, true, false, false}, {-1, false, false, false}}},
    {"zero on a stopped timer does nothing", {{0, false, false, false}}},
    {"negative on a stopped timer does nothing", {{-1000, false, false, false}}},
    {"restart after stop", {{10, false, true, true}, {0, true, false, false}, {10, false, true, true}}},
};

class TimerStateTest : public ::testing::TestWithParam<TimerCase> {};

TEST_P(TimerStateTest, DecidesWhatTheNativeTimerDoes) {
    TimerState timer;
    for (const Step& step : GetParam().steps) {
        const TimerState::Change change = timer.setPeriod(step.period);
        EXPECT_EQ(change.kill, step.kill) << "period " << step.period;
        EXPECT_EQ(change.start, step.start) << "period " << step.period;
        EXPECT_EQ(timer.running(), step.runningAfter) << "period " << step.period;
        EXPECT_EQ(timer.acceptsTick(), step.runningAfter) << "period " << step.period;
        EXPECT_EQ(timer.period(), step.period < 0 ? 0 : step.period);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TimerStateTest, ::testing::ValuesIn(kTimerCases), testing::CaseName());

}  // namespace
}  // namespace quorvel
