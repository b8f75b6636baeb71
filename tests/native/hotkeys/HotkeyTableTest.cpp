#include "hotkeys/HotkeyTable.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "CaseName.h"

namespace quorvel {
namespace {

class RecordingActions final : public HotkeyActions {
public:
    std::vector<std::string> ran;
    void onStartClicked() override { ran.push_back("start"); }
    void onStopClicked() override { ran.push_back("stop"); }
    void recordLeftClick() override { ran.push_back("recordLeft"); }
    void recordRightClick() override { ran.push_back("recordRight"); }
};

std::intptr_t keyAndModifiers(std::uint32_t virtualKey, std::uint32_t modifiers) {
    return static_cast<std::intptr_t>(virtualKey << 16 | modifiers);
}

struct DispatchCase {
    const char* name;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    const char* expected;  // "" when nothing may run
};

const DispatchCase kDispatchCases[] = {
    {"Ctrl S starts", 1, keyAndModifiers(0x53, 0x0002), "start"},
    {"Ctrl Q stops", 2, keyAndModifiers(0x51, 0x0002), "stop"},
    {"F6 records left", 3, keyAndModifiers(0x75, 0), "recordLeft"},
    {"F7 records right", 4, keyAndModifiers(0x76, 0), "recordRight"},
    {"start id with the Ctrl Q combination", 1, keyAndModifiers(0x51, 0x0002), ""},
    {"stop id with the Ctrl S combination", 2, keyAndModifiers(0x53, 0x0002), ""},
    {"F6 id with F7 key", 3, keyAndModifiers(0x76, 0), ""},
    {"Ctrl Shift S", 1, keyAndModifiers(0x53, 0x0006), ""},
    {"Ctrl Alt S", 1, keyAndModifiers(0x53, 0x0003), ""},
    {"Ctrl F6", 3, keyAndModifiers(0x75, 0x0002), ""},
    {"Shift F7", 4, keyAndModifiers(0x76, 0x0004), ""},
    {"Win F7", 4, keyAndModifiers(0x76, 0x0008), ""},
    {"no repeat flag is not masked", 3, keyAndModifiers(0x75, 0x4000), ""},
    {"plain S", 1, keyAndModifiers(0x53, 0), ""},
    {"identifier 0", 0, keyAndModifiers(0x53, 0x0002), ""},
    {"identifier 5", 5, keyAndModifiers(0x76, 0), ""},
    {"platform snapshot identifier", static_cast<std::uintptr_t>(-2), 0, ""},
    {"platform desktop identifier", static_cast<std::uintptr_t>(-1), keyAndModifiers(0x53, 0x0002), ""},
    {"top bit of lParam", 3, keyAndModifiers(0x75, 0) | static_cast<std::intptr_t>(INT32_MIN), ""},
    {"key in the low word", 3, 0x0075, ""},
    {"lParam zero", 4, 0, ""},
};

class HotkeyDispatchTest : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(HotkeyDispatchTest, OnlyTheExactCombinationActs) {
    RecordingActions actions;
    dispatchHotkey(actions, GetParam().wParam, GetParam().lParam);
    const std::string expected = GetParam().expected;
    EXPECT_EQ(actions.ran, expected.empty() ? std::vector<std::string>{} : std::vector<std::string>{expected});
}

INSTANTIATE_TEST_SUITE_P(Cases, HotkeyDispatchTest, ::testing::ValuesIn(kDispatchCases), testing::CaseName());

// Random identifiers and key words: only the four exact pairs act, each with its own action.
TEST(HotkeyDispatchTest, RandomMessagesActOnlyOnExactMatches) {
    const struct {
        std::uintptr_t wParam;
        std::intptr_t lParam;
        const char* action;
    } exact[] = {{1, 0x00530002, "start"}, {2, 0x00510002, "stop"}, {3, 0x00750000, "recordLeft"}, {4, 0x00760000, "recordRight"}};

    std::mt19937 random(20261211);
    RecordingActions actions;
    std::vector<std::string> expected;
    for (int i = 0; i < 100000; ++i) {
        // Most draws near the real values, so that near misses are common.
        const std::uintptr_t wParam = (i % 4) ? random() % 6 : random();
        std::intptr_t lParam = static_cast<std::int32_t>(random());
        if (i % 2) lParam = keyAndModifiers(0x50 + random() % 0x30, random() % 4);
        for (const auto& e : exact) {
            if (wParam == e.wParam && lParam == e.lParam) expected.push_back(e.action);
        }
        dispatchHotkey(actions, wParam, lParam);
    }
    EXPECT_EQ(actions.ran, expected);
    EXPECT_GT(expected.size(), 100u);
}

}  // namespace
}  // namespace quorvel
