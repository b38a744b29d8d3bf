// A scenario's value for each period: mean, extremes or depth of supply.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "fcstutil/fcstutil.hpp"
#include "outlook/outlook.hpp"

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

}  // namespace

std::optional<periodstat> statofname(std::string_view name) {
    if (name == "mean") return periodstat::mean;
    if (name == "min") return periodstat::min;
    if (name == "max") return periodstat::max;
    if (name == "volume") return periodstat::volume;
    if (name == "accumulated") return periodstat::accumulated;
    return std::nullopt;
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

}  // namespace outlook
