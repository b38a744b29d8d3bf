// Scores of forecasts against what happened, the observed supply file, and the
// pooled scores.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "calendar_support.hpp"
#include "outlook/outlook.hpp"
#include "support.hpp"

using testsupport::seqof;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct crpscase {
    std::vector<double> members, weights;
    double y, crps, fair;
};

TEST(OutlookVerification, CrpsOfSmallCasesByHand) {
    for (const crpscase& c :
         std::vector<crpscase>{{{0, 1}, {}, 0, 0.25, 0},
                               {{0, 1}, {}, 2, 1.25, 1},
                               {{0, 0, 1}, {}, 0, 1.0 / 9, 0},
                               {{1, 0, 0}, {}, 0, 1.0 / 9, 0},
                               {{0, 2}, {0.8, 0.2}, 1, 0.68, nan},
                               {{2, 0}, {1, 4}, 1, 0.68, nan},  // weights of any sum
                               {{0, 1}, {3, 3}, 0, 0.25, nan},  // equal weights: the unweighted form
                               {{7}, {}, 3, 4, nan}}) {
        const outlook::periodscore s = outlook::scoreforecast(c.members, c.weights, c.y, {});
        EXPECT_NEAR(s.crps, c.crps, 1e-15) << c.members.size() << " members, y = " << c.y;
        if (std::isnan(c.fair))
            EXPECT_TRUE(std::isnan(s.faircrps));
        else
            EXPECT_NEAR(s.faircrps, c.fair, 1e-15);
    }
}

struct rankcase {
    double y;
    double rank, pit, meanerror, medianabserror;
    bool in50, in80;
    std::vector<double> above;  // of 15 and 25
};

TEST(OutlookVerification, RanksPitBandsAndSharesByHand) {
    // Weibull over 10 20 20 30: exceeded with 75 % 12.5, 25 % 27.5, 90 % 10, 10 % 30.
    const std::vector<double> members = {30, 20, 10, 20};
    const outlook::scoreoptions options{outlook::positionrule::weibull, {15, 25}};
    for (const rankcase& c : std::vector<rankcase>{{20, 3, 0.5, 0, 0, true, true, {0.75, 0.25}},
                                                   {12, 2, 0.25, 8, 8, false, true, {0.75, 0.25}},
                                                   {40, 5, 1, -20, 20, false, false, {0.75, 0.25}},
                                                   {5, 1, 0, 15, 15, false, false, {0.75, 0.25}}}) {
        const outlook::periodscore s = outlook::scoreforecast(members, {}, c.y, options);
        EXPECT_EQ(s.rank(), c.rank) << c.y;
        EXPECT_EQ(s.pit, c.pit) << c.y;
        EXPECT_EQ(s.meanerror, c.meanerror) << c.y;
        EXPECT_EQ(s.medianabserror, c.medianabserror) << c.y;
        EXPECT_EQ(s.in50, c.in50) << c.y;
        EXPECT_EQ(s.in80, c.in80) << c.y;
        EXPECT_EQ(s.above, c.above) << c.y;
    }
    // A tie with two members shares its count out over the three ranks it spans.
    const std::vector<outlook::periodverdict> tie = {{"", {}, 20, outlook::scoreforecast(members, {}, 20, {}), nan}};
    EXPECT_EQ(outlook::poolverdicts(tie, {}, false).rank, (std::vector<double>{0, 1.0 / 3, 1.0 / 3, 1.0 / 3, 0}));
    // Weighted: the PIT is the weight below, half the weight equal.
    const std::vector<double> weights = {1, 2, 3, 4};
    EXPECT_DOUBLE_EQ(outlook::scoreforecast(members, weights, 20, options).pit, (3 + (2 + 4) / 2.0) / 10);
}

