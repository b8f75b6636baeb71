#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel {

// The leading number of a code page 936 text, read the way users type intervals: full-width
// digits, signs and spaces count as their ASCII forms, leading white space and one sign are
// taken, digits run until the first other character and wrap in 32 bits. No digits gives 0.
std::int32_t textToInt(std::string_view codePage936Text);

// Decimal text with a leading "-" for negative numbers; textToInt reads it back exactly.
std::string intToText(std::int32_t value);

}  // namespace quorvel
