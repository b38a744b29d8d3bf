#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <utility>

#include "calendar_support.hpp"
#include "keldautil/keldautil.hpp"
#include "support.hpp"

using namespace keldautil;
using testsupport::hi;
using testsupport::lo;
using testsupport::printed;
using testsupport::seqof;

namespace {

const std::string end3 = " Invalid parameter in routine EndOfQtr3(D,M,Y)\n";
const std::string start3 = " Invalid parameter in routine FirstDayOfQtrMon(D,M,Y)\n";

}  // namespace

class QuarterMonth : public testsupport::ErrorStateTest {};

TEST_F(QuarterMonth, StartsAndEndsForEveryMonthLength) {
    using Four = std::array<std::int32_t, 4>;
    for (auto [length, starts, ends] : {std::tuple{28, Four{1, 8, 15, 22}, Four{7, 14, 21, 28}},
                                        std::tuple{29, Four{1, 8, 15, 22}, Four{7, 14, 21, 29}},
                                        std::tuple{30, Four{1, 9, 16, 24}, Four{8, 15, 23, 30}},
                                        std::tuple{31, Four{1, 9, 16, 24}, Four{8, 15, 23, 31}}}) {
        for (std::int32_t q = 1; q <= 4; ++q) {
            EXPECT_EQ(startofqtr2(length, q), starts[static_cast<std::size_t>(q - 1)]) << length << " q" << q;
            EXPECT_EQ(endofqtr2(length, q), ends[static_cast<std::size_t>(q - 1)]) << length << " q" << q;
        }
    }
    EXPECT_EQ(daysinqtrmon(4, 2, 2000), 8);
    EXPECT_EQ(daysinqtrmon(4, 2, 2001), 7);
    EXPECT_EQ(errorprocess::errorlevel, 0);
    for (auto [length, q] : {std::pair{27, 1}, {31, 0}, {31, 5}, {32, 1}}) {
        EXPECT_EQ(printed([length = length, q = q] { EXPECT_EQ(endofqtr2(length, q), 0); }),
                  " Invalid parameter in routine EndOfQtr2(D,Q)\n");
    }
    for (auto [length, q] : {std::pair{30, 0}, {30, 5}, {lo, hi}}) {
        EXPECT_EQ(printed([length = length, q = q] { EXPECT_EQ(startofqtr2(length, q), 0); }),
                  " Invalid parameter in routine FirstDayOfQtrMon(D,Q)\n");
    }
}

