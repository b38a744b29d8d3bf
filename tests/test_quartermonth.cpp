#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "keldautil/keldautil.hpp"
#include "support.hpp"

using namespace keldautil;

namespace {

std::int32_t seqof(std::int32_t d, std::int32_t m, std::int32_t y) {
    std::int32_t n = 0;
    datesequence(d, m, y, n);
    return n;
}

constexpr std::int32_t int32max = std::numeric_limits<std::int32_t>::max();

}  // namespace

class QuarterMonth : public testsupport::ErrorStateTest {};

TEST_F(QuarterMonth, StartsAndEndsForEveryMonthLength) {
    struct Row {
        std::int32_t length;
        std::vector<std::int32_t> starts, ends;
    };
    for (const Row& r : {Row{28, {1, 8, 15, 22}, {7, 14, 21, 28}}, Row{29, {1, 8, 15, 22}, {7, 14, 21, 29}},
                         Row{30, {1, 9, 16, 24}, {8, 15, 23, 30}}, Row{31, {1, 9, 16, 24}, {8, 15, 23, 31}}}) {
        for (std::int32_t q = 1; q <= 4; ++q) {
            const auto i = static_cast<std::size_t>(q - 1);
            EXPECT_EQ(startofqtr2(r.length, q), r.starts[i]) << r.length << " q" << q;
            EXPECT_EQ(endofqtr2(r.length, q), r.ends[i]) << r.length << " q" << q;
        }
    }
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(QuarterMonth, BadLengthOrNumberFails) {
    capture();
    EXPECT_EQ(endofqtr2(27, 1), 0);
    EXPECT_EQ(endofqtr2(31, 0), 0);
    EXPECT_EQ(endofqtr2(31, 5), 0);
    EXPECT_EQ(startofqtr2(30, 0), 0);
    EXPECT_EQ(startofqtr2(30, 5), 0);
    EXPECT_EQ(startofqtr2(32, 1), 0);
    EXPECT_EQ(captured(),
              " Invalid parameter in routine EndOfQtr2(D,Q)\n"
              " Invalid parameter in routine EndOfQtr2(D,Q)\n"
              " Invalid parameter in routine EndOfQtr2(D,Q)\n"
              " Invalid parameter in routine FirstDayOfQtrMon(D,Q)\n"
              " Invalid parameter in routine FirstDayOfQtrMon(D,Q)\n"
              " Invalid parameter in routine FirstDayOfQtrMon(D,Q)\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
}

TEST_F(QuarterMonth, NumberOfADay) {
    EXPECT_EQ(qtrmonnumber(8, 1, 2001), 1);
    EXPECT_EQ(qtrmonnumber(9, 1, 2001), 2);
    EXPECT_EQ(qtrmonnumber(8, 2, 2001), 2);
    EXPECT_EQ(qtrmonnumber(24, 4, 2001), 4);
    EXPECT_EQ(qtrmonnumber(22, 2, 2000), 4);
    EXPECT_EQ(qtrmonnumber(0, 1, 2001), 1);
    EXPECT_EQ(qtrmonnumber(-int32max, 1, 2001), 1);
    // Past the month's end: -1, silently.
    capture();
    EXPECT_EQ(qtrmonnumber(29, 2, 2001), -1);
    EXPECT_EQ(qtrmonnumber(int32max, 1, 2001), -1);
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorprocess::errorlevel, 0);
    capture();
    EXPECT_EQ(qtrmonnumber(1, 13, 2001), -1);
    EXPECT_EQ(captured(), " Bad parameter in routine DaysInMonth\n");
}

TEST_F(QuarterMonth, DayOfQuarterMonthAndLengths) {
    EXPECT_EQ(dayofqtrmon(24, 4, 2001), 1);
    EXPECT_EQ(dayofqtrmon(31, 1, 2001), 8);
    EXPECT_EQ(dayofqtrmon(15, 3, 2001), 7);
    EXPECT_EQ(daysinqtrmon(4, 2, 2000), 8);
    EXPECT_EQ(daysinqtrmon(4, 2, 2001), 7);
    const std::vector<std::int32_t> april = {daysinqtrmon(1, 4, 2001), daysinqtrmon(2, 4, 2001),
                                             daysinqtrmon(3, 4, 2001), daysinqtrmon(4, 4, 2001)};
    EXPECT_EQ(april, (std::vector<std::int32_t>{8, 7, 8, 7}));
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

// The day of the quarter-month is computed from the failure result of
// startofqtr3 (0 here); the caller learns of the failure from errorlevel.
TEST_F(QuarterMonth, DayOfQuarterMonthOfAnInvalidDate) {
    capture();
    EXPECT_EQ(dayofqtrmon(30, 2, 2001), 31);
    EXPECT_EQ(captured(), " Invalid parameter in routine FirstDayOfQtrMon(D,M,Y)\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
    capture();
    EXPECT_EQ(dayofqtrmon(int32max, 1, 2001), int32max);  // saturated
    EXPECT_EQ(dayofqtrmon(5, 1, 2001), 7);      // failure pending: startofqtr3 gives -1
    EXPECT_EQ(captured(), "");
}

TEST_F(QuarterMonth, LengthOfABadQuarterMonthFails) {
    capture();
    EXPECT_EQ(daysinqtrmon(5, 1, 2001), -1);
    EXPECT_EQ(captured(), " Invalid parameter in routine EndOfQtr2(D,Q)\n");
    errorprocess::errorlevel = 0;
    capture();
    EXPECT_EQ(daysinqtrmon(1, 1, 3000), -1);
    EXPECT_EQ(captured(), " Bad parameter in routine DaysInMonth\n");
}

// Over two years, every month's days fall into four consecutive quarter-months
// whose lengths, first and last days and positions all agree.
TEST_F(QuarterMonth, EveryDayOfTwoYearsIsPlacedConsistently) {
    for (std::int32_t y = 2000; y <= 2001; ++y) {
        for (std::int32_t m = 1; m <= 12; ++m) {
            std::int32_t q = 1, pos = 0;
            for (std::int32_t d = 1; d <= daysinmonth(m, y); ++d) {
                if (pos == daysinqtrmon(q, m, y)) {
                    ++q;
                    pos = 0;
                }
                ++pos;
                const std::int32_t len = daysinqtrmon(q, m, y);
                ASSERT_EQ(qtrmonnumber(d, m, y), q) << d << "/" << m << "/" << y;
                ASSERT_EQ(dayofqtrmon(d, m, y), pos);
                ASSERT_EQ(startofqtr3(d, m, y), d - pos + 1);
                ASSERT_EQ(endofqtr3(d, m, y), d - pos + len);
                ASSERT_EQ(startofqtr1(seqof(d, m, y)), d - pos + 1);
                ASSERT_EQ(endofqtr1(seqof(d, m, y)), d - pos + len);
                ASSERT_EQ(isfirstdayofqtrmon(d, m, y), pos == 1);
                ASSERT_EQ(islastdayofqtrmon(d, m, y), pos == len);
                ASSERT_EQ(sequencefromymqd(y, m, q, pos), seqof(d, m, y));
            }
            EXPECT_EQ(q, 4);
            EXPECT_EQ(pos, daysinqtrmon(4, m, y));
        }
    }
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(QuarterMonth, StartAndEndOfADate) {
    EXPECT_EQ(endofqtr3(10, 2, 2000), 14);
    EXPECT_EQ(endofqtr3(22, 2, 2000), 29);
    EXPECT_EQ(startofqtr3(31, 1, 2001), 24);
    EXPECT_EQ(endofqtr1(seqof(29, 2, 2000)), 29);
    EXPECT_EQ(startofqtr1(seqof(16, 12, 2999)), 16);
    EXPECT_EQ(islastdayofqtrmon(29, 2, 2000), true);
    EXPECT_EQ(islastdayofqtrmon(28, 2, 2000), false);
    EXPECT_EQ(isfirstdayofqtrmon(9, 6, 2001), true);
    EXPECT_EQ(isfirstdayofqtrmon(8, 6, 2001), false);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(QuarterMonth, StartAndEndOfAnInvalidDateFail) {
    const std::string endmsg = " Invalid parameter in routine EndOfQtr3(D,M,Y)\n";
    const std::string startmsg = " Invalid parameter in routine FirstDayOfQtrMon(D,M,Y)\n";
    struct Case {
        std::int32_t d, m, y;
    };
    for (const Case& c : {Case{30, 2, 2001}, Case{1, 1, 3000}, Case{0, 1, 2001}, Case{1, 13, 2000},
                          Case{32, 12, 2000}, Case{1, 1, 0}}) {
        errorprocess::errorlevel = 0;
        capture();
        EXPECT_EQ(endofqtr3(c.d, c.m, c.y), 0);
        errorprocess::errorlevel = 0;
        EXPECT_EQ(startofqtr3(c.d, c.m, c.y), 0);
        EXPECT_EQ(captured(), endmsg + startmsg) << c.d << "/" << c.m << "/" << c.y;
    }
}

TEST_F(QuarterMonth, StartAndEndOfASequenceNumberFail) {
    // The missing date converts, then fails as a date.
    capture();
    EXPECT_EQ(startofqtr1(missingdate), 0);
    EXPECT_EQ(captured(), " Invalid parameter in routine FirstDayOfQtrMon(D,M,Y)\n");
    errorprocess::errorlevel = 0;
    capture();
    EXPECT_EQ(endofqtr1(missingdate), 0);
    EXPECT_EQ(captured(), " Invalid parameter in routine EndOfQtr3(D,M,Y)\n");
    errorprocess::errorlevel = 0;
    capture();
    EXPECT_EQ(endofqtr1(-3), -1);
    EXPECT_EQ(captured(), "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-3\n");
    errorprocess::errorlevel = 0;
    capture();
    EXPECT_EQ(islastdayofqtrmon(1, 0, 2000), false);
    EXPECT_EQ(captured(), " Bad parameter in routine DaysInMonth\n");
}

TEST_F(QuarterMonth, SequenceFromQuarterMonthRunsOn) {
    EXPECT_EQ(sequencefromymqd(2001, 1, 2, 1), seqof(9, 1, 2001));
    EXPECT_EQ(sequencefromymqd(2000, 2, 4, 8), seqof(29, 2, 2000));
    EXPECT_EQ(sequencefromymqd(2000, 2, 4, 9), seqof(1, 3, 2000));
    EXPECT_EQ(sequencefromymqd(2001, 1, 5, 1), seqof(1, 2, 2001));  // q 5: after the whole month
    EXPECT_EQ(sequencefromymqd(2001, 1, 1, 0), seqof(31, 12, 2000));
    EXPECT_EQ(sequencefromymqd(2001, 13, 1, 1), seqof(1, 1, 2002));  // month unchecked for q 1
    EXPECT_EQ(sequencefromymqd(2001, 1, -int32max, 5), seqof(5, 1, 2001));
    EXPECT_EQ(sequencefromymqd(2001, 1, std::numeric_limits<std::int32_t>::min(), 5), seqof(5, 1, 2001));
    EXPECT_EQ(sequencefromymqd(2001, 1, 1, int32max), int32max);  // saturated
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(QuarterMonth, SequenceFromQuarterMonthFails) {
    capture();
    EXPECT_EQ(sequencefromymqd(2001, 1, 6, 1), -1);
    EXPECT_EQ(captured(), " Invalid parameter in routine EndOfQtr2(D,Q)\n");
    errorprocess::errorlevel = 0;
    capture();
    EXPECT_EQ(sequencefromymqd(2001, 1, int32max, 1), -1);
    EXPECT_EQ(captured(), " Invalid parameter in routine EndOfQtr2(D,Q)\n");
    errorprocess::errorlevel = 0;
    capture();
    // Each quarter-month before q fails on its own.
    EXPECT_EQ(sequencefromymqd(2001, 13, 3, 1), -1);
    EXPECT_EQ(captured(),
              " Bad parameter in routine DaysInMonth\n"
              " Bad parameter in routine DaysInMonth\n");
    errorprocess::errorlevel = 0;
    capture();
    EXPECT_EQ(sequencefromymqd(0, 1, 1, 1), -1);
    EXPECT_EQ(captured(), "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=01/01/   0\n");
}

TEST_F(QuarterMonth, CountOfWholeQuarterMonths) {
    struct Span {
        std::int32_t d1, m1, y1, d2, m2, y2, count;
    };
    for (const Span& s : {Span{1, 1, 2001, 31, 1, 2001, 4}, Span{2, 1, 2001, 31, 1, 2001, 3},
                          Span{1, 1, 2001, 30, 1, 2001, 3}, Span{1, 1, 2001, 31, 12, 2001, 48},
                          Span{9, 1, 2001, 15, 1, 2001, 1}, Span{5, 1, 2001, 12, 1, 2001, 0},
                          Span{3, 1, 2001, 5, 1, 2001, -1}, Span{22, 2, 2000, 8, 3, 2000, 2},
                          Span{1, 1, 2001, 31, 12, 2000, 0}, Span{1, 1, 1, 31, 12, 2999, 4 * 12 * 2999}}) {
        EXPECT_EQ(getnumqtrmons(seqof(s.d1, s.m1, s.y1), seqof(s.d2, s.m2, s.y2)), s.count)
            << s.d1 << "/" << s.m1 << "/" << s.y1 << " to " << s.d2 << "/" << s.m2 << "/" << s.y2;
    }
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(QuarterMonth, CountOfWholeQuarterMonthsFails) {
    capture();
    EXPECT_EQ(getnumqtrmons(-1, seqof(1, 1, 2001)), -1);
    EXPECT_EQ(captured(), "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-1\n");
    errorprocess::errorlevel = 0;
    capture();
    // 31 December 2999 starts nothing: the next quarter-month is in year 3000.
    EXPECT_EQ(getnumqtrmons(seqof(31, 12, 2999), seqof(31, 12, 2999)), -1);
    EXPECT_EQ(captured(), " Bad parameter in routine DaysInMonth\n");
    errorprocess::errorlevel = 0;
    capture();
    EXPECT_EQ(getnumqtrmons(seqof(1, 1, 2001), missingdate), -1);
    EXPECT_EQ(captured(), " Invalid parameter in routine EndOfQtr3(D,M,Y)\n");
}

TEST_F(QuarterMonth, AdjustToQuarterMonthBoundaries) {
    std::int32_t n = seqof(10, 2, 2000);
    EXPECT_TRUE(adjusttoendofqtrmonth(n));
    EXPECT_EQ(n, seqof(14, 2, 2000));
    n = seqof(22, 2, 2000);
    EXPECT_TRUE(adjusttoendofqtrmonth(n));
    EXPECT_EQ(n, seqof(29, 2, 2000));
    n = seqof(31, 1, 2001);
    EXPECT_TRUE(adjusttostartofqtrmonth(n));
    EXPECT_EQ(n, seqof(24, 1, 2001));
    n = seqof(24, 1, 2001);
    EXPECT_TRUE(adjusttostartofqtrmonth(n));
    EXPECT_EQ(n, seqof(24, 1, 2001));
    EXPECT_EQ(errorprocess::errorlevel, 0);

    n = missingdate;
    capture();
    EXPECT_FALSE(adjusttoendofqtrmonth(n));
    EXPECT_EQ(captured(), " Invalid parameter in routine EndOfQtr3(D,M,Y)\n");
    EXPECT_EQ(n, missingdate);
    n = -4;
    EXPECT_FALSE(adjusttostartofqtrmonth(n));
    EXPECT_EQ(n, -4);
}

// errorlevel is never cleared in a run: a pending failure makes the operations
// that test it give their failure results, silently. endofqtr2 and startofqtr2
// call nothing and keep working.
TEST_F(QuarterMonth, PendingFailureGivesFailureResults) {
    errorprocess::errorlevel = 1;
    std::int32_t n = seqof(10, 2, 2000);
    const std::int32_t before = n;
    capture();
    EXPECT_EQ(endofqtr2(31, 4), 31);
    EXPECT_EQ(startofqtr2(30, 4), 24);
    EXPECT_EQ(endofqtr3(1, 1, 2001), -1);
    EXPECT_EQ(startofqtr3(1, 1, 2001), -1);
    EXPECT_EQ(endofqtr1(before), -1);
    EXPECT_EQ(qtrmonnumber(1, 1, 2001), -1);
    EXPECT_EQ(daysinqtrmon(1, 1, 2001), -1);
    EXPECT_FALSE(islastdayofqtrmon(8, 1, 2001));
    EXPECT_FALSE(isfirstdayofqtrmon(1, 1, 2001));
    EXPECT_EQ(sequencefromymqd(2001, 1, 1, 1), -1);
    EXPECT_EQ(getnumqtrmons(seqof(1, 1, 2001), seqof(31, 1, 2001)), -1);
    EXPECT_FALSE(adjusttoendofqtrmonth(n));
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(n, before);
}
