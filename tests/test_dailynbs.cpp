// The daily net basin supply of one scenario, from r, p and e into dlyotlk.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>

#include "fcstutil/fcstutil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

using namespace rerove_tivorn_subs;

namespace {
// Fills day 1 of every part with values in millimetres, as the assembly does:
// divided by 10 in single precision.
void setday(std::int32_t part, float runoffmm, float precipmm, float evapmm) {
    const auto j = static_cast<std::size_t>(part - 1);
    r[j][0] = runoffmm / 10.0F;
    p[j][0] = precipmm / 10.0F;
    e[j][0] = evapmm / 10.0F;
}

LakeParts lake(std::int32_t lakeindex) {
    LakeParts l;
    EXPECT_TRUE(lakeparts(lakeindex, l));
    for (std::int32_t j = 0; j < l.count; ++j)
        prcarea[static_cast<std::size_t>(j)] =
            fcstutil::digitlandarea[static_cast<std::size_t>(l.parts[static_cast<std::size_t>(j)] - 1)];
    return l;
}

float nbsofday(std::int32_t lakeindex) {
    dailynbs(1, 1, lake(lakeindex));
    return dlyotlk[0][0];
}
}  // namespace

TEST(DailyNbs, WorkedExamples) {
    setday(1, 12.0F, 30.0F, 5.0F);
    EXPECT_EQ(nbsofday(1), 1241.613F);

    setday(1, 12.0F, 30.0F, 5.0F);
    setday(2, 10.0F, 20.0F, 5.0F);
    setday(3, 8.0F, 10.0F, 5.0F);
    EXPECT_EQ(nbsofday(2), 1297.3324F);
}

TEST(DailyNbs, MissingThresholds) {
    setday(1, 0.0F, 0.0F, -980.0F);  // exactly 0 and exactly -98 cm are valid
    EXPECT_NE(nbsofday(1), missingnbs);
    setday(1, 0.0F, 0.0F, 0.0F);
    EXPECT_EQ(nbsofday(1), 0.0F);
    setday(1, 0.0F, 0.0F, -981.0F);
    EXPECT_EQ(nbsofday(1), missingnbs);
    setday(1, -1.0F, 0.0F, 0.0F);
    EXPECT_EQ(nbsofday(1), missingnbs);
    setday(1, 0.0F, -1.0F, 0.0F);
    EXPECT_EQ(nbsofday(1), missingnbs);
    setday(1, 1.0F, 1.0F, 50.0F);  // evaporation above supply: negative NBS kept
    EXPECT_LT(nbsofday(1), 0.0F);
    EXPECT_NE(nbsofday(1), missingnbs);
}

TEST(DailyNbs, NonNumbersMarkTheDayMissing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (auto [rv, pv, ev] :
         {std::array<float, 3>{nan, 1, 1}, {1, nan, 1}, {1, 1, nan}, {inf, 1, 1}, {1, -inf, 1}, {1, 1, inf}}) {
        setday(1, rv, pv, ev);
        EXPECT_EQ(nbsofday(1), missingnbs) << rv << " " << pv << " " << ev;
    }
}

TEST(DailyNbs, OneMissingPartMarksMichHuron) {
    for (std::int32_t bad = 1; bad <= 3; ++bad) {
        for (std::int32_t j = 1; j <= 3; ++j) setday(j, 10.0F, 10.0F, 1.0F);
        setday(bad, 10.0F, -0.5F, 1.0F);
        EXPECT_EQ(nbsofday(2), missingnbs);
    }
}

TEST(DailyNbs, WritesOnlyItsColumnAndDays) {
    dlyotlk[1][0] = 7.0F;
    dlyotlk[0][1] = 8.0F;
    setday(1, 1.0F, 1.0F, 1.0F);
    nbsofday(1);
    EXPECT_EQ(dlyotlk[1][0], 7.0F);
    EXPECT_EQ(dlyotlk[0][1], 8.0F);
}
