#pragma once

#include <windows.h>

#include "toolkit/Form.h"
#include "toolkit/win32/Win32Handles.h"

namespace quorvel {

// A text drawn by us over the button face colour, in black with a transparent background;
// it takes WM_SETFONT and WM_SETTEXT like a static control.
inline constexpr wchar_t kLabelClassName[] = L"QuorvelLabel";

WindowClass registerLabelClass(HINSTANCE instance);

// The DrawText flags of a layout, handed to the label as its creation parameter.
UINT labelDrawFlags(LabelLayout layout);

}  // namespace quorvel
