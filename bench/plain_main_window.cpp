// plain_main_window.exe: quorvel.exe's main window written out by hand in plain Win32, with
// quorvel.exe's own resources (icons, cursor, manifest). The start-up table times it to tell
// what the window itself costs under Wine from what the program's toolkit and handlers add.
//
//   plain_main_window.exe
//
// The same start-up work as quorvel.exe: common controls and COM initialised, SHELL32 imported,
// the two icons set, the same eight controls (labels as STATIC controls, the timer a hidden child
// window) with the same texts, styles and list columns, the four hotkeys registered. Titled
// "Quorvel bench plain main window"; WM_CLOSE ends it with exit code 0.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

namespace {

constexpr wchar_t kFormClass[] = L"QuorvelBenchPlainForm";
constexpr wchar_t kTimerClass[] = L"QuorvelBenchPlainTimer";

struct Child {
    DWORD exStyle;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int left, top, width, height;
    bool list = false;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;

// quorvel.exe's main window controls in form order (ids 100-107).
const Child kChildren[] = {
    {0, L"STATIC", L"F7\x8BBE\x7F6E\x53F3\x952E\x5355\x51FB\xFF0C" L"F6\x952E\x8BBE\x7F6E\x5DE6\x952E\x5355\x51FB", kChild,
     8, 320, 200, 24},
    {WS_EX_CLIENTEDGE, L"EDIT", L"1000", kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, 221, 18, 51, 24},
    {0, L"STATIC", L"\x95F4\x9694\xFF1A", kChild, 184, 15, 32, 32},
    {0, L"BUTTON", L"\x7ED3\x675F(Ctrl+Q)", kButton | WS_DISABLED, 100, 16, 80, 32},
    {0, kTimerClass, L"", WS_CHILD, 0, 0, 0, 0},
    {WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
     kChild | WS_TABSTOP | WS_CLIPCHILDREN | LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL, 8, 56, 272, 256, true},
    {0, L"BUTTON", L"\x5E2E\x52A9", kButton, 209, 316, 63, 29},
    {0, L"BUTTON", L"\x5F00\x59CB(Ctrl+S)", kButton, 6, 16, 88, 32},
};

// Stop, Start, F6, F7 as quorvel.exe registers them.
constexpr struct {
    int id;
    UINT modifiers, key;
} kHotkeys[] = {{2, MOD_CONTROL, 'Q'}, {1, MOD_CONTROL, 'S'}, {3, 0, VK_F6}, {4, 0, VK_F7}};

LRESULT CALLBACK formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_DESTROY) {
        for (const auto& hotkey : kHotkeys) UnregisterHotKey(window, hotkey.id);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void setUpList(HWND list) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES);
    const wchar_t* headings[] = {L"\x6309\x952E", L"X\x4F4D", L"Y\x4F4D"};
    const int widths[] = {98, 85, 85};
    const int formats[] = {LVCFMT_LEFT, LVCFMT_CENTER, LVCFMT_CENTER};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = formats[i];
        column.cx = widths[i];
        column.pszText = const_cast<wchar_t*>(headings[i]);
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

HICON loadIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
}

// Taking the address makes the linker import SHELL32 as quorvel.exe does, without a call.
extern "C" __attribute__((used)) const void* const plainShellImport = reinterpret_cast<const void*>(&ShellExecuteW);

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));

    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = formProc;
    form.hInstance = instance;
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kFormClass;
    WNDCLASSEXW timer{};
    timer.cbSize = sizeof timer;
    timer.lpfnWndProc = DefWindowProcW;
    timer.hInstance = instance;
    timer.lpszClassName = kTimerClass;
    if (!RegisterClassExW(&form) || !RegisterClassExW(&timer)) return 1;

    const HICON bigIcon = loadIcon(instance, SM_CXICON, SM_CYICON);
    const HICON smallIcon = loadIcon(instance, SM_CXSMICON, SM_CYSMICON);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - 295) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - 383) / 2;
    const HWND window = CreateWindowExW(0, kFormClass, L"Quorvel bench plain main window",
                                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, left, top, 295, 383,
                                        nullptr, nullptr, instance, nullptr);
    if (!window) return 2;
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    int id = 100;
    for (const Child& c : kChildren) {
        const HWND child = CreateWindowExW(c.exStyle, c.className, c.text, c.style, c.left, c.top, c.width, c.height,
                                           window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), instance,
                                           nullptr);
        SendMessageW(child, WM_SETFONT, font, FALSE);
        if (c.list) setUpList(child);
    }
    for (const auto& hotkey : kHotkeys) RegisterHotKey(window, hotkey.id, hotkey.modifiers, hotkey.key);

    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyIcon(bigIcon);
    DestroyIcon(smallIcon);
    if (com) CoUninitialize();
    return static_cast<int>(message.wParam);
}
