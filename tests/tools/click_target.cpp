// click_target.exe: a window that logs every mouse button message it receives, so the Wine
// end-to-end tests can check where and when clicks landed.
//
//   click_target.exe --log FILE --rect X Y WIDTH HEIGHT [--title TEXT] [--framed]
//                    [--color RRGGBB] [--dblclks] [--topmost] [--activatable] [--exit-code N]
//
// --rect is the window's outer rectangle on the screen; the window is a WS_POPUP unless
// --framed asks for a captioned, sizable one. --dblclks gives the class CS_DBLCLKS, so a
// quick second press arrives as a double-click message instead of a down.
// The log (UTF-8, appended, one line each, written through at once):
//   ready HWND PID LEFT TOP RIGHT BOTTOM        once the window is shown (HWND in decimal)
//   BUTTON ACTION X Y T MSGTIME                 BUTTON: left right middle x1 x2
//                                               ACTION: down up dbl
//                                               X Y: screen point; T: ms since start
//                                               (QueryPerformanceCounter); MSGTIME: GetMessageTime
// The window never takes activation (WS_EX_NOACTIVATE, MA_NOACTIVATE) unless --activatable:
// the clicker's hotkeys work only while one of its own windows has the focus under Wine.
// WM_CLOSE ends it with the exit code N (default 0).

#include <windows.h>
#include <windowsx.h>

#include <cstdio>
#include <optional>
#include <string>

#include "toolkit/win32/Unique.h"

namespace {

using quorvel::Unique;

using UniqueHandle = Unique<HANDLE, CloseHandle>;
using UniqueBrush = Unique<HBRUSH, DeleteObject>;

constexpr wchar_t kClassName[] = L"QuorvelClickTarget";
constexpr wchar_t kClassNameDblClks[] = L"QuorvelClickTargetDblClks";

struct Options {
    std::wstring log;
    RECT rect{};
    std::wstring title = L"Quorvel click target";
    bool framed = false;
    bool dblclks = false;
    bool topmost = false;
    bool activatable = false;
    int exitCode = 0;
    COLORREF color = RGB(0x20, 0x80, 0xc0);
};

std::optional<Options> parseOptions(int argc, wchar_t** argv)
{
    Options o;
    bool haveRect = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const int left = argc - i - 1;
        if (arg == L"--log" && left >= 1) {
            o.log = argv[++i];
        } else if (arg == L"--rect" && left >= 4) {
            const int x = _wtoi(argv[i + 1]);
            const int y = _wtoi(argv[i + 2]);
            o.rect = {x, y, x + _wtoi(argv[i + 3]), y + _wtoi(argv[i + 4])};
            haveRect = true;
            i += 4;
        } else if (arg == L"--title" && left >= 1) {
            o.title = argv[++i];
        } else if (arg == L"--color" && left >= 1) {
            const unsigned long rgb = wcstoul(argv[++i], nullptr, 16);
            o.color = RGB(rgb >> 16 & 0xff, rgb >> 8 & 0xff, rgb & 0xff);
        } else if (arg == L"--framed") {
            o.framed = true;
        } else if (arg == L"--dblclks") {
            o.dblclks = true;
        } else if (arg == L"--topmost") {
            o.topmost = true;
        } else if (arg == L"--activatable") {
            o.activatable = true;
        } else if (arg == L"--exit-code" && left >= 1) {
            o.exitCode = _wtoi(argv[++i]);
        } else {
            return std::nullopt;
        }
    }
    if (o.log.empty() || !haveRect) {
        return std::nullopt;
    }
    return o;
}

// Each line goes straight to the file with one WriteFile, so a reader never sees half a line.
class Log {
public:
    explicit Log(const std::wstring& path)
        : file_(openForAppend(path))
    {
        LARGE_INTEGER now;
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&now);
        start_ = now.QuadPart;
    }
    bool isOpen() const { return file_.get() != nullptr; }

    double elapsedMs() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_) * 1000.0 / static_cast<double>(frequency_.QuadPart);
    }

    void line(const char* text) const
    {
        const std::string withEnd = std::string(text) + "\n";
        DWORD written = 0;
        WriteFile(file_.get(), withEnd.data(), static_cast<DWORD>(withEnd.size()), &written, nullptr);
    }

