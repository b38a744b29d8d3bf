// The members of a period, and the statistics of an outlook by period, weighted
// or not.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

#include "outlook/analysis/analysis.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

periodsummary summarise(const periodsample& sample, period days, const analysis& a) {
    periodsummary out;
    out.days = days;
    out.count = static_cast<std::int32_t>(sample.values.size());
    out.missing = sample.missing;
    out.exceed.assign(a.levels.size(), nan);
    out.above.assign(a.thresholds.size(), nan);
    const std::span<const double> v = sample.values;
    const std::span<const double> w = sample.weights;
    if (v.empty()) {
        out.min = out.mean = out.max = out.effective = nan;
        return out;
    }
    out.min = v.front();
    out.max = v.back();
    const auto n = static_cast<double>(v.size());
    if (w.empty()) {
        // Summed largest first, as the unweighted statistics always were.
        out.mean = std::accumulate(v.rbegin(), v.rend(), 0.0) / n;
        out.effective = n;
    } else {
        out.mean = std::inner_product(v.begin(), v.end(), w.begin(), 0.0);
        out.effective = 1.0 / std::inner_product(w.begin(), w.end(), w.begin(), 0.0);
    }
    for (std::size_t k = 0; k < a.levels.size(); ++k) out.exceed[k] = exceededvalue(v, w, a.levels[k] / 100.0, a.rule);
    for (std::size_t k = 0; k < a.thresholds.size(); ++k) {
        double share = 0;
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (v[i] > a.thresholds[k]) share += w.empty() ? 1.0 : w[i];
        }
        out.above[k] = w.empty() ? share / n : share;
    }
    return out;
}

}  // namespace

periodset periodsetof(const analysis& a, const ensemble& e, std::vector<double> weights) {
    periodset set;
    set.periods = periodsof(a.kind, e.firstday, e.lastday);
    set.values = periodvalues(e, set.periods, a.stat);
    set.weights = std::move(weights);
    return set;
}

periodmembers membersof(const std::vector<std::vector<double>>& values, std::span<const double> weights,
                        std::size_t periodindex, weightless rule, std::optional<std::size_t> skip) {
    periodmembers m;
    m.values.reserve(values.size());
    m.scenarios.reserve(values.size());
    if (!weights.empty()) m.weights.reserve(values.size());
    for (std::size_t s = 0; s < values.size(); ++s) {
        if (std::isnan(values[s][periodindex])) {
            ++m.missing;
            continue;
        }
        const double w = weights.empty() ? 1.0 : weights[s];
        if (s == skip || (rule == weightless::dropped && !(w > 0))) continue;
        m.values.push_back(values[s][periodindex]);
        m.scenarios.push_back(s);
        if (!weights.empty()) m.weights.push_back(w);
        m.weight += w;
    }
    return m;
}

periodsample sampleof(const std::vector<std::vector<double>>& values, std::span<const double> weights,
                      std::size_t periodindex) {
    const periodmembers m = membersof(values, weights, periodindex, weightless::dropped);
    periodsample sample;
    sample.missing = m.missing;
    std::vector<std::pair<double, std::size_t>> taking;  // value and scenario
    taking.reserve(m.values.size());
    for (std::size_t i = 0; i < m.values.size(); ++i) taking.emplace_back(m.values[i], m.scenarios[i]);
    // Tied values keep the ensemble's order: by value, then scenario.
    std::sort(taking.begin(), taking.end());
    sample.values.reserve(taking.size());
    sample.scenarios.reserve(taking.size());
    for (const auto& [v, s] : taking) {
        sample.values.push_back(v);
        sample.scenarios.push_back(s);
    }
    if (weights.empty() || sample.scenarios.empty()) return sample;
    const double first = weights[sample.scenarios.front()];
    double total = 0;
    bool equal = true;
    for (const std::size_t s : sample.scenarios) {
        total += weights[s];
        equal = equal && weights[s] == first;
    }
    if (equal) return sample;
    sample.weights.reserve(sample.scenarios.size());
    for (const std::size_t s : sample.scenarios) sample.weights.push_back(weights[s] / total);
    return sample;
}

std::vector<periodsummary> summarise(const periodset& set, const analysis& a) {
    std::vector<periodsummary> out;
    out.reserve(set.periods.size());
    for (std::size_t p = 0; p < set.periods.size(); ++p)
        out.push_back(summarise(sampleof(set.values, set.weights, p), set.periods[p], a));
    return out;
}

}  // namespace outlook
