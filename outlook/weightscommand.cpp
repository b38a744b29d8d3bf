// `rerove_outlook weights`: weights of the scenario years that the tool would
// find in a directory, from a climate outlook of precipitation, evaporation,
// runoff or net basin supply totals.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/outlook.hpp"
#include "rerove_tivorn/dailyloop.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;
namespace subs = rerove_tivorn_subs;

// A probability missed by more than this makes the exit status 3.
constexpr double tolerance = 0.001;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The lake named, or the one lake whose parts all have scenario years in dir.
std::int32_t lakeof(const weightsrequest& request) {
    if (!request.lake.empty()) {
        const std::int32_t lakeindex = subs::lakeindexofcode(request.lake);
        if (lakeindex == 0) throw readerror("unknown lake '" + request.lake + "' (SUP, MHU, STC, ERI or ONT)");
        return lakeindex;
    }
    std::vector<std::int32_t> found;
    for (std::int32_t lakeindex = 1; lakeindex <= fcstutil::numlevellakes; ++lakeindex) {
        if (!scenarioyears(lakeindex, request.dir).empty()) found.push_back(lakeindex);
    }
    if (found.size() == 1) return found[0];
    throw readerror(request.dir.string() + (found.empty()
                                                ? ": no scenario years of any lake"
                                                : ": scenario files of more than one lake; name one with --lake"));
}

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

std::string whereof(const weightsrequest& request, const climaterow& row) {
    return request.climate.string() + " line " + std::to_string(row.line);
}

bool isnbs(const climaterow& row) { return row.variable == climatevariable::nbs; }

// The volume depths (mm) of the nbs rows from the lake's tables in dir, into
// totals[row][year].
void nbstotals(const weightsrequest& request, std::span<const climaterow> rows, std::int32_t lakeindex,
               std::span<const std::int32_t> years, std::vector<std::vector<double>>& totals) {
    const std::vector<std::string> inputs = {request.dir.string()};
    const ensemble e = readensemble(inputs, fcstutil::levlkcode3[subs::at(lakeindex)]);
    std::vector<period> periods;
    for (const climaterow& row : rows) {
        if (isnbs(row) && (row.first < e.firstday || row.last > e.lastday))
            throw readerror(whereof(request, row) + ": the tables in " + request.dir.string() + " cover " +
                            isodate(e.firstday) + " to " + isodate(e.lastday) + ", not " + daysofrow(row));
        periods.push_back(isnbs(row) ? period{row.first, row.last} : period{e.firstday, e.firstday});
    }
    const std::vector<std::vector<double>> values = periodvalues(e, periods, periodstat::volume);
    for (std::size_t i = 0; i < years.size(); ++i) {
        const auto s = std::find(e.years.begin(), e.years.end(), years[i]);
        if (s == e.years.end())
            throw readerror(request.dir.string() + ": no table " + subs::tablefile(lakeindex, years[i]) +
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
std::vector<std::vector<double>> totalsof(const weightsrequest& request, std::span<const climaterow> rows,
                                          std::int32_t lakeindex, std::span<const std::int32_t> years,
                                          subs::DayRange span) {
    std::vector<std::vector<double>> totals(rows.size(), std::vector<double>(years.size(), nan));
    if (std::any_of(rows.begin(), rows.end(), isnbs)) nbstotals(request, rows, lakeindex, years, totals);
    if (std::all_of(rows.begin(), rows.end(), isnbs)) return totals;
    const partweights weights = partweightsof(lakeindex);
    for (std::size_t i = 0; i < years.size(); ++i) {
        const lakedays d = lakedaysof(weights, years[i], span, request.dir);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (!isnbs(rows[r])) totals[r][i] = rowtotal(d, rows[r], span.first);
        }
    }
    return totals;
}

// What each row asks of the weights; readerror for a year with a missing day.
std::vector<tercileask> asksof(const weightsrequest& request, std::span<const climaterow> rows,
                               const std::vector<std::vector<double>>& totals, std::span<const std::int32_t> years,
                               double a) {
    std::vector<tercileask> asks;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t i = 0; i < years.size(); ++i) {
            if (std::isnan(totals[r][i]))
                throw readerror(whereof(request, rows[r]) + ": scenario year " + std::to_string(years[i]) +
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
// of scenarios. True when every probability was met within the tolerance.
bool report(const weightsrequest& request, std::span<const climaterow> rows, std::span<const tercileask> asks,
            std::span<const double> weights, std::ostream& err) {
    bool met = true;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const tercileshares got = sharesof(asks[r], weights);
        const double miss = std::max({std::abs(got.below - rows[r].below), std::abs(got.near - rows[r].near),
                                      std::abs(got.above - rows[r].above)});
        met = met && miss <= tolerance;
        err << whereof(request, rows[r]) << ": " << nameofvariable(rows[r].variable) << " " << daysofrow(rows[r])
            << ": asked " << fixed(rows[r].below, 2) << " " << fixed(rows[r].near, 2) << " " << fixed(rows[r].above, 2)
            << ", got " << fixed(got.below, 2) << " " << fixed(got.near, 2) << " " << fixed(got.above, 2)
            << (miss > tolerance ? " (missed by " + fixed(miss, 3) + ")" : "") << "\n";
    }
    double squares = 0;
    for (const double w : weights) squares += w * w;
    err << "effective number of scenarios: " << fixed(1 / squares, 1) << " of " << weights.size() << "\n";
    if (!met) err << "some probabilities could not be met within " << tolerance << "; these are the closest weights\n";
    return met;
}

std::string weightscsv(std::span<const std::int32_t> years, std::span<const double> weights) {
    std::string csv = "year,weight\n";
    for (std::size_t i = 0; i < years.size(); ++i) csv += std::to_string(years[i]) + "," + shortest(weights[i]) + "\n";
    return csv;
}

}  // namespace

int runweights(const weightsrequest& request, std::ostream& out, std::ostream& err) {
    requireweightsolver();
    const std::optional<positionrule> rule = positionofname(request.position);
    if (!rule)
        throw readerror("unknown position rule '" + request.position +
                        "' (weibull, hazen, cunnane, gringorten or median)");
    const std::int32_t lakeindex = lakeof(request);
    const std::vector<std::int32_t> years = scenarioyears(lakeindex, request.dir);
    if (years.empty())
        throw readerror(request.dir.string() + ": no scenario year common to all parts of " +
                        std::string(iolayer::trimright(fcstutil::levlkname10[subs::at(lakeindex)])));
    const subs::DayRange span = spanof(lakeindex, years, request.dir);
    const std::vector<climaterow> rows = readclimatefile(request.climate, span.first, span.last);
    const std::vector<std::vector<double>> totals = totalsof(request, rows, lakeindex, years, span);
    const std::vector<tercileask> asks = asksof(request, rows, totals, years, positionconstant(*rule));
    const std::vector<double> weights = climateweights(asks, years.size());
    const std::string csv = weightscsv(years, weights);
    if (request.output.empty())
        out << csv;
    else
        writefile(request.output, csv);
    return report(request, rows, asks, weights, err) ? 0 : 3;
}

}  // namespace outlook
