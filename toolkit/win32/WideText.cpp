#include "toolkit/win32/WideText.h"

#include <windows.h>

namespace quorvel {
namespace {

constexpr UINT kCodePage936 = 936;

std::string toMultiByte(UINT codePage, std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

}  // namespace

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, text.data(), size);
    return text;
}

std::string narrow(std::wstring_view utf16) { return toMultiByte(CP_UTF8, utf16); }

std::string toCodePage936(std::wstring_view utf16) { return toMultiByte(kCodePage936, utf16); }

}  // namespace quorvel
