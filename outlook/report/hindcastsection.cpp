// The hindcast's section of the report: how good outlooks of the same method have
// been over the record, lead by lead, in a chart, a table and a sentence.
#include <algorithm>
#include <cctype>

#include "outlook/report/report.hpp"

namespace outlook {
namespace {

std::string interval(const leadscores& l) { return forpeople(l.crpsslow, 3) + " to " + forpeople(l.crpsshigh, 3); }

reporttable leadtable(std::span<const leadscores> leads) {
    reporttable t{"hindcast-table",
                  "Scores by lead",
                  {"Lead", "Years", "CRPS (m³/s)", "CRPS of climatology (m³/s)", "Skill", "95 % interval",
                   "Inside the 50 % band", "Inside the 80 % band"},
                  {}};
    for (const leadscores& l : leads)
        t.rows.push_back({l.lead == "all" ? "All" : l.lead, forpeople(l.scored, 0), forpeople(l.crps, 0),
                          forpeople(l.crpsbaseline, 0), forpeople(l.crpss, 3), interval(l),
                          percentforpeople(l.coverage50), percentforpeople(l.coverage80)});
    return t;
}

std::string yearsscored(const hindcastfile& h) {
    std::vector<std::int32_t> years;
    for (const hindcastyear& y : h.years) years.push_back(y.year);
    return yearsforpeople(years);
}

}  // namespace

reportsection hindcastsection(const hindcastfile& h, std::string_view from) {
    reportsection s{"hindcast", "How good such outlooks have been: the hindcast", {}, {}, false, {}, {}, {}};
    const std::vector<leadscores> all = scoresbylead(h.years, h.thresholds, 1);
    const std::vector<leadscores> leads(all.begin(), all.end() - 1);
    std::string words = skillinwords(all, kindofyears(h.years));
    words.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(words.front())));
    s.paragraphs.push_back(words + ".");
    s.paragraphs.push_back("Outlooks of the same method made for " + countedforpeople(h.years.size(), "past year") +
                           " (" + yearsscored(h) + ") from " + std::string(from) +
                           ", each scored against what happened. The skill is the CRPS skill score against "
                           "climatology, the plain historical traces: above 0 is better, 1 perfect. Its interval "
                           "holds 95 % of 1,000 resamplings of the years.");
    std::vector<std::string> labels;
    std::vector<double> values, low, high;
    for (const leadscores& l : leads) {
        labels.push_back(l.lead);
        values.push_back(l.crpss), low.push_back(l.crpsslow), high.push_back(l.crpsshigh);
    }
    s.figures.push_back({"hindcast-skill", "Skill by lead (1 is the first period of the outlook), with its interval.",
                         skillchart("Skill against climatology", labels, values, low, high)});
    s.figures.push_back({"hindcast-pit", "PIT of what happened in tenths, every lead: flat when the spread is right.",
                         histogramchart("PIT histogram", numbered(all.back().pit.size()), all.back().pit)});
    std::vector<periodverdict> verdicts;
    for (const hindcastyear& y : h.years) verdicts.insert(verdicts.end(), y.outlook.begin(), y.outlook.end());
    for (const brierparts& b : poolverdicts(verdicts, h.thresholds, false).brier)
        s.figures.push_back(reliabilityfigure(b, "hindcast-"));
    s.tables.push_back(leadtable(all));
    return s;
}

}  // namespace outlook
