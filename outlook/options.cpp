// The analysis options that summary, traces and plot share, checked and turned
// into what the statistics take.
#include <algorithm>

#include "outlook/outlook.hpp"

namespace outlook {
namespace {

bool readnumber(std::string_view text, double& value) {
    const std::optional<double> read = finitenumber(text);
    value = read.value_or(0);
    return read.has_value();
}

std::vector<double> levelsof(std::string_view list, std::size_t levelcount) {
    std::vector<double> levels;
    for (std::size_t from = 0; from <= list.size();) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        const std::string_view text = list.substr(from, comma - from);
        double level = 0;
        if (!readnumber(text, level) || !(level > 0 && level < 100))
            throw readerror("--levels: '" + std::string(text) + "' is not a percentage strictly between 0 and 100");
        if (std::find(levels.begin(), levels.end(), level) != levels.end())
            throw readerror("--levels: " + shortest(level) + " is given twice");
        levels.push_back(level);
        from = comma + 1;
    }
    if (levelcount != 0 && levels.size() != levelcount)
        throw readerror("--levels: " + std::to_string(levelcount) + " percentages are needed, " +
                        std::to_string(levels.size()) + " given");
    return levels;
}

std::vector<double> thresholdsof(const std::vector<std::string>& texts) {
    std::vector<double> thresholds;
    for (const std::string& text : texts) {
        double x = 0;
        if (!readnumber(text, x)) throw readerror("--threshold: '" + text + "' is not a number");
        if (std::find(thresholds.begin(), thresholds.end(), x) != thresholds.end())
            throw readerror("--threshold: " + shortest(x) + " is given twice");
        thresholds.push_back(x);
    }
    return thresholds;
}

}  // namespace

analysis analysisof(const analysisoptions& options, std::string_view defaultlevels, std::size_t levelcount) {
    analysis a;
    const auto kind = periodofname(options.period);
    if (!kind) throw readerror("--period: '" + options.period + "' is not quarter-month, month or outlook");
    const auto stat = statofname(options.stat);
    if (!stat) throw readerror("--stat: '" + options.stat + "' is not mean, min, max, volume or accumulated");
    const auto rule = positionofname(options.position);
    if (!rule)
        throw readerror("--position: '" + options.position + "' is not weibull, hazen, cunnane, gringorten or median");
    a.kind = *kind;
    a.stat = *stat;
    a.rule = *rule;
    a.levels = levelsof(options.levels.empty() ? defaultlevels : std::string_view(options.levels), levelcount);
    a.thresholds = thresholdsof(options.thresholds);
    if (!options.weightsfile.empty()) {
        a.weighted = true;
        a.listed = readweightsfile(options.weightsfile);
    }
    return a;
}

periodset periodsetof(const analysis& a, const ensemble& e, std::vector<std::string>& warnings) {
    periodset set;
    set.periods = periodsof(a.kind, e.firstday, e.lastday);
    if (a.weighted) set.weights = weightsofyears(a.listed, e.years, warnings);
    set.values = periodvalues(e, set.periods, a.stat);
    return set;
}

}  // namespace outlook
