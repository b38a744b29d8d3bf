// Period data files: daily, quarter-monthly and monthly value tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

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

std::string values(const std::vector<float>& v) {
    std::string s;
    for (float x : v) s += iolayer::formatf(x, 8, 2);
    return s;
}

// Values 1 to n plus an offset that tells rows apart.
std::vector<float> series(int n, float offset) {
    std::vector<float> v;
    for (int i = 1; i <= n; ++i) v.push_back(offset + static_cast<float>(i));
    return v;
}

std::string dailyrow(int year, int month, int q, const std::vector<float>& v) {
    return iolayer::formati(year, 4) + iolayer::formati(month, 2) + iolayer::formati(q, 2) + values(v);
}
std::string qtrrow(int year, int q, const std::vector<float>& v) {
    return iolayer::formati(year, 4) + iolayer::formati(q, 2) + values(v);
}
std::string monthrow(int year, const std::vector<float>& v) { return iolayer::formati(year, 4) + values(v); }

class PeriodData : public testsupport::ReaderTest {
protected:
    float value = untouched;

    // The message of a lookup that finds nothing.
    static std::string notfound(std::string_view name) {
        return console({"Unable to find requested value in " + std::string(name)});
    }
};

// ---------------------------------------------------------------------------
// Daily rows
// ---------------------------------------------------------------------------

TEST_F(PeriodData, DailyValueAtTheDaysPositionInItsQuarterMonth) {
    writefile("daily.txt", lf({"Year Mo Q  values", dailyrow(2024, 2, 3, series(7, 300)),
                               dailyrow(2024, 2, 4, series(8, 400)), dailyrow(2024, 3, 1, series(8, 500))}));
    capture();
    readtivday("daily.txt", 29, 2, 2024, value);  // days 22 to 29: the eighth field
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(value, 408.0F);
    readtivday("daily.txt", 15, 2, 2024, value);
    EXPECT_EQ(value, 301.0F);
    readtivday("daily.txt", 8, 3, 2024, value);  // a 31-day month: days 1 to 8
    EXPECT_EQ(value, 508.0F);
    EXPECT_TRUE(allclosed());
}

TEST_F(PeriodData, DailyCrLfFile) {
    writefile("daily.txt", crlf({"header", dailyrow(2023, 12, 4, series(8, 10))}));
    readtivday("daily.txt", 31, 12, 2023, value);
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(value, 18.0F);
}

TEST_F(PeriodData, FirstMatchingRowWins) {
    writefile("daily.txt", lf({dailyrow(2024, 1, 1, series(8, 100)), dailyrow(2024, 1, 1, series(8, 900))}));
    readtivday("daily.txt", 1, 1, 2024, value);
    EXPECT_EQ(value, 101.0F);
}

TEST_F(PeriodData, MissingPeriodLeavesValueAndClosesTheFile) {
    writefile("daily.txt", lf({dailyrow(2024, 1, 1, series(8, 100))}));
    capture();
    readtivday("daily.txt  ", 9, 1, 2024, value);
    EXPECT_EQ(captured(), notfound("daily.txt"));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(value, untouched);
    EXPECT_TRUE(allclosed());
}

TEST_F(PeriodData, FieldsMayHoldBlanksAndNumbersWithoutPoint) {
    // Year and month with inner and leading blanks; values without a point, with
    // an exponent, and fields past the end of the line.
    writefile("daily.txt", lf({"20 4 1 1     149 1 2 . 5 -1.5E2"}));
    readtivday("daily.txt", 1, 1, 204, value);
    EXPECT_EQ(value, 149.0F);
    readtivday("daily.txt", 2, 1, 204, value);
    EXPECT_EQ(value, 12.5F);
    readtivday("daily.txt", 3, 1, 204, value);
    EXPECT_EQ(value, -150.0F);
    readtivday("daily.txt", 8, 1, 204, value);  // past the line end: blank, 0
    EXPECT_EQ(value, 0.0F);
    EXPECT_EQ(errorlevel, 0);
}

TEST_F(PeriodData, LinesThatDoNotReadAreSkipped) {
    writefile("daily.txt", lf({"# comment", "2024 1 1    oops", "2024 1 1    1e99", "2024 1 1 \t   5.0",
                               std::string(1000, 'x'), dailyrow(2024, 1, 1, series(8, 0))}));
    capture();
    readtivday("daily.txt", 1, 1, 2024, value);
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(value, 1.0F);
}

TEST_F(PeriodData, LongLinesRead) {
    std::string row = dailyrow(2024, 1, 1, series(8, 0));
    row.resize(200, ' ');
    writefile("daily.txt", lf({row + "garbage beyond the limit", dailyrow(2024, 1, 1, series(8, 50))}));
    readtivday("daily.txt", 2, 1, 2024, value);
    EXPECT_EQ(value, 2.0F);
}

TEST_F(PeriodData, InvalidDateFailsInTheCalendarWithoutOpening) {
    writefile("daily.txt", lf({dailyrow(2024, 2, 4, series(8, 0))}));
    capture();
    readtivday("daily.txt", 30, 2, 2024, value);
    const std::string out = captured();
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(value, untouched);
    EXPECT_EQ(out.find("Unable to find"), std::string::npos);
    EXPECT_TRUE(allclosed());
}

// ---------------------------------------------------------------------------
// Quarter-monthly and monthly rows
// ---------------------------------------------------------------------------

