#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <limits>
#include <random>
#include <string>
#include <string_view>

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
constexpr std::int32_t int32min = std::numeric_limits<std::int32_t>::min();

}  // namespace

class Adjustment : public testsupport::ErrorStateTest {};

TEST_F(Adjustment, MovesToStartAndEndOfMonthAndYear) {
    struct Case {
        bool (*adjust)(std::int32_t&);
        std::int32_t from, to;
    };
    for (const Case& c : {Case{adjusttoendofmonth, seqof(15, 2, 2000), seqof(29, 2, 2000)},
                          Case{adjusttoendofmonth, seqof(10, 12, 2001), seqof(31, 12, 2001)},
                          Case{adjusttoendofmonth, seqof(28, 2, 2001), seqof(28, 2, 2001)},
                          Case{adjusttostartofmonth, seqof(31, 3, 2001), seqof(1, 3, 2001)},
                          Case{adjusttostartofyear, seqof(15, 6, 2001), seqof(1, 1, 2001)},
                          Case{adjusttoendofyear, seqof(15, 6, 2001), seqof(31, 12, 2001)},
                          Case{adjusttoendofyear, seqof(1, 1, 2000), seqof(31, 12, 2000)}}) {
        std::int32_t n = c.from;
        EXPECT_TRUE(c.adjust(n));
        EXPECT_EQ(n, c.to) << "from " << c.from;
    }
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(Adjustment, EveryDayOfTwoYearsReachesItsMonthBounds) {
    for (std::int32_t n = seqof(1, 1, 2000); n <= seqof(31, 12, 2001); ++n) {
        std::int32_t start = n, end = n;
        ASSERT_TRUE(adjusttostartofmonth(start));
        ASSERT_TRUE(adjusttoendofmonth(end));
        std::int32_t d = 0, m = 0, y = 0;
        sequencedate(d, m, y, end);
        ASSERT_TRUE(islastdayofmonth(d, m, y));
        ASSERT_EQ(end - start + 1, daysinmonth(m, y));
        ASSERT_LE(start, n);
        ASSERT_GE(end, n);
    }
}

TEST_F(Adjustment, MissingDateFailsInDateSequence) {
    struct Case {
        bool (*adjust)(std::int32_t&);
        const char* date;
    };
    for (const Case& c : {Case{adjusttostartofyear, "01/01/****"}, Case{adjusttoendofyear, "12/31/****"},
                          Case{adjusttostartofmonth, "**/01/****"}, Case{adjusttoendofmonth, "**/01/****"}}) {
        errorprocess::errorlevel = 0;
        std::int32_t n = missingdate;
        capture();
        EXPECT_FALSE(c.adjust(n));
        EXPECT_EQ(captured(), std::string("  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=") + c.date + "\n");
        EXPECT_EQ(n, missingdate);
    }
}

TEST_F(Adjustment, FailuresLeaveOrMarkTheNumber) {
    // A negative number does not convert and stays as it was.
    std::int32_t n = -3;
    capture();
    EXPECT_FALSE(adjusttoendofyear(n));
    EXPECT_EQ(captured(), "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-3\n");
    EXPECT_EQ(n, -3);
    // A day of year 0 converts, then its new date fails: the number is marked missing.
    errorprocess::errorlevel = 0;
    n = 100;
    capture();
    EXPECT_FALSE(adjusttostartofmonth(n));
    EXPECT_EQ(captured(), "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=06/01/   0\n");
    EXPECT_EQ(n, missingdate);
    // A failure pending on entry: nothing moves, nothing is printed.
    n = seqof(15, 6, 2001);
    capture();
    EXPECT_FALSE(adjusttostartofyear(n));
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(n, seqof(15, 6, 2001));
}

TEST_F(Adjustment, NumbersNearTheTopSaturate) {
    std::int32_t n = int32max;
    EXPECT_TRUE(adjusttoendofyear(n));
    EXPECT_EQ(n, int32max);
    n = int32max;
    EXPECT_TRUE(adjusttoendofmonth(n));
    EXPECT_GE(n, int32max - 31);
    n = int32max;
    EXPECT_TRUE(adjusttostartofyear(n));
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

class PeriodCount : public testsupport::ErrorStateTest {};

TEST_F(PeriodCount, Weeks) {
    const std::int32_t n = seqof(1, 1, 2001);
    EXPECT_EQ(getnumweeks(n, n + 6), 1);
    EXPECT_EQ(getnumweeks(n, n + 5), 0);
    EXPECT_EQ(getnumweeks(n, n + 13), 2);
    EXPECT_EQ(getnumweeks(n, n + 20), 3);
    EXPECT_EQ(getnumweeks(n, n - 10), 0);
    EXPECT_EQ(getnumweeks(int32min, int32max), 613566756);  // 2^32 days
    EXPECT_EQ(getnumweeks(int32max, int32min), 0);
    EXPECT_EQ(getnumweeks(-5, 1), 1);  // never fails
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(PeriodCount, Months) {
    EXPECT_EQ(getnummonths(seqof(1, 1, 2001), seqof(31, 1, 2001)), 1);
    EXPECT_EQ(getnummonths(seqof(2, 1, 2001), seqof(28, 2, 2001)), 1);
    EXPECT_EQ(getnummonths(seqof(1, 1, 2001), seqof(31, 12, 2001)), 12);
    EXPECT_EQ(getnummonths(seqof(15, 1, 2001), seqof(20, 1, 2001)), -1);
    EXPECT_EQ(getnummonths(seqof(1, 2, 2000), seqof(29, 2, 2000)), 1);
    EXPECT_EQ(getnummonths(seqof(1, 2, 2000), seqof(28, 2, 2000)), 0);
    EXPECT_EQ(getnummonths(seqof(1, 12, 1999), seqof(31, 1, 2000)), 2);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(PeriodCount, Years) {
    EXPECT_EQ(getnumyears(seqof(1, 1, 2001), seqof(31, 12, 2001)), 1);
    EXPECT_EQ(getnumyears(seqof(2, 1, 2001), seqof(31, 12, 2003)), 2);
    EXPECT_EQ(getnumyears(seqof(1, 1, 2001), seqof(30, 12, 2001)), 0);
    EXPECT_EQ(getnumyears(seqof(1, 1, 2001), seqof(31, 12, 2000)), 0);
    EXPECT_EQ(getnumyears(307, int32max), 5879609);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(PeriodCount, FailuresGiveMinusOne) {
    capture();
    EXPECT_EQ(getnummonths(-1, seqof(1, 1, 2001)), -1);
    errorprocess::errorlevel = 0;
    EXPECT_EQ(getnumyears(seqof(1, 1, 2001), -2), -1);
    errorprocess::errorlevel = 0;
    // The missing date converts, then fails in daysinmonth.
    EXPECT_EQ(getnummonths(seqof(1, 1, 2001), missingdate), -1);
    EXPECT_EQ(captured(),
              "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-1\n"
              "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-2\n"
              " Bad parameter in routine DaysInMonth\n");
    capture();
    EXPECT_EQ(getnummonths(seqof(1, 1, 2001), seqof(31, 1, 2001)), -1);
    EXPECT_EQ(getnumyears(seqof(1, 1, 2001), seqof(31, 12, 2001)), -1);
    EXPECT_FALSE(islastdayofmonth(31, 1, 2001));
    EXPECT_EQ(captured(), "");
}

TEST_F(PeriodCount, LastDayOfMonth) {
    EXPECT_TRUE(islastdayofmonth(29, 2, 2000));
    EXPECT_TRUE(islastdayofmonth(28, 2, 2001));
    EXPECT_FALSE(islastdayofmonth(28, 2, 2000));
    EXPECT_TRUE(islastdayofmonth(31, 12, 2999));
    EXPECT_EQ(errorprocess::errorlevel, 0);
    capture();
    EXPECT_FALSE(islastdayofmonth(31, 12, 3000));
    EXPECT_EQ(captured(), " Bad parameter in routine DaysInMonth\n");
}

class DateText : public testsupport::ErrorStateTest {};

TEST_F(DateText, MonthDayYear) {
    EXPECT_EQ(datestringmdytoseq("02/29/2000"), 730485);
    EXPECT_EQ(datestringmdytoseq("1/1/2000"), 730426);
    EXPECT_EQ(datestringmdytoseq(" 1/ 1/2000"), 730426);
    EXPECT_EQ(datestringmdytoseq("12/31/2999"), 1095668);
    EXPECT_EQ(datestringmdytoseq("01/01/1000"), 365184);
    EXPECT_EQ(datestringmdytoseq("01/01/2000/12"), 730426);  // a slash ends the year
    EXPECT_EQ(datestringmdytoseq("01/01/2000      "), 730426);
    EXPECT_EQ(datestringmdytoseq("+1/01/+2000"), 730426);
    EXPECT_EQ(datestringmdytoseq("1 x/1,y/2000 z"), 730426);  // what follows a number is ignored
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(DateText, MalformedOrImpossibleMonthDayYearGivesMinusOne) {
    capture();
    for (const std::string_view text :
         {"2/29/2001", "13/01/2000", "0/01/2000", "01/01/0999", "01/01/3000", "01-01-2000", "01//2000", "/01/2000",
          "01/01/", "01/00/2000", "-1/01/2000", "01/-1/2000", "", "/", "//", "///", "1/1", "a/b/c", "01/01/20x0",
          "1x/01/2000", "01/01/+", "01/01/-", "+/01/2000", "01/01/ ,2000", "4294967297/01/2000",
          "01/01/99999999999999999999999", "01/4294967298/2000", "01/32/2000", "4/31/2001"}) {
        EXPECT_EQ(datestringmdytoseq(text), -1) << "'" << text << "'";
    }
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

// Each field is seen through 50 characters: the month field, and the rest of the
// text after the first slash.
TEST_F(DateText, FieldsAreSeenThroughFiftyCharacters) {
    const std::string pad49(49, ' ');
    EXPECT_EQ(datestringmdytoseq(pad49 + "1/01/2000"), 730426);
    EXPECT_EQ(datestringmdytoseq(pad49 + " 1/01/2000"), -1);
    EXPECT_EQ(datestringmdytoseq("01/01/" + std::string(43, ' ') + "2000"), 730426);
    EXPECT_EQ(datestringmdytoseq("01/01/" + std::string(44, ' ') + "2000"), -1);  // reads 200
    EXPECT_EQ(datestringmdytoseq("01/" + std::string(48, ' ') + "/2000"), -1);   // second slash unseen
    EXPECT_EQ(datestringmdytoseq(std::string(100000, '7')), -1);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(DateText, MonthDayHourYear) {
    EXPECT_EQ(datestringmdhytoseq("01/01/01/2000"), 17530224);
    EXPECT_EQ(datestringmdhytoseq("01/01/24/2000"), 17530247);
    EXPECT_EQ(datestringmdhytoseq(" 2/29/ 5/2000 "), seqof(29, 2, 2000) * 24 + 4);
    capture();
    for (const std::string_view text : {"01/01/00/2000", "01/01/25/2000", "01/01/2000", "01/01/01/0", "02/30/01/2000",
                                        "13/01/01/2000", "01/01//2000", "01/01/1/10000", "", "x/y/z/w"}) {
        EXPECT_EQ(datestringmdhytoseq(text), -1) << "'" << text << "'";
    }
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(DateText, MonthDayHourYearBeyond2999FailsInDaysInMonth) {
    capture();
    EXPECT_EQ(datestringmdhytoseq("01/01/01/3000"), -1);
    EXPECT_EQ(captured(), " Bad parameter in routine DaysInMonth\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
}

TEST_F(DateText, TenCharacters) {
    EXPECT_EQ(datestring10toseq("12/31/2000"), seqof(31, 12, 2000));
    EXPECT_EQ(datestring10toseq("12/31/2000999"), seqof(31, 12, 2000));
    EXPECT_EQ(datestring10toseq("1/2/2000 junk"), seqof(2, 1, 2000));
    EXPECT_EQ(datestring10toseq("12/31/20"), -1);
}

TEST_F(DateText, FromSequenceNumber) {
    EXPECT_EQ(seqtodatestring10(730485), "02/29/2000");
    EXPECT_EQ(seqtodatestring10(1), "03/01/0000");
    EXPECT_EQ(seqtodatestring10(0), "03/00/0000");
    EXPECT_EQ(seqtodatestring10(3652365), "12/31/9999");
    EXPECT_EQ(seqtodatestring10(3652366), "01/01/****");
    EXPECT_EQ(seqtodatestring10(missingdate), "**/**/****");
    EXPECT_EQ(errorprocess::errorlevel, 0);
    capture();
    EXPECT_EQ(seqtodatestring10(-5), "          ");
    EXPECT_EQ(captured(), "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-5\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
}

TEST_F(DateText, RoundTripThroughText) {
    for (std::int32_t n = seqof(1, 1, 1000); n <= seqof(31, 12, 2999); n += 11) {
        ASSERT_EQ(datestring10toseq(seqtodatestring10(n)), n);
    }
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

// Texts of any content never crash; those that read give dates of the allowed
// years.
TEST_F(DateText, ArbitraryTextsAreHarmless) {
    std::mt19937 random(20240630);
    const std::string_view alphabet = "0123456789//// +-,x";
    std::uniform_int_distribution<std::size_t> length(0, 70), pick(0, alphabet.size() - 1);
    const std::int32_t lowest = seqof(1, 1, 1000), highest = seqof(31, 12, 2999);
    for (int i = 0; i < 20000; ++i) {
        std::string text(length(random), ' ');
        for (char& c : text) c = alphabet[pick(random)];
        const std::int32_t n = datestringmdytoseq(text);
        ASSERT_TRUE(n == -1 || (n >= lowest && n <= highest)) << "'" << text << "' gave " << n;
    }
    EXPECT_EQ(errorprocess::errorlevel, 0);
    // The hour form may raise the DaysInMonth failure (years 3000 to 9999).
    capture();
    for (int i = 0; i < 20000; ++i) {
        std::string text(length(random), ' ');
        for (char& c : text) c = alphabet[pick(random)];
        errorprocess::errorlevel = 0;
        const std::int32_t h = datestringmdhytoseq(text);
        ASSERT_TRUE(h == -1 || (h >= seqof(1, 1, 1) * 24 && h < (highest + 1) * 24)) << "'" << text << "' gave " << h;
    }
    (void)captured();
}

class TodaysDate : public testsupport::ErrorStateTest {};

TEST_F(TodaysDate, FillsTextsLongEnough) {
    auto today = [] {
        const std::time_t now = std::time(nullptr);
        std::tm t{};
        localtime_r(&now, &t);
        char buf[16];
        std::strftime(buf, sizeof buf, "%m/%d/%Y", &t);
        return std::string(buf);
    };
    const std::string before = today();
    std::string date(12, 'x'), time(8, 'x');
    gettodaysdatetime(date, time);
    const std::string after = today();
    ASSERT_EQ(date.size(), 12U);
    ASSERT_EQ(time.size(), 8U);
    EXPECT_TRUE(date.substr(0, 10) == before || date.substr(0, 10) == after) << date;
    EXPECT_EQ(date.substr(10), "  ");
    EXPECT_EQ(time.substr(5), "   ");
    EXPECT_EQ(time[2], ':');
    const int hh = std::stoi(time.substr(0, 2)), mm = std::stoi(time.substr(3, 2));
    EXPECT_TRUE(hh >= 0 && hh <= 23 && mm >= 0 && mm <= 59) << time;
    EXPECT_EQ(datestring10toseq(date) > 0, true);
}

TEST_F(TodaysDate, ShortTextsStayBlank) {
    std::string date(8, 'x'), time(4, 'x');
    gettodaysdatetime(date, time);
    EXPECT_EQ(date, "        ");
    EXPECT_EQ(time, "    ");
    std::string exact(10, 'x'), exacttime(5, 'x'), empty;
    gettodaysdatetime(exact, exacttime);
    EXPECT_EQ(exact.find(' '), std::string::npos);
    EXPECT_EQ(exacttime.find(' '), std::string::npos);
    gettodaysdatetime(empty, empty);
    EXPECT_TRUE(empty.empty());
}
