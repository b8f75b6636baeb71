#pragma once

#include <string>
#include <string_view>

namespace quorvel {

// The program keeps its texts in UTF-8 and hands them to Windows as UTF-16, once, here.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// Code page 936 bytes of a text, whatever the system's own code page; characters the code
// page lacks become '?'.
std::string toCodePage936(std::wstring_view utf16);

}  // namespace quorvel
