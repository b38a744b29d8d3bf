// What a climate outlook of precipitation, evaporation, runoff or net basin
// supply totals asks of the scenario years that the tool would find in a
// directory, and how the weights meet it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/weighting/weighting.hpp"
#include "rerove_tivorn/dailyloop.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;
namespace subs = rerove_tivorn_subs;

// A probability missed by more than this makes the exit status 3.
constexpr double tolerance = 0.001;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The outlook span of the scenario files' headers, as the tool forms it; a
// file that does not start on its first day fails the tool, and here too.
subs::DayRange spanof(std::int32_t lakeindex, std::span<const std::int32_t> years, const fs::path& dir) {
    subs::LakeParts lake;
    (void)subs::lakeparts(lakeindex, lake);
    std::vector<subs::DayRange> headers;
    std::vector<std::string> names;
    for (const std::int32_t year : years) {
        for (std::int32_t j = 1; j <= lake.count; ++j) {
            names.push_back((dir / subs::scenariofile(year, lake.parts[subs::at(j)])).string());
            const std::int32_t unit = keldautil::getfreeunitnumber();
            subs::DayRange days;
            const subs::HeaderStatus status = subs::openscenario(unit, names.back(), days);
            if (status != subs::HeaderStatus::ok)
                throw readerror(names.back() + (status == subs::HeaderStatus::notopened
                                                    ? ": cannot be opened"
                                                    : ": too short for its header"));
            (void)iolayer::closeunit(unit);  // only the header is wanted
            if (days.last < days.first) throw readerror(names.back() + ": its header's last day is before its first");
            headers.push_back(days);
        }
    }
    const subs::DayRange span = subs::outlookspan(headers);
    for (std::size_t i = 0; i < headers.size(); ++i) {
        if (headers[i].first != span.first)
            throw readerror(names[i] + ": starts on " + isodate(headers[i].first) +
                            ", not on the outlook's first day " + isodate(span.first));
    }
    if (subs::spandays(span) > subs::maxdays) throw readerror(subs::messages::spantoolong(subs::spandays(span)));
    return span;
}

// One scenario year's daily values of the lake, combined over its parts; NaN
// on the days the tool writes as missing.
struct lakedays {
    std::vector<double> precip, runoff, evap;
};

lakedays lakedaysof(const partweights& weights, std::int32_t year, subs::DayRange span, const fs::path& dir) {
    const auto days = static_cast<std::size_t>(subs::spandays(span));
    lakedays d{std::vector<double>(days, 0.0), std::vector<double>(days, 0.0), std::vector<double>(days, 0.0)};
    std::vector<bool> usable(days, true);
    for (std::size_t j = 0; j < weights.parts.size(); ++j) {
        const scenariodata file = readscenariofile(dir / subs::scenariofile(year, weights.parts[j]));
        for (std::size_t k = 0; k < days; ++k) {
            if (k >= file.days.size()) {
                usable[k] = false;
                continue;
            }
            const scenarioday& v = file.days[k];
            // The tool's own test, on its centimetres.
            usable[k] = usable[k] && subs::dailyloop::dayisusable(v.runoff / 10.0F, v.precip / 10.0F, v.evap / 10.0F);
            d.precip[k] += weights.precip[j] * v.precip;
            d.runoff[k] += weights.runoff[j] * v.runoff;
            d.evap[k] += weights.evap[j] * v.evap;
        }
    }
    for (std::size_t k = 0; k < days; ++k) {
        if (!usable[k]) d.precip[k] = d.runoff[k] = d.evap[k] = nan;
    }
    return d;
}

std::string daysofrow(const climaterow& row) { return isodate(row.first) + " to " + isodate(row.last); }

std::string whereof(const fs::path& climate, const climaterow& row) {
    return climate.string() + " line " + std::to_string(row.line);
}

bool isnbs(const climaterow& row) { return row.variable == climatevariable::nbs; }

// Where the asks come from.
struct asksource {
    fs::path climate;
    std::int32_t lakeindex = 0;
    fs::path dir;
    const ensemble* tables = nullptr;
};

// The volume depths (mm) of the nbs rows from the lake's tables, into
// totals[row][year].
void nbstotals(const asksource& from, std::span<const climaterow> rows, std::span<const std::int32_t> years,
               std::vector<std::vector<double>>& totals) {
    std::optional<ensemble> read;
    if (from.tables == nullptr) read = readensemble(std::vector<std::string>{from.dir.string()}, from.lakeindex);
    const ensemble& e = from.tables != nullptr ? *from.tables : *read;
    std::vector<period> periods;
    for (const climaterow& row : rows) {
        if (isnbs(row) && (row.first < e.firstday || row.last > e.lastday))
            throw readerror(whereof(from.climate, row) + ": the tables in " + from.dir.string() + " cover " +
                            isodate(e.firstday) + " to " + isodate(e.lastday) + ", not " + daysofrow(row));
        periods.push_back(isnbs(row) ? period{row.first, row.last} : period{e.firstday, e.firstday});
    }
    const std::vector<std::vector<double>> values = periodvalues(e, periods, periodstat::volume);
    for (std::size_t i = 0; i < years.size(); ++i) {
        const auto s = std::find(e.years.begin(), e.years.end(), years[i]);
        if (s == e.years.end())
            throw readerror(from.dir.string() + ": no table " + subs::tablefile(from.lakeindex, years[i]) +
                            " of scenario year " + std::to_string(years[i]) + ", which the nbs rows need");
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (isnbs(rows[r])) totals[r][i] = values[static_cast<std::size_t>(s - e.years.begin())][r];
        }
    }
}

