// The table writer, fed directly through dlyotlk.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "calendar_support.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"
#include "support.hpp"

using namespace rerove_tivorn_subs;
using testsupport::seqof;

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