// Leaving each member out in one pass gives what scoring it against the others does.
TEST(OutlookVerification, LeaveOneOutIsTheOthersScoredAlone) {
    const outlook::scoreoptions options{outlook::positionrule::hazen, {4.5}};
    for (const auto& [members, weights] : std::vector<std::pair<std::vector<double>, std::vector<double>>>{
             {{3, 1, 4, 1, 5, 9, 2, 6}, {}}, {{3, 1, 4, 1, 5}, {0.1, 0.4, 0.2, 0.2, 0.1}}, {{2, 2, 2}, {}}}) {
        const auto left = outlook::leaveoneout(members, weights, options);
        for (std::size_t k = 0; k < members.size(); ++k) {
            std::vector<double> others = members, otherweights = weights;
            others.erase(others.begin() + static_cast<std::ptrdiff_t>(k));
            if (!weights.empty()) otherweights.erase(otherweights.begin() + static_cast<std::ptrdiff_t>(k));
            const outlook::periodscore alone = outlook::scoreforecast(others, otherweights, members[k], options);
            ASSERT_TRUE(left[k]) << k;
            const outlook::periodscore& s = *left[k];
            EXPECT_NEAR(s.crps, alone.crps, 1e-12) << k;
            EXPECT_EQ(std::isnan(s.faircrps), std::isnan(alone.faircrps)) << k;
            if (!std::isnan(alone.faircrps)) {
                EXPECT_NEAR(s.faircrps, alone.faircrps, 1e-12) << k;
            }
            EXPECT_NEAR(s.meanerror, alone.meanerror, 1e-12) << k;
            EXPECT_NEAR(s.pit, alone.pit, 1e-12) << k;
            EXPECT_NEAR(s.above[0], alone.above[0], 1e-12) << k;
            EXPECT_EQ(s.rank(), alone.rank()) << k;
            EXPECT_EQ(s.members, alone.members) << k;
            EXPECT_EQ(s.medianabserror, alone.medianabserror) << k;
            EXPECT_EQ(std::make_pair(s.in50, s.in80), std::make_pair(alone.in50, alone.in80)) << k;
        }
    }
    // A member that alone carries all the weight leaves nothing to forecast it.
    const std::vector<double> members = {1, 2}, weights = {1, 0};
    EXPECT_FALSE(outlook::leaveoneout(members, weights, options)[0]);
    EXPECT_TRUE(outlook::leaveoneout(members, weights, options)[1]);
}

// Leave-one-out of N exchangeable traces, by period: the left-out year's rank
// among the N years runs through 1 to N once in every period, so the rank
// histogram is flat to the count, and its PIT j/(N - 1) fills the tenths
// evenly when N = 20. With Weibull the value exceeded with probability p among
// the M = N - 1 others is their order statistic of rank p(M + 1) = pN, a whole
// rank for p = 0.25, 0.1 (N = 20): the 50 % band holds exactly the years with 5
// to 14 others below them, half of the N, and the 80 % band 2 to 17 of them.
// Other rules read between order statistics and come near the nominal values.
TEST(OutlookVerification, LeaveOneOutOfExchangeableTracesIsCalibrated) {
    constexpr std::size_t years = 20, periods = 50;
    std::mt19937 random(7);
    std::normal_distribution<double> supply(5000, 1500);
    for (const auto rule : {outlook::positionrule::weibull, outlook::positionrule::hazen}) {
        std::vector<outlook::periodverdict> verdicts;
        for (std::size_t p = 0; p < periods; ++p) {
            std::vector<double> members(years);
            for (double& v : members) v = supply(random);
            const auto scores = outlook::leaveoneout(members, {}, {rule, {}});
            for (std::size_t k = 0; k < years; ++k) verdicts.push_back({"", {}, members[k], scores[k], nan});
        }
        const outlook::pooledscores pooled = outlook::poolverdicts(verdicts, {}, false);
        EXPECT_EQ(pooled.scored, static_cast<std::int32_t>(years * periods));
        EXPECT_EQ(pooled.rank, std::vector<double>(years, periods));
        EXPECT_EQ(pooled.pit, std::vector<double>(10, 2 * periods));
        if (rule == outlook::positionrule::weibull) {
            EXPECT_EQ(pooled.coverage50, 0.5);
            EXPECT_EQ(pooled.coverage80, 0.8);
        } else {
            EXPECT_NEAR(pooled.coverage50, 0.5, 0.06);
            EXPECT_NEAR(pooled.coverage80, 0.8, 0.06);
        }
    }
}

TEST(OutlookVerification, BrierDecompositionOfForecastsEqualWithinBins) {
    // Shares 0.05 (bin 1), 0.55 (bin 6) and 1 (bin 10), observations 1 when above 100.
    std::vector<outlook::periodverdict> verdicts;
    for (const auto& [share, observed] : std::vector<std::pair<double, double>>{
             {0.05, 50}, {0.05, 150}, {0.05, 50}, {0.55, 150}, {0.55, 50}, {0.55, 150}, {1, 150}, {1, 50}}) {
        outlook::periodscore s;
        s.above = {share};
        verdicts.push_back({"", {}, observed, s, nan});
    }
    const std::vector<double> thresholds = {100};
    const outlook::brierparts b = outlook::poolverdicts(verdicts, thresholds, false).brier.at(0);
    EXPECT_NEAR(b.within, 0, 1e-15);
    EXPECT_DOUBLE_EQ(b.uncertainty, 0.25);
    // Bins of 3, 3 and 2 forecasts observed 1/3, 2/3 and 1/2 of the time.
    EXPECT_DOUBLE_EQ(b.reliability, (3 * std::pow(0.05 - 1.0 / 3, 2) + 3 * std::pow(0.55 - 2.0 / 3, 2) + 2 * 0.25) / 8);
    EXPECT_DOUBLE_EQ(b.resolution, (3 + 3) * std::pow(1.0 / 6, 2) / 8);
    // The reliability diagram: each bin's mean share, observed frequency and count.
    ASSERT_EQ(b.diagram.size(), 3U);
    for (const auto& [point, bin, forecast, observed, count] :
         std::vector<std::tuple<std::size_t, std::size_t, double, double, std::int32_t>>{
             {0, 0, 0.05, 1.0 / 3, 3}, {1, 5, 0.55, 2.0 / 3, 3}, {2, 9, 1, 0.5, 2}}) {
        EXPECT_EQ(b.diagram[point].bin, bin);
        EXPECT_DOUBLE_EQ(b.diagram[point].forecast, forecast);
        EXPECT_DOUBLE_EQ(b.diagram[point].observed, observed);
        EXPECT_EQ(b.diagram[point].count, count);
    }
}

