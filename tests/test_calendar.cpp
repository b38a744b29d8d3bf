#include <gtest/gtest.h>

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
