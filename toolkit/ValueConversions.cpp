#include "toolkit/ValueConversions.h"

#include <charconv>

namespace quorvel {
namespace {

bool isCodePage936LeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// Full-width forms become ASCII; every other double-byte character stays as it is.
std::string narrowFullWidth(std::string_view text) {
    std::string narrowed;
    narrowed.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (!isCodePage936LeadByte(lead)) {
            narrowed += static_cast<char>(lead);
            continue;
        }
        if (i + 1 == text.size()) break;  // a lead byte without its trail byte is dropped
        const auto trail = static_cast<unsigned char>(text[++i]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            narrowed += static_cast<char>(trail - 0x80);
        } else if (lead == 0xA1 && trail == 0xA1) {
            narrowed += ' ';
        } else if (lead == 0xA1 && trail == 0xAB) {
            narrowed += '~';
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            narrowed += '*';
        } else {
            narrowed += static_cast<char>(lead);
            narrowed += static_cast<char>(trail);
        }
    }
    return narrowed;
}

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::int32_t textToInt(std::string_view codePage936Text) {
    const std::string text = narrowFullWidth(codePage936Text);
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Unsigned arithmetic wraps modulo 2^32 without undefined behaviour.
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::string intToText(std::int32_t value) {
    char digits[12];  // "-2147483648" and room to spare
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

}  // namespace quorvel
