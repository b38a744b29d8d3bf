// outlook verification: scores of ensemble forecasts against what happened,
// period by period (CRPS, ranks and PIT, band coverage, Brier scores), pooled
// over every period of one outlook or several, or of each scenario year against
// the others (leave-one-out).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "outlook/analysis/analysis.hpp"
#include "outlook/input/input.hpp"
#include "outlook/model/model.hpp"

namespace outlook {

// ---------------------------------------------------------------------------
// One forecast of one period (scores.cpp)
// ---------------------------------------------------------------------------

struct scoreoptions {
    positionrule rule = positionrule::weibull;  // reads the median and the bands
    std::vector<double> thresholds;             // one Brier score each
};

// One forecast of one period, M members, against the observation y.
struct periodscore {
    bool weighted = false;
    std::int32_t members = 0;
    std::int32_t below = 0;  // members below y
    std::int32_t equal = 0;  // members equal to y
    double meanerror = 0;    // weighted mean - y
    double medianabserror = 0;
    double crps = 0;
    double faircrps = 0;        // NaN when weighted or M = 1
    double pit = 0;             // weight below y plus half the weight equal to it
    bool in50 = false;          // y within the values exceeded with 75 % and 25 %, bounds included
    bool in80 = false;          // ... with 90 % and 10 %
    std::vector<double> above;  // per threshold: the forecast weight share above it
    double rank() const { return 1.0 + below + equal / 2.0; }
};

// The scores of members (any order, no NaN) with weights (not negative, any sum
// above 0; empty: each member the same) against y; std::invalid_argument for no
// member or no weight.
periodscore scoreforecast(std::span<const double> members, std::span<const double> weights, double y,
                          const scoreoptions& options);

// Each member in turn taken as what happened and the others, their weights
// renormalised, as the forecast: out[i] scores member i, without a value when the
// others weigh nothing. One sort for all of them.
std::vector<std::optional<periodscore>> leaveoneout(std::span<const double> members, std::span<const double> weights,
                                                    const scoreoptions& options);

// ---------------------------------------------------------------------------
// Verdicts pooled (pooling.cpp)
// ---------------------------------------------------------------------------

// One period of one outlook, scored or not.
struct periodverdict {
    std::string outlook;  // as named, or the left-out year
    period days;
    double observed = 0;
    std::optional<periodscore> score;
    double baselinecrps = 0;  // NaN when the baseline did not score the period
};

// One bin of the reliability diagram: the scored periods whose forecast share
// falls in tenth bin, as the Brier decomposition bins them.
struct reliabilitypoint {
    std::size_t bin = 0;  // 0 for [0, 0.1) ... 9 for [0.9, 1]
    double forecast = 0;  // the mean forecast share of the bin
    double observed = 0;  // the share of its periods above the threshold
    std::int32_t count = 0;
};

struct brierparts {
    double threshold = 0;
    double score = 0, reliability = 0, resolution = 0, uncertainty = 0, within = 0;
    double rocarea = 0;                     // NaN unless some periods exceeded and some did not
    std::vector<reliabilitypoint> diagram;  // the bins that hold a period, ascending
};

// The verdicts pooled. Means are NaN when nothing is scored.
struct pooledscores {
    std::int32_t scored = 0;
    std::int32_t notscored = 0;
    double crps = 0;
    double faircrps = 0;  // NaN unless every scored period has one
    bool baseline = false;
    double crpss = 0;  // NaN without a baseline or when its CRPS is 0
    double coverage50 = 0, coverage80 = 0;
    std::vector<brierparts> brier;
    std::vector<double> pit;   // counts of PIT in tenths, 1.0 in the last
    std::vector<double> rank;  // counts of ranks 1 to M + 1; empty with weights or M varying
};

pooledscores poolverdicts(std::span<const periodverdict> verdicts, std::span<const double> thresholds, bool baseline);

// ---------------------------------------------------------------------------
// Outlooks verified (verify.cpp)
// ---------------------------------------------------------------------------

// One outlook as verification takes it: its period values and its weights.
struct outlookvalues {
    std::string name;
    ensemble e;
    std::vector<period> periods;
    std::vector<std::vector<double>> values;  // [scenario][period]
    std::vector<double> weights;              // one per scenario; empty: equal
};
outlookvalues valuesof(std::string name, ensemble e, periodkind kind, periodstat stat, std::vector<double> weights);

// What is scored, and how. Without observed, each scenario year of the one
// outlook is what happened in turn (leave-one-out). A baseline is another outlook
// of the same span; without one, weighted outlooks are held against themselves
// with equal weights.
struct verifyask {
    const observedseries* observed = nullptr;
    const outlookvalues* baseline = nullptr;
    periodstat stat = periodstat::mean;
    scoreoptions options;
};

struct verification {
    std::vector<periodverdict> verdicts;  // by outlook, then period; in leave-one-out by year
    pooledscores pooled;
    std::string unscored;  // why nothing was scored, when nothing was
};

// readerror for outlooks of several lakes, or a baseline of another lake or span.
verification verify(std::span<const outlookvalues> outlooks, const verifyask& ask);

}  // namespace outlook
