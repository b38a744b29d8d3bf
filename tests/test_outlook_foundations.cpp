// The companion's building blocks of analysis: plotting positions, weights of
// scenario years, a scenario's value for a period, the tables of a command line.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "calendar_support.hpp"
#include "outlook/outlook.hpp"
#include "support.hpp"

namespace fs = std::filesystem;
using testsupport::seqof;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(OutlookPositions, EachRuleByHandAndWeightedPositions) {
    // (i - a)/(n + 1 - 2a) for n = 2.
    for (const auto& [name, first] : std::vector<std::pair<std::string, double>>{{"weibull", 1.0 / 3},
                                                                                 {"hazen", 0.25},
                                                                                 {"cunnane", 0.6 / 2.2},
                                                                                 {"gringorten", 0.56 / 2.12},
                                                                                 {"median", 0.6825 / 2.365}}) {
        const auto rule = outlook::positionofname(name);
        ASSERT_TRUE(rule) << name;
        const std::vector<double> at = outlook::positions(2, {}, *rule);
        EXPECT_DOUBLE_EQ(at[0], first) << name;
        EXPECT_DOUBLE_EQ(at[1], 1.0 - first) << name;
        const std::vector<double> equal = {0.5, 0.5};
        EXPECT_EQ(outlook::positions(2, equal, *rule), at) << name;
    }
    EXPECT_FALSE(outlook::positionofname("beard"));
    // Weights 0.75 and 0.25, Weibull: (2 (C - w/2) + 1/2)/3.
    const std::vector<double> weights = {0.75, 0.25};
    const std::vector<double> at = outlook::positions(2, weights, outlook::positionrule::weibull);
    EXPECT_DOUBLE_EQ(at[0], (2 * 0.375 + 0.5) / 3);
    EXPECT_DOUBLE_EQ(at[1], (2 * 0.875 + 0.5) / 3);
}

TEST(OutlookPositions, ValuesExceededUnweightedAsBeforeAndWeighted) {
    const std::vector<double> ascending = {0, 10, 20, 30};
    // Weibull, n = 4: the m-th largest at m/5, linear between them, clamped.
    for (const auto& [p, want] : std::vector<std::pair<double, double>>{
             {0.0, 30}, {0.1, 30}, {0.25, 27.5}, {0.5, 15}, {0.75, 2.5}, {0.9, 0}, {1.0, 0}})
        EXPECT_DOUBLE_EQ(outlook::exceededvalue(ascending, {}, p, outlook::positionrule::weibull), want) << p;
    // Hazen, n = 4: the m-th largest at (m - 0.5)/4; 50 % halfway between 2nd and 3rd.
    EXPECT_DOUBLE_EQ(outlook::exceededvalue(ascending, {}, 0.5, outlook::positionrule::hazen), 15);
    EXPECT_DOUBLE_EQ(outlook::exceededvalue(ascending, {}, 0.25, outlook::positionrule::hazen), 25);
    EXPECT_TRUE(std::isnan(outlook::exceededvalue({}, {}, 0.5, outlook::positionrule::weibull)));
    // Weights 0.75 and 0.25 over 0 and 10: positions 5/12 and 3/4; 50 % exceeded at
    // non-exceedance 1/2, a quarter of the way from the first to the second.
    const std::vector<double> two = {0, 10};
    const std::vector<double> weights = {0.75, 0.25};
    EXPECT_DOUBLE_EQ(outlook::exceededvalue(two, weights, 0.5, outlook::positionrule::weibull), 2.5);
    EXPECT_DOUBLE_EQ(outlook::exceededvalue(two, weights, 0.9, outlook::positionrule::weibull), 0);
    EXPECT_DOUBLE_EQ(outlook::exceededvalue(two, weights, 0.1, outlook::positionrule::weibull), 10);
}

