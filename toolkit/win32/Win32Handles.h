#pragma once

#include <windows.h>

#include "toolkit/win32/Unique.h"

namespace quorvel {

inline void deleteFont(HFONT font) { DeleteObject(font); }
inline void destroyIcon(HICON icon) { DestroyIcon(icon); }

using UniqueFont = Unique<HFONT, &deleteFont>;
using UniqueIcon = Unique<HICON, &destroyIcon>;

// A registered window class, unregistered with its owner.
class WindowClass {
public:
    WindowClass() = default;
    explicit WindowClass(const WNDCLASSEXW& description)
        : instance_(description.hInstance), atom_(RegisterClassExW(&description)) {}
    ~WindowClass() {
        if (atom_) UnregisterClassW(MAKEINTATOM(atom_), instance_);
    }
    WindowClass(WindowClass&& other) noexcept : instance_(other.instance_), atom_(other.atom_) { other.atom_ = 0; }
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;
    WindowClass& operator=(WindowClass&&) = delete;

private:
    HINSTANCE instance_ = nullptr;
    ATOM atom_ = 0;
};

}  // namespace quorvel
