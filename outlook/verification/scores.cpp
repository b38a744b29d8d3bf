// Scores of one ensemble forecast of one period against what happened: CRPS,
// rank and PIT, band coverage, Brier shares; and each member against the others.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>

#include "outlook/verification/verification.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t none = std::numeric_limits<std::size_t>::max();

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

}  // namespace

periodscore scoreforecast(std::span<const double> members, std::span<const double> weights, double y,
                          const scoreoptions& options) {
    const sortedmembers m = sortmembers(members, weights);
    const std::vector<double> w = m.weighted ? normalised(m.w, none) : std::vector<double>();
    const std::optional<periodscore> s = scoreat(m, y, none, {m.x, w}, options);
    if (!s) throw std::invalid_argument("a forecast without members or weight");
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

}  // namespace outlook
