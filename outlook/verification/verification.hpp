// outlook verification: scores of ensemble forecasts against what happened,
// period by period (CRPS, ranks and PIT, band coverage, Brier scores), pooled
// over every period of one outlook or several, or of each scenario year against
// the others (leave-one-out), with bootstrap intervals of the pooled scores.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <utility>
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

// Percentile intervals of pooled scores over resamples (low, high); NaN without one.
struct pooledintervals {
    std::pair<double, double> crps, crpss;
    std::vector<std::pair<double, double>> brier;  // per threshold
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
    // The intervals of crps, crpss and the Brier scores, when resampled.
    std::optional<pooledintervals> intervals;
};

// The verdicts of units[drawn[0]], units[drawn[1]], ... pooled: a unit drawn twice
// counts twice.
pooledscores poolunits(std::span<const std::span<const periodverdict>> units, std::span<const std::size_t> drawn,
                       std::span<const double> thresholds, bool baseline);

pooledscores poolverdicts(std::span<const periodverdict> verdicts, std::span<const double> thresholds, bool baseline);

// The names of a period's score columns (mean_error ... in80, brier_X), as the
// files of every scored period have them (columns.cpp), and one verdict's fields
// appended to line, each after a comma: empty ones when it is not scored.
std::vector<std::string> scorecolumns(std::span<const double> thresholds);
void appendscores(std::string& line, const periodverdict& v, std::span<const double> thresholds);

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
    std::size_t resamples = 0;  // bootstrap resamples of the outlooks, or in leave-one-out of the years; 0: none
    std::uint64_t seed = 1;
};

struct verification {
    std::vector<periodverdict> verdicts;  // by outlook, then period; in leave-one-out by year
    pooledscores pooled;
    std::string unscored;  // why nothing was scored, when nothing was
};

// readerror for outlooks of several lakes, or a baseline of another lake or span.
verification verify(std::span<const outlookvalues> outlooks, const verifyask& ask);

// ---------------------------------------------------------------------------
// Resampling (bootstrap.cpp)
// ---------------------------------------------------------------------------

// Seeded resamplings of n units with replacement, the same on every machine:
// each index is the high 64 bits of the 128-bit product of a std::mt19937_64
// output and n.
class resampler {
public:
    explicit resampler(std::uint64_t seed);
    // One index in [0, n), n above 0.
    std::size_t next(std::size_t n);
    // n indices in [0, n), drawn in turn.
    std::vector<std::size_t> draw(std::size_t n);

private:
    std::mt19937_64 gen_;
};

// The lo and hi percentiles (as fractions) of the values that are not NaN, by
// linear interpolation between the order statistics at p(B - 1) of the B values,
// counting from 0; NaN for none.
std::pair<double, double> percentileinterval(std::vector<double> values, double lo = 0.025, double hi = 0.975);

// Measures of one resample: as many values each time, NaN where it has none.
using resampledmeasures = std::function<std::vector<double>(std::span<const std::size_t> drawn)>;

// For each of resamples draws of n units by resampler(seed), in turn, the
// measures of the units drawn; the percentileinterval of each measure over them.
std::vector<std::pair<double, double>> bootstrapintervals(std::size_t n, std::size_t resamples, std::uint64_t seed,
                                                          const resampledmeasures& measures);

}  // namespace outlook
