#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "keldautil/keldautil.hpp"

using namespace keldautil;

namespace {
std::vector<std::string> words(std::size_t n, std::size_t len) {
    return std::vector<std::string>(n, std::string(len, '#'));
}
}  // namespace

TEST(ParseCmdLine, WordsCountsAndCuts) {
    auto args = words(10, 25);
    std::int32_t count = -1;
    parsecmdline("prog  SUP ", args, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(args[0], "prog" + std::string(21, ' '));
    EXPECT_EQ(args[1], "SUP" + std::string(22, ' '));
    for (std::size_t i = 2; i < 10; ++i) EXPECT_EQ(args[i], std::string(25, ' '));

    parsecmdline("  a   b  ", args, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(args[1].substr(0, 2), "b ");

    parsecmdline("a\tb", args, count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(args[0].substr(0, 4), "a\tb ");

    parsecmdline(std::string(30, 'w') + " x", args, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(args[0], std::string(25, 'w'));
    EXPECT_EQ(args[1].substr(0, 2), "x ");

    parsecmdline("      ", args, count);
    EXPECT_EQ(count, 0);
    for (const auto& a : args) EXPECT_EQ(a, std::string(25, ' '));
}

TEST(ParseCmdLine, WordsBeyondTheArrayAreCountedOnly) {
    auto args = words(10, 25);
    std::int32_t count = 0;
    parsecmdline("1 2 3 4 5 6 7 8 9 10 11 12", args, count);
    EXPECT_EQ(count, 12);
    EXPECT_EQ(args[9].substr(0, 3), "10 ");
    std::vector<std::string> none;
    parsecmdline("a b", none, count);
    EXPECT_EQ(count, 2);
}

TEST(ParseCmdLineOneArg, PicksTheNthWord) {
    std::string param(8, '#');
    EXPECT_TRUE(parsecmdlineonearg("  prog   sup  x", 2, param));
    EXPECT_EQ(param, "sup     ");
    EXPECT_TRUE(parsecmdlineonearg("  prog   sup  x", 3, param));
    EXPECT_EQ(param, "x       ");
    EXPECT_FALSE(parsecmdlineonearg("  prog   sup  x", 4, param));
    EXPECT_EQ(param, std::string(8, ' '));
    EXPECT_TRUE(parsecmdlineonearg("averyveryverylongword", 1, param));
    EXPECT_EQ(param, "averyver");
    EXPECT_FALSE(parsecmdlineonearg("a", 0, param));
    EXPECT_FALSE(parsecmdlineonearg("", 1, param));
}

TEST(CaseFolding, AsciiLettersOnly) {
    std::string s = "mhu";
    caps(s);
    EXPECT_EQ(s, "MHU");
    s = "Mhu-2";
    uppercase(s);
    EXPECT_EQ(s, "MHU-2");
    s = "SUP ";
    small(s);
    EXPECT_EQ(s, "sup ");
    s = "   ";
    caps(s);
    EXPECT_EQ(s, "   ");
    s = "\xe4\xc4z";
    caps(s);
    EXPECT_EQ(s, "\xe4\xc4Z");
    lowercase(s);
    EXPECT_EQ(s, "\xe4\xc4z");
}
