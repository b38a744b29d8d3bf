// Ensemble statistics of an outlook by period.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>

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
            const auto to = static_cast<std::size_t>(periods[p].last - e.firstday + 1);
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
    const std::size_t n = descending.size();
    if (n == 0) return nan;
    const double rank = p * static_cast<double>(n + 1);  // 1-based rank among the largest first
    if (rank <= 1.0) return descending.front();
    if (rank >= static_cast<double>(n)) return descending.back();
    const auto below = static_cast<std::size_t>(std::floor(rank));
    const double fraction = rank - static_cast<double>(below);
    const double a = descending[below - 1];
    const double b = descending[below];
    return a + fraction * (b - a);
}

std::vector<periodstats> statistics(std::span<const period> periods, const std::vector<std::vector<double>>& means) {
    std::vector<periodstats> stats(periods.size());
    std::vector<double> values;
    for (std::size_t p = 0; p < periods.size(); ++p) {
        values.clear();
        for (const auto& scenario : means) {
            if (!std::isnan(scenario[p])) values.push_back(scenario[p]);
        }
        std::sort(values.begin(), values.end(), std::greater<>());
        periodstats& s = stats[p];
        s.days = periods[p];
        s.count = static_cast<std::int32_t>(values.size());
        s.missing = static_cast<std::int32_t>(means.size() - values.size());
        const bool any = !values.empty();
        s.max = any ? values.front() : nan;
        s.min = any ? values.back() : nan;
        s.mean = any ? std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size()) : nan;
        s.q90 = exceeded(values, 0.90);
        s.q75 = exceeded(values, 0.75);
        s.q50 = exceeded(values, 0.50);
        s.q25 = exceeded(values, 0.25);
        s.q10 = exceeded(values, 0.10);
    }
    return stats;
}

}  // namespace outlook
