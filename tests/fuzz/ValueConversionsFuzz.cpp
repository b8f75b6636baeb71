// libFuzzer target for textToInt and intToText, built with clang++ under AddressSanitizer and
// UndefinedBehaviorSanitizer (see CMakeLists.txt). Each input is used three ways:
//   1. as raw code page 936 bytes: textToInt must not crash, whatever the bytes;
//   2. as a number: intToText's text, also written in full-width forms, padded with white
//      space before and junk after, must read back as that number;
//   3. as a string of tokens from a small alphabet whose meaning is known (ASCII and
//      full-width digits, signs, spaces, other characters, lead bytes with odd trail bytes):
//      textToInt must agree with a model that reads the tokens' meanings, not their bytes,
//      and lets the standard library's from_chars do the arithmetic.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

#include "toolkit/ValueConversions.h"

namespace {

using quorvel::intToText;
using quorvel::textToInt;

[[noreturn]] void fail(const char* what, std::string_view text, std::int32_t got, std::int32_t expected) {
    std::fprintf(stderr, "%s: text", what);
    for (const char c : text) std::fprintf(stderr, " %02X", static_cast<unsigned char>(c));
    std::fprintf(stderr, " read as %d, expected %d\n", got, expected);
    std::abort();
}

void expectReads(const char* what, const std::string& text, std::int32_t expected) {
    const std::int32_t got = textToInt(text);
    if (got != expected) fail(what, text, got, expected);
}

// ASCII digits and signs in their full-width forms: lead byte 0xA3, trail byte ASCII + 0x80.
std::string fullWidth(std::string_view ascii) {
    std::string wide;
    for (const char c : ascii) {
        wide += '\xA3';
        wide += static_cast<char>(c + 0x80);
    }
    return wide;
}

void checkRoundTrip(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return;
    const auto value = static_cast<std::int32_t>(std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                                                 std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24);
    const std::string text = intToText(value);
    if (text != std::to_string(value)) fail("intToText differs from std::to_string", text, value, value);
    expectReads("round trip", text, value);
    expectReads("full-width round trip", fullWidth(text), value);
    // White space before and any junk after that does not start with a digit.
    constexpr std::string_view kSpaces[] = {"", " ", "\t\r\n\v\f", "\xA1\xA1", " \xA1\xA1\t"};
    const std::string padded = std::string(kSpaces[data[0] % std::size(kSpaces)]) + text + "x" +
                               std::string(reinterpret_cast<const char*>(data + 4), size - 4);
    expectReads("padded round trip", padded, value);
}

enum class Meaning { digit, sign, space, other };

struct Token {
    std::string_view bytes;
    Meaning meaning;
    char ascii;  // the digit or sign it stands for
};

constexpr Token kTokens[] = {
    {"0", Meaning::digit, '0'},           {"1", Meaning::digit, '1'},
    {"5", Meaning::digit, '5'},           {"9", Meaning::digit, '9'},
    {"\xA3\xB0", Meaning::digit, '0'},    {"\xA3\xB3", Meaning::digit, '3'},
    {"\xA3\xB7", Meaning::digit, '7'},    {"\xA3\xB9", Meaning::digit, '9'},
    {"+", Meaning::sign, '+'},            {"-", Meaning::sign, '-'},
    {"\xA3\xAB", Meaning::sign, '+'},     {"\xA3\xAD", Meaning::sign, '-'},
    {" ", Meaning::space, 0},             {"\t", Meaning::space, 0},
    {"\n", Meaning::space, 0},            {"\v", Meaning::space, 0},
    {"\f", Meaning::space, 0},            {"\r", Meaning::space, 0},
    {"\xA1\xA1", Meaning::space, 0},      {"a", Meaning::other, 0},
    {".", Meaning::other, 0},             {std::string_view("\0", 1), Meaning::other, 0},
    {"\x80", Meaning::other, 0},          {"\xFF", Meaning::other, 0},
    {"\xBC\xE4", Meaning::other, 0},      // 间
    {"\xA3\xC1", Meaning::other, 0},      // full-width A
    {"\xA3\xA0", Meaning::other, 0},      // lead 0xA3 with a trail byte below the forms
    {"\xA3\xFF", Meaning::other, 0},      // and above them
    {"\xA1\xAB", Meaning::other, 0},      // wave dash, narrowed to '~'
    {"\xA1\xEE", Meaning::other, 0},      // narrowed to '*'
    {"\x81" "5", Meaning::other, 0},      // a lead byte takes an ASCII digit as its trail byte
    {"\xA3" "3", Meaning::other, 0},
    {"\xFE\xA1", Meaning::other, 0},
};
constexpr std::size_t kTokenCount = sizeof kTokens / sizeof kTokens[0];

// Lead bytes the text may end with; alone at the end, they are no character at all.
constexpr char kLoneLeadBytes[] = {'\x81', '\xA1', '\xA3', '\xFE'};

// The value modulo 2^32 of a decimal digit string: 10^32 is a multiple of 2^32, so only the
// last 32 digits count; from_chars reads them in two parts that fit 64 bits.
std::uint32_t wrappedValue(std::string_view digits) {
    if (digits.size() > 32) digits.remove_prefix(digits.size() - 32);
    const std::size_t lowLength = digits.size() < 18 ? digits.size() : 18;
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::from_chars(digits.data(), digits.data() + digits.size() - lowLength, high);
    std::from_chars(digits.data() + digits.size() - lowLength, digits.data() + digits.size(), low);
    constexpr std::uint64_t kTenToTheEighteenth = 1'000'000'000'000'000'000ull;
    // The sum may pass 2^64; unsigned wrapping keeps it right modulo 2^32.
    const std::uint64_t wrapped = (high % (1ull << 32)) * (kTenToTheEighteenth % (1ull << 32)) + low;
    return static_cast<std::uint32_t>(wrapped);
}

std::int32_t modelValue(const Token* const tokens[], std::size_t count) {
    std::size_t i = 0;
    while (i < count && tokens[i]->meaning == Meaning::space) ++i;
    bool negative = false;
    if (i < count && tokens[i]->meaning == Meaning::sign) negative = tokens[i++]->ascii == '-';
    std::string digits;
    for (; i < count && tokens[i]->meaning == Meaning::digit; ++i) digits += tokens[i]->ascii;
    const std::uint32_t magnitude = wrappedValue(digits);
    return static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
}

void checkTokenModel(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return;
    constexpr std::size_t kMaxTokens = 512;
    const Token* tokens[kMaxTokens];
    std::size_t count = 0;
    std::string text;
    // The first byte picks the ending: nothing, or one of the lone lead bytes.
    for (std::size_t i = 1; i < size && count < kMaxTokens; ++i) {
        tokens[count] = &kTokens[data[i] % kTokenCount];
        text += tokens[count++]->bytes;
    }
    if (data[0] % 2) text += kLoneLeadBytes[(data[0] / 2) % sizeof kLoneLeadBytes];
    expectReads("token model", text, modelValue(tokens, count));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    textToInt(std::string_view(reinterpret_cast<const char*>(data), size));
    checkRoundTrip(data, size);
    checkTokenModel(data, size);
    return 0;
}
