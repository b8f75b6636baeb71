// clickAt as another program sees it: click_target.exe, a window of its own process, logs
// every button message it receives with its screen point.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "toolkit/win32/Win32Toolkit.h"
#include "ui/Forms.h"

namespace quorvel::testing {
namespace {

std::wstring besideThisExe(const std::wstring& relative) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + relative;
}

std::vector<std::string> readLines(const std::wstring& path) {
    std::ifstream file(path.c_str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

// "right down 250 260 12.5 3456" → "right down 250 260"
std::string withoutTimes(const std::string& line) {
    std::istringstream words(line);
    std::string button, action, x, y;
    words >> button >> action >> x >> y;
    return button + " " + action + " " + x + " " + y;
}

class ClickAtTest : public ::testing::Test {
protected:
    static constexpr RECT kTarget{200, 200, 500, 400};
    Win32Toolkit toolkit{GetModuleHandleW(nullptr), {&mainWindowForm(), &helpWindowForm()}};
    std::wstring log;
    PROCESS_INFORMATION target{};

    void SetUp() override {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        log = std::wstring(folder) + L"quorvel-click-at-" + std::to_wstring(GetCurrentProcessId()) + L".log";
        DeleteFileW(log.c_str());
        std::wstring command = L"\"" + besideThisExe(L"..\\tools\\click_target.exe") + L"\" --log \"" + log +
                               L"\" --rect 200 200 300 200";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &target));
        for (int i = 0; i < 200 && readLines(log).empty(); ++i) Sleep(50);
        ASSERT_FALSE(readLines(log).empty()) << "click_target did not get ready";
    }

    void TearDown() override {
        if (target.hProcess) {
            TerminateProcess(target.hProcess, 0);
            WaitForSingleObject(target.hProcess, 5000);
            CloseHandle(target.hProcess);
            CloseHandle(target.hThread);
        }
        DeleteFileW(log.c_str());
    }

    // The button lines the target logged after its ready line, once they stop coming.
    std::vector<std::string> clicksSeen(std::size_t expected) {
        std::vector<std::string> lines;
        for (int i = 0; i < 60; ++i) {
            lines = readLines(log);
            if (lines.size() >= expected + 1) break;
            Sleep(50);
        }
        Sleep(300);  // anything more would come now
        lines = readLines(log);
        std::vector<std::string> clicks;
        for (std::size_t i = 1; i < lines.size(); ++i) clicks.push_back(withoutTimes(lines[i]));
        return clicks;
    }
};

TEST_F(ClickAtTest, EachKindPressesAndReleasesItsButtonAtThePoint) {
    const struct {
        ClickKind kind;
        std::int32_t x, y;
        std::vector<std::string> expected;
    } cases[] = {
        {ClickKind::right, 250, 260, {"right down 250 260", "right up 250 260"}},
        {ClickKind::left, 301, 399, {"left down 301 399", "left up 301 399"}},
        {ClickKind::leftDouble, 210, 210,
         {"left down 210 210", "left up 210 210", "left down 210 210", "left up 210 210"}},
        {ClickKind::rightDouble, 480, 220,
         {"right down 480 220", "right up 480 220", "right down 480 220", "right up 480 220"}},
        {static_cast<ClickKind>(7), 350, 300, {"left down 350 300", "left up 350 300"}},
    };
    std::vector<std::string> expectedSoFar;
    for (const auto& c : cases) {
        SetCursorPos(10, 10);
        toolkit.clickAt(c.x, c.y, c.kind);
        POINT pointer;
        GetCursorPos(&pointer);
        EXPECT_EQ(pointer.x, c.x);  // the pointer stays where the click was
        EXPECT_EQ(pointer.y, c.y);
        expectedSoFar.insert(expectedSoFar.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(clicksSeen(expectedSoFar.size()), expectedSoFar) << static_cast<int>(c.kind);
        Sleep(600);  // beyond the double-click time, so the next press is a press of its own
    }
}

}  // namespace
}  // namespace quorvel::testing
