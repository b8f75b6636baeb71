#include "toolkit/ValueConversions.h"

#include <gtest/gtest.h>

#include "CaseName.h"

#include <climits>
#include <string>

namespace quorvel {
namespace {

struct TextToIntCase {
    const char* name;
    std::string text;  // code page 936 bytes
    std::int32_t expected;
};

// Full-width characters in code page 936: lead byte 0xA3, trail = ASCII + 0x80.
const std::string kFullOne = "\xA3\xB1";
const std::string kFullTwo = "\xA3\xB2";
const std::string kFullMinus = "\xA3\xAD";
const std::string kFullPlus = "\xA3\xAB";
const std::string kIdeographicSpace = "\xA1\xA1";
const std::string kChineseJian = "\xBC\xE4";  // 间

const TextToIntCase kTextToIntCases[] = {
    {"plain", "1000", 1000},
    {"leading space", " 12", 12},
    {"all white space kinds", " \t\n\v\f\r42", 42},
    {"trailing letters", "12abc", 12},
    {"decimal point ends the number", "1.9", 1},
    {"minus", "-5", -5},
    {"plus", "+7", 7},
    {"empty", "", 0},
    {"letters only", "abc", 0},
    {"space between sign and digits", "- 5", 0},
    {"two signs", "+-5", 0},
    {"hex prefix", "0x1A", 0},
    {"leading zeros", "007", 7},
    {"space after digits", "12 34", 12},
    {"largest", "2147483647", 2147483647},
    {"smallest", "-2147483648", INT32_MIN},
    {"one past the largest wraps", "2147483648", INT32_MIN},
    {"eleven nines wrap modulo 2^32", "99999999999", 1215752191},
    {"4294967296 wraps to 0", "4294967296", 0},
    {"negated wrap", "-4294967295", 1},
    {"full-width digits", kFullOne + kFullTwo, 12},
    {"full-width mixed with ASCII", kFullOne + "0" + kFullTwo, 102},
    {"full-width minus", kFullMinus + "5", -5},
    {"full-width plus", kFullPlus + kFullOne, 1},
    {"ideographic space skipped", kIdeographicSpace + "30", 30},
    {"full-width letters end the number", "7\xA3\xE1", 7},
    {"Chinese text ends the number", "50" + kChineseJian + "1", 50},
    {"Chinese text first", kChineseJian + "50", 0},
    {"lead byte at the very end dropped", "25\xA3", 25},
    {"lone lead byte", "\xA3", 0},
    {"lead byte swallows an ASCII trail byte", "\xA3" "15", 0},
    {"digits before a swallowed trail byte", "8\xA3" "15", 8},
    {"wave dash is not a sign", "\xA1\xAB" "5", 0},
    {"stars are not digits", "\xA1\xEE" "5", 0},
    {"0x80 is a single byte", "\x80" "5", 0},
    {"0xFF is a single byte", "9\xFF" "5", 9},
};

class TextToIntTest : public ::testing::TestWithParam<TextToIntCase> {};

TEST_P(TextToIntTest, ReadsTheLeadingNumber) {
    EXPECT_EQ(textToInt(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextToIntTest, ::testing::ValuesIn(kTextToIntCases), testing::CaseName());

TEST(IntToTextTest, WritesPlainDecimal) {
    const struct {
        std::int32_t value;
        const char* text;
    } cases[] = {
        {0, "0"}, {7, "7"}, {-5, "-5"}, {640, "640"}, {-1280, "-1280"},
        {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"},
    };
    for (const auto& c : cases) EXPECT_EQ(intToText(c.value), c.text) << c.value;
}

TEST(IntToTextTest, RoundTripsThroughTextToInt) {
    const std::int32_t values[] = {INT32_MIN, INT32_MIN + 1, -65536, -1, 0, 1, 9, 10, 99, 100, 65535, INT32_MAX - 1, INT32_MAX};
    for (const std::int32_t value : values) EXPECT_EQ(textToInt(intToText(value)), value) << value;
}

}  // namespace
}  // namespace quorvel
