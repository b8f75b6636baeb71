#pragma once

// What the bench programs share: a log appended a line at a time, and a millisecond clock.

#include <windows.h>

#include <string>

namespace bench {

// Appends, and lets a reader read meanwhile.
inline HANDLE openLog(const wchar_t* path) {
    return CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// One WriteFile per line, so a reader never sees half of one.
inline void writeLine(HANDLE log, const std::string& line) {
    const std::string withEnd = line + "\n";
    DWORD written = 0;
    WriteFile(log, withEnd.data(), static_cast<DWORD>(withEnd.size()), &written, nullptr);
}

// QueryPerformanceCounter in milliseconds.
inline double nowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMs;
}

}  // namespace bench