// Periods of the given shares above 100, observed 150 (exceeded) or 50.
std::vector<outlook::periodverdict> sharedverdicts(const std::vector<std::pair<double, bool>>& cases) {
    std::vector<outlook::periodverdict> verdicts;
    for (const auto& [share, exceeded] : cases) {
        outlook::periodscore s;
        s.above = {share};
        verdicts.push_back({"", {}, exceeded ? 150.0 : 50.0, s, nan});
    }
    return verdicts;
}

// Events of shares 0.9, 0.6, 0.3 and non-events of 0.6, 0.3, 0.1, 0: of the 12
// pairs an event's share is above the other's in 4 + 3 + 2 and ties in 2, so
// (9 + 2/2) / 12 = 5/6. The trapezoids under (0, 0), (0, 1/3), (1/4, 2/3),
// (1/2, 1), (3/4, 1), (1, 1) give 1/8 + 5/24 + 1/4 + 1/4, the same.
TEST(OutlookVerification, RocAreaByHand) {
    const std::vector<double> thresholds = {100};
    for (const auto& [cases, area] : std::vector<std::pair<std::vector<std::pair<double, bool>>, double>>{
             {{{0.9, true}, {0.6, true}, {0.3, true}, {0.6, false}, {0.3, false}, {0.1, false}, {0, false}}, 5.0 / 6},
             {{{0.2, true}, {0.8, false}}, 0},
             {{{0.5, true}, {0.5, false}}, 0.5},
             {{{0.9, true}, {0.4, true}}, nan},       // every period exceeded
             {{{0.9, false}, {0.4, false}}, nan}}) {  // none did
        const double got = outlook::poolverdicts(sharedverdicts(cases), thresholds, false).brier.at(0).rocarea;
        if (std::isnan(area))
            EXPECT_TRUE(std::isnan(got)) << cases.size();
        else
            EXPECT_DOUBLE_EQ(got, area) << cases.size();
    }
}

// Linear interpolation between the order statistics at p(B - 1): of 1 2 3 4 5,
// 0.025 is 1 + 0.1 (2 - 1) and 0.975 is 4 + 0.9 (5 - 4); NaN values left out.
TEST(OutlookBootstrap, PercentileIntervalByHand) {
    struct intervalcase {
        std::vector<double> values;
        double lo, hi, low, high;
    };
    for (const intervalcase& c : std::vector<intervalcase>{{{5, 1, 4, 2, 3}, 0.025, 0.975, 1.1, 4.9},
                                                           {{nan, 4, 2}, 0.025, 0.975, 2.05, 3.95},
                                                           {{1, 2, 3, 4, 5}, 0.5, 0.25, 3, 2},
                                                           {{7}, 0.025, 0.975, 7, 7},
                                                           {{nan}, 0.025, 0.975, nan, nan}}) {
        const auto [low, high] = outlook::percentileinterval(c.values, c.lo, c.hi);
        if (std::isnan(c.low)) {
            EXPECT_TRUE(std::isnan(low) && std::isnan(high)) << c.values.size();
            continue;
        }
        EXPECT_DOUBLE_EQ(low, c.low) << c.values.size();
        EXPECT_DOUBLE_EQ(high, c.high) << c.values.size();
    }
}

// Each index is floor(g n / 2^64) of the generator's next output g: the same
// draws on every machine, pinned here for seed 1.
TEST(OutlookBootstrap, ResamplerDrawsTheHighBitsOfTheProduct) {
    __extension__ using wide = unsigned __int128;
    outlook::resampler r(1);
    std::mt19937_64 gen(1);
    for (const std::size_t n : {std::size_t{1}, std::size_t{7}, std::size_t{1000}})
        for (const std::size_t k : r.draw(n)) EXPECT_EQ(k, static_cast<std::size_t>((wide{gen()} * n) >> 64)) << n;
    for (const std::size_t n : {(std::size_t{1} << 40) + 3, ~std::size_t{0}})
        EXPECT_EQ(r.next(n), static_cast<std::size_t>((wide{gen()} * n) >> 64)) << n;
    EXPECT_EQ(outlook::resampler(1).draw(10), (std::vector<std::size_t>{1, 1, 4, 0, 3, 9, 4, 0, 5, 6}));
}

