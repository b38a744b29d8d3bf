#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <limits>
#include <random>
#include <string>
#include <string_view>
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

const std::string yearless = "  DateSequence: Year .LE. BaseYear   MM/DD/YYYY=";

}  // namespace

class PeriodOps : public testsupport::ErrorStateTest {};

TEST_F(PeriodOps, Adjustments) {
    for (auto [adjust, from, to] : {std::tuple{&adjusttoendofmonth, seqof(15, 2, 2000), seqof(29, 2, 2000)},
                                    std::tuple{&adjusttoendofmonth, seqof(10, 12, 2001), seqof(31, 12, 2001)},
                                    std::tuple{&adjusttostartofmonth, seqof(31, 3, 2001), seqof(1, 3, 2001)},
                                    std::tuple{&adjusttostartofyear, seqof(15, 6, 2001), seqof(1, 1, 2001)},
                                    std::tuple{&adjusttoendofyear, seqof(15, 6, 2001), seqof(31, 12, 2001)},
                                    std::tuple{&adjusttoendofyear, hi, hi}}) {  // saturated
        std::int32_t n = from;
        EXPECT_TRUE(adjust(n));
        EXPECT_EQ(n, to) << "from " << from;
    }
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(PeriodOps, AdjustmentFailures) {
    // The missing date converts to -99, -99, -9999 and fails in datesequence.
    for (auto [adjust, date] : {std::tuple{&adjusttostartofyear, "01/01/****"},
                                {&adjusttoendofyear, "12/31/****"},
                                {&adjusttostartofmonth, "**/01/****"},
                                {&adjusttoendofmonth, "**/01/****"}}) {
        std::int32_t n = missingdate;
        EXPECT_EQ(printed([&n, adjust = adjust] { EXPECT_FALSE(adjust(n)); }), yearless + date + "\n");
        EXPECT_EQ(n, missingdate);
    }
    std::int32_t n = -3;  // does not convert: left alone
    EXPECT_EQ(printed([&] { EXPECT_FALSE(adjusttoendofyear(n)); }),
              "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-3\n");
    EXPECT_EQ(n, -3);
    n = 100;  // year 0 converts, its new date fails: marked missing
    EXPECT_EQ(printed([&] { EXPECT_FALSE(adjusttostartofmonth(n)); }), yearless + "06/01/   0\n");
    EXPECT_EQ(n, missingdate);
}

TEST_F(PeriodOps, Counts) {
    const std::int32_t n = seqof(1, 1, 2001);
    EXPECT_EQ(getnumweeks(n, n + 6), 1);
    EXPECT_EQ(getnumweeks(n, n + 5), 0);
    EXPECT_EQ(getnumweeks(n, n + 13), 2);
    EXPECT_EQ(getnumweeks(n, n - 10), 0);
    EXPECT_EQ(getnumweeks(lo, hi), 613566756);  // 2^32 days
    struct spancase {
        std::int32_t d1, m1, y1, d2, m2, y2, months, years;
    };
    for (const spancase& s : {spancase{1, 1, 2001, 31, 1, 2001, 1, 0}, spancase{2, 1, 2001, 28, 2, 2001, 1, -1},
                              spancase{1, 1, 2001, 31, 12, 2001, 12, 1}, spancase{15, 1, 2001, 20, 1, 2001, -1, -1},
                              spancase{2, 1, 2001, 31, 12, 2003, 35, 2}, spancase{1, 1, 2001, 30, 12, 2001, 11, 0},
                              spancase{1, 2, 2000, 29, 2, 2000, 1, -1}}) {
        const std::int32_t first = seqof(s.d1, s.m1, s.y1), last = seqof(s.d2, s.m2, s.y2);
        EXPECT_EQ(getnummonths(first, last), s.months) << s.d1 << "/" << s.m1 << " to " << s.d2 << "/" << s.m2;
        EXPECT_EQ(getnumyears(first, last), s.years) << s.d1 << "/" << s.m1 << " to " << s.d2 << "/" << s.m2;
    }
    EXPECT_TRUE(islastdayofmonth(29, 2, 2000));
    EXPECT_TRUE(islastdayofmonth(28, 2, 2001));
    EXPECT_FALSE(islastdayofmonth(28, 2, 2000));
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(PeriodOps, CountFailures) {
    EXPECT_EQ(printed([] { EXPECT_EQ(getnummonths(-1, 730426), -1); }),
              "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-1\n");
    EXPECT_EQ(printed([] { EXPECT_EQ(getnumyears(730426, -2), -1); }),
              "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-2\n");
    EXPECT_EQ(printed([] { EXPECT_EQ(getnummonths(730426, missingdate), -1); }),
              " Bad parameter in routine DaysInMonth\n");
    EXPECT_EQ(printed([] { EXPECT_FALSE(islastdayofmonth(31, 12, 3000)); }), " Bad parameter in routine DaysInMonth\n");
    // A pending failure: failure results, silently.
    capture();
    EXPECT_EQ(getnummonths(730426, 730456), -1);
    EXPECT_EQ(getnumyears(730426, 730791), -1);
    std::int32_t n = 730500;
    EXPECT_FALSE(adjusttostartofyear(n));
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(n, 730500);
}

class DateText : public testsupport::ErrorStateTest {};

TEST_F(DateText, MonthDayYear) {
    for (auto [text, n] : {std::pair{"02/29/2000", 730485},
                           {"1/1/2000", 730426},
                           {" 1/ 1/2000", 730426},
                           {"12/31/2999", 1095668},
                           {"01/01/2000/12", 730426},
                           {"+1/01/+2000      ", 730426},
                           {"1 x/1,y/2000 z", 730426}}) {  // what follows a number is ignored
        EXPECT_EQ(datestringmdytoseq(text), n) << "'" << text << "'";
    }
    EXPECT_EQ(datestring10toseq("12/31/2000999"), seqof(31, 12, 2000));  // the first 10 only
    EXPECT_EQ(datestringmdytoseq("12/31/2000999"), -1);
    capture();
    for (const std::string_view text : {"2/29/2001",
                                        "13/01/2000",
                                        "01/01/0999",
                                        "01/01/3000",
                                        "01-01-2000",
                                        "01//2000",
                                        "/01/2000",
                                        "01/01/",
                                        "01/00/2000",
                                        "-1/01/2000",
                                        "",
                                        "///",
                                        "1/1",
                                        "a/b/c",
                                        "01/01/20x0",
                                        "01/01/+",
                                        "01/01/ ,2000",
                                        "4294967297/01/2000",
                                        "01/01/99999999999999999999999",
                                        "4/31/2001"}) {
        EXPECT_EQ(datestringmdytoseq(text), -1) << "'" << text << "'";
    }
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

// The month field, and the rest after the first slash, are seen through 50
// characters each.
TEST_F(DateText, FieldsAreSeenThroughFiftyCharacters) {
    const std::string pad49(49, ' ');
    EXPECT_EQ(datestringmdytoseq(pad49 + "1/01/2000"), 730426);
    EXPECT_EQ(datestringmdytoseq(pad49 + " 1/01/2000"), -1);
    EXPECT_EQ(datestringmdytoseq("01/01/" + std::string(43, ' ') + "2000"), 730426);
    EXPECT_EQ(datestringmdytoseq("01/01/" + std::string(44, ' ') + "2000"), -1);  // reads 200
    EXPECT_EQ(datestringmdytoseq(std::string(100000, '7')), -1);
}

TEST_F(DateText, MonthDayHourYear) {
    EXPECT_EQ(datestringmdhytoseq("01/01/01/2000"), 17530224);
    EXPECT_EQ(datestringmdhytoseq("01/01/24/2000"), 17530247);
    capture();
    for (const std::string_view text :
         {"01/01/00/2000", "01/01/25/2000", "01/01/2000", "02/30/01/2000", "01/01//2000", "01/01/1/10000", ""}) {
        EXPECT_EQ(datestringmdhytoseq(text), -1) << "'" << text << "'";
    }
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(printed([] { EXPECT_EQ(datestringmdhytoseq("01/01/01/3000"), -1); }),
              " Bad parameter in routine DaysInMonth\n");
}

TEST_F(DateText, FromSequenceNumber) {
    EXPECT_EQ(seqtodatestring10(730485), "02/29/2000");
    EXPECT_EQ(seqtodatestring10(1), "03/01/0000");
    EXPECT_EQ(seqtodatestring10(3652366), "01/01/****");
    EXPECT_EQ(seqtodatestring10(missingdate), "**/**/****");
    EXPECT_EQ(errorprocess::errorlevel, 0);
    EXPECT_EQ(printed([] { EXPECT_EQ(seqtodatestring10(-5), "          "); }),
              "  SequenceDate: SequenceNumber <0 not allowed.   SeqNum=-5\n");
    errorprocess::errorlevel = 0;
    for (std::int32_t n = seqof(1, 1, 1000); n <= seqof(31, 12, 2999); n += 11)
        ASSERT_EQ(datestring10toseq(seqtodatestring10(n)), n);
}

// Texts of any content never crash, and those that read give allowed dates.
TEST_F(DateText, ArbitraryTextsAreHarmless) {
    std::mt19937 random(20240630);
    const std::string_view alphabet = "0123456789//// +-,x";
    std::uniform_int_distribution<std::size_t> length(0, 70), pick(0, alphabet.size() - 1);
    const std::int32_t first = seqof(1, 1, 1000), last = seqof(31, 12, 2999);
    capture();  // the hour form may raise the DaysInMonth failure
    for (int i = 0; i < 40000; ++i) {
        std::string text(length(random), ' ');
        for (char& c : text) c = alphabet[pick(random)];
        errorprocess::errorlevel = 0;
        const std::int32_t n = i % 2 == 0 ? datestringmdytoseq(text) : datestringmdhytoseq(text);
        const bool inrange = i % 2 == 0 ? n >= first && n <= last : n >= 307 * 24 && n < (last + 1) * 24;
        ASSERT_TRUE(n == -1 || inrange) << "'" << text << "' gave " << n;
    }
    (void)captured();
}

TEST_F(DateText, TodaysDateAndTime) {
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
    EXPECT_TRUE(date == before + "  " || date == after + "  ") << date;
    ASSERT_EQ(time.size(), 8U);
    EXPECT_EQ(time.substr(2, 1) + time.substr(5), ":   ");
    const int hh = std::stoi(time.substr(0, 2)), mm = std::stoi(time.substr(3, 2));
    EXPECT_TRUE(hh >= 0 && hh <= 23 && mm >= 0 && mm <= 59) << time;
    // Too short: left blank, sizes kept.
    std::string shortdate(9, 'x'), shorttime(4, 'x');
    gettodaysdatetime(shortdate, shorttime);
    EXPECT_EQ(shortdate, std::string(9, ' '));
    EXPECT_EQ(shorttime, std::string(4, ' '));
}
