// outlook analysis: what the scenarios say of each period. A scenario's value for
// a period, the plotting positions and the values exceeded between them, the
// weighted statistics of the scenarios and each trace's rank.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "outlook/input/input.hpp"
#include "outlook/model/model.hpp"

namespace outlook {

// ---------------------------------------------------------------------------
// A scenario's value for a period (periodvalues.cpp)
// ---------------------------------------------------------------------------

// mean, min, max of the daily values (m3/s); volume: the period's supply as a
// depth over the lake (mm): the sum of the daily flows times 86400 s over the
// lake's coordinated area; accumulated: that depth from the outlook's first day
// to the end of the period.
enum class periodstat { mean, min, max, volume, accumulated };

std::optional<periodstat> statofname(std::string_view name);
// "m3s" or "mm", as column names carry it.
std::string_view unitof(periodstat stat);
// Millimetres over the lake (index 1 to 5) of one cubic metre per second for a
// day; readerror for another index.
double depthofdayflow(std::int32_t lakeindex);

// [scenario][period], NaN when a day that the value needs is missing. readerror
// for a depth of an ensemble whose lake is not known.
std::vector<std::vector<double>> periodvalues(const ensemble& e, std::span<const period> periods, periodstat stat);
// The observation's value for each period of e's outlook, as a scenario's: NaN
// when a day the value needs is not observed.
std::vector<double> observedvalues(const observedseries& observed, const ensemble& e, std::span<const period> periods,
                                   periodstat stat);

// ---------------------------------------------------------------------------
// Plotting positions (positions.cpp)
// ---------------------------------------------------------------------------

// The non-exceedance position of the i-th smallest of n values is
// (i - a)/(n + 1 - 2a), a the rule's constant.
enum class positionrule { weibull, hazen, cunnane, gringorten, median };

std::optional<positionrule> positionofname(std::string_view name);
double positionconstant(positionrule rule);  // 0, 0.5, 0.4, 0.44, 0.3175

// Non-exceedance positions of n values in ascending order. weights, in the same
// order and summing to 1, make the position of the i-th value
// (n (C_i - w_i / 2) + 1/2 - a)/(n + 1 - 2a) with C_i the sum of w_1 ... w_i;
// empty weights, or weights all equal, give the unweighted positions exactly.
std::vector<double> positions(std::size_t n, std::span<const double> weights, positionrule rule);

// The value exceeded with probability p (0 to 1) among values in ascending order:
// read at non-exceedance 1 - p, linearly between positions, clamped to the
// smallest and largest value. NaN for no values. Unweighted and by Weibull, it is
// the m/(n+1) reading of the m-th largest.
double exceededvalue(std::span<const double> ascending, std::span<const double> weights, double p, positionrule rule);

// ---------------------------------------------------------------------------
// Statistics of the scenarios by period (statistics.cpp)
// ---------------------------------------------------------------------------

// What the statistics of a command ask for, checked.
struct analysis {
    periodkind kind = periodkind::quartermonth;
    periodstat stat = periodstat::mean;
    positionrule rule = positionrule::weibull;
    std::vector<double> levels = {90, 50, 10};  // exceedance percentages, in (0, 100)
    std::vector<double> thresholds;             // in the stat's unit
};

// An ensemble's values for the periods of an analysis, with the weights of its
// scenarios (one per scenario, as a weights file gives them; empty: equal).
struct periodset {
    std::vector<period> periods;
    std::vector<std::vector<double>> values;  // [scenario][period]
    std::vector<double> weights;
};
periodset periodsetof(const analysis& a, const ensemble& e, std::vector<double> weights);

// What becomes of a scenario of weight 0 among a period's members: the summary
// and the charts drop it; verification keeps it, without weight, for ranks and
// positions.
enum class weightless { dropped, kept };

// The members of one period: the scenarios with a value, in the ensemble's order.
struct periodmembers {
    std::vector<double> values;
    std::vector<double> weights;         // theirs as given; empty without weights
    std::vector<std::size_t> scenarios;  // index in the ensemble of each value
    std::int32_t missing = 0;            // scenarios without a value, whatever their weight
    double weight = 0;                   // the sum of their weights (their count without weights)
};
// values is [scenario][period]; weights one per scenario, empty for equal ones;
// skip, when given, leaves that scenario out (a left-out year).
periodmembers membersof(const std::vector<std::vector<double>>& values, std::span<const double> weights,
                        std::size_t periodindex, weightless rule, std::optional<std::size_t> skip = std::nullopt);

// The members of a period for its statistics, those of weight 0 dropped: values
// ascending (ties in the ensemble's order), weights normalised to sum 1 in the
// same order, empty when all are equal, so that equal weights give the
// unweighted numbers exactly.
struct periodsample {
    std::vector<double> values;
    std::vector<double> weights;
    std::vector<std::size_t> scenarios;
    std::int32_t missing = 0;
};
periodsample sampleof(const std::vector<std::vector<double>>& values, std::span<const double> weights,
                      std::size_t periodindex);

struct periodsummary {
    period days;
    std::int32_t count = 0;  // scenarios of positive weight with a value
    std::int32_t missing = 0;
    // NaN when count is 0.
    double min = 0, mean = 0, max = 0;
    double effective = 0;        // 1 / sum of the squared normalised weights
    std::vector<double> exceed;  // one per level
    std::vector<double> above;   // share of the weight above each threshold
};
std::vector<periodsummary> summarise(const periodset& set, const analysis& a);

// ---------------------------------------------------------------------------
// Each trace's place in a period (traces.cpp)
// ---------------------------------------------------------------------------

// A scenario's value in a period, its rank (1 the largest; tied values share the
// best rank and the smallest exceedance among them), its normalised weight and
// its exceedance probability; rank 0 when it takes no part.
struct rankedvalue {
    double value = 0;
    std::size_t rank = 0;
    double weight = 0;
    double exceedance = 0;
};
// By scenario of the ensemble: out holds one entry per scenario.
void rankperiod(const periodsample& sample, positionrule rule, std::vector<rankedvalue>& out);

}  // namespace outlook
