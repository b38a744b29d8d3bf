#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "calendar_support.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"
#include "support.hpp"

using namespace rerove_tivorn_subs;
using testsupport::seqof;

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

TEST(Conversions, WorkedExamplesBitForBit) {
    EXPECT_EQ(cm2tcfs(1.0F, 8.21e10F, 86400), 335.5711F);
    EXPECT_EQ(cm2m3(1.0F, 8.21e10F, 86400), 9502.3145F);
    EXPECT_EQ(mm2tcfs(10.0F, 8.21e10F, 86400), 335.5711F);
    EXPECT_EQ(tcfm3(1.0F), 28.316843F);
    EXPECT_EQ(tcfm3(100.0F), 2831.6843F);
    EXPECT_EQ(tcfm3(missingnbs) / 10.0F, -28316.5625F);  // a missing day in the tables
    EXPECT_EQ(iolayer::formatf(tcfm3(14.9F) / 10.0F, 8, 0), "     42.");
}

TEST(Conversions, ZeroAndNegativeDepths) {
    EXPECT_EQ(cm2tcfs(0.0F, 8.21e10F, 86400), 0.0F);
    for (float d : {0.37F, 1.0F, 12.5F, 1e-3F}) {
        EXPECT_EQ(cm2tcfs(-d, 5.96e10F, 86400), -cm2tcfs(d, 5.96e10F, 86400));
        EXPECT_EQ(cm2m3(-d, 5.96e10F, 86400), -cm2m3(d, 5.96e10F, 86400));
        EXPECT_EQ(mm2tcfs(-d, 5.96e10F, 86400), -mm2tcfs(d, 5.96e10F, 86400));
    }
}

TEST(LakeTables, IndexesAndForecastLakeNumbersDiffer) {
    LakeParts l;
    ASSERT_TRUE(lakeparts(2, l));
    EXPECT_EQ(l.fcstlake, 8);
    EXPECT_EQ(l.count, 3);
    EXPECT_EQ(l.parts, (std::array<std::int32_t, 3>{2, 3, 4}));
    // Lake index 2 is Mich-Huron, forecast lake 2 is Michigan.
    EXPECT_EQ(fcstutil::levlkcode3[1], "mhu");
    EXPECT_EQ(fcstutil::lakename3[static_cast<std::size_t>(l.fcstlake - 1)], "mhu");
    EXPECT_EQ(fcstutil::lakename3[1], "mic");
    const std::array<std::int32_t, 5> expected = {1, 8, 5, 6, 7};
    for (std::int32_t i = 1; i <= 5; ++i) {
        ASSERT_TRUE(lakeparts(i, l));
        EXPECT_EQ(l.fcstlake, expected[static_cast<std::size_t>(i - 1)]);
        EXPECT_EQ(fcstutil::lakename3[static_cast<std::size_t>(l.fcstlake - 1)],
                  fcstutil::levlkcode3[static_cast<std::size_t>(i - 1)]);
    }
    EXPECT_FALSE(lakeparts(0, l));
    EXPECT_FALSE(lakeparts(6, l));
    EXPECT_EQ(fcstutil::lakename3[13], "***");
    EXPECT_FALSE(fcstutil::validlake[13]);
    EXPECT_EQ(fcstutil::levlkname10[1].size(), 10U);
    EXPECT_EQ(fcstutil::fulllakename[7], "Lake Michigan-Huron");
    EXPECT_EQ(fcstutil::numsubbasins[7],
              fcstutil::numsubbasins[1] + fcstutil::numsubbasins[2] + fcstutil::numsubbasins[3]);
}

TEST(Assembly, DaysReadStayWithinTheSpanWhateverTheHeaderSays) {
    // The span pass saw the file's header as first 100, last 130.
    EXPECT_EQ(dayscovered(100, 130, 100, 130), 31);
    EXPECT_EQ(dayscovered(100, 120, 100, 130), 21);  // a shorter file: the rest is missing
    // The header changed after the span was taken: never a count below 0 or past the span.
    EXPECT_EQ(dayscovered(100, 500, 100, 130), 31);
    EXPECT_EQ(dayscovered(100, 99, 100, 130), 0);
    EXPECT_EQ(dayscovered(100, 50, 100, 130), 0);
    EXPECT_EQ(dayscovered(100, std::numeric_limits<std::int32_t>::min(), 100, 130), 0);
    EXPECT_EQ(dayscovered(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(),
                          std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min() + 9),
              10);
}

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

