// The verification section of the report: the pooled scores for people, the PIT
// and rank histograms, and a reliability diagram per threshold.
#include "outlook/report/report.hpp"

namespace outlook {
namespace {

// A measure as a forecaster reads it, rounded for people.
std::vector<std::string> row(std::string label, double value, int decimals) {
    return {std::move(label), forpeople(value, decimals)};
}

reporttable scorestable(const pooledscores& p) {
    reporttable t{"verification-table", "", {"Measure", "Value"}, {}};
    t.rows.push_back(row("Periods scored", p.scored, 0));
    t.rows.push_back(row("Periods not scored", p.notscored, 0));
    t.rows.push_back(row("CRPS (m³/s)", p.crps, 1));
    t.rows.push_back(row("Fair CRPS (m³/s)", p.faircrps, 1));
    if (p.baseline) t.rows.push_back(row("CRPS skill score against the baseline", p.crpss, 3));
    t.rows.push_back(row("Share inside the central 50 % band", p.coverage50, 3));
    t.rows.push_back(row("Share inside the central 80 % band", p.coverage80, 3));
    for (const brierparts& b : p.brier) t.rows.push_back(row("Brier score above " + shortest(b.threshold), b.score, 3));
    for (const brierparts& b : p.brier) t.rows.push_back(row("ROC area above " + shortest(b.threshold), b.rocarea, 3));
    return t;
}

}  // namespace

std::vector<std::string> numbered(std::size_t n) {
    std::vector<std::string> labels;
    for (std::size_t k = 1; k <= n; ++k) labels.push_back(std::to_string(k));
    return labels;
}

reportfigure reliabilityfigure(const brierparts& b, std::string_view idprefix) {
    std::vector<reliabilitymark> marks;
    for (const reliabilitypoint& r : b.diagram) marks.push_back({r.forecast, r.observed, static_cast<double>(r.count)});
    const std::string above = shortest(b.threshold);
    return {std::string(idprefix) + "reliability-" + above,
            "How often the supply was above " + above +
                " for each tenth of the forecast chances: on the diagonal when the chances were right.",
            reliabilitychart("Reliability above " + above, marks)};
}

reportsection verificationsection(const pooledscores& pooled, std::string_view from) {
    reportsection s{"verification", "How the outlook did", {}, {}, false, {}, {}, {}};
    s.paragraphs.push_back(
        "Scored month by month against " + std::string(from) +
        ". The CRPS is the typical distance between the outlook as a distribution and what "
        "happened (0 is perfect); a band should hold what happened about as often as its width says.");
    s.tables.push_back(scorestable(pooled));
    if (!pooled.pit.empty())
        s.figures.push_back({"pit-histogram", "PIT in tenths: flat when the outlook's spread is right.",
                             histogramchart("PIT histogram", numbered(pooled.pit.size()), pooled.pit)});
    if (!pooled.rank.empty())
        s.figures.push_back({"rank-histogram", "Rank of what happened among the scenarios: flat when they are alike.",
                             histogramchart("Rank histogram", numbered(pooled.rank.size()), pooled.rank)});
    for (const brierparts& b : pooled.brier) s.figures.push_back(reliabilityfigure(b, ""));
    return s;
}

}  // namespace outlook