// A unit drawn twice counts twice; the intervals are the percentiles of the
// measures of the draws in turn.
TEST(OutlookBootstrap, UnitsDrawnPooledAndIntervals) {
    const auto a = sharedverdicts({{0.9, true}, {0.2, false}});
    const auto b = sharedverdicts({{0.6, false}});
    const std::vector<std::span<const outlook::periodverdict>> units = {a, b};
    const std::vector<std::size_t> drawn = {1, 0, 1};
    std::vector<outlook::periodverdict> all = b;
    all.insert(all.end(), a.begin(), a.end());
    all.insert(all.end(), b.begin(), b.end());
    const std::vector<double> thresholds = {100};
    const outlook::pooledscores byunits = outlook::poolunits(units, drawn, thresholds, false);
    const outlook::pooledscores together = outlook::poolverdicts(all, thresholds, false);
    EXPECT_EQ(byunits.scored, 4);
    EXPECT_EQ(byunits.brier.at(0).score, together.brier.at(0).score);
    EXPECT_EQ(byunits.brier.at(0).rocarea, together.brier.at(0).rocarea);
    const std::vector<double> values = {1, 10, 100};
    const auto sumof = [&](std::span<const std::size_t> d) {
        double sum = 0;
        for (const std::size_t k : d) sum += values[k];
        return std::vector<double>{sum, nan};
    };
    outlook::resampler r(5);
    std::vector<double> sums;
    for (int k = 0; k < 4; ++k) sums.push_back(sumof(r.draw(3))[0]);
    const auto intervals = outlook::bootstrapintervals(3, 4, 5, sumof);
    ASSERT_EQ(intervals.size(), 2U);
    EXPECT_EQ(intervals[0], outlook::percentileinterval(sums));
    EXPECT_TRUE(std::isnan(intervals[1].first));
}

TEST(OutlookObserved, ReadPeriodValuesAndBadFiles) {
    testsupport::scratchdir dir;
    testsupport::writefile("o.csv",
                           "\xEF\xBB\xBF"
                           "date,nbs_m3s\r\n2025-01-03,30\r\n2025-01-01,10\r\n2025-01-02,\r\n\r\n");
    const outlook::observedseries o = outlook::readobserved("o.csv");
    EXPECT_EQ(o.firstday, seqof(1, 1, 2025));
    ASSERT_EQ(o.values.size(), 3U);
    EXPECT_EQ(o.values[0], 10);
    EXPECT_TRUE(std::isnan(o.values[1]));
    // Periods of an outlook from 31 December: an accumulation needs every day from the first.
    outlook::ensemble e;
    e.lakeindex = 1;
    e.firstday = seqof(31, 12, 2024);
    e.lastday = e.firstday + 3;
    const std::vector<outlook::period> periods = {
        {e.firstday, e.firstday}, {e.firstday + 1, e.firstday + 1}, {e.firstday + 3, e.lastday}};
    const auto means = outlook::observedvalues(o, e, periods, outlook::periodstat::mean);
    EXPECT_TRUE(std::isnan(means[0]));
    EXPECT_EQ(means[1], 10);
    EXPECT_EQ(means[2], 30);
    EXPECT_TRUE(std::isnan(outlook::observedvalues(o, e, periods, outlook::periodstat::accumulated)[2]));
    for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
             {"", "o.csv: empty"},
             {"date,value\n", "o.csv line 1: the header is not 'date,nbs_m3s'"},
             {"date,nbs_m3s\n2025-13-01,1\n", "o.csv line 2: '2025-13-01' is not a date YYYY-MM-DD"},
             {"date,nbs_m3s\n2025-02-29,1\n", "o.csv line 2: '2025-02-29' is not a date"},
             {"date,nbs_m3s\n01/02/2025,1\n", "o.csv line 2: '01/02/2025' is not a date"},
             {"date,nbs_m3s\n2025-02-01,wet\n", "o.csv line 2: the value 'wet' is not a number"},
             {"date,nbs_m3s\n2025-02-01,inf\n", "o.csv line 2: the value 'inf' is not a number"},
             {"date,nbs_m3s\n2025-02-01,1\n2025-02-01,2\n",
              "o.csv line 3: 2025-02-01 is listed again (first on line 2)"}}) {
        testsupport::writefile("o.csv", text);
        try {
            outlook::readobserved("o.csv");
            ADD_FAILURE() << text;
        } catch (const outlook::readerror& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, message.size()), message) << text;
        }
    }
}

}  // namespace
