#include "ui/HyperLink.h"

#include <gtest/gtest.h>

#include "CaseName.h"

namespace quorvel {
namespace {

struct CommandCase {
    const char* name;
    std::string registered;
    std::string expected;
};

const std::string kTarget = "http://www.veltrane.example/";

const CommandCase kCommandCases[] = {
    {"quoted placeholder", R"("C:\Browser\browser.exe" "%1")", R"("C:\Browser\browser.exe"  )" + kTarget},
    {"bare placeholder", R"(C:\browser.exe %1)", R"(C:\browser.exe  )" + kTarget},
    {"quoted placeholder wins over an earlier bare one", R"(b.exe -x%1 "%1")", R"(b.exe -x%1  )" + kTarget},
    {"cut before the first of two bare placeholders", R"(b.exe %1 --again %1)", "b.exe  " + kTarget},
    {"arguments after the placeholder are dropped", R"(b.exe -nohome "%1" -new)", "b.exe -nohome  " + kTarget},
    {"no placeholder keeps the whole command", R"("C:\Program Files\b.exe" -url)", R"("C:\Program Files\b.exe" -url )" + kTarget},
    {"empty command", "", " " + kTarget},
    {"placeholder only", "%1", " " + kTarget},
    {"percent without one", "b.exe %2 %", "b.exe %2 % " + kTarget},
    {"non-ASCII path", "\"C:\\浏览器\\b.exe\" \"%1\"", "\"C:\\浏览器\\b.exe\"  " + kTarget},
};

class BrowserCommandLineTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(BrowserCommandLineTest, CutsAtThePlaceholderAndAppendsTheTarget) {
    EXPECT_EQ(browserCommandLine(GetParam().registered, kTarget), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, BrowserCommandLineTest, ::testing::ValuesIn(kCommandCases), testing::CaseName());

TEST(BrowserCommandLineTest, ALongRegisteredCommandIsKeptWhole) {
    const std::string longPath(100000, 'a');
    EXPECT_EQ(browserCommandLine(longPath + " %1", kTarget), longPath + "  " + kTarget);
}

TEST(LinkColorTest, HoverWinsThenVisitedThenNormal) {
    const LinkSpec link{.target = kTarget, .normalColor = 1, .hoverColor = 2, .visitedColor = 3};
    EXPECT_EQ(linkColor(link, false, false), 1u);
    EXPECT_EQ(linkColor(link, true, false), 2u);
    EXPECT_EQ(linkColor(link, true, true), 2u);
    EXPECT_EQ(linkColor(link, false, true), 3u);
}

}  // namespace
}  // namespace quorvel
