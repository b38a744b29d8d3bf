// Ensemble statistics of an outlook by period, weighted or not.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <utility>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/outlook.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The lake index of the name a table's first line gives ("Mich-Hur"); 0 for none.
std::int32_t lakeofname(std::string_view name) {
    for (std::size_t k = 0; k < fcstutil::levlkname10.size(); ++k) {
        if (iolayer::trimright(std::string_view(fcstutil::levlkname10[k]).substr(0, 8)) == name)
            return static_cast<std::int32_t>(k + 1);
    }
    return 0;
}

}  // namespace

std::optional<periodkind> periodofname(std::string_view name) {
    if (name == "quarter-month") return periodkind::quartermonth;
    if (name == "month") return periodkind::month;
    if (name == "outlook") return periodkind::outlook;
    return std::nullopt;
}

std::vector<period> periodsof(periodkind kind, std::int32_t firstday, std::int32_t lastday) {
    std::vector<period> periods;
    if (kind == periodkind::outlook) {
        periods.push_back({firstday, lastday});
        return periods;
    }
    for (std::int32_t start = firstday; start <= lastday;) {
        std::int32_t end = start;
        const bool moved =
            kind == periodkind::month ? keldautil::adjusttoendofmonth(end) : keldautil::adjusttoendofqtrmonth(end);
        if (!moved || end < start) end = lastday;  // outside the calendar's years: one period for the rest
        end = std::min(end, lastday);
        periods.push_back({start, end});
        start = end + 1;
    }
    return periods;
}

ensemble makeensemble(std::vector<table> tables) {
    if (tables.empty()) throw readerror("no tables to read");
    ensemble e;
    e.lake = tables.front().lake;
    e.firstday = tables.front().firstday;
    e.lastday = tables.front().lastday;
    e.lakeindex = lakeofname(e.lake);
    for (auto& t : tables) {
        if (t.lake != e.lake)
            throw readerror("the tables are not of one lake: scenario " + std::to_string(t.year) + " is of " + t.lake +
                            ", scenario " + std::to_string(tables.front().year) + " of " + e.lake);
        if (t.firstday != e.firstday || t.lastday != e.lastday)
            throw readerror("the tables are not of one outlook: scenario " + std::to_string(t.year) + " covers " +
                            isodate(t.firstday) + " to " + isodate(t.lastday) + ", scenario " +
                            std::to_string(tables.front().year) + " " + isodate(e.firstday) + " to " +
                            isodate(e.lastday));
        e.years.push_back(t.year);
        e.values.push_back(std::move(t.values));
    }
    return e;
}

std::vector<std::vector<double>> periodmeans(const ensemble& e, std::span<const period> periods) {
    const std::size_t n = e.values.size();
    std::vector<std::vector<double>> means(n, std::vector<double>(periods.size()));
    // Scenarios summed four side by side, each in day order as alone: the four
    // chains of additions overlap, and every sum is the same to the last bit.
    constexpr std::size_t group = 4;
    for (std::size_t s0 = 0; s0 < n; s0 += group) {
        const std::size_t g = std::min(group, n - s0);
        std::array<const double*, group> days{};
        for (std::size_t j = 0; j < group; ++j) days[j] = e.values[s0 + std::min(j, g - 1)].data();
        for (std::size_t p = 0; p < periods.size(); ++p) {
            const auto from = static_cast<std::size_t>(periods[p].first - e.firstday);
            const auto to = static_cast<std::size_t>(periods[p].last - e.firstday) + 1;
            std::array<double, group> sum{};
            for (std::size_t d = from; d < to; ++d) {
                for (std::size_t j = 0; j < group; ++j) sum[j] += days[j][d];
            }
            // A missing day (NaN) leaves the period without a value.
            for (std::size_t j = 0; j < g; ++j) means[s0 + j][p] = sum[j] / static_cast<double>(to - from);
        }
    }
    return means;
}

double exceeded(std::span<const double> descending, double p) {
    const std::vector<double> ascending(descending.rbegin(), descending.rend());
    return exceededvalue(ascending, {}, p, positionrule::weibull);
}

periodsample sampleof(const std::vector<std::vector<double>>& values, std::span<const double> weights,
                      std::size_t periodindex) {
    periodsample sample;
    std::vector<std::pair<double, std::size_t>> taking;  // value and scenario
    taking.reserve(values.size());
    for (std::size_t s = 0; s < values.size(); ++s) {
        const double v = values[s][periodindex];
        if (std::isnan(v)) {
            ++sample.missing;
        } else if (weights.empty() || weights[s] > 0) {
            taking.emplace_back(v, s);
        }
    }
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

std::vector<periodsummary> summarise(std::span<const period> periods, const std::vector<std::vector<double>>& values,
                                     std::span<const double> weights, const analysis& a) {
    std::vector<periodsummary> out;
    out.reserve(periods.size());
    for (std::size_t p = 0; p < periods.size(); ++p)
        out.push_back(summarise(sampleof(values, weights, p), periods[p], a));
    return out;
}

std::vector<periodstats> statistics(std::span<const period> periods, const std::vector<std::vector<double>>& means) {
    analysis a;
    a.levels = {90, 75, 50, 25, 10};
    const std::vector<periodsummary> summaries = summarise(periods, means, {}, a);
    std::vector<periodstats> stats;
    stats.reserve(summaries.size());
    for (const periodsummary& s : summaries) {
        stats.push_back({s.days, s.count, s.missing, s.min, s.exceed[0], s.exceed[1], s.exceed[2], s.exceed[3],
                         s.exceed[4], s.mean, s.max});
    }
    return stats;
}

std::optional<std::size_t> periodholding(std::span<const period> periods, std::int32_t day) {
    const auto found = std::lower_bound(periods.begin(), periods.end(), day,
                                        [](const period& p, std::int32_t d) { return p.last < d; });
    if (found == periods.end() || found->first > day) return std::nullopt;
    return static_cast<std::size_t>(found - periods.begin());
}

}  // namespace outlook
