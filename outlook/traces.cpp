// Each scenario year's value for each period, with its rank, its weight and
// its exceedance probability among the scenarios of that period.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "outlook/outlook.hpp"

namespace outlook {
namespace {

// The fields value,rank,weight,exceedance of one scenario; empty when it has
// no value.
struct rankedvalue {
    std::string value, rank, weight, exceedance;
};

// The ranked values of the scenarios taking part in a period, by scenario.
void rankperiod(const periodsample& sample, positionrule rule, std::vector<rankedvalue>& out) {
    const std::size_t n = sample.values.size();
    const std::vector<double> at = positions(n, sample.weights, rule);
    // Tied values take the rank and exceedance of the highest of them.
    std::size_t top = n;
    for (std::size_t i = n; i-- > 0;) {
        if (top == n || sample.values[i] != sample.values[top]) top = i;
        rankedvalue& r = out[sample.scenarios[i]];
        r.value = shortest(sample.values[i]);
        r.rank = std::to_string(n - top);
        r.weight = shortest(sample.weights.empty() ? 1.0 / static_cast<double>(n) : sample.weights[i]);
        r.exceedance = shortest(1.0 - at[top]);
    }
}

}  // namespace

std::string tracescsv(const ensemble& e, const periodset& set, const analysis& a) {
    const std::string unit(unitof(a.stat));
    std::string out = "first_date,last_date,year,value_" + unit + ",rank,weight,exceedance\n";
    // Room for the rows, about 80 characters each, so that the text is not copied as it grows.
    out.reserve(out.size() + 96 * set.periods.size() * e.years.size());
    std::vector<std::size_t> byyear(e.years.size());
    std::iota(byyear.begin(), byyear.end(), std::size_t{0});
    std::stable_sort(byyear.begin(), byyear.end(),
                     [&](std::size_t x, std::size_t y) { return e.years[x] < e.years[y]; });
    std::vector<rankedvalue> ranked(e.years.size());
    for (std::size_t p = 0; p < set.periods.size(); ++p) {
        std::fill(ranked.begin(), ranked.end(), rankedvalue{});
        rankperiod(sampleof(set.values, set.weights, p), a.rule, ranked);
        const std::string dates = isodate(set.periods[p].first) + "," + isodate(set.periods[p].last) + ",";
        for (const std::size_t s : byyear) {
            const rankedvalue& r = ranked[s];
            const bool weightless = !set.weights.empty() && !(set.weights[s] > 0) && !std::isnan(set.values[s][p]);
            // Appended piece by piece: no text of a row is built twice.
            out += dates;
            out += std::to_string(e.years[s]);
            for (const std::string* piece : {&r.value, &r.rank}) out.append(",").append(*piece);
            out.append(",").append(weightless ? std::string_view("0") : std::string_view(r.weight));
            out.append(",").append(r.exceedance).append("\n");
        }
    }
    return out;
}

}  // namespace outlook