private:
    static HANDLE openForAppend(const std::wstring& path)
    {
        const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        return file == INVALID_HANDLE_VALUE ? nullptr : file;
    }

    UniqueHandle file_;
    LARGE_INTEGER frequency_{};
    LONGLONG start_ = 0;
};

struct ButtonMessage {
    UINT msg;
    const char* button;
    const char* action;
};

constexpr ButtonMessage kButtonMessages[] = {
    {WM_LBUTTONDOWN, "left", "down"},   {WM_LBUTTONUP, "left", "up"},   {WM_LBUTTONDBLCLK, "left", "dbl"},
    {WM_RBUTTONDOWN, "right", "down"},  {WM_RBUTTONUP, "right", "up"},  {WM_RBUTTONDBLCLK, "right", "dbl"},
    {WM_MBUTTONDOWN, "middle", "down"}, {WM_MBUTTONUP, "middle", "up"}, {WM_MBUTTONDBLCLK, "middle", "dbl"},
    {WM_XBUTTONDOWN, "x", "down"},      {WM_XBUTTONUP, "x", "up"},      {WM_XBUTTONDBLCLK, "x", "dbl"},
};

class ClickTarget {
public:
    ClickTarget(const Log& log, const Options& options) : log_(log), options_(options) {}

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_NCCREATE) {
            auto* self = static_cast<ClickTarget*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<ClickTarget*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        }
        return self ? self->handle(msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
    }

private:
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam)
    {
        for (const auto& m : kButtonMessages) {
            if (m.msg == msg) {
                onButton(m, wParam, lParam);
                return msg >= WM_XBUTTONDOWN && msg <= WM_XBUTTONDBLCLK ? TRUE : 0;
            }
        }
        switch (msg) {
        case WM_MOUSEACTIVATE:
            return options_.activatable ? MA_ACTIVATE : MA_NOACTIVATE;
        case WM_DESTROY:
            PostQuitMessage(options_.exitCode);
            return 0;
        default:
            return DefWindowProcW(hwnd_, msg, wParam, lParam);
        }
    }

    void onButton(const ButtonMessage& m, WPARAM wParam, LPARAM lParam)
    {
        const double t = log_.elapsedMs();
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(hwnd_, &p);
        const char* button = m.button;
        if (m.msg >= WM_XBUTTONDOWN && m.msg <= WM_XBUTTONDBLCLK) {
            button = GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? "x1" : "x2";
        }
        char text[128];
        snprintf(text, sizeof text, "%s %s %ld %ld %.3f %ld", button, m.action, p.x, p.y, t, GetMessageTime());
        log_.line(text);
    }

    const Log& log_;
    const Options& options_;
    HWND hwnd_ = nullptr;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const auto options = parseOptions(argc, argv);
    if (!options) {
        return 2;
    }
    const Log log(options->log);
    if (!log.isOpen()) {
        return 3;
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const UniqueBrush background(CreateSolidBrush(options->color));
    const wchar_t* className = options->dblclks ? kClassNameDblClks : kClassName;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = options->dblclks ? CS_DBLCLKS : 0;
    wc.lpfnWndProc = ClickTarget::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background.get();
    wc.lpszClassName = className;
    if (!RegisterClassExW(&wc)) {
        return 4;
    }

    ClickTarget target(log, *options);
    const RECT& r = options->rect;
    const DWORD style = options->framed ? WS_OVERLAPPEDWINDOW : WS_POPUP;
    const DWORD exStyle = (options->activatable ? 0 : WS_EX_NOACTIVATE) | (options->topmost ? WS_EX_TOPMOST : 0);
    const HWND hwnd = CreateWindowExW(exStyle, className, options->title.c_str(), style, r.left, r.top,
                                      r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, &target);
    if (!hwnd) {
        return 5;
    }
    ShowWindow(hwnd, options->activatable ? SW_SHOW : SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);

    RECT shown{};
    GetWindowRect(hwnd, &shown);
    char ready[128];
    snprintf(ready, sizeof ready, "ready %lu %lu %ld %ld %ld %ld",
             static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)), GetCurrentProcessId(), shown.left,
             shown.top, shown.right, shown.bottom);
    log.line(ready);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