TEST(OutlookWeightsFile, ReadAndMatchedToTheYears) {
    testsupport::scratchdir dir;
    testsupport::writefile("w.csv", "\xEF\xBB\xBFyear,weight\r\n1950,0.5\r\n1951,1.5\r\n\r\n1990,2\r\n");
    std::vector<std::string> warnings;
    const std::vector<std::int32_t> years = {1950, 1951};
    EXPECT_EQ(outlook::readweights("w.csv", years, warnings), (std::vector<double>{0.5, 1.5}));
    EXPECT_EQ(warnings, std::vector<std::string>{"w.csv: the weights list years without a table: 1990"});
    const std::vector<std::int32_t> more = {1950, 1952, 1953};
    EXPECT_THROW(
        try { outlook::readweights("w.csv", more, warnings); } catch (const outlook::readerror& e) {
            EXPECT_STREQ(e.what(), "the weights do not list the scenario years 1952 1953");
            throw;
        },
        outlook::readerror);
    for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
             {"", "w.csv: empty"},
             {"year,w\n", "w.csv line 1: the header is not 'year,weight'"},
             {"year,weight\n1950\n", "w.csv line 2: not a year and a weight"},
             {"year,weight\n1950,heavy\n", "w.csv line 2: the weight 'heavy' is not a number"},
             {"year,weight\n1950,nan\n", "w.csv line 2: the weight 'nan' is not a number"},
             {"year,weight\n1950,-1\n", "w.csv line 2: the weight of 1950 is negative"},
             {"year,weight\n1950,1\n1950,2\n", "w.csv line 3: 1950 is listed again"},
             {"year,weight\n1950,0\n1951,0\n", "the weights of the scenario years are all 0"}}) {
        testsupport::writefile("w.csv", text);
        try {
            outlook::readweights("w.csv", years, warnings);
            ADD_FAILURE() << text;
        } catch (const outlook::readerror& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, message.size()), message) << text;
        }
    }
}

TEST(OutlookPeriodValues, ExtremesAndDepthsByHand) {
    outlook::ensemble e;
    e.lakeindex = 1;  // Superior, 8.21e10 m2
    e.firstday = seqof(1, 1, 2025);
    e.lastday = e.firstday + 3;
    e.years = {1950, 1951};
    e.values = {{100, 300, 200, 400}, {50, nan, 50, 50}};
    const std::vector<outlook::period> periods = {{e.firstday, e.firstday + 1}, {e.firstday + 2, e.lastday}};
    using s = outlook::periodstat;
    EXPECT_EQ(outlook::periodvalues(e, periods, s::min)[0], (std::vector<double>{100, 200}));
    EXPECT_EQ(outlook::periodvalues(e, periods, s::max)[0], (std::vector<double>{300, 400}));
    const double mm = 86400.0 / static_cast<double>(8.21e10F) * 1000.0;  // of 1 m3/s for a day
    const auto volume = outlook::periodvalues(e, periods, s::volume);
    EXPECT_DOUBLE_EQ(volume[0][0], 400 * mm);
    EXPECT_DOUBLE_EQ(volume[0][1], 600 * mm);
    const auto accumulated = outlook::periodvalues(e, periods, s::accumulated);
    EXPECT_DOUBLE_EQ(accumulated[0][1], 1000 * mm);
    // A missing day leaves its period without a value, and every accumulation after it.
    for (const s stat : {s::min, s::max, s::volume, s::accumulated})
        EXPECT_TRUE(std::isnan(outlook::periodvalues(e, periods, stat)[1][0]));
    EXPECT_DOUBLE_EQ(volume[1][1], 100 * mm);
    EXPECT_TRUE(std::isnan(accumulated[1][1]));
    EXPECT_EQ(outlook::unitof(s::accumulated), "mm");
    EXPECT_EQ(outlook::unitof(*outlook::statofname("max")), "m3s");
    e.lakeindex = 0;
    EXPECT_THROW(outlook::periodvalues(e, periods, s::volume), outlook::readerror);
}

}  // namespace
