// Period data files: daily, quarter-monthly and monthly value tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "readers_support.hpp"

using namespace fcstutil;
using errorprocess::errorlevel;
using testsupport::console;
using testsupport::crlf;
using testsupport::lf;
using testsupport::writefile;

namespace {

constexpr float untouched = -123.0F;

// n values offset + 1 to offset + n, 8 columns each.
std::string values(int n, int offset) {
    std::string s;
    for (int i = 1; i <= n; ++i) s += iolayer::formatf(offset + i, 8, 2);
    return s;
}
std::string dailyrow(int year, int month, int q, int n, int offset) {
    return iolayer::formati(year, 4) + iolayer::formati(month, 2) + iolayer::formati(q, 2) + values(n, offset);
}
std::string qtrrow(int year, int q, int offset) {
    return iolayer::formati(year, 4) + iolayer::formati(q, 2) + values(12, offset);
}
std::string monthrow(int year, int offset) { return iolayer::formati(year, 4) + values(12, offset); }

std::string notfound(std::string_view name) {
    return console({"Unable to find requested value in " + std::string(name)});
}

class PeriodData : public testsupport::ReaderTest {
protected:
    float value = untouched;
};

TEST_F(PeriodData, DailyValueAtTheDaysPositionInItsQuarterMonth) {
    writefile("daily.txt", lf({"Year Mo Q  values", dailyrow(2024, 2, 3, 7, 300), dailyrow(2024, 2, 4, 8, 400),
                               dailyrow(2024, 3, 1, 8, 500), dailyrow(2024, 3, 1, 8, 900)}));
    capture();
    readtivday("daily.txt", 29, 2, 2024, value);  // days 22 to 29: the eighth field
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(value, 408.0F);
    readtivday("daily.txt", 15, 2, 2024, value);
    EXPECT_EQ(value, 301.0F);
    readtivday("daily.txt", 8, 3, 2024, value);  // 31 days: days 1 to 8; the first of two rows
    EXPECT_EQ(value, 508.0F);
    EXPECT_TRUE(allclosed());

    writefile("daily.txt", crlf({"header", dailyrow(2023, 12, 4, 8, 10)}));
    readtivday("daily.txt", 31, 12, 2023, value);
    EXPECT_EQ(value, 18.0F);
}

TEST_F(PeriodData, MissingPeriodLeavesValueAndClosesTheFile) {
    writefile("daily.txt", lf({dailyrow(2024, 1, 1, 8, 100)}));
    capture();
    readtivday("daily.txt  ", 9, 1, 2024, value);
    EXPECT_EQ(captured(), notfound("daily.txt"));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(value, untouched);
    EXPECT_TRUE(allclosed());
}

TEST_F(PeriodData, FieldsAndLinesThatDoNotRead) {
    // Year with an inner blank; values without a point, with inner blanks, with
    // an exponent, and past the end of the line (blank, 0).
    writefile("daily.txt",
              lf({"# comment", "2024 1 1    oops", "2024 1 1    1e99", "2024 1 1 \t   5.0", std::string(1000, 'x'),
                  "20 4 1 1     149 1 2 . 5 -1.5E2" + std::string(200, ' ') + "x"}));
    capture();
    const std::pair<int, float> cases[] = {{1, 149.0F}, {2, 12.5F}, {3, -150.0F}, {8, 0.0F}};
    for (auto [day, expected] : cases) {
        readtivday("daily.txt", day, 1, 204, value);
        EXPECT_EQ(value, expected) << day;
    }
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorlevel, 0);
}