double rowtotal(const lakedays& d, const climaterow& row, std::int32_t firstday) {
    const std::vector<double>& v = row.variable == climatevariable::precip   ? d.precip
                                   : row.variable == climatevariable::runoff ? d.runoff
                                                                             : d.evap;
    double sum = 0;
    for (std::int32_t day = row.first; day <= row.last; ++day) sum += v[static_cast<std::size_t>(day - firstday)];
    return sum;
}

// Totals of each row over each scenario year: [row][year], NaN where a day of
// the row is missing.
std::vector<std::vector<double>> totalsof(const asksource& from, std::span<const climaterow> rows,
                                          std::span<const std::int32_t> years, subs::DayRange span) {
    std::vector<std::vector<double>> totals(rows.size(), std::vector<double>(years.size(), nan));
    if (std::any_of(rows.begin(), rows.end(), isnbs)) nbstotals(from, rows, years, totals);
    if (std::all_of(rows.begin(), rows.end(), isnbs)) return totals;
    const partweights weights = partweightsof(from.lakeindex);
    for (std::size_t i = 0; i < years.size(); ++i) {
        const lakedays d = lakedaysof(weights, years[i], span, from.dir);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (!isnbs(rows[r])) totals[r][i] = rowtotal(d, rows[r], span.first);
        }
    }
    return totals;
}

// What each row asks of the weights; readerror for a year with a missing day.
std::vector<tercileask> asksof(const fs::path& climate, std::span<const climaterow> rows,
                               const std::vector<std::vector<double>>& totals, std::span<const std::int32_t> years,
                               double a) {
    std::vector<tercileask> asks;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t i = 0; i < years.size(); ++i) {
            if (std::isnan(totals[r][i]))
                throw readerror(whereof(climate, rows[r]) + ": scenario year " + std::to_string(years[i]) +
                                " has a missing day of " + std::string(nameofvariable(rows[r].variable)) + " in " +
                                daysofrow(rows[r]));
        }
        const climaterow& row = rows[r];
        asks.push_back({row.lower ? tercilesbybounds(totals[r], *row.lower, *row.upper) : tercilesbyrank(totals[r], a),
                        row.below, row.above});
    }
    return asks;
}

std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// The report: each row's asked and achieved probabilities, the effective number
// of scenarios. False when a probability was missed by more than the tolerance.
bool report(const climateasks& c, const fs::path& climate, std::span<const double> weights,
            std::vector<std::string>& lines) {
    bool met = true;
    for (std::size_t r = 0; r < c.rows.size(); ++r) {
        const climaterow& row = c.rows[r];
        const tercileshares got = sharesof(c.asks[r], weights);
        const double miss =
            std::max({std::abs(got.below - row.below), std::abs(got.near - row.near), std::abs(got.above - row.above)});
        met = met && miss <= tolerance;
        lines.push_back(whereof(climate, row) + ": " + std::string(nameofvariable(row.variable)) + " " +
                        daysofrow(row) + ": asked " + fixed(row.below, 2) + " " + fixed(row.near, 2) + " " +
                        fixed(row.above, 2) + ", got " + fixed(got.below, 2) + " " + fixed(got.near, 2) + " " +
                        fixed(got.above, 2) + (miss > tolerance ? " (missed by " + fixed(miss, 3) + ")" : ""));
    }
    double squares = 0;
    for (const double w : weights) squares += w * w;
    lines.push_back("effective number of scenarios: " + fixed(1 / squares, 1) + " of " +
                    std::to_string(weights.size()));
    if (!met)
        lines.push_back("some probabilities could not be met within " + fixed(tolerance, 3) +
                        "; these are the closest weights");
    return met;
}

}  // namespace

std::int32_t lakeofscenariofiles(const fs::path& dir) {
    std::vector<std::int32_t> found;
    for (std::int32_t lakeindex = 1; lakeindex <= subs::numlakes; ++lakeindex) {
        if (!scenarioyears(lakeindex, dir).empty()) found.push_back(lakeindex);
    }
    if (found.size() == 1) return found[0];
    throw readerror(dir.string() + (found.empty() ? ": no scenario years of any lake"
                                                  : ": scenario files of more than one lake; name one with --lake"));
}

climateasks climateasksof(const fs::path& climate, std::int32_t lakeindex, const fs::path& dir, positionrule rule,
                          const ensemble* tables) {
    climateasks c;
    c.years = scenarioyears(lakeindex, dir);
    if (c.years.empty())
        throw readerror(dir.string() + ": no scenario year common to all parts of " + subs::lakename(lakeindex));
    const subs::DayRange span = spanof(lakeindex, c.years, dir);
    c.rows = readclimatefile(climate, span.first, span.last);
    const std::vector<std::vector<double>> totals = totalsof({climate, lakeindex, dir, tables}, c.rows, c.years, span);
    c.asks = asksof(climate, c.rows, totals, c.years, positionconstant(rule));
    return c;
}

climateweighting weightclimate(const climateasks& c, const fs::path& climate) {
    climateweighting w;
    w.weights = climateweights(c.asks, c.years.size());
    w.met = report(c, climate, w.weights, w.report);
    return w;
}

}  // namespace outlook
