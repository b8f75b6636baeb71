// bare_window.exe: the least a Win32 program does to show a window and answer messages. The
// start-up benchmark measures quorvel.exe against it, built with the same compiler and flags.
//
//   bare_window.exe
//
// Shows one empty captioned window titled "Quorvel bench bare window", centred like the main
// window and of its size; WM_CLOSE ends it with exit code 0.
//
// Built a second time (bare_window_libs_v6.exe) to find where start-up time goes: with
// BARE_WITH_SYSTEM_LIBRARIES it loads and initialises the system libraries quorvel.exe imports
// (common controls, COM, the shell), and common_controls_v6.rc gives it the common controls 6
// manifest.

#include <windows.h>

#ifdef BARE_WITH_SYSTEM_LIBRARIES
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

// Taking the address makes the linker import SHELL32 as quorvel.exe does, without a call.
extern "C" __attribute__((used)) const void* const bareShellImport = reinterpret_cast<const void*>(&ShellExecuteW);
#endif

namespace {

constexpr wchar_t kClassName[] = L"QuorvelBenchBare";
constexpr wchar_t kTitle[] = L"Quorvel bench bare window";
constexpr int kWidth = 295;
constexpr int kHeight = 383;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
#ifdef BARE_WITH_SYSTEM_LIBRARIES
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
#endif
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) return 1;

    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    const HWND window = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, left, top,
                                        kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!window) return 2;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