// ---------------------------------------------------------------------------
// The table writer, fed directly through dlyotlk
// ---------------------------------------------------------------------------

namespace {
// A daily value whose table value (tens of cubic metres per second) is exactly target.
float tcfsfortable(float target) {
    const float estimate = target * 10.0F * 35.31467F / 1000.0F;
    float up = estimate, down = estimate;
    for (int i = 0; i < 100000; ++i) {
        if (tcfm3(up) / 10.0F == target) return up;
        if (tcfm3(down) / 10.0F == target) return down;
        up = std::nextafter(up, std::numeric_limits<float>::infinity());
        down = std::nextafter(down, -std::numeric_limits<float>::infinity());
    }
    return std::numeric_limits<float>::quiet_NaN();
}

}  // namespace

class Writer : public testsupport::UnitsTest {};

TEST_F(Writer, RangeWarningsAtTheLimits) {
    testsupport::scratchdir dir;
    const std::int32_t first = seqof(1, 3, 2024);
    std::array<std::int32_t, 75> scenarios{};
    scenarios.fill(-9999);
    scenarios[0] = 2024;
    auto& column = dlyotlk[0];
    std::fill_n(column.begin(), 16, 0.0F);
    column[0] = tcfsfortable(9999999.0F);
    column[1] = tcfsfortable(10000000.0F);
    column[2] = tcfsfortable(-999999.0F);
    column[3] = tcfsfortable(-1000000.0F);
    column[12] = std::numeric_limits<float>::quiet_NaN();
    column[13] = std::numeric_limits<float>::infinity();
    capture();
    wrttivorn_otlk_daily(1, first, first + 15, scenarios);
    EXPECT_EQ(captured(),
              "  NBS value out of range for (Y-M-Q-D) 2024-03-1-2 = 10000000.0\n"
              "  NBS value out of range for (Y-M-Q-D) 2024-03-1-4 = -1000000.0\n"
              "  NBS value out of range for (Y-M-Q-D) 2024-03-2-5 = NaN\n"
              "  NBS value out of range for (Y-M-Q-D) 2024-03-2-6 = Infinity\n");
    EXPECT_EQ(errorprocess::errorlevel, 0);
    const std::string table = testsupport::readfile("spDNBS_2024.txt");
    EXPECT_NE(table.find(" 2024  3 19999999.********-999999.********      0.      0.      0.      0.\r\n"),
              std::string::npos);
    EXPECT_NE(table.find(" 2024  3 2      0.      0.      0.      0.****************      0.\r\n"), std::string::npos);
    EXPECT_EQ(keldautil::openedfiles, 0);
}

TEST_F(Writer, PositionsWithoutAYearWriteNothing) {
    testsupport::scratchdir dir;
    std::array<std::int32_t, 75> scenarios{};
    scenarios.fill(-9999);
    scenarios[3] = 0;
    wrttivorn_otlk_daily(4, seqof(1, 3, 2024), seqof(1, 3, 2024), scenarios);
    EXPECT_EQ(errorprocess::errorlevel, 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(Writer, YearsBeyondFourDigitsAndLaterPositions) {
    testsupport::scratchdir dir;
    std::array<std::int32_t, 75> scenarios{};
    scenarios.fill(-9999);
    scenarios[74] = 12345;
    std::fill_n(dlyotlk[74].begin(), 8, 1.0F);
    wrttivorn_otlk_daily(2, seqof(1, 1, 2030), seqof(8, 1, 2030), scenarios);
    EXPECT_EQ(errorprocess::errorlevel, 0);
    EXPECT_NE(testsupport::readfile("mhDNBS_****.txt").find(" 2030  1 1      3.      3.      3."), std::string::npos);
}
