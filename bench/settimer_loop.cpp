// settimer_loop.exe: the plainest timed clicker, the platform's limit for the click-timing
// benchmark. Each WM_TIMER of one SetTimer moves the pointer and clicks with mouse_event, the
// way quorvel.exe clicks a row.
//
//   settimer_loop.exe --log FILE --interval MS --count N --x X --y Y [--button left|right]
//                     [--idle-peek 1]
//
// The timer starts when the window receives WM_APP (posted from outside), so the process's
// start-up is not in the CPU time measured around the run. After N clicks the timer stops.
// --idle-peek 1 looks at the queue (PeekMessageW, PM_NOREMOVE) before each GetMessageW, to show
// what that look costs a tick (quorvel.exe's loop looks only while it has idle work waiting).
// The log (appended, one line each, written through at once):
//   ready HWND        the window exists and waits for WM_APP (HWND in decimal)
//   done N            N clicks made, the timer is stopped
// WM_CLOSE ends it with exit code 0.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "BenchIo.h"

namespace {

constexpr UINT_PTR kTimerId = 1;

struct Options {
    std::wstring log;
    UINT intervalMs = 0;
    long count = 0;
    int x = 0;
    int y = 0;
    bool right = false;
    bool idlePeek = false;
};

HANDLE logFile = INVALID_HANDLE_VALUE;
Options options;
long clicks = 0;

void logLine(const char* text) { bench::writeLine(logFile, text); }

void click() {
    SetCursorPos(options.x, options.y);
    const DWORD down = options.right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    const DWORD up = options.right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    mouse_event(down, static_cast<DWORD>(options.x), static_cast<DWORD>(options.y), 0, 0);
    mouse_event(up, static_cast<DWORD>(options.x), static_cast<DWORD>(options.y), 0, 0);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_APP:
        clicks = 0;
        SetTimer(window, kTimerId, options.intervalMs, nullptr);
        return 0;
    case WM_TIMER:
        if (wParam != kTimerId || clicks >= options.count) return 0;
        click();
        if (++clicks == options.count) {
            KillTimer(window, kTimerId);
            char text[64];
            snprintf(text, sizeof text, "done %ld", clicks);
            logLine(text);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool parse(int argc, wchar_t** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        const wchar_t* value = argv[i + 1];
        if (name == L"--log") options.log = value;
        else if (name == L"--interval") options.intervalMs = static_cast<UINT>(_wtoi(value));
        else if (name == L"--count") options.count = _wtol(value);
        else if (name == L"--x") options.x = _wtoi(value);
        else if (name == L"--y") options.y = _wtoi(value);
        else if (name == L"--button") options.right = std::wstring(value) == L"right";
        else if (name == L"--idle-peek") options.idlePeek = _wtoi(value) != 0;
        else return false;
    }
    return argc % 2 == 1 && !options.log.empty() && options.intervalMs > 0 && options.count > 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (!parse(argc, argv)) return 2;
    logFile = bench::openLog(options.log.c_str());
    if (logFile == INVALID_HANDLE_VALUE) return 3;

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"QuorvelBenchSetTimerLoop";
    if (!RegisterClassExW(&wc)) return 4;
    // Hidden, like quorvel.exe's timer window: only its messages matter.
    const HWND window = CreateWindowExW(0, wc.lpszClassName, L"Quorvel bench SetTimer loop", WS_OVERLAPPED, 0, 0,
                                        10, 10, nullptr, nullptr, instance, nullptr);
    if (!window) return 5;

    char ready[64];
    snprintf(ready, sizeof ready, "ready %lu", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
    logLine(ready);

    MSG message;
    for (;;) {
        if (options.idlePeek) PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    CloseHandle(logFile);
    return static_cast<int>(message.wParam);
}
