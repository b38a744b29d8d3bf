// What the report page of an outlook holds, section by section.
#include <algorithm>
#include <cmath>

#include "keldautil/keldautil.hpp"
#include "outlook/report/report.hpp"

namespace outlook {
namespace {

// " (1950–2014)", " (1950)" for one year.
std::string yearspan(std::span<const std::int32_t> years) {
    return years.empty() ? "" : " (" + yearsforpeople(years) + ")";
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
    const std::string code = rerove_tivorn_subs::lakecode(e.lakeindex);
    const checkoutcome outcome = checkrun(code, in.dir);
    s.paragraphs.push_back("The dry run of rerove_tivorn " + code + " in " + in.dir +
                           ", with the tool's own discovery of the scenario files; it writes nothing.");
    s.preformatted = outcome.report;
    s.alert = outcome.status == 1;
    return s;
}

std::string weighting(const reportinputs& in) { return in.weights.empty() ? "" : ", weighted"; }

reportsection fansection(const ensemble& e, const reportinputs& in) {
    reportsection s{"fan", "The outlook", {}, {}, false, {}, {}, {}};
    chartoptions options;
    options.weights = in.weights;
    s.figures.push_back({"fanchart",
                         "Quarter-month means of the scenarios" + weighting(in) +
                             ": bands between the values exceeded with 90 % and 10 % and with 75 % and 25 % "
                             "probability, the median as a line.",
                         fanchart(e, periodsof(periodkind::quartermonth, e.firstday, e.lastday), options)});
    return s;
}

// The exceedance curves of the first 12 months, each scenario a point.
reportsection exceedancesection(const ensemble& e, std::span<const period> months, const reportinputs& in) {
    reportsection s{"exceedance", "Chances month by month", {}, {}, false, {}, {}, {}};
    s.paragraphs.push_back(
        "For each of the first months, the mean supply of each scenario against the probability "
        "that it is exceeded" +
        std::string(in.weights.empty() ? "." : "; the weighted curve beside the equal one."));
    exceedanceoptions options;
    options.weights = in.weights;
    options.width = 340;
    for (std::size_t k = 0; k < std::min<std::size_t>(months.size(), 12); ++k)
        s.figures.push_back(
            {"exceedance-" + std::to_string(k + 1), monthlabel(months[k]), exceedancechart(e, months, k, options)});
    return s;
}

reporttable monthlytable(std::string id, std::string caption, std::string_view unit, std::span<const period> months,
                         std::span<const periodsummary> stats, int decimals) {
    const std::string u = " (" + std::string(unit) + ")";
    reporttable t{std::move(id),
                  std::move(caption),
                  {"Month", "Scenarios", "Lowest" + u, "90 % exceeded" + u, "Median" + u, "10 % exceeded" + u,
                   "Mean" + u, "Highest" + u},
                  {}};
    for (std::size_t k = 0; k < stats.size(); ++k) {
        const periodsummary& s = stats[k];
        t.rows.push_back({monthlabel(months[k]), forpeople(s.count, 0), forpeople(s.min, decimals),
                          forpeople(s.exceed[0], decimals), forpeople(s.exceed[1], decimals),
                          forpeople(s.exceed[2], decimals), forpeople(s.mean, decimals), forpeople(s.max, decimals)});
    }
    return t;
}

reportsection monthlysection(const ensemble& e, std::span<const period> months, const reportinputs& in) {
    reportsection s{"monthly", "Month by month", {}, {}, false, {}, {}, {}};
    analysis a;
    a.kind = periodkind::month;
    a.levels = {90, 50, 10};
    const auto summaries = [&](periodstat stat) {
        a.stat = stat;
        return summarise(periodsetof(a, e, in.weights), a);
    };
    s.tables.push_back(monthlytable("monthly-flow", "Mean net basin supply of each month" + weighting(in), "m³/s",
                                    months, summaries(periodstat::mean), 0));
    if (e.lakeindex != 0) {
        s.tables.push_back(monthlytable("monthly-depth",
                                        "Supply of each month as a depth over the lake" + weighting(in), "mm", months,
                                        summaries(periodstat::volume), 1));
    }
    s.notes.push_back(
        "Exceedance values by the Weibull plotting position; a scenario with a missing day in a month "
        "has no value for it.");
    return s;
}

// The weights in percent, a decade a row: the year's last digit is its column.
reportsection weightssection(const ensemble& e, const reportinputs& in) {
    reportsection s{"weights", "Weights of the scenario years", {"From " + in.weightsfrom + "."}, {}, false, {}, {},
                    {}};
    double sum = 0, squares = 0;
    for (const double w : in.weights) sum += w, squares += w * w;
    reporttable t{"weights-table", "Weight of each year (%)", {"Years"}, {}};
    for (int digit = 0; digit < 10; ++digit) t.headers.push_back(std::to_string(digit));
    for (std::size_t k = 0; k < e.years.size() && k < in.weights.size(); ++k) {
        const std::int32_t decade = e.years[k] - e.years[k] % 10;
        if (t.rows.empty() || t.rows.back().front() != std::to_string(decade) + "s")
            t.rows.push_back(std::vector<std::string>(11, ""));
        t.rows.back().front() = std::to_string(decade) + "s";
        t.rows.back()[static_cast<std::size_t>(e.years[k] % 10) + 1] = forpeople(100.0 * in.weights[k] / sum, 1);
    }
    s.tables.push_back(std::move(t));
    s.notes.push_back("Effective number of scenarios: " + forpeople(sum * sum / squares, 1) + " of " +
                      std::to_string(e.years.size()) + ".");
    return s;
}

reportsection climatesection(const reportinputs& in) {
    reportsection s{"climate",
                    "The climate outlook",
                    {"Rows of " + in.climatefrom + ", asked and achieved by the weights."},
                    {},
                    false,
                    {},
                    {},
                    {}};
    reporttable t{
        "climate-table",
        "",
        {"Days", "Variable", "Below asked", "Below got", "Near asked", "Near got", "Above asked", "Above got"},
        {}};
    for (const reportclimaterow& r : in.climate)
        t.rows.push_back({r.days, r.variable, percentforpeople(r.asked.below), percentforpeople(r.got.below),
                          percentforpeople(r.asked.near), percentforpeople(r.got.near), percentforpeople(r.asked.above),
                          percentforpeople(r.got.above)});
    s.tables.push_back(std::move(t));
    return s;
}

}  // namespace

reportcontent outlookreport(const ensemble& e, const reportinputs& in) {
    reportcontent c;
    c.title = lakenameof(e.lakeindex, e.lake) + " net basin supply outlook";
    c.facts.push_back(isodate(e.firstday) + " to " + isodate(e.lastday) + " (" +
                      countedforpeople(static_cast<std::size_t>(e.lastday - e.firstday + 1), "day") + "), " +
                      countedforpeople(e.years.size(), "scenario") + yearspan(e.years) + weighting(in));
    c.facts.push_back("Tables of " + in.dir + "; made " + in.made);
    const std::vector<period> months = periodsof(periodkind::month, e.firstday, e.lastday);
    c.sections.push_back(checksection(e, in));
    c.sections.push_back(fansection(e, in));
    c.sections.push_back(exceedancesection(e, months, in));
    c.sections.push_back(monthlysection(e, months, in));
    if (!in.weights.empty()) c.sections.push_back(weightssection(e, in));
    if (!in.climate.empty()) c.sections.push_back(climatesection(in));
    if (in.verification) c.sections.push_back(verificationsection(*in.verification, in.observedfrom));
    if (in.hindcast) c.sections.push_back(hindcastsection(*in.hindcast, in.hindcastfrom));
    return c;
}

}  // namespace outlook
