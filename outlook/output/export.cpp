// What every export shares (the scenarios in year order, the days' dates) and
// the long CSV form of an outlook.
#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "outlook/output/output.hpp"

namespace outlook {

void requirelake(std::int32_t lakeindex) {
    if (rerove_tivorn_subs::lakecode(lakeindex).empty())
        throw std::invalid_argument("lake index " + std::to_string(lakeindex) + " is not one of 1 to 5");
}

std::vector<std::size_t> yearorder(const ensemble& e, std::span<const double> weights) {
    if (!weights.empty() && weights.size() != e.years.size())
        throw std::invalid_argument(std::to_string(weights.size()) + " weights for " + std::to_string(e.years.size()) +
                                    " scenario years");
    std::vector<std::size_t> order(e.years.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return e.years[a] < e.years[b]; });
    return order;
}

std::vector<std::string> daydates(const ensemble& e) {
    std::vector<std::string> dates;
    dates.reserve(static_cast<std::size_t>(std::max(0, e.lastday - e.firstday + 1)));
    for (std::int32_t seq = e.firstday; seq <= e.lastday; ++seq) dates.push_back(isodate(seq));
    return dates;
}

std::string exportcsv(const ensemble& e, std::int32_t lakeindex, std::span<const double> weights) {
    requirelake(lakeindex);
    const std::vector<std::size_t> order = yearorder(e, weights);
    const std::vector<std::string> dates = daydates(e);
    std::vector<std::string> years;
    for (const std::int32_t year : e.years) years.push_back(std::to_string(year));
    std::vector<std::string> weighttexts;
    for (const double w : weights) weighttexts.push_back(shortest(w));

    std::string out = weights.empty() ? "date,year,nbs_m3s\n" : "date,year,nbs_m3s,weight\n";
    out.reserve(out.size() + dates.size() * order.size() * (weights.empty() ? 26 : 40));
    for (std::size_t day = 0; day < dates.size(); ++day) {
        for (const std::size_t s : order) {
            out += dates[day];
            out += ',';
            out += years[s];
            out += ',';
            if (day < e.values[s].size()) appendshortest(out, e.values[s][day]);
            if (!weights.empty()) {
                out += ',';
                out += weighttexts[s];
            }
            out += '\n';
        }
    }
    return out;
}

}  // namespace outlook
