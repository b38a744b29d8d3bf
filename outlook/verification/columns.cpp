// A scored period's scores as the columns of a file: their names and one row's
// fields.
#include "outlook/verification/verification.hpp"

namespace outlook {

std::vector<std::string> scorecolumns(std::span<const double> thresholds) {
    std::vector<std::string> names = {"mean_error", "median_abs_error", "crps", "fair_crps", "rank",
                                      "pit",        "in50",             "in80"};
    for (const double t : thresholds) names.push_back("brier_" + shortest(t));
    return names;
}

void appendscores(std::string& line, const periodverdict& v, std::span<const double> thresholds) {
    if (!v.score) {
        line.append(8 + thresholds.size(), ',');
        return;
    }
    const periodscore& s = *v.score;
    for (const double value : {s.meanerror, s.medianabserror, s.crps, s.faircrps, s.rank(), s.pit})
        line += ',' + shortest(value);
    line += s.in50 ? ",1" : ",0";
    line += s.in80 ? ",1" : ",0";
    for (std::size_t t = 0; t < thresholds.size(); ++t) {
        const double o = v.observed > thresholds[t] ? 1.0 : 0.0;
        line += ',' + shortest((s.above[t] - o) * (s.above[t] - o));
    }
}

}  // namespace outlook
