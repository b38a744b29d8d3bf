// The verdicts of many periods pooled: mean CRPS and skill, band coverage, the
// Brier score and its parts, ROC area and reliability diagram, PIT and rank
// histograms.
#include <algorithm>
#include <array>
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
    std::vector<std::pair<double, bool>> cases;  // (share, exceeded) of each period
};

// The area under the relative operating characteristic: the Mann-Whitney
// statistic of the shares of the periods that exceeded against those that did
// not, a tie of the two counting half. By share ascending, each event gains the
// non-events below it and half of those of its own share.
double rocarea(std::vector<std::pair<double, bool>> cases) {
    std::sort(cases.begin(), cases.end());
    double events = 0, nonevents = 0, pairs = 0;
    for (std::size_t i = 0, j = 0; i < cases.size(); i = j) {
        double e = 0, f = 0;
        for (j = i; j < cases.size() && cases[j].first == cases[i].first; ++j) (cases[j].second ? e : f) += 1;
        pairs += e * (nonevents + f / 2.0);
        events += e;
        nonevents += f;
    }
    return events > 0 && nonevents > 0 ? pairs / (events * nonevents) : nan;
}

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
        out.diagram.push_back({k, pk, ok, static_cast<std::int32_t>(b.count[k])});
    }
    out.score = b.score / n;
    out.uncertainty = obar * (1.0 - obar);
    out.within = out.score - (out.reliability - out.resolution + out.uncertainty);
    out.rocarea = rocarea(b.cases);
    return out;
}

// The units drawn, in turn, as verdicts.
struct drawnunits {
    std::span<const std::span<const periodverdict>> units;
    std::span<const std::size_t> drawn;
    template <typename visit>
    void each(visit&& f) const {
        for (const std::size_t u : drawn)
            for (const periodverdict& v : units[u]) f(v);
    }
};

// A tie with e members spans ranks below + 1 to below + e + 1, 1/(e + 1) of
// each. The shares are counted whole by the size of their tie and divided once,
// so that ties that make up a whole count read as one.
std::vector<double> rankcounts(const drawnunits& verdicts, std::size_t ranks) {
    std::map<std::size_t, std::vector<double>> shares;  // by e + 1
    verdicts.each([&](const periodverdict& v) {
        if (!v.score) return;
        const auto from = static_cast<std::size_t>(v.score->below);
        const auto spanned = static_cast<std::size_t>(v.score->equal) + 1;
        std::vector<double>& counts = shares[spanned];
        counts.resize(ranks);
        for (std::size_t r = from; r < from + spanned; ++r) counts[r] += 1;
    });
    std::vector<double> out(ranks);
    for (const auto& [spanned, counts] : shares)
        for (std::size_t r = 0; r < ranks; ++r) out[r] += counts[r] / static_cast<double>(spanned);
    return out;
}

// A period's forecast share above a threshold, in its tenth, and whether it exceeded.
void addshare(brierbins& b, double share, bool exceeded) {
    const double o = exceeded ? 1.0 : 0.0;
    const std::size_t k = tenthof(share);
    b.count[k] += 1;
    b.forecast[k] += share;
    b.observed[k] += o;
    b.score += (share - o) * (share - o);
    b.cases.emplace_back(share, exceeded);
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

pooledscores poolunits(std::span<const std::span<const periodverdict>> units, std::span<const std::size_t> drawn,
                       std::span<const double> thresholds, bool baseline) {
    const drawnunits verdicts{units, drawn};
    pooledscores p;
    p.baseline = baseline;
    p.pit.assign(tenths, 0.0);
    pooledsums sums;
    std::vector<brierbins> bins(thresholds.size());
    verdicts.each([&](const periodverdict& v) {
        if (!v.score) {
            ++p.notscored;
            return;
        }
        ++p.scored;
        addscore(sums, v, p.pit);
        for (std::size_t t = 0; t < thresholds.size(); ++t)
            addshare(bins[t], v.score->above[t], v.observed > thresholds[t]);
    });
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

pooledscores poolverdicts(std::span<const periodverdict> verdicts, std::span<const double> thresholds, bool baseline) {
    const std::array<std::span<const periodverdict>, 1> all = {verdicts};
    const std::array<std::size_t, 1> once = {0};
    return poolunits(all, once, thresholds, baseline);
}

}  // namespace outlook
