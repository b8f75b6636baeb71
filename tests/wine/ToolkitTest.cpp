#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <thread>

#include "ObjectCounts.h"
#include "ToolkitFixture.h"
#include "app/resources/resource_ids.h"
#include "toolkit/ValueConversions.h"

namespace quorvel::testing {
namespace {

using namespace std::chrono_literals;

// ---- List rows on the real list view ----

using ListTest = ToolkitFixture;

TEST_F(ListTest, RowsAppendAtTheRowCountWithEmptyTextsAndTheirValue) {
    for (std::int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(toolkit.insertRow(Role::pointList, -1, i % 2), i);
        EXPECT_EQ(toolkit.getRowCount(Role::pointList), i + 1);
    }
    EXPECT_EQ(toolkit.insertRow(Role::pointList, -7, -123), 5);  // any negative position appends
    for (std::int32_t column = 0; column < 3; ++column) EXPECT_EQ(toolkit.getCellText(Role::pointList, 5, column), "");
    EXPECT_EQ(toolkit.getRowValue(Role::pointList, 5), -123);
    EXPECT_EQ(toolkit.getRowValue(Role::pointList, 3), 1);
}

TEST_F(ListTest, CellsReadBackAsWritten) {
    toolkit.insertRow(Role::pointList, -1, 1);
    const char* texts[] = {"右键单击", "-1280", "2147483647"};
    for (std::int32_t column = 0; column < 3; ++column) toolkit.setCellText(Role::pointList, 0, column, texts[column]);
    for (std::int32_t column = 0; column < 3; ++column) EXPECT_EQ(toolkit.getCellText(Role::pointList, 0, column), texts[column]);
}

TEST_F(ListTest, MissingRowsAndCellsGiveEmptyTextAndZero) {
    toolkit.insertRow(Role::pointList, -1, 1);
    toolkit.setCellText(Role::pointList, 0, 1, "10");
    const struct {
        std::int32_t row, column;
    } missing[] = {{1, 0}, {-1, 0}, {100, 1}, {0, 3}, {0, -1}, {INT32_MAX, 0}, {INT32_MIN, 2}};
    for (const auto& cell : missing) {
        toolkit.setCellText(Role::pointList, cell.row, cell.column, "changed");
        EXPECT_EQ(toolkit.getCellText(Role::pointList, cell.row, cell.column), "") << cell.row << "," << cell.column;
    }
    EXPECT_EQ(toolkit.getCellText(Role::pointList, 0, 1), "10");
    EXPECT_EQ(toolkit.getRowCount(Role::pointList), 1);
    for (const std::int32_t row : {1, -1, 5000, INT32_MIN}) EXPECT_EQ(toolkit.getRowValue(Role::pointList, row), 0) << row;
}

TEST_F(ListTest, ALongCellReadsBackWhole) {
    toolkit.insertRow(Role::pointList, -1, 0);
    for (const std::size_t length : {255u, 256u, 257u, 511u, 100000u}) {
        std::string text(length, 'x');
        text[0] = '<';
        text[length - 1] = '>';
        toolkit.setCellText(Role::pointList, 0, 2, text);
        EXPECT_EQ(toolkit.getCellText(Role::pointList, 0, 2), text) << length;
    }
    std::string chinese;
    for (int i = 0; i < 20000; ++i) chinese += "左";
    toolkit.setCellText(Role::pointList, 0, 0, chinese);
    EXPECT_EQ(toolkit.getCellText(Role::pointList, 0, 0), chinese);
}

TEST_F(ListTest, TenThousandRows) {
    constexpr std::int32_t kRows = 10000;
    // Wine redraws the scroll bars on every insert while redrawing is on, some milliseconds a
    // row; the rows are under test here, not their drawing.
    SendMessageW(control(Role::pointList), WM_SETREDRAW, FALSE, 0);
    for (std::int32_t i = 0; i < kRows; ++i) {
        ASSERT_EQ(toolkit.insertRow(Role::pointList, -1, i & 1), i);
        toolkit.setCellText(Role::pointList, i, 1, intToText(i));
        toolkit.setCellText(Role::pointList, i, 2, intToText(-i));
    }
    EXPECT_EQ(toolkit.getRowCount(Role::pointList), kRows);
    for (const std::int32_t i : {0, 1, 4999, 9998, 9999}) {
        EXPECT_EQ(toolkit.getCellText(Role::pointList, i, 1), intToText(i));
        EXPECT_EQ(toolkit.getCellText(Role::pointList, i, 2), intToText(-i));
        EXPECT_EQ(toolkit.getRowValue(Role::pointList, i), i & 1);
    }
}

// ---- The click timer ----

using TimerTest = ToolkitFixture;

TEST_F(TimerTest, TicksArriveAtThePeriod) {
    toolkit.setTimerPeriod(Role::clickTimer, 100);
    pumpFor(1050ms);
    toolkit.setTimerPeriod(Role::clickTimer, 0);
    ASSERT_GE(ticks(), 8u);
    EXPECT_LE(ticks(), 11u);
    std::vector<double> gaps;
    for (std::size_t i = 1; i < ticks(); ++i) {
        gaps.push_back(std::chrono::duration<double, std::milli>(sink.tickTimes[i] - sink.tickTimes[i - 1]).count());
    }
    std::sort(gaps.begin(), gaps.end());
    EXPECT_NEAR(gaps[gaps.size() / 2], 100.0, 20.0);
}

// Half a period after a tick the period is set again: the same period keeps the timer's
// rhythm, a new one starts it over from then.
TEST_F(TimerTest, SettingThePeriodAgainKeepsThePhaseOnlyIfItIsTheSame) {
    const struct {
        std::int32_t newPeriod;
        double expectedGapMs;
    } cases[] = {{400, 400.0}, {401, 600.0}};
    for (const auto& c : cases) {
        sink.tickTimes.clear();
        toolkit.setTimerPeriod(Role::clickTimer, 400);
        ASSERT_TRUE(pumpUntil([&] { return ticks() == 1; }, 2s));
        pumpFor(200ms);
        toolkit.setTimerPeriod(Role::clickTimer, c.newPeriod);
        ASSERT_TRUE(pumpUntil([&] { return ticks() == 2; }, 2s));
        const double gap = std::chrono::duration<double, std::milli>(sink.tickTimes[1] - sink.tickTimes[0]).count();
        EXPECT_NEAR(gap, c.expectedGapMs, 90.0) << c.newPeriod;
        toolkit.setTimerPeriod(Role::clickTimer, 0);
    }
}

TEST_F(TimerTest, ANegativePeriodStopsLikeZero) {
    for (const std::int32_t stop : {0, -1, -1000, INT32_MIN}) {
        toolkit.setTimerPeriod(Role::clickTimer, 30);
        ASSERT_TRUE(pumpUntil([&] { return ticks() > 0; }, 1s)) << stop;
        toolkit.setTimerPeriod(Role::clickTimer, stop);
        sink.tickTimes.clear();
        pumpFor(200ms);
        EXPECT_EQ(ticks(), 0u) << stop;
    }
}

// A WM_TIMER already due or queued when the period becomes 0 raises nothing.
TEST_F(TimerTest, NoTickAfterTheTimerStops) {
    toolkit.setTimerPeriod(Role::clickTimer, 10);
    Sleep(60);  // the timer falls due while nothing is dispatched
    toolkit.setTimerPeriod(Role::clickTimer, 0);
    PostMessageW(control(Role::clickTimer), WM_TIMER, 1000, 0);
    pumpFor(150ms);
    EXPECT_EQ(ticks(), 0u);
}

TEST_F(TimerTest, TheTimerGoesWithItsWindow) {
    toolkit.setTimerPeriod(Role::clickTimer, 10);
    ASSERT_TRUE(pumpUntil([&] { return ticks() > 0; }, 1s));
    DestroyWindow(mainWindow());
    sink.tickTimes.clear();
    pumpFor(100ms);
    EXPECT_EQ(ticks(), 0u);
    toolkit.setTimerPeriod(Role::clickTimer, 10);  // no window: nothing happens
    EXPECT_EQ(toolkit.getWindowHandle(FormId::mainWindow), nullptr);
}

// ---- Mouse pointers over controls ----

using PointerTest = ToolkitFixture;

HCURSOR cursorShownOver(HWND form, HWND control) {
    SetCursor(nullptr);
    const LRESULT handled = SendMessageW(form, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return handled ? GetCursor() : nullptr;
}

TEST_F(PointerTest, EachNumberShowsItsCursor) {
    const struct {
        MousePointer pointer;
        const wchar_t* systemCursor;
    } cases[] = {
        {MousePointer::arrow, IDC_ARROW},     {MousePointer::cross, IDC_CROSS},
        {MousePointer::ibeam, IDC_IBEAM},     {MousePointer::wait, IDC_WAIT},
        {MousePointer::help, IDC_HELP},       {MousePointer::appStarting, IDC_APPSTARTING},
        {MousePointer::no, IDC_NO},           {MousePointer::sizeAll, IDC_SIZEALL},
        {MousePointer::sizeNesw, IDC_SIZENESW}, {MousePointer::sizeNs, IDC_SIZENS},
        {MousePointer::sizeNwse, IDC_SIZENWSE}, {MousePointer::sizeWe, IDC_SIZEWE},
        {MousePointer::upArrow, IDC_UPARROW},
    };
    for (const auto& c : cases) {
        toolkit.setMousePointer(Role::stopButton, c.pointer);
        EXPECT_EQ(cursorShownOver(mainWindow(), control(Role::stopButton)), LoadCursorW(nullptr, c.systemCursor))
            << static_cast<int>(c.pointer);
    }
}

TEST_F(PointerTest, HandIsTheProgramsOwnCursorAndNoneLeavesTheClassCursor) {
    const HCURSOR hand = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(QUORVEL_HAND_CURSOR_ID));
    ASSERT_NE(hand, nullptr);
    // The form gives the start button the hand.
    EXPECT_EQ(cursorShownOver(mainWindow(), control(Role::startButton)), hand);
    toolkit.setMousePointer(Role::startButton, MousePointer::none);
    EXPECT_EQ(cursorShownOver(mainWindow(), control(Role::startButton)), nullptr);
    toolkit.setMousePointer(Role::stopButton, MousePointer::hand);
    EXPECT_EQ(cursorShownOver(mainWindow(), control(Role::stopButton)), hand);
}

TEST_F(PointerTest, SettingAPointerLeavesThePointerWhereItIs) {
    for (const POINT at : {POINT{123, 456}, POINT{0, 0}, POINT{1023, 767}}) {
        SetCursorPos(at.x, at.y);
        toolkit.setMousePointer(Role::startButton, MousePointer::hand);
        toolkit.setMousePointer(Role::stopButton, MousePointer::none);
        POINT now;
        ASSERT_TRUE(GetCursorPos(&now));
        EXPECT_EQ(now.x, at.x);
        EXPECT_EQ(now.y, at.y);
    }
}

TEST(ObjectCountTest, TheCounterSeesObjectsComeAndGo) {
    const int before = gdiObjectCount();
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HFONT font = CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma");
    EXPECT_EQ(gdiObjectCount(), before + 2);
    DeleteObject(brush);
    DeleteObject(font);
    EXPECT_EQ(gdiObjectCount(), before);
}

TEST_F(PointerTest, ManyChangesCreateNoObjects) {
    const HCURSOR hand = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(QUORVEL_HAND_CURSOR_ID));
    const int gdiBefore = gdiObjectCount();
    const int windowsBefore = windowCount();
    for (int i = 0; i < 10000; ++i) {
        toolkit.setMousePointer(Role::startButton, static_cast<MousePointer>(i % 15));
        if (i % 15 == 14) {
            ASSERT_EQ(cursorShownOver(mainWindow(), control(Role::startButton)), hand) << i;
        }
    }
    EXPECT_EQ(gdiObjectCount(), gdiBefore);
    EXPECT_EQ(windowCount(), windowsBefore);
}

// ---- Texts and the enabled state ----

using TextTest = ToolkitFixture;

TEST_F(TextTest, ReadTextGivesCodePage936Bytes) {
    const struct {
        const wchar_t* shown;
        std::string bytes;
        std::int32_t number;
    } cases[] = {
        {L"1000", "1000", 1000},
        {L"\xFF11\xFF12", "\xA3\xB1\xA3\xB2", 12},          // full-width digits
        {L"\xFF0D\xFF15", "\xA3\xAD\xA3\xB5", -5},          // full-width minus and five
        {L"\x3000" L"30", "\xA1\xA1" "30", 30},              // ideographic space
        {L"\x95F4\x9694", "\xBC\xE4\xB8\xF4", 0},           // 间隔
        {L"", "", 0},
    };
    for (const auto& c : cases) {
        SetWindowTextW(control(Role::intervalEdit), c.shown);
        const std::string read = toolkit.readText(Role::intervalEdit);
        EXPECT_EQ(read, c.bytes);
        EXPECT_EQ(textToInt(read), c.number);
    }
}

TEST_F(TextTest, FormTextsReachTheControlsAsUnicode) {
    wchar_t title[64];
    GetWindowTextW(mainWindow(), title, 64);
    EXPECT_STREQ(title, L"Quorvel-by:Tiryn v1.1");
    wchar_t start[64];
    GetWindowTextW(control(Role::startButton), start, 64);
    EXPECT_STREQ(start, L"\x5F00\x59CB(Ctrl+S)");  // 开始(Ctrl+S)
}

TEST_F(TextTest, SetDisabledFollowsTheFlag) {
    for (const Role role : {Role::startButton, Role::stopButton, Role::intervalEdit}) {
        toolkit.setDisabled(role, true);
        EXPECT_FALSE(IsWindowEnabled(control(role)));
        toolkit.setDisabled(role, false);
        EXPECT_TRUE(IsWindowEnabled(control(role)));
    }
}

// ---- Modal windows and message boxes ----

using ModalTest = ToolkitFixture;

// Watches for a window from another thread: notes whether the main window was enabled and
// when the window was open, then closes it with the given message. The times are read after
// join(), so the counts of ticks in between come from the test's own thread.
struct WindowCloser {
    const wchar_t* className;
    const wchar_t* title;
    UINT closeMessage;
    WPARAM closeWParam;
    HWND mainWindow;

