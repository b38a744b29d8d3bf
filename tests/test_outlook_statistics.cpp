// Weighted statistics of a period's values, the ranks of the traces and the
// analysis options, worked by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "calendar_support.hpp"
#include "outlook/app/app.hpp"
#include "outlook/outlook.hpp"

using testsupport::seqof;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
using rule = outlook::positionrule;

void expectsame(double got, double want, const std::string& what) {
    if (std::isnan(want))
        EXPECT_TRUE(std::isnan(got)) << what;
    else
        EXPECT_NEAR(got, want, 1e-12) << what;
}

struct summarycase {
    std::string why;
    std::vector<double> values;  // one period, one value a scenario
    std::vector<double> weights;
    rule position;
    std::vector<double> levels, thresholds;
    std::int32_t count, missing;
    double min, mean, max, effective;
    std::vector<double> exceed, above;
};

TEST(OutlookSummaries, OneToFiveScenariosByHand) {
    const std::vector<summarycase> cases = {
        {"one", {7}, {}, rule::weibull, {90, 50, 10}, {6, 7}, 1, 0, 7, 7, 7, 1, {7, 7, 7}, {1, 0}},
        {"two, Weibull", {3, 1}, {}, rule::weibull, {90, 50, 10}, {}, 2, 0, 1, 2, 3, 2, {1, 2, 3}, {}},
        {"two, Cunnane", {3, 1}, {}, rule::cunnane, {70, 50, 25}, {}, 2, 0, 1, 2, 3, 2, {1.12, 2, 3}, {}},
        {"three, Hazen", {4, 2, 1}, {}, rule::hazen, {90, 50, 25}, {}, 3, 0, 1, 7.0 / 3, 4, 3, {1, 2, 3.5}, {}},
        {"ties, strictly above",
         {5, 5, 1, 5},
         {},
         rule::weibull,
         {75, 50},
         {4, 5},
         4,
         0,
         1,
         4,
         5,
         4,
         {2, 5},
         {0.75, 0}},
        {"median rule", {10, 3, 2, 1}, {}, rule::median, {75, 50}, {}, 4, 0, 1, 4, 10, 4, {1.40875, 2.5}, {}},
        {"five and a missing one, Gringorten",
         {10, nan, 30, 20, 40, 50},
         {},
         rule::gringorten,
         {10, 30, 50},
         {},
         5,
         1,
         10,
         30,
         50,
         5,
         {50, 40.24, 30},
         {}},
        {"none left", {nan, nan}, {}, rule::weibull, {50}, {0}, 0, 2, nan, nan, nan, nan, {nan}, {nan}},
        {"one weight 1, the rest 0", {5, 9, 7}, {1, 0, 0}, rule::hazen, {90, 10}, {6}, 1, 0, 5, 5, 5, 1, {5, 5}, {0}},
        {"weights 3 and 1",
         {0, 10},
         {3, 1},
         rule::weibull,
         {50, 90, 10},
         {5},
         2,
         0,
         0,
         2.5,
         10,
         1.6,
         {2.5, 0, 10},
         {0.25}},
        {"weight 0 without a value is missing",
         {1, nan, 3},
         {1, 0, 1},
         rule::weibull,
         {50},
         {},
         2,
         1,
         1,
         2,
         3,
         2,
         {2},
         {}},
    };
    for (const summarycase& c : cases) {
        outlook::analysis a;
        a.rule = c.position, a.levels = c.levels, a.thresholds = c.thresholds;
        std::vector<std::vector<double>> values;
        for (const double v : c.values) values.push_back({v});
        const std::vector<outlook::period> periods = {{10, 20}};
        const outlook::periodsummary s = outlook::summarise({periods, values, c.weights}, a).front();
        EXPECT_EQ(s.count, c.count) << c.why;
        EXPECT_EQ(s.missing, c.missing) << c.why;
        expectsame(s.min, c.min, c.why + ": min");
        expectsame(s.mean, c.mean, c.why + ": mean");
        expectsame(s.max, c.max, c.why + ": max");
        expectsame(s.effective, c.effective, c.why + ": effective");
        for (std::size_t k = 0; k < c.exceed.size(); ++k) expectsame(s.exceed[k], c.exceed[k], c.why + ": exceed");
        for (std::size_t k = 0; k < c.above.size(); ++k) expectsame(s.above[k], c.above[k], c.why + ": above");
    }
}

TEST(OutlookSummaries, EqualWeightsGiveTheUnweightedNumbersExactly) {
    outlook::analysis a;
    a.levels = {97.5, 90, 75, 50, 25, 10, 2.5};
    a.thresholds = {0.2};
    const std::vector<std::vector<double>> values = {{0.1}, {0.7}, {0.3}, {nan}, {0.3}};
    const std::vector<outlook::period> periods = {{1, 1}};
    for (const rule r : {rule::weibull, rule::hazen, rule::cunnane, rule::gringorten, rule::median}) {
        a.rule = r;
        const auto plain = outlook::summarise({periods, values, {}}, a).front();
        const std::vector<double> weights = {0.3, 0.3, 0.3, 0.3, 0.3};
        const auto equal = outlook::summarise({periods, values, weights}, a).front();
        EXPECT_EQ(equal.exceed, plain.exceed);
        EXPECT_EQ(equal.mean, plain.mean);
        EXPECT_EQ(equal.effective, 4.0);
        EXPECT_EQ(equal.above, plain.above);
    }
}

