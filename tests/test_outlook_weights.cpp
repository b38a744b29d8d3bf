// Climate-outlook weights: the climate file, the thirds of the scenario years
// and the weights' solver, on cases worked by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "calendar_support.hpp"
#include "fcstutil/fcstutil.hpp"
#include "outlook/outlook.hpp"

using outlook::tercile;
using testsupport::seqof;

namespace {

constexpr tercile b = tercile::below;
constexpr tercile n = tercile::near;
constexpr tercile a = tercile::above;

struct rankcase {
    std::vector<double> totals;
    double a;
    std::vector<tercile> want;
    std::string why;
};

TEST(ClimateTerciles, ByRank) {
    const std::vector<rankcase> cases = {
        {{3, 1, 2}, 0, {a, b, n}, "one of three in each third"},
        {{5, 1, 1, 9}, 0, {n, b, b, a}, "ties take the lowest rank's third"},
        {{1, 1, 1, 2, 3, 4}, 0, {b, b, b, n, a, a}, "a tie across the lower bound stays below"},
        {{1, 2, 2, 2, 3}, 0, {b, n, n, n, a}, "ties in the middle"},
        {{4, 3, 2, 1}, 0.5, {a, n, n, b}, "Hazen's a = 0.5: 3(i - a) against n + 1 - 2a"},
        {{7}, 0, {n}, "one year is near"},
    };
    for (const rankcase& c : cases) EXPECT_EQ(outlook::tercilesbyrank(c.totals, c.a), c.want) << c.why;
    std::vector<double> totals(75);
    std::iota(totals.begin(), totals.end(), 0.0);
    const std::vector<tercile> thirds = outlook::tercilesbyrank(totals, 0);
    EXPECT_EQ(std::count(thirds.begin(), thirds.end(), b), 25);
    EXPECT_EQ(std::count(thirds.begin(), thirds.end(), a), 25);
}

TEST(ClimateTerciles, ByBoundsTheBoundsThemselvesAreNear) {
    EXPECT_EQ(outlook::tercilesbybounds(std::vector<double>{10, 15, 20, 35, 40}, 15, 35),
              (std::vector<tercile>{b, n, n, n, a}));
}

struct solvercase {
    std::vector<outlook::tercileask> asks;
    std::size_t years;
    std::vector<double> want;
    std::string why;
};

TEST(ClimateWeights, CasesWorkedByHand) {
    if (!outlook::haveweightsolver()) GTEST_SKIP() << "built without Eigen";
    const double third = 1.0 / 3;
    const std::vector<solvercase> cases = {
        {{}, 4, {0.25, 0.25, 0.25, 0.25}, "no rows: equal weights"},
        // w1 + w2 = 0.6 split evenly, w3 = w4 = 0.2.
        {{{{b, b, n, a}, 0.6, 0.2}}, 4, {0.3, 0.3, 0.2, 0.2}, "feasible: the closest to equal of those that meet it"},
        {{{{b, b, n, a}, 0.6, 0.2}, {{b, b, n, a}, 0.6, 0.2}}, 4, {0.3, 0.3, 0.2, 0.2}, "a row given twice"},
        // Rows asking w1 = 0.6, w3 = 0.2 and w3 = 0.6, w1 = 0.2: each meets halfway.
        {{{{b, n, a}, 0.6, 0.2}, {{a, n, b}, 0.6, 0.2}}, 3, {0.4, 0.2, 0.4}, "infeasible: contradictory rows"},
        // Without w >= 0 the least sum is at w3 = -0.12; with it w3 = 0, and
        // 4 w1 - 1.9 = 2 w2 - 1.8 on w1 + w2 = 1.
        {{{{b, n, a}, 0.9, 0.05}, {{a, b, n}, 0.9, 0.05}}, 3, {0.35, 0.65, 0}, "infeasible: a weight held at 0"},
        {{{{b, n, a}, third, third}}, 3, {third, third, third}, "a row only equal weights meet"},
        {{{{b, b, n, n, a, a}, third, third}}, 6, std::vector<double>(6, 1.0 / 6), "equal weights among many"},
        {{{{n, n, n}, 0.5, 0.5}}, 3, {third, third, third}, "a row no weights can move"},
    };
    for (const solvercase& c : cases) {
        const std::vector<double> w = outlook::climateweights(c.asks, c.years);
        ASSERT_EQ(w.size(), c.want.size()) << c.why;
        for (std::size_t i = 0; i < w.size(); ++i) EXPECT_NEAR(w[i], c.want[i], 1e-9) << c.why << ", year " << i;
        EXPECT_NEAR(std::accumulate(w.begin(), w.end(), 0.0), 1.0, 1e-12) << c.why;
    }
}

TEST(ClimateWeights, TercileBoundsToWeights) {
    if (!outlook::haveweightsolver()) GTEST_SKIP() << "built without Eigen";
    // Totals 10 and 12 below 15, 30 near, 40 above 35; asked 0.5, 0.3, 0.2.
    const outlook::tercileask ask{outlook::tercilesbybounds(std::vector<double>{10, 30, 40, 12}, 15, 35), 0.5, 0.2};
    const std::vector<double> w = outlook::climateweights({&ask, 1}, 4);
    const std::vector<double> want = {0.25, 0.3, 0.2, 0.25};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(w[i], want[i], 1e-9) << i;
    const outlook::tercileshares got = outlook::sharesof(ask, w);
    EXPECT_NEAR(got.below, 0.5, 1e-9);
    EXPECT_NEAR(got.near, 0.3, 1e-9);
    EXPECT_NEAR(got.above, 0.2, 1e-9);
}

TEST(ClimateWeights, PartsWeighPrecipitationByLandAndTheRestByLake) {
    const outlook::partweights sup = outlook::partweightsof(1);
    EXPECT_EQ(sup.parts, std::vector<std::int32_t>{1});
    EXPECT_EQ(sup.precip, std::vector<double>{1.0});
    const outlook::partweights mhu = outlook::partweightsof(2);
    ASSERT_EQ(mhu.parts.size(), 3U);
    const auto part = [&](std::size_t j) { return static_cast<std::size_t>(mhu.parts[j] - 1); };
    EXPECT_NEAR(mhu.precip[0] / mhu.precip[1],
                double{fcstutil::digitlandarea[part(0)]} / double{fcstutil::digitlandarea[part(1)]}, 1e-12);
    EXPECT_NEAR(mhu.runoff[0] / mhu.runoff[2],
                double{fcstutil::coordlakearea[part(0)]} / double{fcstutil::coordlakearea[part(2)]}, 1e-12);
    EXPECT_EQ(mhu.evap, mhu.runoff);
    EXPECT_NEAR(std::accumulate(mhu.precip.begin(), mhu.precip.end(), 0.0), 1.0, 1e-12);
}

// 1 June to 31 August 2025 is the outlook of the climate files below.
const std::int32_t june1 = seqof(1, 6, 2025);
const std::int32_t august31 = seqof(31, 8, 2025);
const std::string head = "first_date,last_date,variable,below,near,above\n";
const std::string bounded = "first_date,last_date,variable,below,near,above,lower,upper\n";

TEST(ClimateFile, RowsAsFractionsOrPercentagesWithOrWithoutBounds) {
    const std::vector<outlook::climaterow> rows =
        outlook::parseclimate(bounded +
                                  "2025-06-01,2025-06-30,precip,40,35,25,60.5,90\r\n\n"
                                  "2025-07-01,2025-08-31, nbs ,20,30,50,,\n",
                              "c.csv", june1, august31);
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0].line, 2U);
    EXPECT_EQ(rows[0].first, june1);
    EXPECT_EQ(rows[0].last, seqof(30, 6, 2025));
    EXPECT_EQ(rows[0].variable, outlook::climatevariable::precip);
    EXPECT_DOUBLE_EQ(rows[0].below, 0.4);
    EXPECT_DOUBLE_EQ(*rows[0].lower, 60.5);
    EXPECT_DOUBLE_EQ(*rows[0].upper, 90);
    EXPECT_EQ(rows[1].line, 4U);
    EXPECT_EQ(rows[1].variable, outlook::climatevariable::nbs);
    EXPECT_FALSE(rows[1].lower);
    const std::vector<outlook::climaterow> fractions =
        outlook::parseclimate(head + "2025-08-31,2025-08-31,evap,0.2,0.2,0.605\n", "c.csv", june1, august31);
    EXPECT_DOUBLE_EQ(fractions[0].above, 0.605 / 1.005);  // each row divided by its sum
}

