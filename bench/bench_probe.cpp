// bench_probe.exe: the benchmark's timing helper inside Wine, so that what it times is not
// slowed by starting a Wine process per look (as each inspector.exe call is).
//
//   bench_probe.exe startup --out FILE --rounds N --app NAME EXE TITLE LISTID [--app ...]
//       Starts each EXE (a Windows path) in turn, N rounds, the order reversed every other
//       round, and times from just before CreateProcessW to
//         visible  a top-level window of that process titled TITLE is visible,
//         ready    a WM_NULL sent to it has been answered (its message loop runs),
//         row      (LISTID > 0 only) a WM_HOTKEY for F6 posted to it has been answered by a
//                  row in its list view child LISTID.
//       Then posts WM_CLOSE and waits for the end. One line per start:
//         NAME ROUND VISIBLE_MS READY_MS ROW_MS EXIT_CODE     (ROW_MS -1 without LISTID)
//   bench_probe.exe batch --out FILE HWND LIST COUNT WPARAM LPARAM
//       Posts COUNT WM_HOTKEY messages to HWND, then waits until the list view LIST holds
//       COUNT more rows. One line: ROWS_BEFORE ROWS_AFTER POSTED_MS DONE_MS
//
// Times come from QueryPerformanceCounter. Lines go to FILE as they are known; a failure
// writes "error TEXT" and exits with 1.

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "BenchIo.h"

namespace {

constexpr UINT kWmHotkey = 0x0312;
constexpr WPARAM kF6Id = 3;
constexpr LPARAM kF6LParam = 0x00750000;
constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 15000;
// A batch fails only when the row count stops moving for this long.
constexpr DWORD kStallTimeoutMs = 60000;

using bench::nowMs;

HANDLE out = INVALID_HANDLE_VALUE;

void writeLine(const std::string& line) { bench::writeLine(out, line); }

[[noreturn]] void fail(const std::string& what) {
    writeLine("error " + what + " (error " + std::to_string(GetLastError()) + ")");
    ExitProcess(1);
}

std::string narrow(const std::wstring& text) {
    std::string result;
    for (const wchar_t c : text) result += c < 0x80 ? static_cast<char>(c) : '?';
    return result;
}

struct App {
    std::wstring name, exe, title;
    int listId = 0;
};

struct FindArgs {
    DWORD pid;
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM lParam) {
    auto& args = *reinterpret_cast<FindArgs*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != args.pid || !IsWindowVisible(window)) return TRUE;
    wchar_t text[256];
    const int length = GetWindowTextW(window, text, 256);
    if (*args.title != std::wstring(text, length > 0 ? length : 0)) return TRUE;
    args.found = window;
    return FALSE;
}

HWND visibleWindow(DWORD pid, const std::wstring& title) {
    FindArgs args{pid, &title, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

bool itemCount(HWND list, LRESULT& count) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 10000, &result)) return false;
    count = static_cast<LRESULT>(result);
    return true;
}

void post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A full queue refuses a post: wait for the target to catch up rather than drop one.
    for (int attempt = 0; !PostMessageW(window, message, wParam, lParam); ++attempt) {
        if (attempt == 2000) fail("PostMessageW");
        Sleep(5);
    }
}

