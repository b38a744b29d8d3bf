#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "iolayer/iolayer.hpp"

using namespace iolayer;

TEST(FixedText, TrimPadAndAssign) {
    EXPECT_EQ(trimright("ab  "), "ab");
    EXPECT_EQ(trimright("\tab\t "), "\tab\t");  // only blanks are padding
    EXPECT_EQ(trimleft("  ab "), "ab ");
    EXPECT_EQ(trimmedlength("    "), 0U);
    EXPECT_EQ(padded("abc", 5), "abc  ");
    EXPECT_EQ(padded("abcdef", 3), "abc");
    std::string field(4, 'x');
    assign(field, "ab");
    EXPECT_EQ(field, "ab  ");
    assign(field, "abcdefgh");
    EXPECT_EQ(field, "abcd");
    assign(field, std::string_view(field).substr(1));  // aliasing source
    EXPECT_EQ(field, "bcd ");
    EXPECT_EQ(columns("12345", 4, 8), "45   ");
    EXPECT_EQ(columns("12", 5, 6), "  ");
}

TEST(IntegerEditing, WidthOverflowAndZeroFill) {
    EXPECT_EQ(formati(205, 6), "   205");
    EXPECT_EQ(formati(-12, 3), "-12");
    EXPECT_EQ(formati(-123, 3), "***");
    EXPECT_EQ(formati(12345, 4), "****");
    EXPECT_EQ(formati0(-999999), "-999999");
    EXPECT_EQ(formati0(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(formatiz(6, 2), "06");
    EXPECT_EQ(formatiz(0, 4), "0000");
    EXPECT_EQ(formatiz(-1, 2), "**");   // the sign needs a column of its own
    EXPECT_EQ(formatiz(-1, 3), "***");  // w digits are always written
    EXPECT_EQ(formatiz(12345, 4), "****");
}

TEST(FixedPointEditing, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(formatf(1490.4, 8, 0), "   1490.");
    EXPECT_EQ(formatf(0.2, 8, 0), "      0.");
    EXPECT_EQ(formatf(148.5, 8, 0), "    149.");
    EXPECT_EQ(formatf(-148.5, 8, 0), "   -149.");
    EXPECT_EQ(formatf(0.5, 8, 0), "      1.");
    EXPECT_EQ(formatf(2.5, 8, 0), "      3.");
    EXPECT_EQ(formatf(0.25, 6, 1), "   0.3");
    EXPECT_EQ(formatf(0.35, 6, 1), "   0.3");  // 0.35 is stored below the half
    EXPECT_EQ(formatf(-99999.0, 8, 0), " -99999.");
}

TEST(FixedPointEditing, SignsOfZero) {
    EXPECT_EQ(formatf(-0.3, 8, 0), "     -0.");
    EXPECT_EQ(formatf(0.0, 8, 0), "      0.");
    EXPECT_EQ(formatf(-0.0, 8, 0), "      0.");
    EXPECT_EQ(formatf0(-0.04, 1), "-0.0");
}

TEST(FixedPointEditing, OverflowAndNonFinite) {
    EXPECT_EQ(formatf(9999999.0, 8, 0), "9999999.");
    EXPECT_EQ(formatf(10000000.0, 8, 0), "********");
    EXPECT_EQ(formatf(9999999.5, 8, 0), "********");
    EXPECT_EQ(formatf(-999999.0, 8, 0), "-999999.");
    EXPECT_EQ(formatf(-1000000.0, 8, 0), "********");
    EXPECT_EQ(formatf(std::numeric_limits<double>::infinity(), 8, 0), "********");
    EXPECT_EQ(formatf(std::numeric_limits<double>::quiet_NaN(), 8, 0), "********");
    EXPECT_EQ(formatf(0.5, 3, 2), ".50");  // leading zero dropped only when needed
    EXPECT_EQ(formatf(0.5, 4, 2), "0.50");
    // Without decimals the zero is the only digit: it stays, or the field overflows.
    EXPECT_EQ(formatf(0.0, 1, 0), "*");
    EXPECT_EQ(formatf(-0.3, 2, 0), "**");
    EXPECT_EQ(formatf(0.3, 2, 0), "0.");
}

TEST(FixedPointEditing, ShortestWidth) {
    EXPECT_EQ(formatf0(12345678.0, 1), "12345678.0");
    EXPECT_EQ(formatf0(-1234567.25, 1), "-1234567.3");
    EXPECT_EQ(formatf0(0.5, 1), "0.5");
    EXPECT_EQ(formatf0(std::numeric_limits<double>::infinity(), 1), "Infinity");
    EXPECT_EQ(formatf0(-std::numeric_limits<double>::infinity(), 1), "-Infinity");
    EXPECT_EQ(formatf0(std::numeric_limits<double>::quiet_NaN(), 1), "NaN");
}

TEST(FixedColumnReads, Integers) {
    std::int32_t v = 7;
    EXPECT_TRUE(readint("    ", v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(readint(" 1 9 5 0", v));
    EXPECT_EQ(v, 1950);
    EXPECT_TRUE(readint(" -12", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(readint("2147483647", v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(readint("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    v = 5;
    EXPECT_FALSE(readint("2147483648", v));
    EXPECT_FALSE(readint("99999999999999999999", v));
    EXPECT_FALSE(readint("12a", v));
    EXPECT_FALSE(readint("1.5", v));
    EXPECT_FALSE(readint("-", v));
    EXPECT_FALSE(readint("--1", v));
    EXPECT_EQ(v, 5);  // untouched on failure
}

TEST(FixedColumnReads, ASignWithBlanksOnlyIsNotANumber) {
    std::int32_t v = 5;
    for (std::string_view field : {"+   ", " -  ", "   +", "-", " + "}) {
        EXPECT_FALSE(readint(field, v)) << '"' << field << '"';
    }
    EXPECT_EQ(v, 5);
    EXPECT_TRUE(readint(" - 7", v));
    EXPECT_EQ(v, -7);
    // The same field fails wherever fixed fields are read.
    std::array<std::int32_t, 2> values{};
    const std::array<std::size_t, 2> widths = {3, 4};
    EXPECT_FALSE(readints("  1+   ", 1, widths, values));
}

TEST(FixedColumnReads, Reals) {
    float v = 0;
    EXPECT_TRUE(readreal("  12.5  ", 0, v));
    EXPECT_EQ(v, 12.5F);
    EXPECT_TRUE(readreal("     149", 0, v));
    EXPECT_EQ(v, 149.0F);
    EXPECT_TRUE(readreal("     149", 2, v));
    EXPECT_EQ(v, 1.49F);
    EXPECT_TRUE(readreal("        ", 0, v));
    EXPECT_EQ(v, 0.0F);
    EXPECT_TRUE(readreal("-1.5E2", 0, v));
    EXPECT_EQ(v, -150.0F);
    EXPECT_TRUE(readreal("1.5-2", 0, v));
    EXPECT_EQ(v, 0.015F);
    EXPECT_TRUE(readreal("1 2 . 5", 0, v));
    EXPECT_EQ(v, 12.5F);
    EXPECT_FALSE(readreal("abc", 0, v));
    EXPECT_FALSE(readreal("1.2.3", 0, v));
    EXPECT_FALSE(readreal("1E", 0, v));
    EXPECT_FALSE(readreal(".", 0, v));
    EXPECT_FALSE(readreal("1e99", 0, v));
}

TEST(FixedPointEditing, TableFastPathAgreesWithTheGeneralEdit) {
    for (double v : {0.0,
                     -0.0,
                     0.49999999999999994,
                     0.5,
                     -0.5,
                     1490.4,
                     -0.3,
                     148.5,
                     -148.5,
                     9999999.0,
                     9999999.49,
                     9999999.5,
                     10000000.0,
                     -999999.0,
                     -999999.49,
                     -999999.5,
                     -1000000.0,
                     1e300,
                     -1e-300,
                     std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        char fast[8];
        EXPECT_EQ(editf80(fast, v), fast + 8);
        EXPECT_EQ(std::string(fast, 8), formatf(v, 8, 0)) << v;
    }
}

TEST(FixedPointEditing, ManyValuesAtOnceAgreeWithTheGeneralEdit) {
    // Both ends of the range that is edited side by side, and what lies beyond
    // them; more values than one vector holds, so that each lane is tried.
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> values = {0.0F,       -0.0F,       0.49999997F, 0.5F,       -0.5F,      1490.4F,
                                       -0.3F,      148.5F,      -148.5F,     9.5F,       99.5F,      999999.5F,
                                       9999999.0F, 10000000.0F, -999999.44F, -999999.5F, -1000000.F, 1e-45F,
                                       -1e-45F,    3.4e38F,     -3.4e38F,    inf,        -inf,       std::nanf(""),
                                       1234567.0F, -123456.0F,  8388607.5F,  8388608.0F, -0.75F,     7.0F};
    std::vector<char> fields(8 * values.size());
    editf80s(values, fields.data());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(std::string(fields.data() + 8 * i, 8), formatf(values[i], 8, 0)) << values[i];
    }
}

TEST(FixedColumnReads, ConsecutiveIntegerFields) {
    const std::array<std::size_t, 3> widths = {3, 3, 5};
    std::array<std::int32_t, 3> v = {-1, -1, -1};
    EXPECT_TRUE(readints(" 15  6 2024", 1, widths, v));
    EXPECT_EQ(v, (std::array<std::int32_t, 3>{15, 6, 2024}));
    EXPECT_TRUE(readints("  1", 1, widths, v));  // fields past the line end are blank
    EXPECT_EQ(v, (std::array<std::int32_t, 3>{1, 0, 0}));
    EXPECT_TRUE(readints("xx 7", 3, std::span(widths).first(1), v));
    EXPECT_EQ(v[0], 7);
    v = {-1, -1, -1};
    EXPECT_FALSE(readints("  1 ab 2024", 1, widths, v));
    EXPECT_EQ(v, (std::array<std::int32_t, 3>{1, -1, -1}));  // the fields before the bad one are read
    std::array<std::int32_t, 2> shortvalues{};
    EXPECT_FALSE(readints("  1  2    3", 1, widths, shortvalues));
}

TEST(FixedColumnReads, ConsecutiveRealFields) {
    std::array<float, 4> v{};
    v.fill(-1.0F);
    EXPECT_TRUE(readreals("YYYY    12.5     149  -1.5E2", 5, 8, 0, v));
    EXPECT_EQ(v, (std::array<float, 4>{12.5F, 149.0F, -150.0F, 0.0F}));
    v.fill(-1.0F);
    EXPECT_FALSE(readreals("     1.0     bad     3.0", 1, 8, 0, v));
    EXPECT_EQ(v, (std::array<float, 4>{1.0F, -1.0F, -1.0F, -1.0F}));
    EXPECT_FALSE(readreals("    1e99", 1, 8, 0, std::span(v).first(1)));  // beyond single precision
}