struct badcase {
    std::string text;
    std::string message;
};

TEST(ClimateFile, BadRowsNameTheFileAndLine) {
    const std::string row = "2025-06-01,2025-06-30,precip,0.4,0.35,0.25\n";
    const std::vector<badcase> cases = {
        {"year,weight\n", "c.csv line 1: the header is not first_date,last_date,variable,below,near,above"},
        {head, "c.csv: no rows after its header"},
        {head + "2025-06-31,2025-06-30,precip,0.4,0.35,0.25\n", "c.csv line 2: first_date '2025-06-31' is not a date"},
        {head + "2025-05-31,2025-06-30,precip,0.4,0.35,0.25\n",
         "c.csv line 2: first_date 2025-05-31 is outside the outlook, 2025-06-01 to 2025-08-31"},
        {head + "2025-06-30,2025-06-01,precip,0.4,0.35,0.25\n", "c.csv line 2: last_date 2025-06-01 is before"},
        {head + row + "2025-06-01,2025-06-30,rain,0.4,0.35,0.25\n", "c.csv line 3: unknown variable 'rain'"},
        {head + "2025-06-01,2025-06-30,precip,0.4,x,0.25\n", "c.csv line 2: near 'x' is not a probability"},
        {head + "2025-06-01,2025-06-30,precip,-0.1,0.85,0.25\n", "c.csv line 2: below '-0.1' is not a probability"},
        {head + "2025-06-01,2025-06-30,precip,0.4,0.4,0.4\n", "c.csv line 2: below, near and above sum to 1.2"},
        {head + row + "2025-06-01,2025-06-30,precip,40,35,25\n", "c.csv line 3: probabilities as percentages"},
        {head + "2025-06-01,2025-06-30,precip,0.4,0.35\n", "c.csv line 2: 5 fields, the header has 6"},
        {bounded + "2025-06-01,2025-06-30,precip,0.4,0.35,0.25,90,60\n", "c.csv line 2: lower 90 is above upper 60"},
        {bounded + "2025-06-01,2025-06-30,precip,0.4,0.35,0.25,60,\n", "c.csv line 2: upper '' is not a number"},
    };
    for (const badcase& c : cases) {
        try {
            (void)outlook::parseclimate(c.text, "c.csv", june1, august31);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const outlook::readerror& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with(c.message)) << e.what() << "\nwanted: " << c.message;
        }
    }
}

}  // namespace
