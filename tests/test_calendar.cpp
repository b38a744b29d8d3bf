#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "keldautil/keldautil.hpp"
#include "support.hpp"

using namespace keldautil;

class DaySequence : public testsupport::ErrorStateTest {};

TEST_F(DaySequence, AnchorDates) {
    struct Anchor {
        std::int32_t d, m, y, n;
    };
    for (const Anchor& a : {Anchor{1, 1, 1, 307}, Anchor{1, 1, 1000, 365184}, Anchor{1, 1, 1900, 693902},
                            Anchor{1, 1, 1970, 719469}, Anchor{1, 1, 2000, 730426}, Anchor{29, 2, 2000, 730485},
                            Anchor{31, 12, 2999, 1095668}, Anchor{31, 12, 9999, 3652365}}) {
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

std::int32_t seqof(std::int32_t d, std::int32_t m, std::int32_t y) {
    std::int32_t n = 0;
    datesequence(d, m, y, n);
    return n;
}

// Month lengths by the leap-year rule, written without the day-number formulas.
std::int32_t monthlength(std::int32_t m, std::int32_t y) {
    static constexpr std::int32_t lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : lengths[m - 1];
}

}  // namespace

TEST_F(DaySequence, DayAndMonthRunOnOutsideTheirRange) {
    EXPECT_EQ(seqof(0, 3, 2000), seqof(29, 2, 2000));
    EXPECT_EQ(seqof(1, 3, 2000), 730486);
    EXPECT_EQ(seqof(32, 1, 2001), seqof(1, 2, 2001));
    EXPECT_EQ(seqof(1, 13, 2000), seqof(1, 1, 2001));
    EXPECT_EQ(seqof(1, 14, 2000), seqof(1, 2, 2001));
    EXPECT_EQ(seqof(1, 0, 2000), seqof(1, 12, 1999));
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

// Every day of years 1 to 9999 converts both ways, and consecutive days have
// consecutive numbers.
TEST_F(DaySequence, RoundTripOverTenThousandYears) {
    std::int32_t last = 0;
    datesequence(31, 12, 9999, last);
    ASSERT_EQ(last, 3652365);
    std::int64_t mismatches = 0;
    for (std::int32_t n = 307; n <= last; ++n) {
        std::int32_t d = 0, m = 0, y = 0, back = 0;
        sequencedate(d, m, y, n);
        datesequence(d, m, y, back);
        if (back != n) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0);

    mismatches = 0;
    std::int32_t expected = 307;
    for (std::int32_t y = 1; y <= 9999; ++y) {
        for (std::int32_t m = 1; m <= 12; ++m) {
            for (std::int32_t d = 1; d <= monthlength(m, y); ++d, ++expected) {
                std::int32_t n = 0, dd = 0, mm = 0, yy = 0;
                datesequence(d, m, y, n);
                sequencedate(dd, mm, yy, n);
                if (n != expected || dd != d || mm != m || yy != y) ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(expected - 1, last);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

// A civil-from-days computation of its own (closed form over 400-year eras of
// days since 1 January 1970) agrees with sequencedate around century years.
TEST_F(DaySequence, AgreesWithAnIndependentCivilCalendar) {
    auto civil = [](std::int64_t z, std::int32_t& d, std::int32_t& m, std::int32_t& y) {
        z += 719468;
        const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
        const std::int64_t doe = z - era * 146097;
        const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const std::int64_t mp = (5 * doy + 2) / 153;
        d = static_cast<std::int32_t>(doy - (153 * mp + 2) / 5 + 1);
        m = static_cast<std::int32_t>(mp < 10 ? mp + 3 : mp - 9);
        y = static_cast<std::int32_t>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    };
    const std::int32_t epoch = 719469;  // 1 January 1970
    std::int64_t mismatches = 0;
    for (std::int32_t start : {1, 1895, 1995, 2095, 2395}) {
        for (std::int32_t n = seqof(1, 1, start); n < seqof(1, 1, start + 10); ++n) {
            std::int32_t d1 = 0, m1 = 0, y1 = 0, d2 = 0, m2 = 0, y2 = 0;
            sequencedate(d1, m1, y1, n);
            civil(static_cast<std::int64_t>(n) - epoch, d2, m2, y2);
            if (d1 != d2 || m1 != m2 || y1 != y2) ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(DaySequence, ExtremeArgumentsAreDefined) {
    constexpr std::int32_t int32max = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t int32min = std::numeric_limits<std::int32_t>::min();
    // Beyond 32 bits the number saturates.
    EXPECT_EQ(seqof(int32max, int32max, int32max), int32max);
    EXPECT_EQ(seqof(int32min, int32min, 1), int32min);
    EXPECT_EQ(seqof(int32max, 1, 1), int32max);
    EXPECT_EQ(seqof(1, int32max, 1), int32max);
    std::int32_t d = 0, m = 0, y = 0;
    sequencedate(d, m, y, int32max);
    EXPECT_EQ(seqof(d, m, y), int32max);
    EXPECT_EQ(y, 5879610);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

class MonthAndYearLength : public testsupport::ErrorStateTest {};

TEST_F(MonthAndYearLength, FollowTheGregorianRule) {
    EXPECT_EQ(daysinmonth(2, 1900), 28);
    EXPECT_EQ(daysinmonth(2, 2000), 29);
    EXPECT_EQ(daysinmonth(2, 2100), 28);
    EXPECT_EQ(daysinmonth(2, 2004), 29);
    EXPECT_EQ(daysinmonth(12, 2999), 31);
    EXPECT_EQ(daysinmonth(1, 1), 31);
    EXPECT_EQ(daysinyear(2000), 366);
    EXPECT_EQ(daysinyear(1900), 365);
    EXPECT_EQ(daysinyear(1), 365);
    EXPECT_EQ(daysinyear(2999), 365);
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

TEST_F(MonthAndYearLength, BadArgumentsFail) {
    capture();
    EXPECT_EQ(daysinmonth(1, 3000), -1);
    EXPECT_EQ(daysinmonth(13, 2000), -1);
    EXPECT_EQ(daysinmonth(0, 2000), -1);
    EXPECT_EQ(daysinmonth(1, 0), -1);
    EXPECT_EQ(daysinyear(3000), -1);
    EXPECT_EQ(daysinyear(0), -1);
    EXPECT_EQ(captured(),
              " Bad parameter in routine DaysInMonth\n"
              " Bad parameter in routine DaysInMonth\n"
              " Bad parameter in routine DaysInMonth\n"
              " Bad parameter in routine DaysInMonth\n"
              " Bad parameter in routine DaysInYear\n"
              " Bad parameter in routine DaysInYear\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_EQ(errorprocess::errormessage.trimmed(), "Bad parameter in routine DaysInYear");
}

// errorlevel is never cleared in a run: a pending failure makes every operation
// that tests it give its failure result, silently.
TEST_F(MonthAndYearLength, PendingFailureGivesFailureResults) {
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
    EXPECT_EQ(year, 2000);  // written before the test of errorlevel
    EXPECT_EQ(doy, 77);
}

class DayOfYear : public testsupport::ErrorStateTest {};

TEST_F(DayOfYear, FromDayMonthYear) {
    EXPECT_EQ(dayofyearfromdmy(1, 1, 2001), 1);
    EXPECT_EQ(dayofyearfromdmy(31, 12, 2001), 365);
    EXPECT_EQ(dayofyearfromdmy(31, 12, 2000), 366);
    EXPECT_EQ(dayofyearfromdmy(1, 3, 2000), 61);
    EXPECT_EQ(dayofyearfromdmy(31, 2, 2001), 62);
    EXPECT_EQ(dayofyearfromdmy(31, 2, 2000), 62);
    EXPECT_EQ(dayofyearfromdmy(31, 12, 9999), 365);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(DayOfYear, FromDayMonthYearChecksDayThenMonthThenYear) {
    capture();
    EXPECT_EQ(dayofyearfromdmy(0, 13, 0), -9999);
    EXPECT_EQ(dayofyearfromdmy(32, 1, 2000), -9999);
    EXPECT_EQ(dayofyearfromdmy(1, 13, 0), -9999);
    EXPECT_EQ(dayofyearfromdmy(1, 0, 2000), -9999);
    EXPECT_EQ(dayofyearfromdmy(1, 1, 0), -9999);
    EXPECT_EQ(dayofyearfromdmy(1, 1, 10000), -9999);
    EXPECT_EQ(captured(),
              " Invalid day specified in DayOfYear() function!\n"
              " Invalid day specified in DayOfYear() function!\n"
              " Invalid month specified in DayOfYear() function!\n"
              " Invalid month specified in DayOfYear() function!\n"
              " Invalid year specified in DayOfYear() function!\n"
              " Invalid year specified in DayOfYear() function!\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
}

TEST_F(DayOfYear, FromSequenceNumber) {
    EXPECT_EQ(dayofyearfromseq(730426), 1);
    EXPECT_EQ(dayofyearfromseq(seqof(31, 12, 2000)), 366);
    EXPECT_EQ(dayofyearfromseq(307), 1);
    EXPECT_EQ(errorprocess::errorlevel, 0);
    capture();
    EXPECT_EQ(dayofyearfromseq(306), -9999);  // year 0
    EXPECT_EQ(captured(), "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=01/01/   0\n");
}

TEST_F(DayOfYear, FromSequenceNumberFailsOnNegativeAndMissing) {
    capture();
    EXPECT_EQ(dayofyearfromseq(-7), -9999);
    EXPECT_EQ(captured(), "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-7\n");
    errorprocess::errorlevel = 0;
    capture();
    EXPECT_EQ(dayofyearfromseq(missingdate), -9999);
    EXPECT_EQ(captured(), "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=01/01/****\n");
}

TEST_F(DayOfYear, JulianDayConversions) {
    std::int32_t doy = 0, year = 0;
    EXPECT_TRUE(seqnumtojulianday(730426, doy, year));
    EXPECT_EQ(doy, 1);
    EXPECT_EQ(year, 2000);
    EXPECT_TRUE(seqnumtojulianday(seqof(31, 12, 2000), doy, year));
    EXPECT_EQ(doy, 366);
    EXPECT_EQ(juliandaytoseqnum(2000, 1), 730426);
    EXPECT_EQ(juliandaytoseqnum(2001, 0), seqof(31, 12, 2000));
    EXPECT_EQ(juliandaytoseqnum(2001, 366), seqof(1, 1, 2002));
    EXPECT_EQ(juliandaytoseqnum(2000, 60), seqof(29, 2, 2000));
    EXPECT_EQ(juliandaytoseqnum(1, std::numeric_limits<std::int32_t>::max()),
              std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(DayOfYear, JulianDayFailures) {
    std::int32_t doy = 5, year = 6;
    capture();
    EXPECT_FALSE(seqnumtojulianday(-2, doy, year));
    EXPECT_EQ(year, 6);  // sequencedate wrote nothing
    errorprocess::errorlevel = 0;
    EXPECT_FALSE(seqnumtojulianday(100, doy, year));
    EXPECT_EQ(year, 0);  // year 0 came out before datesequence refused it
    EXPECT_EQ(doy, 5);
    errorprocess::errorlevel = 0;
    EXPECT_EQ(juliandaytoseqnum(0, 1), -1);
    EXPECT_EQ(captured(),
              "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-2\n"
              "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=01/01/   0\n"
              "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=01/01/   0\n");
}

class HourSequence : public testsupport::ErrorStateTest {};

TEST_F(HourSequence, Anchors) {
    std::int32_t h = 0;
    hdmysequence(1, 1, 1, 2000, h);
    EXPECT_EQ(h, 17530224);
    hdmysequence(24, 31, 12, 1999, h);
    EXPECT_EQ(h, 17530223);
    std::int32_t hour = 0, d = 0, m = 0, y = 0;
    sequencehdmy(hour, d, m, y, 17530224);
    EXPECT_EQ(hour, 1);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(m, 1);
    EXPECT_EQ(y, 2000);
    sequencehdmy(hour, d, m, y, 17530223);
    EXPECT_EQ(hour, 24);
    EXPECT_EQ(d, 31);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(y, 1999);
    // h = -1 truncates to day 0, hour 0.
    sequencehdmy(hour, d, m, y, -1);
    EXPECT_EQ(hour, 0);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(HourSequence, FailuresKeepTheHour) {
    std::int32_t h = 0;
    capture();
    hdmysequence(5, 1, 1, 0, h);
    EXPECT_EQ(h, -23999976 + 5 - 1);
    std::int32_t hour = 9, d = 1, m = 2, y = 3;
    sequencehdmy(hour, d, m, y, -25);
    EXPECT_EQ(captured(),
              "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=01/01/   0\n"
              "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-1\n");
    EXPECT_EQ(hour, 0);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(y, 3);
    errorprocess::errorlevel = 0;
    sequencehdmy(hour, d, m, y, missingdate * 24);
    EXPECT_EQ(hour, 1);
    EXPECT_EQ(d, -99);
    EXPECT_EQ(y, -9999);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(HourSequence, ExtremeArgumentsSaturate) {
    constexpr std::int32_t int32max = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t int32min = std::numeric_limits<std::int32_t>::min();
    std::int32_t h = 0;
    hdmysequence(int32max, 31, 12, 9999, h);
    EXPECT_EQ(h, int32max);
    hdmysequence(int32min, 1, 1, 1, h);
    EXPECT_EQ(h, int32min + 307 * 24 - 1);
    hdmysequence(1, 1, 1, 1000000, h);
    EXPECT_EQ(h, int32max);
    EXPECT_EQ(errorprocess::errorlevel, 0);
    capture();
    hdmysequence(int32min, 1, 1, 0, h);
    (void)captured();
    EXPECT_EQ(h, int32min);
    errorprocess::errorlevel = 0;
    std::int32_t hour = 0, d = 0, m = 0, y = 0;
    sequencehdmy(hour, d, m, y, int32max);
    EXPECT_EQ(hour, int32max % 24 + 1);
    EXPECT_EQ(errorprocess::errorlevel, 0);
    capture();
    sequencehdmy(hour, d, m, y, int32min);
    (void)captured();
    EXPECT_EQ(hour, int32min % 24 + 1);
    EXPECT_EQ(errorprocess::errorlevel, 1);
}

// Every calendar operation, over combinations of extreme 32-bit arguments: the
// sanitizer build turns any overflow or bad index into a failure. The results are
// not the point here; the run must simply be defined and quick.
TEST(CalendarArguments, EveryOperationIsDefinedForExtremeArguments) {
    constexpr std::int32_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t hi = std::numeric_limits<std::int32_t>::max();
    const std::int32_t values[] = {lo, lo + 1, -23999976, missingdate, -25, -1, 0, 1, 4, 5, 12, 13, 28, 31, 32,
                                   2999, 3000, 9999, 730426, 3652365, hi - 1, hi};
    // Every result is used, so that no call can be left out by the optimiser.
    std::int64_t checksum = 0;
    auto use = [&checksum](std::int64_t v) { checksum += v; };
    ::testing::internal::CaptureStdout();
    for (const std::int32_t a : values) {
        for (const std::int32_t b : values) {
            for (const std::int32_t c : values) {
                errorprocess::errorlevel = 0;
                std::int32_t n = 0, h = 0;
                datesequence(a, b, c, n);
                use(n);
                hdmysequence(a, b, c, 1, h);
                use(h);
                hdmysequence(1, a, b, c, h);
                use(h);
                use(dayofyearfromdmy(a, b, c));
                use(qtrmonnumber(a, b, c));
                use(dayofqtrmon(a, b, c));
                use(daysinqtrmon(a, b, c));
                use(endofqtr3(a, b, c));
                use(startofqtr3(a, b, c));
                use(sequencefromymqd(a, b, c, a));
                use(sequencefromymqd(c, 1, a, b));
                use(islastdayofqtrmon(a, b, c));
                use(isfirstdayofqtrmon(a, b, c));
                use(islastdayofmonth(a, b, c));
            }
            errorprocess::errorlevel = 0;
            std::int32_t doy = 0, y = 0, hour = 0, d = 0, m = 0;
            use(daysinmonth(a, b));
            use(juliandaytoseqnum(a, b));
            use(endofqtr2(a, b));
            use(startofqtr2(a, b));
            use(getnumqtrmons(a, b));
            use(getnumweeks(a, b));
            use(getnummonths(a, b));
            use(getnumyears(a, b));
            use(seqnumtojulianday(a, doy, y));
            use(dayofyearfromseq(a));
            use(daysinyear(a));
            use(endofqtr1(a));
            use(startofqtr1(a));
            sequencehdmy(hour, d, m, y, a);
            use(hour);
            for (bool (*adjust)(std::int32_t&) : {adjusttostartofyear, adjusttoendofyear, adjusttostartofmonth,
                                                  adjusttoendofmonth, adjusttostartofqtrmonth, adjusttoendofqtrmonth}) {
                errorprocess::errorlevel = 0;
                std::int32_t s = a;
                use(adjust(s));
                use(s);
            }
            use(static_cast<std::int64_t>(seqtodatestring10(a).size()));
        }
    }
    (void)::testing::internal::GetCapturedStdout();
    errorprocess::errorlevel = 0;
    EXPECT_NE(checksum, 0);
}
