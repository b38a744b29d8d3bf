// What the report page of an outlook holds, section by section.
#include <algorithm>

#include "keldautil/keldautil.hpp"
#include "outlook/outlook.hpp"

namespace outlook {
namespace {

std::string plural(std::size_t n, std::string_view word) {
    return forpeople(static_cast<double>(n), 0) + " " + std::string(word) + (n == 1 ? "" : "s");
}

// "Jun 2025", or "15–30 Jun 2025" for a month the outlook covers in part.
std::string monthlabel(const period& p) {
    std::int32_t d1 = 0, m1 = 0, y1 = 0, d2 = 0, m2 = 0, y2 = 0;
    keldautil::sequencedate(d1, m1, y1, p.first);
    keldautil::sequencedate(d2, m2, y2, p.last);
    const std::string month = keldautil::moncode3[static_cast<std::size_t>(m1 - 1)] + " " + std::to_string(y1);
    if (d1 == 1 && d2 == keldautil::daysinmonth(m2, y2)) return month;
    return std::to_string(d1) + "–" + std::to_string(d2) + " " + month;
}

reportsection checksection(const ensemble& e, const reportinputs& in) {
    reportsection s{"check", "What rerove_tivorn would do in " + in.dir, {}, {}, false, {}, {}, {}};
    if (e.lakeindex == 0) {
        s.paragraphs.push_back("The tables name no lake that the tool knows, so there is nothing to check.");
        return s;
    }
    const checkoutcome outcome = checkrun(lakecodeof(e.lakeindex), in.dir);
    s.paragraphs.push_back("The dry run of rerove_tivorn " + lakecodeof(e.lakeindex) + " in " + in.dir +
                           ", with the tool's own discovery of the scenario files; it writes nothing.");
    s.preformatted = outcome.report;
    s.alert = outcome.status == 1;
    return s;
}

reporttable monthlytable(std::string id, std::string caption, std::string_view unit, std::span<const period> months,
                         std::span<const periodstats> stats, int decimals) {
    const std::string u = " (" + std::string(unit) + ")";
    reporttable t{std::move(id),
                  std::move(caption),
                  {"Month", "Scenarios", "Lowest" + u, "90 % exceeded" + u, "Median" + u, "10 % exceeded" + u,
                   "Mean" + u, "Highest" + u},
                  {}};
    for (std::size_t k = 0; k < stats.size(); ++k) {
        const periodstats& s = stats[k];
        t.rows.push_back({monthlabel(months[k]), forpeople(s.count, 0), forpeople(s.min, decimals),
                          forpeople(s.q90, decimals), forpeople(s.q50, decimals), forpeople(s.q10, decimals),
                          forpeople(s.mean, decimals), forpeople(s.max, decimals)});
    }
    return t;
}

reportsection monthlysection(const ensemble& e) {
    const std::vector<period> months = periodsof(periodkind::month, e.firstday, e.lastday);
    reportsection s{"monthly", "Month by month", {}, {}, false, {}, {}, {}};
    s.tables.push_back(monthlytable("monthly-flow", "Mean net basin supply of each month", "m³/s", months,
                                    statistics(months, periodmeans(e, months)), 0));
    if (e.lakeindex != 0) {
        s.tables.push_back(monthlytable("monthly-depth", "Supply of each month as a depth over the lake", "mm", months,
                                        statistics(months, periodvalues(e, months, periodstat::volume)), 1));
    }
    s.notes.push_back(
        "Exceedance values by the Weibull plotting position; a scenario with a missing day in a month "
        "has no value for it.");
    return s;
}

}  // namespace

reportcontent outlookreport(const ensemble& e, const reportinputs& in) {
    reportcontent c;
    const std::string lake = lakenameof(e.lakeindex, e.lake);
    c.title = lake + " net basin supply outlook";
    c.facts.push_back(isodate(e.firstday) + " to " + isodate(e.lastday) + " (" +
                      plural(static_cast<std::size_t>(e.lastday - e.firstday + 1), "day") + "), " +
                      plural(e.years.size(), "scenario") + " (" +
                      (e.years.empty() ? std::string("none")
                                       : std::to_string(e.years.front()) + "–" + std::to_string(e.years.back())) +
                      ")");
    c.facts.push_back("Tables of " + in.dir + "; made " + in.made);
    c.sections.push_back(checksection(e, in));
    const std::vector<period> quarters = periodsof(periodkind::quartermonth, e.firstday, e.lastday);
    reportsection fan{"fan", "The outlook", {}, {}, false, {}, {}, {}};
    fan.figures.push_back({"fanchart",
                           "Quarter-month means of the scenarios: bands between the values exceeded "
                           "with 90 % and 10 % and with 75 % and 25 % probability, the median as a line.",
                           fanchart(e, quarters, {})});
    c.sections.push_back(std::move(fan));
    c.sections.push_back(monthlysection(e));
    return c;
}

}  // namespace outlook
