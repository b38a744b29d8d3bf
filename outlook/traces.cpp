// Each scenario year's value for each period, with its rank, its weight and
// its exceedance probability among the scenarios of that period.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "outlook/outlook.hpp"

namespace outlook {
namespace {

// One scenario's place in a period; rank 0 when it has no value there.
struct rankedvalue {
    double value = 0;
    std::size_t rank = 0;
    double weight = 0;
    double exceedance = 0;
};

// The ranked values of the scenarios taking part in a period, by scenario.
void rankperiod(const periodsample& sample, positionrule rule, std::vector<rankedvalue>& out) {
    const std::size_t n = sample.values.size();
    const std::vector<double> at = positions(n, sample.weights, rule);
    // Tied values take the rank and exceedance of the highest of them.
    std::size_t top = n;
    for (std::size_t i = n; i-- > 0;) {
        if (top == n || sample.values[i] != sample.values[top]) top = i;
        out[sample.scenarios[i]] = {sample.values[i], n - top,
                                    sample.weights.empty() ? 1.0 / static_cast<double>(n) : sample.weights[i],
                                    1.0 - at[top]};
    }
}

// The text of a number that recurs from row to row (the weights and
// exceedances of unweighted periods), converted once.
class numbertexts {
public:
    void append(std::string& out, double value) {
        if (value != last_) {
            last_ = value;
            text_.clear();
            appendshortest(text_, value);
        }
        out += text_;
    }

private:
    double last_ = std::numeric_limits<double>::quiet_NaN();
    std::string text_;
};

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
    numbertexts weights;
    // Years and ranks as texts, once.
    std::vector<std::string> years, ranks(e.years.size() + 1);
    for (const std::int32_t year : e.years) years.push_back(std::to_string(year).append(1, ','));
    for (std::size_t k = 0; k < ranks.size(); ++k) ranks[k].append(1, ',').append(std::to_string(k)).append(1, ',');
    std::vector<numbertexts> exceedances(e.years.size() + 1);  // by rank
    for (std::size_t p = 0; p < set.periods.size(); ++p) {
        std::fill(ranked.begin(), ranked.end(), rankedvalue{});
        rankperiod(sampleof(set.values, set.weights, p), a.rule, ranked);
        const std::string dates = isodate(set.periods[p].first) + "," + isodate(set.periods[p].last) + ",";
        for (const std::size_t s : byyear) {
            const rankedvalue& r = ranked[s];
            const bool weightless = !set.weights.empty() && !(set.weights[s] > 0) && !std::isnan(set.values[s][p]);
            out += dates;
            out += years[s];
            if (r.rank > 0) {
                appendshortest(out, r.value);
                out += ranks[r.rank];
                weights.append(out, r.weight);
                out += ',';
                exceedances[r.rank].append(out, r.exceedance);
            } else {
                out += weightless ? ",,0," : ",,,";
            }
            out += '\n';
        }
    }
    return out;
}

}  // namespace outlook
