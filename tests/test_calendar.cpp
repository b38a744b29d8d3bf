#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "calendar_support.hpp"
#include "keldautil/keldautil.hpp"
#include "support.hpp"

using namespace keldautil;
using testsupport::hi;
using testsupport::lo;
using testsupport::printed;
using testsupport::seqof;

class DaySequence : public testsupport::ErrorStateTest {};

TEST_F(DaySequence, AnchorDates) {
    struct anchor {
        std::int32_t d, m, y, n;
    };
    for (const anchor& a : {anchor{1, 1, 1, 307}, anchor{1, 1, 1000, 365184}, anchor{1, 1, 1900, 693902},
                            anchor{1, 1, 1970, 719469}, anchor{1, 1, 2000, 730426}, anchor{29, 2, 2000, 730485},
                            anchor{31, 12, 2999, 1095668}, anchor{31, 12, 9999, 3652365}}) {
        std::int32_t n = 0;
        datesequence(a.d, a.m, a.y, n);
        EXPECT_EQ(n, a.n) << a.d << "/" << a.m << "/" << a.y;
        std::int32_t d = 0, m = 0, y = 0;
        sequencedate(d, m, y, a.n);
        EXPECT_EQ(d, a.d);
        EXPECT_EQ(m, a.m);
        EXPECT_EQ(y, a.y);
    }
    std::int32_t d = 9, m = 9, y = 9;
    sequencedate(d, m, y, 0);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(y, 0);
    sequencedate(d, m, y, 306);
    EXPECT_EQ(d, 31);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(DaySequence, YearZeroOrBelowFails) {
    std::int32_t n = 5;
    capture();
    datesequence(15, 6, 0, n);
    datesequence(1, 1, -9999, n);
    EXPECT_EQ(captured(),
              "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=06/15/   0\n"
              "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=01/01/****\n");
    EXPECT_EQ(n, -999999);
    EXPECT_EQ(errorprocess::errorlevel, 1);
}

TEST_F(DaySequence, NegativeSequenceFailsAndMissingDatePasses) {
    std::int32_t d = 1, m = 2, y = 3;
    sequencedate(d, m, y, -999999);
    EXPECT_EQ(d, -99);
    EXPECT_EQ(m, -99);
    EXPECT_EQ(y, -9999);
    EXPECT_EQ(errorprocess::errorlevel, 0);
    d = 1;
    m = 2;
    y = 3;
    capture();
    sequencedate(d, m, y, -1);
    EXPECT_EQ(captured(), "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-1\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(y, 3);
}

namespace {

// Month lengths by the leap-year rule, without the day-number formulas.
std::int32_t monthlength(std::int32_t m, std::int32_t y) {
    static constexpr std::int32_t lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : lengths[m - 1];
}

const std::string yearzero = "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=01/01/   0\n";

}  // namespace

TEST_F(DaySequence, DayAndMonthRunOnOutsideTheirRange) {
    EXPECT_EQ(seqof(0, 3, 2000), seqof(29, 2, 2000));
    EXPECT_EQ(seqof(1, 3, 2000), 730486);
    EXPECT_EQ(seqof(32, 1, 2001), seqof(1, 2, 2001));
    EXPECT_EQ(seqof(1, 13, 2000), seqof(1, 1, 2001));
    EXPECT_EQ(seqof(1, 0, 2000), seqof(1, 12, 1999));
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

// Days counted one by one with month lengths of the test's own agree with both
// conversions over years 1 to 9999: every date and every number from 307 to
// 31 December 9999 converts there and back.
TEST_F(DaySequence, RoundTripAndDayCountOverTenThousandYears) {
    std::int64_t mismatches = 0;
    std::int32_t count = 306;
    for (std::int32_t y = 1; y <= 9999; ++y) {
        for (std::int32_t m = 1; m <= 12; ++m) {
            for (std::int32_t d = 1; d <= monthlength(m, y); ++d) {
                std::int32_t n = 0, dd = 0, mm = 0, yy = 0;
                datesequence(d, m, y, n);
                sequencedate(dd, mm, yy, n);
                if (n != ++count || dd != d || mm != m || yy != y) ++mismatches;
            }
        }
    }
    EXPECT_EQ(count, seqof(31, 12, 9999));
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(DaySequence, NumbersBeyondThirtyTwoBitsSaturate) {
    EXPECT_EQ(seqof(hi, hi, hi), hi);
    EXPECT_EQ(seqof(hi, 1, 1), hi);
    EXPECT_EQ(seqof(lo, lo, 1), lo);
    std::int32_t d = 0, m = 0, y = 0;
    sequencedate(d, m, y, hi);
    EXPECT_EQ(y, 5879610);
    EXPECT_EQ(seqof(d, m, y), hi);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

class MonthAndYear : public testsupport::ErrorStateTest {};

TEST_F(MonthAndYear, LengthsFollowTheGregorianRule) {
    EXPECT_EQ(daysinmonth(2, 1900), 28);
    EXPECT_EQ(daysinmonth(2, 2000), 29);
    EXPECT_EQ(daysinmonth(2, 2100), 28);
    EXPECT_EQ(daysinmonth(12, 2999), 31);
    EXPECT_EQ(daysinyear(2000), 366);
    EXPECT_EQ(daysinyear(1900), 365);
    std::int64_t mismatches = 0;
    for (std::int32_t y = 1; y <= 2999; ++y) {
        std::int32_t total = 0;
        for (std::int32_t m = 1; m <= 12; ++m) {
            if (daysinmonth(m, y) != monthlength(m, y)) ++mismatches;
            total += monthlength(m, y);
        }
        if (daysinyear(y) != total) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(MonthAndYear, BadArgumentsFail) {
    for (auto [m, y] : {std::pair{1, 3000}, {13, 2000}, {0, 2000}, {1, 0}}) {
        EXPECT_EQ(printed([m = m, y = y] { EXPECT_EQ(daysinmonth(m, y), -1); }),
                  " Bad parameter in routine DaysInMonth\n");
    }
    for (std::int32_t y : {3000, 0}) {
        EXPECT_EQ(printed([&] { EXPECT_EQ(daysinyear(y), -1); }), " Bad parameter in routine DaysInYear\n");
    }
    EXPECT_EQ(errorprocess::errorlevel, 1);
}

TEST_F(MonthAndYear, DayOfYear) {
    EXPECT_EQ(dayofyearfromdmy(31, 12, 2001), 365);
    EXPECT_EQ(dayofyearfromdmy(31, 12, 2000), 366);
    EXPECT_EQ(dayofyearfromdmy(31, 2, 2001), 62);  // the day is checked against 31 only
    EXPECT_EQ(dayofyearfromdmy(31, 12, 9999), 365);
    EXPECT_EQ(dayofyearfromseq(730426), 1);
    EXPECT_EQ(dayofyearfromseq(seqof(31, 12, 2000)), 366);
    std::int32_t doy = 0, year = 0;
    EXPECT_TRUE(seqnumtojulianday(730426, doy, year));
    EXPECT_EQ(doy, 1);
    EXPECT_EQ(year, 2000);
    EXPECT_EQ(juliandaytoseqnum(2001, 0), seqof(31, 12, 2000));
    EXPECT_EQ(juliandaytoseqnum(2001, 366), seqof(1, 1, 2002));
    EXPECT_EQ(juliandaytoseqnum(1, hi), hi);  // saturated
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(MonthAndYear, DayOfYearFailures) {
    const std::string badday = " Invalid day specified in DayOfYear() function!\n";
    const std::string badmonth = " Invalid month specified in DayOfYear() function!\n";
    const std::string badyear = " Invalid year specified in DayOfYear() function!\n";
    // Day, then month, then year.
    EXPECT_EQ(printed([] { EXPECT_EQ(dayofyearfromdmy(0, 13, 0), -9999); }), badday);
    EXPECT_EQ(printed([] { EXPECT_EQ(dayofyearfromdmy(32, 1, 2000), -9999); }), badday);
    EXPECT_EQ(printed([] { EXPECT_EQ(dayofyearfromdmy(1, 13, 0), -9999); }), badmonth);
    EXPECT_EQ(printed([] { EXPECT_EQ(dayofyearfromdmy(1, 1, 10000), -9999); }), badyear);
    EXPECT_EQ(printed([] { EXPECT_EQ(dayofyearfromseq(306), -9999); }), yearzero);
    EXPECT_EQ(printed([] { EXPECT_EQ(dayofyearfromseq(missingdate), -9999); }),
              "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=01/01/****\n");
    EXPECT_EQ(printed([] { EXPECT_EQ(juliandaytoseqnum(0, 1), -1); }), yearzero);
    std::int32_t doy = 5, year = 6;
    EXPECT_EQ(printed([&] { EXPECT_FALSE(seqnumtojulianday(-2, doy, year)); }),
              "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-2\n");
    EXPECT_EQ(year, 6);  // not converted, not written
    EXPECT_EQ(printed([&] { EXPECT_FALSE(seqnumtojulianday(100, doy, year)); }), yearzero);
    EXPECT_EQ(year, 0);  // written before datesequence refused year 0
    EXPECT_EQ(doy, 5);
}

// errorlevel is never cleared in a run: a pending failure makes every operation
// that tests it give its failure result, silently.
TEST_F(MonthAndYear, PendingFailureGivesFailureResults) {
    errorprocess::errorlevel = 1;
    std::int32_t doy = 77, year = 88;
    capture();
    EXPECT_EQ(daysinmonth(1, 2000), -1);
    EXPECT_EQ(daysinyear(2000), -1);
    EXPECT_EQ(dayofyearfromdmy(1, 1, 2000), -9999);
    EXPECT_EQ(dayofyearfromseq(730426), -9999);
    EXPECT_EQ(juliandaytoseqnum(2000, 1), -1);
    EXPECT_FALSE(seqnumtojulianday(730426, doy, year));
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(year, 2000);
    EXPECT_EQ(doy, 77);
}

class HourSequence : public testsupport::ErrorStateTest {};

TEST_F(HourSequence, BothWays) {
    struct hourcase {
        std::int32_t hour, d, m, y, h;
    };
    for (const hourcase& c :
         {hourcase{1, 1, 1, 2000, 17530224}, hourcase{24, 31, 12, 1999, 17530223}, hourcase{0, 0, 3, 0, -1}}) {
        std::int32_t h = 0, hour = 0, d = 0, m = 0, y = 0;
        if (c.y > 0) {
            hdmysequence(c.hour, c.d, c.m, c.y, h);
            EXPECT_EQ(h, c.h);
        }
        sequencehdmy(hour, d, m, y, c.h);
        EXPECT_EQ(std::vector<std::int32_t>({hour, d, m, y}), std::vector<std::int32_t>({c.hour, c.d, c.m, c.y}));
    }
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(HourSequence, FailuresKeepTheHour) {
    std::int32_t h = 0;
    EXPECT_EQ(printed([&] { hdmysequence(5, 1, 1, 0, h); }), yearzero);
    EXPECT_EQ(h, -23999976 + 5 - 1);
    std::int32_t hour = 9, d = 1, m = 2, y = 3;
    EXPECT_EQ(printed([&] { sequencehdmy(hour, d, m, y, -25); }),
              "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-1\n");
    EXPECT_EQ(std::vector<std::int32_t>({hour, d, m, y}), std::vector<std::int32_t>({0, 1, 2, 3}));
    // The hour number of a failed date converts back to the missing date.
    EXPECT_EQ(printed([&] { sequencehdmy(hour, d, m, y, -23999976); }), "");
    EXPECT_EQ(std::vector<std::int32_t>({hour, d, m, y}), std::vector<std::int32_t>({1, -99, -99, -9999}));
}

TEST_F(HourSequence, NumbersBeyondThirtyTwoBitsSaturate) {
    std::int32_t h = 0;
    hdmysequence(hi, 31, 12, 9999, h);
    EXPECT_EQ(h, hi);
    hdmysequence(1, 1, 1, 1000000, h);
    EXPECT_EQ(h, hi);
    hdmysequence(lo, 1, 1, 1, h);
    EXPECT_EQ(h, lo + 307 * 24 - 1);
    EXPECT_EQ(errorprocess::errorlevel, 0);
    (void)printed([&] { hdmysequence(lo, 1, 1, 0, h); });
    EXPECT_EQ(h, lo);
}

// Every calendar operation over combinations of extreme 32-bit arguments: the
// sanitizer build turns any overflow or bad index into a failure.
TEST(CalendarArguments, EveryOperationIsDefinedForExtremeArguments) {
    const std::int32_t values[] = {lo, lo + 1, -23999976, missingdate, -25,  -1,   0,    1,      4,       5,      12,
                                   13, 28,     31,        32,          2999, 3000, 9999, 730426, 3652365, hi - 1, hi};
    (void)printed([&] {
        for (const std::int32_t a : values) {
            for (const std::int32_t b : values) {
                std::int32_t n = 0, d = 0, m = 0, y = 0;
                for (const std::int32_t c : values) {
                    errorprocess::errorlevel = 0;
                    datesequence(a, b, c, n);
                    hdmysequence(a, b, c, 1, n);
                    hdmysequence(1, a, b, c, n);
                    (void)dayofyearfromdmy(a, b, c), (void)qtrmonnumber(a, b, c), (void)dayofqtrmon(a, b, c);
                    (void)daysinqtrmon(a, b, c), (void)endofqtr3(a, b, c), (void)startofqtr3(a, b, c);
                    (void)sequencefromymqd(a, b, c, a), (void)sequencefromymqd(c, 1, a, b);
                    (void)islastdayofqtrmon(a, b, c), (void)isfirstdayofqtrmon(a, b, c);
                    (void)islastdayofmonth(a, b, c);
                }
                errorprocess::errorlevel = 0;
                sequencehdmy(n, d, m, y, a);
                (void)daysinmonth(a, b), (void)juliandaytoseqnum(a, b), (void)endofqtr2(a, b);
                (void)startofqtr2(a, b), (void)getnumqtrmons(a, b), (void)getnumweeks(a, b);
                (void)getnummonths(a, b), (void)getnumyears(a, b), (void)seqnumtojulianday(a, d, y);
                (void)dayofyearfromseq(a), (void)daysinyear(a), (void)endofqtr1(a), (void)startofqtr1(a);
                (void)seqtodatestring10(a);
                for (auto adjust : {adjusttostartofyear, adjusttoendofyear, adjusttostartofmonth, adjusttoendofmonth,
                                    adjusttostartofqtrmonth, adjusttoendofqtrmonth}) {
                    errorprocess::errorlevel = 0;
                    n = a;
                    (void)adjust(n);
                }
            }
        }
    });
    errorprocess::errorlevel = 0;
}
