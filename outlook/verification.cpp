// Scores of ensemble forecasts against what happened, period by period, and
// their pooled values: CRPS, ranks and PIT, band coverage, Brier scores.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <ostream>

#include "outlook/outlook.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
constexpr std::size_t tenths = 10;

// A period's members sorted once, with the sums that score them against any
// value, or any one of them against the others, without another pass.
struct sortedmembers {
    bool weighted = false;
    std::vector<double> x;           // ascending
    std::vector<double> w;           // raw weights of x, 1 each when unweighted
    std::vector<std::size_t> order;  // the members' places as given
    std::vector<double> cw, cwx;     // sums of w and of w x before each place; n + 1 of each
    double spread = 0;               // sum over i, j of w_i w_j |x_i - x_j|
};

sortedmembers sortmembers(std::span<const double> members, std::span<const double> weights) {
    sortedmembers m;
    const std::size_t n = members.size();
    m.weighted = !weights.empty();
    m.order.resize(n);
    std::iota(m.order.begin(), m.order.end(), std::size_t{0});
    std::stable_sort(m.order.begin(), m.order.end(),
                     [&](std::size_t a, std::size_t b) { return members[a] < members[b]; });
    m.x.resize(n);
    m.w.resize(n);
    m.cw.assign(n + 1, 0.0);
    m.cwx.assign(n + 1, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        m.x[i] = members[m.order[i]];
        m.w[i] = m.weighted ? weights[m.order[i]] : 1.0;
        m.cw[i + 1] = m.cw[i] + m.w[i];
        m.cwx[i + 1] = m.cwx[i] + m.w[i] * m.x[i];
        // Sorted, |x_i - x_j| for j < i is x_i - x_j: the double sum in one pass.
        m.spread += 2.0 * m.w[i] * (m.x[i] * m.cw[i] - m.cwx[i]);
    }
    return m;
}

// sum_j w_j |x_j - y|, the members before place lo lying below y and those from
// it on not below.
double absdeviation(const sortedmembers& m, std::size_t lo, double y) {
    const std::size_t n = m.x.size();
    return y * m.cw[lo] - m.cwx[lo] + (m.cwx[n] - m.cwx[lo]) - y * (m.cw[n] - m.cw[lo]);
}

// The forecast read by the plotting-position rule: members ascending without the
// left-out one, and their weights summing to 1 (empty when unweighted).
struct readable {
    std::span<const double> values;
    std::span<const double> weights;
};

void readbands(const readable& r, double y, positionrule rule, periodscore& s) {
    const auto at = [&](double p) { return exceededvalue(r.values, r.weights, p, rule); };
    s.medianabserror = std::fabs(at(0.5) - y);
    s.in50 = at(0.75) <= y && y <= at(0.25);
    s.in80 = at(0.9) <= y && y <= at(0.1);
}

// The scores against y of the members but the one at place k (none: all of them;
// otherwise y is x_k). Without a value when the rest weigh nothing.
std::optional<periodscore> scoreat(const sortedmembers& m, double y, std::size_t k, const readable& r,
                                   const scoreoptions& options) {
    const std::size_t n = m.x.size();
    const double wk = k == none ? 0.0 : m.w[k];
    const double total = m.cw[n] - wk;
    if (n == 0 || !(total > 0)) return std::nullopt;
    const auto lo = static_cast<std::size_t>(std::lower_bound(m.x.begin(), m.x.end(), y) - m.x.begin());
    const auto hi = static_cast<std::size_t>(std::upper_bound(m.x.begin(), m.x.end(), y) - m.x.begin());
    periodscore s;
    s.weighted = m.weighted;
    s.members = static_cast<std::int32_t>(n - (k == none ? 0 : 1));
    s.below = static_cast<std::int32_t>(lo);
    s.equal = static_cast<std::int32_t>(hi - lo) - (k == none ? 0 : 1);
    s.pit = (m.cw[lo] + (m.cw[hi] - m.cw[lo] - wk) / 2.0) / total;
    s.meanerror = (m.cwx[n] - wk * y) / total - y;
    // The left-out member's own distance to y is 0; its part of the spread goes.
    const double deviation = absdeviation(m, lo, y);
    const double spread = m.spread - 2.0 * wk * deviation;
    s.crps = deviation / total - spread / (2.0 * total * total);
    s.faircrps = nan;
    if (!m.weighted && s.members >= 2) s.faircrps = deviation / total - spread / (2.0 * total * (total - 1.0));
    for (const double threshold : options.thresholds) {
        const auto above = m.x.end() - std::upper_bound(m.x.begin(), m.x.end(), threshold);
        const double weight = m.cw[n] - m.cw[n - static_cast<std::size_t>(above)] - (y > threshold ? wk : 0.0);
        s.above.push_back(weight / total);
    }
    readbands(r, y, options.rule, s);
    return s;
}

