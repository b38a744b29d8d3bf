// The verification section of the report: the pooled scores for people, and
// the PIT and rank histograms.
#include <charconv>
#include <cmath>
#include <limits>

#include "outlook/outlook.hpp"

namespace outlook {
namespace {

struct measure {
    std::string name;
    double value = std::numeric_limits<double>::quiet_NaN();
};

// The rows of verify's "measure,value" CSV; an empty value is NaN.
std::vector<measure> measuresof(std::string_view csv) {
    std::vector<measure> out;
    std::size_t pos = csv.find('\n');  // after the header
    while (pos != std::string_view::npos && pos + 1 < csv.size()) {
        const std::size_t end = csv.find('\n', pos + 1);
        const std::string_view line = csv.substr(pos + 1, end == std::string_view::npos ? end : end - pos - 1);
        pos = end;
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) continue;
        measure m{std::string(line.substr(0, comma))};
        const std::string_view text = line.substr(comma + 1);
        if (!text.empty()) std::from_chars(text.data(), text.data() + text.size(), m.value);
        out.push_back(std::move(m));
    }
    return out;
}

// What a forecaster reads a measure as, and how it is rounded.
struct reading {
    std::string_view prefix, label;
    int decimals;
};

constexpr std::array<reading, 9> readings = {{{"scored", "Periods scored", 0},
                                              {"not_scored", "Periods not scored", 0},
                                              {"crps", "CRPS (m³/s)", 1},
                                              {"fair_crps", "Fair CRPS (m³/s)", 1},
                                              {"crpss", "CRPS skill score against the baseline", 3},
                                              {"coverage50", "Share inside the central 50 % band", 3},
                                              {"coverage80", "Share inside the central 80 % band", 3},
                                              {"brier_", "Brier score above ", 3},
                                              {"", "", 0}}};

std::vector<std::string> rowof(const measure& m) {
    for (const reading& r : readings) {
        if (r.prefix.empty()) break;
        if (r.prefix == "brier_" && m.name.starts_with("brier_")) {
            const std::string rest = m.name.substr(6);
            if (rest.find('_') != std::string::npos) return {};  // the decomposition stays in the CSV
            return {std::string(r.label) + rest, forpeople(m.value, r.decimals)};
        }
        if (m.name == r.prefix) return {std::string(r.label), forpeople(m.value, r.decimals)};
    }
    return {};
}

}  // namespace

reportsection verificationsection(std::string_view pooledcsv, std::string_view from) {
    reportsection s{"verification", "How the outlook did", {}, {}, false, {}, {}, {}};
    s.paragraphs.push_back(
        "Scored month by month against " + std::string(from) +
        ". The CRPS is the typical distance between the outlook as a distribution and what "
        "happened (0 is perfect); a band should hold what happened about as often as its width says.");
    reporttable t{"verification-table", "", {"Measure", "Value"}, {}};
    std::vector<std::string> pitlabels, ranklabels;
    std::vector<double> pit, rank;
    for (const measure& m : measuresof(pooledcsv)) {
        if (m.name.starts_with("pit_")) {
            pitlabels.push_back(m.name.substr(4));
            pit.push_back(m.value);
        } else if (m.name.starts_with("rank_")) {
            ranklabels.push_back(m.name.substr(5));
            rank.push_back(m.value);
        } else if (auto row = rowof(m); !row.empty()) {
            t.rows.push_back(std::move(row));
        }
    }
    s.tables.push_back(std::move(t));
    if (!pit.empty())
        s.figures.push_back({"pit-histogram", "PIT in tenths: flat when the outlook's spread is right.",
                             histogramchart("PIT histogram", pitlabels, pit)});
    if (!rank.empty())
        s.figures.push_back({"rank-histogram", "Rank of what happened among the scenarios: flat when they are alike.",
                             histogramchart("Rank histogram", ranklabels, rank)});
    return s;
}

}  // namespace outlook
