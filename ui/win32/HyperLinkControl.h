#pragma once

#include <windows.h>

#include "toolkit/win32/Win32Handles.h"

namespace quorvel {

// A web link drawn by us: its caption centred on one line in the link's colours, opened on
// the press of the left button. The creation parameter is the form's LinkSpec.
inline constexpr wchar_t kHyperLinkClassName[] = L"QuorvelHyperLink";

WindowClass registerHyperLinkClass(HINSTANCE instance);

}  // namespace quorvel
