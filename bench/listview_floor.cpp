// listview_floor.exe: the platform's cost of a point-list row, for the scale benchmark. A
// window of ours with a list view of the main window's style and columns takes rows the way
// quorvel.exe records one (pointer position, append, three cell texts, with the same count
// look-ups), timed inside the process.
//
//   listview_floor.exe [--log FILE]
//
// WM_APP posted with wParam N and lParam 1 appends N rows with the window shown; lParam 0
// appends them with the window hidden (fast under Wine: no scroll bar redraw), then shows it.
// The log (appended, one line each, written through at once):
//   ready HWND                 the window is shown and waits (HWND in decimal)
//   done N MS ROWS             N rows appended in MS milliseconds; ROWS in the list now
// WM_CLOSE ends it with exit code 0. Without --log it only shows its window: the start-up table
// times it as a window with the program's list view and nothing else.

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "BenchIo.h"

namespace {

constexpr DWORD kListViewStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL;
constexpr DWORD kListViewExtendedStyle =
    LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES;

HANDLE logFile = INVALID_HANDLE_VALUE;
HWND list = nullptr;
using bench::nowMs;

void logLine(const char* text) { bench::writeLine(logFile, text); }

int rowCount() { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

// quorvel.exe checks the row and column before each cell write; so does this.
void setCell(int row, int column, std::wstring text) {
    const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (row >= rowCount() || column >= static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0))) return;
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void appendRow() {
    POINT cursor{};
    GetCursorPos(&cursor);
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = rowCount();
    const int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    setCell(row, 0, L"\x5DE6\x952E\x5355\x51FB");  // 左键单击
    setCell(row, 1, std::to_wstring(cursor.x));
    setCell(row, 2, std::to_wstring(cursor.y));
}

void appendRows(HWND window, long count, bool shown) {
    if (!shown) ShowWindow(window, SW_HIDE);
    const double began = nowMs();
    for (long i = 0; i < count; ++i) appendRow();
    const double elapsed = nowMs() - began;
    if (!shown) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    char text[96];
    snprintf(text, sizeof text, "done %ld %.3f %d", count, elapsed, rowCount());
    logLine(text);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_APP:
        appendRows(window, static_cast<long>(wParam), lParam != 0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void addColumns() {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kListViewExtendedStyle);
    const wchar_t* headings[] = {L"\x6309\x952E", L"X\x4F4D", L"Y\x4F4D"};  // 按键 X位 Y位
    const int widths[] = {98, 85, 85};
    const int formats[] = {LVCFMT_LEFT, LVCFMT_CENTER, LVCFMT_CENTER};
    for (int i = 0; i < 3; ++i) {
        std::wstring heading = headings[i];
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = formats[i];
        column.cx = widths[i];
        column.pszText = heading.data();
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 1 && (argc != 3 || std::wstring(argv[1]) != L"--log")) return 2;
    if (argc == 3) {
        logFile = bench::openLog(argv[2]);
        if (logFile == INVALID_HANDLE_VALUE) return 3;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"QuorvelBenchListViewFloor";
    if (!RegisterClassExW(&wc)) return 4;
    // quorvel.exe's window size and list, beside where its main window stands, so neither covers the other.
    const HWND window = CreateWindowExW(0, wc.lpszClassName, L"Quorvel bench list view floor",
                                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 700, 192, 295, 383,
                                        nullptr, nullptr, instance, nullptr);
    if (!window) return 5;
    list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", kListViewStyle | WS_TABSTOP, 8, 56, 272, 256, window,
                           reinterpret_cast<HMENU>(105), instance, nullptr);
    if (!list) return 6;
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    addColumns();
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    char ready[64];
    snprintf(ready, sizeof ready, "ready %lu", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
    logLine(ready);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (logFile != INVALID_HANDLE_VALUE) CloseHandle(logFile);
    return static_cast<int>(message.wParam);
}
