// hotkey_holder.exe: another program that holds global hotkeys, so the tests can see what the
// clicker does when a combination is taken.
//
//   hotkey_holder.exe --log FILE MODIFIERS:VK [MODIFIERS:VK ...]
//
// Registers each combination (numbers, decimal or 0x hex) on a hidden window of its own and
// appends to the log, one line each, written through at once:
//   ready HWND RESULT...          RESULT is "ok" or "taken", one per combination, in order
//   hotkey ID LPARAM              for each WM_HOTKEY received (ID is the combination's place, from 1)
// WM_CLOSE to its window ends it with exit code 0.

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

HANDLE logFile = INVALID_HANDLE_VALUE;

void logLine(const std::string& line) {
    const std::string withEnd = line + "\n";
    DWORD written = 0;
    WriteFile(logFile, withEnd.data(), static_cast<DWORD>(withEnd.size()), &written, nullptr);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_HOTKEY:
        logLine("hotkey " + std::to_string(static_cast<long long>(wParam)) + " " +
                std::to_string(static_cast<unsigned long long>(lParam)));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4 || std::wstring(argv[1]) != L"--log") return 2;
    logFile = CreateFileW(argv[2], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (logFile == INVALID_HANDLE_VALUE) return 1;

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QuorvelTestHotkeyHolder";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"hotkey holder", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    if (!window) return 1;

    std::string ready = "ready " + std::to_string(reinterpret_cast<UINT_PTR>(window));
    for (int i = 3; i < argc; ++i) {
        wchar_t* separator = nullptr;
        const auto modifiers = static_cast<UINT>(std::wcstoul(argv[i], &separator, 0));
        const auto key = static_cast<UINT>(std::wcstoul(separator + 1, nullptr, 0));
        ready += RegisterHotKey(window, i - 2, modifiers, key) ? " ok" : " taken";
    }
    logLine(ready);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    CloseHandle(logFile);
    return 0;
}