// Over every year of the calendar (1 to 2999, as the month lengths), each
// month's days fall into four consecutive quarter-months on whose lengths,
// bounds and positions every operation agrees.
TEST_F(QuarterMonth, EveryDayOfTheCalendarIsPlacedConsistently) {
    for (std::int32_t y = 1; y <= 2999; ++y) {
        for (std::int32_t m = 1; m <= 12; ++m) {
            std::int32_t q = 1, pos = 0;
            for (std::int32_t d = 1; d <= daysinmonth(m, y); ++d) {
                if (pos == daysinqtrmon(q, m, y)) ++q, pos = 0;
                ++pos;
                const std::int32_t len = daysinqtrmon(q, m, y), n = seqof(d, m, y);
                ASSERT_EQ(qtrmonnumber(d, m, y), q) << d << "/" << m << "/" << y;
                ASSERT_EQ(dayofqtrmon(d, m, y), pos);
                ASSERT_EQ(startofqtr3(d, m, y), d - pos + 1);
                ASSERT_EQ(endofqtr3(d, m, y), d - pos + len);
                ASSERT_EQ(startofqtr1(n), d - pos + 1);
                ASSERT_EQ(endofqtr1(n), d - pos + len);
                ASSERT_EQ(isfirstdayofqtrmon(d, m, y), pos == 1);
                ASSERT_EQ(islastdayofqtrmon(d, m, y), pos == len);
                ASSERT_EQ(sequencefromymqd(y, m, q, pos), n);
            }
            EXPECT_EQ(q, 4);
            EXPECT_EQ(pos, daysinqtrmon(4, m, y));
        }
    }
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(QuarterMonth, DaysOutsideTheMonth) {
    EXPECT_EQ(qtrmonnumber(8, 2, 2001), 2);
    EXPECT_EQ(qtrmonnumber(0, 1, 2001), 1);
    EXPECT_EQ(qtrmonnumber(lo, 1, 2001), 1);
    // Past the month's end: -1, silently.
    EXPECT_EQ(printed([] { EXPECT_EQ(qtrmonnumber(29, 2, 2001), -1); }), "");
    EXPECT_EQ(printed([] { EXPECT_EQ(qtrmonnumber(hi, 1, 2001), -1); }), "");
    EXPECT_EQ(errorprocess::errorlevel, 0);
    EXPECT_EQ(printed([] { EXPECT_EQ(qtrmonnumber(1, 13, 2001), -1); }), " Bad parameter in routine DaysInMonth\n");
    // Computed from startofqtr3's failure result 0, or -1 with a failure pending.
    EXPECT_EQ(printed([] { EXPECT_EQ(dayofqtrmon(30, 2, 2001), 31); }), start3);
    EXPECT_EQ(dayofqtrmon(5, 1, 2001), 7);
    EXPECT_EQ(dayofqtrmon(hi, 1, 2001), hi);  // saturated
    EXPECT_EQ(printed([] { EXPECT_EQ(daysinqtrmon(5, 1, 2001), -1); }),
              " Invalid parameter in routine EndOfQtr2(D,Q)\n");
    EXPECT_EQ(printed([] { EXPECT_FALSE(islastdayofqtrmon(1, 0, 2000)); }), " Bad parameter in routine DaysInMonth\n");
}

TEST_F(QuarterMonth, StartAndEndOfAnInvalidDateFail) {
    for (auto [d, m, y] : {std::tuple{30, 2, 2001}, {1, 1, 3000}, {0, 1, 2001}, {1, 13, 2000}, {32, 12, 2000}}) {
        EXPECT_EQ(printed([d = d, m = m, y = y] { EXPECT_EQ(endofqtr3(d, m, y), 0); }), end3);
        EXPECT_EQ(printed([d = d, m = m, y = y] { EXPECT_EQ(startofqtr3(d, m, y), 0); }), start3);
    }
    // The missing date converts, then fails as a date; a negative number does not convert.
    EXPECT_EQ(printed([] { EXPECT_EQ(startofqtr1(missingdate), 0); }), start3);
    EXPECT_EQ(printed([] { EXPECT_EQ(endofqtr1(missingdate), 0); }), end3);
    EXPECT_EQ(printed([] { EXPECT_EQ(endofqtr1(-3), -1); }),
              "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-3\n");
}

TEST_F(QuarterMonth, SequenceFromQuarterMonthRunsOn) {
    EXPECT_EQ(sequencefromymqd(2000, 2, 4, 9), seqof(1, 3, 2000));
    EXPECT_EQ(sequencefromymqd(2001, 1, 5, 1), seqof(1, 2, 2001));  // q 5: after the whole month
    EXPECT_EQ(sequencefromymqd(2001, 1, 1, 0), seqof(31, 12, 2000));
    EXPECT_EQ(sequencefromymqd(2001, 13, 1, 1), seqof(1, 1, 2002));  // month unchecked for q 1
    EXPECT_EQ(sequencefromymqd(2001, 1, lo, 5), seqof(5, 1, 2001));
    EXPECT_EQ(sequencefromymqd(2001, 1, 1, hi), hi);  // saturated
    EXPECT_EQ(errorprocess::errorlevel, 0);
    const std::string end2 = " Invalid parameter in routine EndOfQtr2(D,Q)\n";
    EXPECT_EQ(printed([] { EXPECT_EQ(sequencefromymqd(2001, 1, 6, 1), -1); }), end2);
    EXPECT_EQ(printed([] { EXPECT_EQ(sequencefromymqd(2001, 1, hi, 1), -1); }), end2);
    // Each quarter-month before q fails on its own.
    EXPECT_EQ(printed([] { EXPECT_EQ(sequencefromymqd(2001, 13, 3, 1), -1); }),
              " Bad parameter in routine DaysInMonth\n Bad parameter in routine DaysInMonth\n");
}

TEST_F(QuarterMonth, CountOfWholeQuarterMonths) {
    struct spancase {
        std::int32_t d1, m1, y1, d2, m2, y2, count;
    };
    for (const spancase& s : {spancase{1, 1, 2001, 31, 1, 2001, 4}, spancase{2, 1, 2001, 31, 1, 2001, 3},
                              spancase{1, 1, 2001, 30, 1, 2001, 3}, spancase{1, 1, 2001, 31, 12, 2001, 48},
                              spancase{9, 1, 2001, 15, 1, 2001, 1}, spancase{5, 1, 2001, 12, 1, 2001, 0},
                              spancase{3, 1, 2001, 5, 1, 2001, -1}, spancase{22, 2, 2000, 8, 3, 2000, 2},
                              spancase{1, 1, 1, 31, 12, 2999, 4 * 12 * 2999}}) {
        EXPECT_EQ(getnumqtrmons(seqof(s.d1, s.m1, s.y1), seqof(s.d2, s.m2, s.y2)), s.count)
            << s.d1 << "/" << s.m1 << "/" << s.y1 << " to " << s.d2 << "/" << s.m2 << "/" << s.y2;
    }
    EXPECT_EQ(errorprocess::errorlevel, 0);
    // 31 December 2999 starts nothing: the next quarter-month is in year 3000.
    EXPECT_EQ(printed([] { EXPECT_EQ(getnumqtrmons(seqof(31, 12, 2999), seqof(31, 12, 2999)), -1); }),
              " Bad parameter in routine DaysInMonth\n");
    EXPECT_EQ(printed([] { EXPECT_EQ(getnumqtrmons(seqof(1, 1, 2001), missingdate), -1); }), end3);
}

TEST_F(QuarterMonth, AdjustToQuarterMonthBounds) {
    for (auto [adjust, from, to] : {std::tuple{&adjusttoendofqtrmonth, seqof(10, 2, 2000), seqof(14, 2, 2000)},
                                    std::tuple{&adjusttoendofqtrmonth, seqof(22, 2, 2000), seqof(29, 2, 2000)},
                                    std::tuple{&adjusttostartofqtrmonth, seqof(31, 1, 2001), seqof(24, 1, 2001)},
                                    std::tuple{&adjusttostartofqtrmonth, seqof(24, 1, 2001), seqof(24, 1, 2001)}}) {
        std::int32_t n = from;
        EXPECT_TRUE(adjust(n));
        EXPECT_EQ(n, to);
    }
    std::int32_t n = missingdate;
    EXPECT_EQ(printed([&] { EXPECT_FALSE(adjusttoendofqtrmonth(n)); }), end3);
    EXPECT_EQ(n, missingdate);
}

// A pending failure makes the operations that test errorlevel give their
// failure results, silently; endofqtr2 and startofqtr2 call nothing and work on.
TEST_F(QuarterMonth, PendingFailureGivesFailureResults) {
    errorprocess::errorlevel = 1;
    std::int32_t n = seqof(10, 2, 2000);
    const std::int32_t before = n;
    capture();
    EXPECT_EQ(endofqtr2(31, 4), 31);
    EXPECT_EQ(startofqtr2(30, 4), 24);
    EXPECT_EQ(endofqtr3(1, 1, 2001), -1);
    EXPECT_EQ(startofqtr1(before), -1);
    EXPECT_EQ(qtrmonnumber(1, 1, 2001), -1);
    EXPECT_EQ(daysinqtrmon(1, 1, 2001), -1);
    EXPECT_FALSE(isfirstdayofqtrmon(1, 1, 2001));
    EXPECT_EQ(sequencefromymqd(2001, 1, 1, 1), -1);
    EXPECT_EQ(getnumqtrmons(seqof(1, 1, 2001), seqof(31, 1, 2001)), -1);
    EXPECT_FALSE(adjusttoendofqtrmonth(n));
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(n, before);
}