// The weights but the one at skip, over their sum added in order: the same bits
// as the others' weights scored alone, so that a band's bound is read alike.
std::vector<double> normalised(std::span<const double> w, std::size_t skip) {
    std::vector<double> out;
    out.reserve(w.size());
    double total = 0;
    for (std::size_t i = 0; i < w.size(); ++i)
        if (i != skip) total += w[i];
    for (std::size_t i = 0; i < w.size(); ++i)
        if (i != skip) out.push_back(w[i] / total);
    return out;
}

// The bin of a share in tenths: [0, 0.1) first, 1 in the last. A share a
// rounding of its sum of weights short of a tenth counts in that tenth.
std::size_t tenthof(double share) {
    const double bin = std::floor(share * static_cast<double>(tenths) + 1e-9);
    return std::min(tenths - 1, static_cast<std::size_t>(std::max(0.0, bin)));
}

}  // namespace

periodscore scoreforecast(std::span<const double> members, std::span<const double> weights, double y,
                          const scoreoptions& options) {
    const sortedmembers m = sortmembers(members, weights);
    const std::vector<double> w = m.weighted ? normalised(m.w, none) : std::vector<double>();
    const std::optional<periodscore> s = scoreat(m, y, none, {m.x, w}, options);
    if (!s) throw readerror("a forecast without members or weight");
    return *s;
}

std::vector<std::optional<periodscore>> leaveoneout(std::span<const double> members, std::span<const double> weights,
                                                    const scoreoptions& options) {
    const sortedmembers m = sortmembers(members, weights);
    const std::size_t n = m.x.size();
    std::vector<std::optional<periodscore>> out(n);
    if (n < 2) return out;
    // The members but the k-th: from x_1 ... x_n-1 for k = 0, each step puts
    // x_k-1 back in place k - 1, so that every left-out member costs O(1) here.
    std::vector<double> rest(m.x.begin() + 1, m.x.end());
    std::vector<double> restweights;
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0) rest[k - 1] = m.x[k - 1];
        const double total = m.cw[n] - m.w[k];
        if (m.weighted && total > 0) restweights = normalised(m.w, k);
        out[m.order[k]] = scoreat(m, m.x[k], k, {rest, restweights}, options);
    }
    return out;
}

namespace {

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

namespace {

void row(std::string& out, std::string_view measure, double value) {
    out += measure;
    out += ',';
    out += shortest(value);
    out += '\n';
}

// A CSV field, quoted when it holds a comma, a quote or a line end.
std::string csvfield(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

std::string pooledcsv(const pooledscores& pooled, bool baseline) {
    std::string out = "measure,value\n";
    out += "scored," + std::to_string(pooled.scored) + "\nnot_scored," + std::to_string(pooled.notscored) + "\n";
    row(out, "crps", pooled.crps);
    row(out, "fair_crps", pooled.faircrps);
    if (baseline) row(out, "crpss", pooled.crpss);
    row(out, "coverage50", pooled.coverage50);
    row(out, "coverage80", pooled.coverage80);
    for (const brierparts& b : pooled.brier) {
        const std::string name = "brier_" + shortest(b.threshold);
        row(out, name, b.score);
        row(out, name + "_reliability", b.reliability);
        row(out, name + "_resolution", b.resolution);
        row(out, name + "_uncertainty", b.uncertainty);
        row(out, name + "_within", b.within);
    }
    for (std::size_t k = 0; k < pooled.pit.size(); ++k) row(out, "pit_" + std::to_string(k + 1), pooled.pit[k]);
    for (std::size_t k = 0; k < pooled.rank.size(); ++k) row(out, "rank_" + std::to_string(k + 1), pooled.rank[k]);
    return out;
}

void writeverdicts(std::ostream& out, std::span<const periodverdict> verdicts, std::span<const double> thresholds) {
    std::string line =
        "outlook,first_date,last_date,observed,mean_error,median_abs_error,crps,fair_crps,rank,pit,in50,in80";
    for (const double t : thresholds) line += ",brier_" + shortest(t);
    out << line << '\n';
    for (const periodverdict& v : verdicts) {
        if (!v.score) continue;
        const periodscore& s = *v.score;
        line = csvfield(v.outlook) + ',' + isodate(v.days.first) + ',' + isodate(v.days.last);
        for (const double value : {v.observed, s.meanerror, s.medianabserror, s.crps, s.faircrps, s.rank(), s.pit})
            line += ',' + shortest(value);
        line += s.in50 ? ",1" : ",0";
        line += s.in80 ? ",1" : ",0";
        for (std::size_t t = 0; t < thresholds.size(); ++t) {
            const double o = v.observed > thresholds[t] ? 1.0 : 0.0;
            line += ',' + shortest((s.above[t] - o) * (s.above[t] - o));
        }
        out << line << '\n';
    }
}

}  // namespace outlook
