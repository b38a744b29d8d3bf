// The verdicts of many periods pooled: mean CRPS and skill, band coverage, the
// Brier score and its parts, PIT and rank histograms.
#include <cmath>
#include <limits>
#include <map>
#include <numeric>

#include "outlook/verification/verification.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t tenths = 10;

// The bin of a share in tenths: [0, 0.1) first, 1 in the last. A share a
// rounding of its sum of weights short of a tenth counts in that tenth.
std::size_t tenthof(double share) {
    const double bin = std::floor(share * static_cast<double>(tenths) + 1e-9);
    return std::min(tenths - 1, static_cast<std::size_t>(std::max(0.0, bin)));
}

struct brierbins {
    std::vector<double> count = std::vector<double>(tenths), forecast = std::vector<double>(tenths),
                        observed = std::vector<double>(tenths);
    double score = 0;
};

brierparts decompose(const brierbins& b, double threshold, double n) {
    brierparts out;
    out.threshold = threshold;
    const double obar = std::accumulate(b.observed.begin(), b.observed.end(), 0.0) / n;
    for (std::size_t k = 0; k < tenths; ++k) {
        if (b.count[k] == 0) continue;
        const double pk = b.forecast[k] / b.count[k];
        const double ok = b.observed[k] / b.count[k];
        out.reliability += b.count[k] * (pk - ok) * (pk - ok) / n;
        out.resolution += b.count[k] * (ok - obar) * (ok - obar) / n;
    }
    out.score = b.score / n;
    out.uncertainty = obar * (1.0 - obar);
    out.within = out.score - (out.reliability - out.resolution + out.uncertainty);
    return out;
}

// A tie with e members spans ranks below + 1 to below + e + 1, 1/(e + 1) of
// each. The shares are counted whole by the size of their tie and divided once,
// so that ties that make up a whole count read as one.
std::vector<double> rankcounts(std::span<const periodverdict> verdicts, std::size_t ranks) {
    std::map<std::size_t, std::vector<double>> shares;  // by e + 1
    for (const periodverdict& v : verdicts) {
        if (!v.score) continue;
        const auto from = static_cast<std::size_t>(v.score->below);
        const auto spanned = static_cast<std::size_t>(v.score->equal) + 1;
        std::vector<double>& counts = shares[spanned];
        counts.resize(ranks);
        for (std::size_t r = from; r < from + spanned; ++r) counts[r] += 1;
    }
    std::vector<double> out(ranks);
    for (const auto& [spanned, counts] : shares)
        for (std::size_t r = 0; r < ranks; ++r) out[r] += counts[r] / static_cast<double>(spanned);
    return out;
}

struct pooledsums {
    double crps = 0, faircrps = 0, in50 = 0, in80 = 0, crpsboth = 0, baselineboth = 0;
    bool fair = true, ranked = true, both = false;
    std::int32_t members = -1;
};

void addscore(pooledsums& sums, const periodverdict& v, std::vector<double>& pit) {
    const periodscore& s = *v.score;
    sums.crps += s.crps;
    sums.fair = sums.fair && !std::isnan(s.faircrps);
    sums.faircrps += s.faircrps;
    sums.in50 += s.in50 ? 1 : 0;
    sums.in80 += s.in80 ? 1 : 0;
    if (!std::isnan(v.baselinecrps)) {
        sums.both = true;
        sums.crpsboth += s.crps;
        sums.baselineboth += v.baselinecrps;
    }
    pit[tenthof(s.pit)] += 1;
    sums.ranked = sums.ranked && !s.weighted && (sums.members < 0 || sums.members == s.members);
    sums.members = s.members;
}

}  // namespace

pooledscores poolverdicts(std::span<const periodverdict> verdicts, std::span<const double> thresholds, bool baseline) {
    pooledscores p;
    p.baseline = baseline;
    p.pit.assign(tenths, 0.0);
    pooledsums sums;
    std::vector<brierbins> bins(thresholds.size());
    for (const periodverdict& v : verdicts) {
        if (!v.score) {
            ++p.notscored;
            continue;
        }
        ++p.scored;
        addscore(sums, v, p.pit);
        for (std::size_t t = 0; t < thresholds.size(); ++t) {
            const double share = v.score->above[t];
            const double o = v.observed > thresholds[t] ? 1.0 : 0.0;
            const std::size_t k = tenthof(share);
            bins[t].count[k] += 1;
            bins[t].forecast[k] += share;
            bins[t].observed[k] += o;
            bins[t].score += (share - o) * (share - o);
        }
    }
    const double n = p.scored;
    p.crps = p.scored > 0 ? sums.crps / n : nan;
    p.faircrps = p.scored > 0 && sums.fair ? sums.faircrps / n : nan;
    p.coverage50 = p.scored > 0 ? sums.in50 / n : nan;
    p.coverage80 = p.scored > 0 ? sums.in80 / n : nan;
    p.crpss = baseline && sums.both && sums.baselineboth > 0 ? 1.0 - sums.crpsboth / sums.baselineboth : nan;
    if (p.scored == 0) return p;
    for (std::size_t t = 0; t < thresholds.size(); ++t) p.brier.push_back(decompose(bins[t], thresholds[t], n));
    if (sums.ranked) p.rank = rankcounts(verdicts, static_cast<std::size_t>(sums.members) + 1);
    return p;
}

}  // namespace outlook