TEST_F(PeriodData, InvalidDateFailsInTheCalendarWithoutOpening) {
    writefile("daily.txt", lf({dailyrow(2024, 2, 4, 8, 0)}));
    capture();
    readtivday("daily.txt", 30, 2, 2024, value);
    EXPECT_EQ(captured(), console({"Invalid parameter in routine FirstDayOfQtrMon(D,M,Y)"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(value, untouched);
    EXPECT_TRUE(allclosed());
}

TEST_F(PeriodData, QuarterMonthlyAndMonthlyValueOfTheMonth) {
    // Quarter-monthly values start in column 7, right after the quarter-month.
    writefile("qtr.txt", lf({"Year Q  Jan ...", qtrrow(2024, 1, 100), qtrrow(2024, 2, 200), qtrrow(2025, 2, 300),
                             "2026 1     1.5     2.5"}));
    readtivqtr("qtr.txt", 2, 12, 2024, value);
    EXPECT_EQ(value, 212.0F);
    readtivqtr("qtr.txt", 2, 3, 2025, value);
    EXPECT_EQ(value, 303.0F);
    readtivqtr("qtr.txt", 1, 2, 2026, value);
    EXPECT_EQ(value, 2.5F);

    writefile("mon.txt", crlf({"Year  Jan  Feb ...", monthrow(2023, 0), monthrow(2024, 10)}));
    readtivmon("mon.txt", 12, 2024, value);
    EXPECT_EQ(value, 22.0F);
    readtivmon("mon.txt", 1, 2023, value);
    EXPECT_EQ(value, 1.0F);
    EXPECT_EQ(errorlevel, 0);
    EXPECT_TRUE(allclosed());

    // No such row, or a month outside the year.
    value = untouched;
    capture();
    readtivqtr("qtr.txt", 3, 1, 2024, value);
    readtivmon("mon.txt", 1, 2022, value);
    readtivmon("mon.txt", 13, 2024, value);
    readtivmon("mon.txt", 0, 2024, value);
    EXPECT_EQ(captured(), notfound("qtr.txt") + notfound("mon.txt") + notfound("mon.txt") + notfound("mon.txt"));
    EXPECT_EQ(value, untouched);
}

TEST_F(PeriodData, ValueFieldsThatFillAllTheirColumns) {
    // No blank between the fields: a value read from the wrong columns cannot
    // come out right.
    const std::string full = "1234.500-234.25012345678-12345670.015625+123.12599999.75-9999.50";
    const float expected[] = {1234.5F,   -234.25F, 12345678.0F, -1234567.0F, 0.015625F, 123.125F,
                              99999.75F, -9999.5F, 1250.0F,     1.0F,        -0.03125F, 65536.0F};
    const std::string rest = "1.25E+0300000001-0.0312565536.00";
    writefile("daily.txt", crlf({"Year Mo Q", "2024 3 1" + full, "2024 3 4" + full}));
    writefile("qtr.txt", lf({"2024 2" + full + rest, "2024 3-1.0E+00" + full.substr(8) + rest}));
    writefile("mon.txt", lf({"2024" + full + rest}));
    capture();
    for (std::int32_t k = 1; k <= 8; ++k) {
        readtivday("daily.txt", k, 3, 2024, value);
        EXPECT_EQ(value, expected[k - 1]) << "day " << k;
        readtivday("daily.txt", k + 23, 3, 2024, value);
        EXPECT_EQ(value, expected[k - 1]) << "day " << k + 23;
    }
    for (std::int32_t month = 1; month <= 12; ++month) {
        readtivqtr("qtr.txt", 2, month, 2024, value);
        EXPECT_EQ(value, expected[month - 1]) << "month " << month;
        readtivmon("mon.txt", month, 2024, value);
        EXPECT_EQ(value, expected[month - 1]) << "month " << month;
    }
    readtivqtr("qtr.txt", 3, 1, 2024, value);
    EXPECT_EQ(value, -1.0F);
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_TRUE(allclosed());
}

TEST_F(PeriodData, FilesThatCannotBeRead) {
    std::string bytes;
    for (int i = 0; i < 8192; ++i) bytes.push_back(static_cast<char>((i * 57 + 3) % 256));
    writefile("garbage.txt", bytes);
    writefile("empty.txt", "");
    capture();
    readtivday("garbage.txt", 1, 1, 2024, value);
    readtivmon("empty.txt", 1, 2024, value);
    readtivmon("nofile.txt   ", 1, 2024, value);
    readtivqtr("nofile.txt", 1, 1, 2024, value);
    EXPECT_EQ(captured(), notfound("garbage.txt") + notfound("empty.txt") +
                              console({"Error opening file nofile.txt", "Error opening file nofile.txt"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(value, untouched);
    EXPECT_TRUE(allclosed());

    for (std::int32_t u = 201; u <= 399; ++u) {
        ASSERT_EQ(iolayer::openexisting(u, "empty.txt", iolayer::Access::sequential, iolayer::Action::read),
                  iolayer::Status::ok);
    }
    capture();
    readtivmon("empty.txt", 1, 2024, value);
    EXPECT_EQ(captured(), console({"Unable to get available unit number"}));
}

TEST_F(PeriodData, BackslashesAndPendingFailures) {
    std::filesystem::create_directory("data");
    writefile("data/mon.txt", lf({monthrow(2024, 0)}));
    writefile("daily.txt", lf({dailyrow(2024, 1, 1, 8, 0)}));
    errorlevel = 1;
    capture();
    readtivmon("data\\mon.txt", 4, 2024, value);  // the lookup does not depend on the error state
    EXPECT_EQ(value, 4.0F);
    value = untouched;
    readtivday("daily.txt", 2, 1, 2024, value);  // the quarter-month calendar gives up at once
    EXPECT_EQ(value, untouched);
    EXPECT_EQ(captured(), "");
    EXPECT_TRUE(allclosed());
}

}  // namespace
