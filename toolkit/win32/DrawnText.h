#pragma once

#include <windows.h>

#include <string>

namespace quorvel {

// A window's whole text.
std::wstring windowText(HWND window);

// WM_PAINT of the controls we draw ourselves: the client area filled with the button face
// colour and the window's text drawn over it in one colour, with a transparent background,
// in the font given (the default GUI font when none).
void paintText(HWND window, const std::wstring& text, HFONT font, COLORREF color, UINT drawFlags);

}  // namespace quorvel
