// CSV texts of scenario files, tables, statistics, traces, scores and weights.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <ostream>

#include "outlook/output/output.hpp"

namespace outlook {
namespace {

void field(std::string& out, const std::string& text) {
    out += ',';
    out += text;
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

void row(std::string& out, std::string_view measure, double value) {
    out += measure;
    out += ',';
    out += shortest(value);
    out += '\n';
}

// A CSV field, quoted when it holds a comma, a quote or a line end.
std::string csvfield(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

std::string scenariocsv(const scenariodata& file) {
    std::string out = "# first day " + isodate(file.firstday) + ", last day " + isodate(file.lastday) + "\n";
    out += "date,runoff_mm,precip_mm,evap_mm\n";
    for (std::size_t k = 0; k < file.days.size(); ++k) {
        const scenarioday& d = file.days[k];
        out += isodate(file.firstday + static_cast<std::int32_t>(k));
        field(out, shortest(d.runoff));
        field(out, shortest(d.precip));
        field(out, shortest(d.evap));
        out += '\n';
    }
    return out;
}

std::string tablecsv(const table& t) {
    std::string out = "date,nbs_m3s\n";
    for (std::size_t k = 0; k < t.values.size(); ++k) {
        out += isodate(t.firstday + static_cast<std::int32_t>(k));
        field(out, shortest(t.values[k]));
        out += '\n';
    }
    return out;
}

std::string summarycsv(std::span<const periodsummary> stats, const analysis& a, bool weighted) {
    std::string unit(1, '_');
    unit += unitof(a.stat);
    const auto column = [&](std::string& to, std::string_view name, const std::string& value) {
        to += ',';
        to += name;
        to += value;
        to += unit;
    };
    std::string out = "first_date,last_date,scenarios,missing";
    column(out, "min", "");
    for (const double level : a.levels) column(out, "exceed", shortest(level));
    column(out, "mean", "");
    column(out, "max", "");
    if (weighted) out += ",effective_scenarios";
    for (const double x : a.thresholds) column(out, "above_", shortest(x));
    out += '\n';
    for (const periodsummary& s : stats) {
        out += isodate(s.days.first);
        field(out, isodate(s.days.last));
        field(out, std::to_string(s.count));
        field(out, std::to_string(s.missing));
        field(out, shortest(s.min));
        for (const double v : s.exceed) field(out, shortest(v));
        field(out, shortest(s.mean));
        field(out, shortest(s.max));
        if (weighted) field(out, shortest(s.effective));
        for (const double v : s.above) field(out, shortest(v));
        out += '\n';
    }
    return out;
}

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
            const bool noweight = !set.weights.empty() && !(set.weights[s] > 0) && !std::isnan(set.values[s][p]);
            out += dates;
            out += years[s];
            if (r.rank > 0) {
                appendshortest(out, r.value);
                out += ranks[r.rank];
                weights.append(out, r.weight);
                out += ',';
                exceedances[r.rank].append(out, r.exceedance);
            } else {
                out += noweight ? ",,0," : ",,,";
            }
            out += '\n';
        }
    }
    return out;
}

std::string pooledcsv(const pooledscores& pooled) {
    const std::optional<pooledintervals>& bounds = pooled.intervals;
    // A measure's row, and its interval's rows after it when resampled.
    const auto bounded = [&](std::string& out, const std::string& name, double value,
                             const std::pair<double, double>* interval) {
        row(out, name, value);
        if (interval == nullptr) return;
        row(out, name + "_low", interval->first);
        row(out, name + "_high", interval->second);
    };
    std::string out = "measure,value\n";
    out += "scored," + std::to_string(pooled.scored) + "\nnot_scored," + std::to_string(pooled.notscored) + "\n";
    bounded(out, "crps", pooled.crps, bounds ? &bounds->crps : nullptr);
    row(out, "fair_crps", pooled.faircrps);
    if (pooled.baseline) bounded(out, "crpss", pooled.crpss, bounds ? &bounds->crpss : nullptr);
    row(out, "coverage50", pooled.coverage50);
    row(out, "coverage80", pooled.coverage80);
    for (std::size_t t = 0; t < pooled.brier.size(); ++t) {
        const brierparts& b = pooled.brier[t];
        const std::string threshold = shortest(b.threshold), name = "brier_" + threshold;
        bounded(out, name, b.score, bounds ? &bounds->brier[t] : nullptr);
        row(out, name + "_reliability", b.reliability);
        row(out, name + "_resolution", b.resolution);
        row(out, name + "_uncertainty", b.uncertainty);
        row(out, name + "_within", b.within);
        row(out, "roc_area_" + threshold, b.rocarea);
    }
    for (std::size_t k = 0; k < pooled.pit.size(); ++k) row(out, "pit_" + std::to_string(k + 1), pooled.pit[k]);
    for (std::size_t k = 0; k < pooled.rank.size(); ++k) row(out, "rank_" + std::to_string(k + 1), pooled.rank[k]);
    return out;
}

void writeverdicts(std::ostream& out, std::span<const periodverdict> verdicts, std::span<const double> thresholds) {
    std::string line = "outlook,first_date,last_date,observed";
    for (const std::string& name : scorecolumns(thresholds)) line += ',' + name;
    out << line << '\n';
    for (const periodverdict& v : verdicts) {
        if (!v.score) continue;
        line =
            csvfield(v.outlook) + ',' + isodate(v.days.first) + ',' + isodate(v.days.last) + ',' + shortest(v.observed);
        appendscores(line, v, thresholds);
        out << line << '\n';
    }
}

std::string weightscsv(std::span<const std::int32_t> years, std::span<const double> weights) {
    std::string csv = "year,weight\n";
    for (std::size_t i = 0; i < years.size(); ++i) csv += std::to_string(years[i]) + "," + shortest(weights[i]) + "\n";
    return csv;
}

}  // namespace outlook