TEST_F(PeriodData, QuarterMonthlyValueOfTheMonth) {
    writefile("qtr.txt", lf({"Year Q  Jan ...", qtrrow(2024, 1, series(12, 100)), qtrrow(2024, 2, series(12, 200)),
                             qtrrow(2025, 2, series(12, 300))}));
    readtivqtr("qtr.txt", 2, 12, 2024, value);
    EXPECT_EQ(value, 212.0F);
    readtivqtr("qtr.txt", 1, 1, 2024, value);
    EXPECT_EQ(value, 101.0F);
    readtivqtr("qtr.txt", 2, 3, 2025, value);
    EXPECT_EQ(value, 303.0F);
    EXPECT_EQ(errorlevel, 0);
    EXPECT_TRUE(allclosed());

    capture();
    value = untouched;
    readtivqtr("qtr.txt", 3, 1, 2024, value);
    EXPECT_EQ(captured(), notfound("qtr.txt"));
    EXPECT_EQ(value, untouched);
}

TEST_F(PeriodData, QuarterMonthlyValuesStartInColumnSeven) {
    // A further two-column field would shift every value by two columns.
    writefile("qtr.txt", lf({"2024 1     1.5     2.5"}));
    readtivqtr("qtr.txt", 1, 2, 2024, value);
    EXPECT_EQ(value, 2.5F);
}

TEST_F(PeriodData, MonthlyValueOfTheMonth) {
    writefile("mon.txt", crlf({"Year  Jan  Feb ...", monthrow(2023, series(12, 0)), monthrow(2024, series(12, 10))}));
    readtivmon("mon.txt", 12, 2024, value);
    EXPECT_EQ(value, 22.0F);
    readtivmon("mon.txt", 1, 2023, value);
    EXPECT_EQ(value, 1.0F);
    EXPECT_EQ(errorlevel, 0);

    capture();
    value = untouched;
    readtivmon("mon.txt", 1, 2022, value);
    EXPECT_EQ(captured(), notfound("mon.txt"));
    EXPECT_EQ(value, untouched);
}

TEST_F(PeriodData, MonthOutsideTheYearIsNotFound) {
    writefile("mon.txt", lf({monthrow(2024, series(12, 0))}));
    capture();
    readtivmon("mon.txt", 13, 2024, value);
    readtivmon("mon.txt", 0, 2024, value);
    EXPECT_EQ(captured(), notfound("mon.txt") + notfound("mon.txt"));
    EXPECT_EQ(value, untouched);
}

TEST_F(PeriodData, PendingFailure) {
    writefile("mon.txt", lf({monthrow(2024, series(12, 0))}));
    writefile("daily.txt", lf({dailyrow(2024, 1, 1, series(8, 0))}));
    errorlevel = 1;
    capture();
    readtivmon("mon.txt", 2, 2024, value);  // the lookup itself does not depend on the error state
    EXPECT_EQ(value, 2.0F);
    value = untouched;
    readtivday("daily.txt", 2, 1, 2024, value);  // the calendar gives up at once: nothing read
    EXPECT_EQ(value, untouched);
    EXPECT_EQ(captured(), "");
    EXPECT_TRUE(allclosed());
}

// ---------------------------------------------------------------------------
// Files that cannot be read
// ---------------------------------------------------------------------------

TEST_F(PeriodData, MissingFile) {
    capture();
    readtivmon("nofile.txt   ", 1, 2024, value);
    readtivqtr("nofile.txt", 1, 1, 2024, value);
    errorlevel = 0;  // the quarter-month calendar gives up under a pending failure
    readtivday("nofile.txt", 1, 1, 2024, value);
    EXPECT_EQ(captured(), console({"Error opening file nofile.txt", "Error opening file nofile.txt",
                                   "Error opening file nofile.txt"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(value, untouched);
    EXPECT_TRUE(allclosed());
}

TEST_F(PeriodData, EmptyAndGarbageFiles) {
    writefile("empty.txt", "");
    std::string bytes;
    for (int i = 0; i < 8192; ++i) bytes.push_back(static_cast<char>((i * 57 + 3) % 256));
    writefile("garbage.txt", bytes);
    capture();
    readtivmon("empty.txt", 1, 2024, value);
    errorlevel = 0;
    readtivday("garbage.txt", 1, 1, 2024, value);
    EXPECT_EQ(captured(), notfound("empty.txt") + notfound("garbage.txt"));
    EXPECT_EQ(value, untouched);
    EXPECT_TRUE(allclosed());
}

TEST_F(PeriodData, BackslashesInTheName) {
    std::filesystem::create_directory("data");
    writefile("data/mon.txt", lf({monthrow(2024, series(12, 0))}));
    readtivmon("data\\mon.txt", 4, 2024, value);
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(value, 4.0F);
}

TEST_F(PeriodData, NoFreeUnit) {
    writefile("mon.txt", lf({monthrow(2024, series(12, 0))}));
    for (std::int32_t u = 201; u <= 399; ++u) {
        ASSERT_EQ(iolayer::openexisting(u, "mon.txt", iolayer::Access::sequential, iolayer::Action::read),
                  iolayer::Status::ok);
    }
    capture();
    readtivmon("mon.txt", 1, 2024, value);
    EXPECT_EQ(captured(), console({"Unable to get available unit number"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(value, untouched);
}

}  // namespace