void startOnce(const App& app, int round) {
    std::wstring commandLine = L"\"" + app.exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double began = nowMs();
    if (!CreateProcessW(app.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fail("CreateProcessW " + narrow(app.exe));
    }
    CloseHandle(process.hThread);

    // Polled each millisecond: the time asked for is not worth a hook in the measured process.
    HWND window = nullptr;
    while (!(window = visibleWindow(process.dwProcessId, app.title))) {
        if (nowMs() - began > kWindowTimeoutMs) {
            TerminateProcess(process.hProcess, 1);
            fail("no visible window " + narrow(app.title) + " of " + narrow(app.name) + " within 30 s");
        }
        Sleep(1);
    }
    const double visible = nowMs();
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kWindowTimeoutMs, &ignored)) {
        fail("WM_NULL to " + narrow(app.name) + " was not answered within 30 s");
    }
    const double ready = nowMs();

    double row = -1;
    if (app.listId > 0) {
        const HWND list = GetDlgItem(window, app.listId);
        if (!list) fail("no control " + std::to_string(app.listId) + " in " + narrow(app.name));
        post(window, kWmHotkey, kF6Id, kF6LParam);
        LRESULT count = 0;
        while (itemCount(list, count) && count < 1) {
            if (nowMs() - began > kWindowTimeoutMs) fail("no row after F6 within 30 s");
            Sleep(1);
        }
        if (count < 1) fail("LVM_GETITEMCOUNT was not answered");
        row = nowMs() - began;
    }

    post(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, kExitTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        fail(narrow(app.name) + " did not end within 15 s of WM_CLOSE");
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);

    char line[256];
    snprintf(line, sizeof line, "%s %d %.3f %.3f %.3f %lu", narrow(app.name).c_str(), round, visible - began,
             ready - began, row, static_cast<unsigned long>(code));
    writeLine(line);
}

int startup(const std::vector<std::wstring>& args) {
    int rounds = 0;
    std::vector<App> apps;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--rounds" && i + 1 < args.size()) {
            rounds = _wtoi(args[++i].c_str());
        } else if (args[i] == L"--app" && i + 4 < args.size()) {
            apps.push_back({args[i + 1], args[i + 2], args[i + 3], _wtoi(args[i + 4].c_str())});
            i += 4;
        } else {
            return 2;
        }
    }
    if (rounds <= 0 || apps.empty()) return 2;
    for (int round = 0; round < rounds; ++round) {
        for (size_t k = 0; k < apps.size(); ++k) {
            const size_t index = round % 2 == 0 ? k : apps.size() - 1 - k;
            startOnce(apps[index], round);
            // Let the ended process's clean-up in the server finish before the next start.
            Sleep(100);
        }
    }
    return 0;
}

HWND parseHwnd(const std::wstring& text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(wcstoull(text.c_str(), nullptr, 0)));
}

int batch(const std::vector<std::wstring>& args) {
    if (args.size() != 5) return 2;
    const HWND window = parseHwnd(args[0]);
    const HWND list = parseHwnd(args[1]);
    const long count = wcstol(args[2].c_str(), nullptr, 0);
    const WPARAM wParam = static_cast<WPARAM>(wcstoul(args[3].c_str(), nullptr, 0));
    const LPARAM lParam = static_cast<LPARAM>(wcstoul(args[4].c_str(), nullptr, 0));

    LRESULT before = 0;
    if (!itemCount(list, before)) fail("LVM_GETITEMCOUNT before the batch");
    const double began = nowMs();
    for (long i = 0; i < count; ++i) post(window, kWmHotkey, wParam, lParam);
    const double posted = nowMs();

    LRESULT rows = before;
    LRESULT lastSeen = before;
    double lastProgress = posted;
    while (rows < before + count) {
        // Each look is a sent message the program answers between rows: keep them few.
        Sleep(5);
        if (!itemCount(list, rows)) fail("LVM_GETITEMCOUNT during the batch");
        if (rows != lastSeen) {
            lastSeen = rows;
            lastProgress = nowMs();
        } else if (nowMs() - lastProgress > kStallTimeoutMs) {
            fail("the row count stayed at " + std::to_string(rows) + " for 60 s");
        }
    }
    const double done = nowMs();
    char line[128];
    snprintf(line, sizeof line, "%ld %ld %.3f %.3f", static_cast<long>(before), static_cast<long>(rows),
             posted - began, done - began);
    writeLine(line);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4 || std::wstring(argv[2]) != L"--out") return 2;
    out = bench::openLog(argv[3]);
    if (out == INVALID_HANDLE_VALUE) return 3;
    const std::wstring command = argv[1];
    const std::vector<std::wstring> args(argv + 4, argv + argc);
    if (command == L"startup") return startup(args);
    if (command == L"batch") return batch(args);
    return 2;
}
