#include "ui/win32/HyperLinkControl.h"

#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>

#include "toolkit/Form.h"
#include "toolkit/win32/DrawnText.h"
#include "toolkit/win32/WideText.h"
#include "ui/HyperLink.h"

namespace quorvel {
namespace {

struct LinkState {
    const LinkSpec* link = nullptr;
    HFONT font = nullptr;
    bool hovered = false;
    bool visited = false;
};

LinkState* stateOf(HWND window) { return reinterpret_cast<LinkState*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

// The default value of a key under HKEY_CLASSES_ROOT, of any length; environment
// references in an expandable value are expanded.
std::optional<std::wstring> classesRootDefault(const std::wstring& subKey) {
    DWORD bytes = 0;
    // An expandable value comes back expanded, typed REG_SZ. Asking for RRF_RT_REG_EXPAND_SZ
    // without RRF_NOEXPAND is refused as an invalid parameter, whatever the value.
    const DWORD types = RRF_RT_REG_SZ;
    if (RegGetValueW(HKEY_CLASSES_ROOT, subKey.c_str(), nullptr, types, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CLASSES_ROOT, subKey.c_str(), nullptr, types, nullptr, value.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(value.find(L'\0'));
    return value;
}

// Runs a command line as WinExec would, shown normally, through the Unicode entry point.
// CreateProcessW refuses a command line longer than 32,767 characters: an over-long
// registered command then opens nothing and the link stays unvisited.
bool runCommandLine(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// True when the last attempt succeeded: the shell's open, else the command for ".htm" files.
bool openTarget(const std::wstring& target) {
    if (target.empty()) return false;
    const auto shellResult = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOW));
    if (shellResult > 32) return true;

    const std::optional<std::wstring> fileType = classesRootDefault(L".htm");
    if (!fileType || fileType->empty()) return false;
    const std::optional<std::wstring> command = classesRootDefault(*fileType + L"\\shell\\open\\command");
    if (!command) return false;
    return runCommandLine(widen(browserCommandLine(narrow(*command), narrow(target))));
}

void paint(HWND window, const LinkState& state) {
    std::wstring text = windowText(window);
    if (text.empty()) text = widen(state.link->target);
    paintText(window, text, state.font, linkColor(*state.link, state.hovered, state.visited),
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

LRESULT CALLBACK hyperLinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto state = std::make_unique<LinkState>();
        state->link = static_cast<const LinkSpec*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    LinkState* state = stateOf(window);
    if (!state || !state->link) return DefWindowProcW(window, message, wParam, lParam);

    switch (message) {
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete state;
        break;
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(state->font);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint(window, *state);
        return 0;
    case WM_MOUSEMOVE:
        if (!state->hovered) {
            state->hovered = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
            TrackMouseEvent(&track);
            InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    case WM_MOUSELEAVE:
        state->hovered = false;
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_LBUTTONDOWN: {
        const bool opened = openTarget(widen(state->link->target));
        // The shell may run messages meanwhile, the closing of this window among them.
        if (LinkState* current = stateOf(window)) {
            current->visited = opened;
            InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

WindowClass registerHyperLinkClass(HINSTANCE instance) {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = hyperLinkProc;
    description.hInstance = instance;
    description.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    description.lpszClassName = kHyperLinkClassName;
    return WindowClass(description);
}

}  // namespace quorvel
