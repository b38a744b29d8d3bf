// A scenario's value for each period, and the observation's: mean, extremes or
// depth of supply.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>

#include "fcstutil/fcstutil.hpp"
#include "outlook/analysis/analysis.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double secondsperday = 86400.0;

// NaN when any of the days is missing, which a sum carries but min and max drop.
double extreme(std::span<const double> days, bool largest) {
    double out = days.front();
    for (const double v : days) {
        if (std::isnan(v)) return nan;
        out = largest ? std::max(out, v) : std::min(out, v);
    }
    return out;
}

// Mean of each scenario's days of each period: [scenario][period], NaN when a day
// of the period is missing.
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

}  // namespace

std::optional<periodstat> statofname(std::string_view name) {
    constexpr std::array<std::string_view, 5> names = {"mean", "min", "max", "volume", "accumulated"};
    return valueofname<periodstat>(name, names);
}

std::string_view unitof(periodstat stat) {
    return stat == periodstat::volume || stat == periodstat::accumulated ? "mm" : "m3s";
}

double depthofdayflow(std::int32_t lakeindex) {
    rerove_tivorn_subs::LakeParts lake;
    if (!rerove_tivorn_subs::lakeparts(lakeindex, lake)) throw readerror("the tables name no lake whose area is known");
    const double area = fcstutil::coordlakearea[static_cast<std::size_t>(lake.fcstlake - 1)];  // m2
    return secondsperday / area * 1000.0;
}

std::vector<std::vector<double>> periodvalues(const ensemble& e, std::span<const period> periods, periodstat stat) {
    if (stat == periodstat::mean) return periodmeans(e, periods);
    const bool depth = stat == periodstat::volume || stat == periodstat::accumulated;
    const double mm = depth ? depthofdayflow(e.lakeindex) : 0.0;
    std::vector<std::vector<double>> out(e.values.size(), std::vector<double>(periods.size()));
    for (std::size_t s = 0; s < e.values.size(); ++s) {
        double sofar = 0;
        for (std::size_t p = 0; p < periods.size(); ++p) {
            const std::span<const double> days(e.values[s].data() + (periods[p].first - e.firstday),
                                               static_cast<std::size_t>(periods[p].last - periods[p].first + 1));
            if (!depth) {
                out[s][p] = extreme(days, stat == periodstat::max);
                continue;
            }
            const double value = std::accumulate(days.begin(), days.end(), 0.0) * mm;
            sofar += value;
            out[s][p] = stat == periodstat::volume ? value : sofar;
        }
    }
    return out;
}

std::vector<double> observedvalues(const observedseries& observed, const ensemble& e, std::span<const period> periods,
                                   periodstat stat) {
    // The observation as one more scenario of the outlook, so that its period
    // values follow every rule the scenarios' do.
    ensemble one;
    one.lake = e.lake;
    one.lakeindex = e.lakeindex;
    one.firstday = e.firstday;
    one.lastday = e.lastday;
    one.years = {0};
    one.values.assign(1, std::vector<double>(static_cast<std::size_t>(e.lastday - e.firstday + 1), nan));
    for (std::int32_t day = e.firstday; day <= e.lastday; ++day) {
        const std::int32_t at = day - observed.firstday;
        if (at >= 0 && static_cast<std::size_t>(at) < observed.values.size())
            one.values[0][static_cast<std::size_t>(day - e.firstday)] = observed.values[static_cast<std::size_t>(at)];
    }
    return periodvalues(one, periods, stat)[0];
}

}  // namespace outlook
