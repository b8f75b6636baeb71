#include "toolkit/win32/Label.h"

#include "toolkit/win32/DrawnText.h"

namespace quorvel {
namespace {

// Window extra bytes: the DrawText flags, then the font.
constexpr int kFlagsOffset = 0;
constexpr int kFontOffset = sizeof(LONG_PTR);

LRESULT CALLBACK labelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, kFlagsOffset, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_SETFONT:
        SetWindowLongPtrW(window, kFontOffset, static_cast<LONG_PTR>(wParam));
        if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return GetWindowLongPtrW(window, kFontOffset);
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
        InvalidateRect(window, nullptr, TRUE);
        return result;
    }
    case WM_ERASEBKGND:
        return 1;  // painted whole in WM_PAINT, without flicker
    case WM_PAINT:
        paintText(window, windowText(window), reinterpret_cast<HFONT>(GetWindowLongPtrW(window, kFontOffset)),
                  RGB(0, 0, 0), static_cast<UINT>(GetWindowLongPtrW(window, kFlagsOffset)));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

WindowClass registerLabelClass(HINSTANCE instance) {
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = labelProc;
    description.cbWndExtra = 2 * sizeof(LONG_PTR);
    description.hInstance = instance;
    description.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    description.lpszClassName = kLabelClassName;
    return WindowClass(description);
}

UINT labelDrawFlags(LabelLayout layout) {
    // Without DT_SINGLELINE, DT_VCENTER does nothing: wrapped text starts at the top.
    return layout == LabelLayout::wrapped ? DT_LEFT | DT_WORDBREAK | DT_VCENTER | DT_NOCLIP
                                          : DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP;
}

}  // namespace quorvel