outlook::ensemble fiveyears(std::vector<double> values) {
    outlook::ensemble e;
    e.lake = "Superior";
    e.firstday = seqof(1, 6, 2025);
    e.lastday = e.firstday;
    e.years = {1954, 1950, 1951, 1952, 1953};  // rows come by year whatever the order
    for (const double v : values) e.values.push_back({v});
    return e;
}

TEST(OutlookTraces, RanksWeightsAndExceedancesByHand) {
    // 1954 20, 1950 10, 1951 30, 1952 30 (a tie), 1953 missing; Hazen.
    const outlook::ensemble e = fiveyears({20, 10, 30, 30, nan});
    outlook::analysis a;
    a.kind = outlook::periodkind::outlook;
    a.rule = rule::hazen;
    outlook::periodset set = outlook::periodsetof(a, e, {});
    const std::string head = "first_date,last_date,year,value_m3s,rank,weight,exceedance\n";
    const std::string day = "2025-06-01,2025-06-01,";
    // Positions (i - 0.5)/4: the tie takes rank 1 and 1 - 0.875.
    EXPECT_EQ(outlook::tracescsv(e, set, a), head + day + "1950,10,4,0.25,0.875\n" + day + "1951,30,1,0.25,0.125\n" +
                                                 day + "1952,30,1,0.25,0.125\n" + day + "1953,,,,\n" + day +
                                                 "1954,20,3,0.25,0.625\n");
    // Weights 2, 1, 0, 1 and 1 (1953's without a value): normalised 0.5, 0.25, 0.25
    // over 20, 10 and 30; weighted Hazen positions C - w/2.
    set.weights = {2, 1, 0, 1, 1};
    EXPECT_EQ(outlook::tracescsv(e, set, a), head + day + "1950,10,3,0.25,0.875\n" + day + "1951,,,0,\n" + day +
                                                 "1952,30,1,0.25,0.125\n" + day + "1953,,,,\n" + day +
                                                 "1954,20,2,0.5,0.5\n");
}

TEST(OutlookOptions, ListsParsedAndThePeriodOfADay) {
    outlook::app::sharedoptions options;
    options.levels = "2.5,97.5,50";
    options.thresholds = {"-100", "1e3"};
    options.stat = "accumulated";
    options.lake = "mhu";
    const outlook::app::checkedoptions c = outlook::app::checkshared(options, "90,50,10");
    EXPECT_EQ(c.a.levels, (std::vector<double>{2.5, 97.5, 50}));
    EXPECT_EQ(c.a.thresholds, (std::vector<double>{-100, 1000}));
    EXPECT_EQ(c.a.stat, outlook::periodstat::accumulated);
    EXPECT_EQ(c.lakeindex, 2);
    EXPECT_TRUE(c.weights.empty());
    EXPECT_EQ(outlook::app::checkshared({}, "90,75,25,10", 4).a.levels, (std::vector<double>{90, 75, 25, 10}));
    EXPECT_TRUE(outlook::app::checkshared({}).a.levels.empty());

    const std::vector<outlook::period> periods = {{10, 12}, {13, 20}};
    EXPECT_EQ(outlook::periodholding(periods, 10), 0U);
    EXPECT_EQ(outlook::periodholding(periods, 13), 1U);
    EXPECT_FALSE(outlook::periodholding(periods, 9));
    EXPECT_FALSE(outlook::periodholding(periods, 21));
    EXPECT_EQ(outlook::dayofisodate("2024-02-29"), seqof(29, 2, 2024));
    for (const char* bad : {"2025-02-29", "2025-13-01", "2025-1-01", "25-01-01x", "0000-01-01"})
        EXPECT_FALSE(outlook::dayofisodate(bad)) << bad;
}

TEST(OutlookOptions, EachRefusalInOneWording) {
    using outlook::app::sharedoptions;
    const auto with = [](auto set) {
        sharedoptions o;
        set(o);
        return o;
    };
    const std::vector<std::pair<sharedoptions, std::string>> cases = {
        {with([](sharedoptions& o) { o.period = "fortnight"; }),
         "--period: 'fortnight' is not quarter-month, month or outlook"},
        {with([](sharedoptions& o) { o.stat = "median"; }),
         "--stat: 'median' is not mean, min, max, volume or accumulated"},
        {with([](sharedoptions& o) { o.position = "foo"; }),
         "--position: 'foo' is not weibull, hazen, cunnane, gringorten or median"},
        {with([](sharedoptions& o) { o.levels = "50,100"; }),
         "--levels: '100' is not a percentage strictly between 0 and 100"},
        {with([](sharedoptions& o) { o.levels = "50,5e1"; }), "--levels: 50 is given twice"},
        {with([](sharedoptions& o) { o.levels = "90,10"; }), "--levels: 4 percentages are needed, 2 given"},
        {with([](sharedoptions& o) { o.thresholds = {"0x10"}; }), "--threshold: '0x10' is not a number"},
        {with([](sharedoptions& o) { o.thresholds = {" 5000"}; }), "--threshold: ' 5000' is not a number"},
        {with([](sharedoptions& o) {
             o.thresholds = {"5", "5.0"};
         }),
         "--threshold: 5 is given twice"},
        {with([](sharedoptions& o) { o.lake = "Mich"; }), "--lake: 'Mich' is not SUP, MHU, STC, ERI or ONT"},
    };
    for (const auto& [options, message] : cases) {
        try {
            (void)outlook::app::checkshared(options, "90,75,25,10", 4);
            ADD_FAILURE() << message;
        } catch (const outlook::optionerror& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
}

}  // namespace
