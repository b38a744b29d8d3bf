#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "keldautil/keldautil.hpp"
#include "support.hpp"

using namespace keldautil;

namespace {

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float qnan = std::numeric_limits<float>::quiet_NaN();

float up(float x) { return std::nextafter(x, inf); }
float down(float x) { return std::nextafter(x, -inf); }

// x rounded to n significant digits.
float rounded(float x, std::int32_t n) {
    keldautil::round(x, n);
    return x;
}

}  // namespace

// ---------------------------------------------------------------------------
// requal and ismissing
// ---------------------------------------------------------------------------

TEST(Requal, EqualValuesAndNeighbours) {
    EXPECT_TRUE(requal(1.0F, 1.0F));
    EXPECT_TRUE(requal(0.0F, 0.0F));
    EXPECT_TRUE(requal(0.0F, -0.0F));
    EXPECT_TRUE(requal(std::numeric_limits<float>::max(), std::numeric_limits<float>::max()));
    EXPECT_FALSE(requal(1.0F, up(1.0F)));   // 1.0000001: differs by its spacing
    EXPECT_TRUE(requal(1.0F, down(1.0F)));  // 0.99999994: the larger spacing of 1 counts
    EXPECT_TRUE(requal(down(1.0F), 1.0F));
    EXPECT_FALSE(requal(1.0F, down(down(1.0F))));
    EXPECT_FALSE(requal(-2.0F, std::nextafter(-2.0F, -inf)));
    EXPECT_TRUE(requal(-2.0F, std::nextafter(-2.0F, 0.0F)));
}

TEST(Requal, NearZeroAndNotFinite) {
    const float normal = std::numeric_limits<float>::min();  // 2^-126, the least spacing
    EXPECT_TRUE(requal(0.0F, std::numeric_limits<float>::denorm_min()));
    EXPECT_TRUE(requal(0.0F, down(normal)));
    EXPECT_FALSE(requal(0.0F, normal));
    EXPECT_FALSE(requal(inf, inf));
    EXPECT_FALSE(requal(-inf, -inf));
    EXPECT_FALSE(requal(inf, 1.0F));
    EXPECT_FALSE(requal(1.0F, inf));
    EXPECT_FALSE(requal(qnan, qnan));
    EXPECT_FALSE(requal(qnan, 1.0F));
    EXPECT_FALSE(requal(1.0F, qnan));
}

TEST(Missing, CodeAndBelow) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(missingvalue), 0xF147EDCDU);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(missingthreshold), 0xF135C0E9U);
    for (const float x : {-9.9E29F, up(-9.9E29F), -9.0E29F, -1.0E30F, -inf}) EXPECT_TRUE(ismissing(x)) << x;
    for (const float x : {up(-9.0E29F), -8.9E29F, 0.0F, 9.9E29F, -9999.9F, qnan}) EXPECT_FALSE(ismissing(x)) << x;
}

// ---------------------------------------------------------------------------
// round
// ---------------------------------------------------------------------------

class Round : public testsupport::ErrorStateTest {};

TEST_F(Round, Examples) {
    EXPECT_EQ(rounded(123.45F, 3), 123.0F);
    EXPECT_EQ(rounded(156.0F, 2), 160.0F);
    EXPECT_EQ(rounded(0.0456F, 2), 0.046F);
    EXPECT_EQ(rounded(9.96F, 2), 10.0F);  // carry into the next power of ten
    EXPECT_EQ(rounded(0.05F, 1), 0.05F);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(Round, PowersOfTenAndHalves) {
    EXPECT_EQ(rounded(1.0F, 1), 1.0F);
    EXPECT_EQ(rounded(10.0F, 1), 10.0F);
    EXPECT_EQ(rounded(100.0F, 1), 100.0F);
    EXPECT_EQ(rounded(0.1F, 1), 0.1F);
    EXPECT_EQ(rounded(0.15F, 1), 0.2F);
    EXPECT_EQ(rounded(0.25F, 1), 0.3F);
    EXPECT_EQ(rounded(149.5F, 3), 150.0F);
    EXPECT_EQ(rounded(1234567.0F, 4), 1235000.0F);
    EXPECT_EQ(rounded(0.000123456F, 3), 0.000123F);
}

TEST_F(Round, ActsOnTheSinglePrecisionValue) {
    EXPECT_EQ(rounded(0.35F, 1), 0.3F);    // stored as 0.3499999940...
    EXPECT_EQ(rounded(99.95F, 3), 99.9F);  // stored as 99.9499969...
}

TEST_F(Round, NegativeRoundsMagnitudeKeepsSign) {
    EXPECT_EQ(rounded(-123.45F, 3), -123.0F);
    EXPECT_EQ(rounded(-156.0F, 2), -160.0F);
    EXPECT_EQ(rounded(-9.96F, 2), -10.0F);
    EXPECT_EQ(rounded(-0.15F, 1), -0.2F);
    EXPECT_EQ(rounded(-0.0456F, 2), -0.046F);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(Round, ManyDigitsDoNotOverflow) {
    // Nine digits tell every single-precision value apart, so more digits give
    // the value back unchanged.
    for (const float x : {123.45F, 0.0456F, 3.4028235E38F, 1.0E-29F, 16777215.0F, -98765.4321F}) {
        for (const std::int32_t n : {9, 10, 12, 17, 20, 40, 1000, std::numeric_limits<std::int32_t>::max()}) {
            EXPECT_EQ(rounded(x, n), x) << x << " to " << n;
        }
    }
    EXPECT_EQ(rounded(123456789.0F, 8), 123456792.0F);  // already the nearest single
    EXPECT_EQ(rounded(2.0F / 3.0F, 8), 0.66666669F);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(Round, FewDigits) {
    EXPECT_EQ(rounded(5.0F, 0), 10.0F);
    EXPECT_EQ(rounded(3.0F, 0), 0.0F);
    EXPECT_EQ(rounded(123.0F, -1), 0.0F);
    EXPECT_EQ(rounded(3.0E38F, std::numeric_limits<std::int32_t>::min()), 0.0F);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(Round, ZeroArgumentFails) {
    for (const float x0 : {0.0F, 1.0E-31F, -1.0E-31F}) {
        float x = x0;
        errorprocess::errorlevel = 0;
        capture();
        keldautil::round(x, 3);
        EXPECT_EQ(captured(), " Cannot ROUND zero argument\n");
        EXPECT_EQ(errorprocess::errorlevel, 1);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(x), std::bit_cast<std::uint32_t>(x0));
    }
    EXPECT_EQ(errorprocess::errormessage.trimmed(), "Cannot ROUND zero argument");
    EXPECT_EQ(errorprocess::errormessage.size(), 255U);
}

TEST_F(Round, NotFiniteLeftAlone) {
    capture();
    EXPECT_TRUE(std::isnan(rounded(qnan, 3)));
    EXPECT_EQ(rounded(inf, 3), inf);
    EXPECT_EQ(rounded(-inf, 3), -inf);
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(Round, CallersKeepTheStandardRound) {
    // The two-argument in-place round does not hide the library's round.
    using namespace keldautil;
    EXPECT_EQ(std::round(2.5), 3.0);
    EXPECT_EQ(::round(-2.5), -3.0);
    // NOLINTNEXTLINE(performance-type-promotion-in-math-fn): the lookup of the unqualified call is under test
    EXPECT_EQ(round(2.5F), 3.0F);
    float x = 2.5F;
    round(x, 1);
    EXPECT_EQ(x, 3.0F);
}
