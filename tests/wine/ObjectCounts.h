#pragma once

// Counts of this process's GDI objects and windows. GetGuiResources answers 0 under Wine,
// so GDI objects are counted by probing the handle table: Wine completes a bare 16-bit
// index to the live handle that has it, and GetObjectType names what lives there.

#include <windows.h>

namespace quorvel::testing {

inline int gdiObjectCount() {
    int count = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) ++count;
    }
    return count;
}

inline int windowCount() {
    struct Counter {
        static BOOL CALLBACK child(HWND, LPARAM count) {
            ++*reinterpret_cast<int*>(count);
            return TRUE;
        }
        static BOOL CALLBACK top(HWND window, LPARAM count) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId()) {
                ++*reinterpret_cast<int*>(count);
                EnumChildWindows(window, child, count);
            }
            return TRUE;
        }
    };
    int count = 0;
    EnumWindows(Counter::top, reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace quorvel::testing