    bool mainEnabledWhileOpen = true;
    Clock::time_point openFrom{};
    Clock::time_point openUntil{};
    std::thread thread{};

    void start() {
        thread = std::thread([this] {
            for (int i = 0; i < 500; ++i) {
                if (HWND window = FindWindowW(className, title)) {
                    Sleep(50);  // found as soon as created, before it is shown
                    openFrom = Clock::now();
                    Sleep(200);
                    openUntil = Clock::now();
                    mainEnabledWhileOpen = IsWindowEnabled(mainWindow);
                    PostMessageW(window, closeMessage, closeWParam, 0);
                    return;
                }
                Sleep(10);
            }
        });
    }
    std::size_t ticksWhileOpen(const std::vector<Clock::time_point>& tickTimes) {
        thread.join();
        return static_cast<std::size_t>(std::count_if(tickTimes.begin(), tickTimes.end(), [&](Clock::time_point t) {
            return t >= openFrom && t <= openUntil;
        }));
    }
};

constexpr wchar_t kHelpTitle[] = L"\x5E2E\x52A9";  // 帮助

TEST_F(ModalTest, AModalLoadDisablesTheOthersUntilItCloses) {
    toolkit.setTimerPeriod(Role::clickTimer, 20);
    WindowCloser closer{nullptr, kHelpTitle, WM_CLOSE, 0, mainWindow()};
    closer.start();
    EXPECT_TRUE(toolkit.loadWindow(FormId::helpWindow, true));
    EXPECT_GE(closer.ticksWhileOpen(sink.tickTimes), 3u);
    EXPECT_FALSE(closer.mainEnabledWhileOpen);
    EXPECT_TRUE(IsWindowEnabled(mainWindow()));
    EXPECT_EQ(toolkit.getWindowHandle(FormId::helpWindow), nullptr);
}

TEST_F(ModalTest, ADisabledWindowStaysDisabledAfterTheModalWindow) {
    EnableWindow(mainWindow(), FALSE);
    WindowCloser closer{nullptr, kHelpTitle, WM_CLOSE, 0, mainWindow()};
    closer.start();
    toolkit.loadWindow(FormId::helpWindow, true);
    closer.ticksWhileOpen(sink.tickTimes);
    EXPECT_FALSE(IsWindowEnabled(mainWindow()));
}

TEST_F(ModalTest, TheMessageBoxKeepsTimersRunningAndGivesTheButton) {
    toolkit.setTimerPeriod(Role::clickTimer, 20);
    WindowCloser closer{L"#32770", L"\x63D0\x793A", WM_COMMAND, IDOK, mainWindow()};  // 提示
    closer.start();
    EXPECT_EQ(toolkit.showMessageBox("请选择鼠标点击位置！", 0, "提示"), 0);
    EXPECT_GE(closer.ticksWhileOpen(sink.tickTimes), 3u);
    EXPECT_FALSE(closer.mainEnabledWhileOpen);
    EXPECT_TRUE(IsWindowEnabled(mainWindow()));
}

// Closes the help window from inside the modal loop that shows it.
void CALLBACK closeHelpWindow(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    PostMessageW(FindWindowW(L"QuorvelForm", kHelpTitle), WM_CLOSE, 0, 0);
}

TEST_F(ModalTest, OpeningAndClosingTheHelpWindowLeavesNoObjects) {
    const auto openAndClose = [&] {
        SetTimer(nullptr, 0, 1, closeHelpWindow);
        ASSERT_TRUE(toolkit.loadWindow(FormId::helpWindow, true));
    };
    openAndClose();  // the first opening loads what stays for the process's life
    const int gdiBefore = gdiObjectCount();
    const int windowsBefore = windowCount();
    for (int i = 0; i < 1000; ++i) openAndClose();
    EXPECT_EQ(gdiObjectCount(), gdiBefore);
    EXPECT_EQ(windowCount(), windowsBefore);
    EXPECT_TRUE(IsWindowEnabled(mainWindow()));
}

}  // namespace
}  // namespace quorvel::testing
