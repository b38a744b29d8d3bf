// Historical traces: the monthly record read by its header's names, the scenario
// years it can replay, the even daily shares of each month's totals, and the fit
// that conditions the traces on the month before the outlook.
#include "make_scenarios/recordtraces.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <string_view>
#include <system_error>
#include <utility>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/discovery.hpp"

namespace recordtraces {
namespace {

// The columns read, and their names in the header.
enum recordcolumn : std::size_t { lakecol, yearcol, monthcol, precipcol, evapcol, runoffcol, columns };
constexpr std::array<std::string_view, columns> columnnames = {"lake",      "year",    "month",
                                                               "precip_mm", "evap_mm", "runoff_mm"};
using columnfields = std::array<std::size_t, columns>;  // field index of each column

// The depth columns and where each goes in the totals.
constexpr std::array<std::pair<recordcolumn, std::int64_t monthtotals::*>, 3> depthcolumns = {
    {{precipcol, &monthtotals::precipitation},
     {evapcol, &monthtotals::evaporation},
     {runoffcol, &monthtotals::runoff}}};

// Monthly totals beyond this many millimetres are taken for a fault of the file.
constexpr double maxdepth = 1.0e6;

// Without blanks, tabs and a CR line end around it.
std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The fields of a CSV line (no quoting), trimmed.
std::vector<std::string_view> fieldsof(std::string_view line) {
    std::vector<std::string_view> fields;
    while (true) {
        const std::size_t comma = line.find(',');
        fields.push_back(trimmed(line.substr(0, comma)));
        if (comma == std::string_view::npos) return fields;
        line.remove_prefix(comma + 1);
    }
}

bool findcolumns(const std::vector<std::string_view>& header, columnfields& at, std::string& reason) {
    for (std::size_t c = 0; c < columns; ++c) {
        const auto found = std::find(header.begin(), header.end(), columnnames[c]);
        if (found == header.end()) {
            reason = "the header has no column " + std::string(columnnames[c]);
            return false;
        }
        at[c] = static_cast<std::size_t>(found - header.begin());
    }
    return true;
}

bool wholefield(std::string_view text, std::int32_t& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

// Millimetres to hundredths of a millimetre.
bool depthfield(std::string_view text, std::int64_t& hundredths) {
    double mm = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, mm);
    if (text.empty() || ec != std::errc() || ptr != end || !(std::fabs(mm) <= maxdepth)) return false;
    hundredths = std::llround(mm * 100.0);
    return true;
}

std::string yearmonth(std::int32_t number) {
    return iolayer::formatiz(number / 12, 4) + "-" + iolayer::formatiz(number % 12 + 1, 2);
}

// One row into the record; false with the reason when it does not read.
bool addrow(const std::vector<std::string_view>& fields, const columnfields& at, monthlyrecord& record,
            std::string& reason) {
    const auto field = [&](recordcolumn c) { return at[c] < fields.size() ? fields[at[c]] : std::string_view(); };
    const auto bad = [&](recordcolumn c) {
        reason = "bad " + std::string(columnnames[c]) + " '" + std::string(field(c)) + "'";
        return false;
    };
    const std::int32_t lakeindex = rerove_tivorn_subs::lakeindexofcode(field(lakecol));
    std::int32_t year = 0;
    std::int32_t month = 0;
    if (lakeindex == 0) return bad(lakecol);
    if (!wholefield(field(yearcol), year) || year < 1 || year > 9999) return bad(yearcol);
    if (!wholefield(field(monthcol), month) || month < 1 || month > 12) return bad(monthcol);
    monthtotals totals;
    for (const auto& [column, member] : depthcolumns) {
        if (!depthfield(field(column), totals.*member)) return bad(column);
    }
    // The tool takes a day of negative runoff or precipitation for a missing one.
    if (totals.runoff < 0) return bad(runoffcol);
    if (totals.precipitation < 0) return bad(precipcol);
    if (!record.lakes[static_cast<std::size_t>(lakeindex - 1)].emplace(monthnumber(year, month), totals).second) {
        reason = "a second row for " + std::string(field(lakecol)) + " " + yearmonth(monthnumber(year, month));
        return false;
    }
    return true;
}

struct calendardate {
    std::int32_t day = 0;
    std::int32_t month = 0;
    std::int32_t year = 0;
};

calendardate dateof(std::int32_t seq) {
    calendardate date;
    keldautil::sequencedate(date.day, date.month, date.year, seq);
    return date;
}

// Days in a month of any year of the calendar (daysinmonth stops at 2999).
std::int32_t monthlength(std::int32_t month, std::int32_t year) {
    std::int32_t start = 0;
    std::int32_t next = 0;
    keldautil::datesequence(1, month, year, start);
    keldautil::datesequence(1, month % 12 + 1, month == 12 ? year + 1 : year, next);
    return next - start;
}

// Month numbers of the outlook's first and last month, and the year it starts in.
struct outlookmonthrange {
    std::int32_t first = 0;
    std::int32_t last = 0;
    std::int32_t startyear = 0;
};

outlookmonthrange outlookmonths(std::int32_t firstday, std::int32_t days) {
    const calendardate first = dateof(firstday);
    const calendardate last = dateof(firstday + days - 1);
    return {monthnumber(first.year, first.month), monthnumber(last.year, last.month), first.year};
}

// The first of the months first to last that the lake's record lacks; -1 when it
// has them all.
std::int32_t firstmissing(const std::map<std::int32_t, monthtotals>& months, std::int32_t first, std::int32_t last) {
    auto it = months.lower_bound(first);
    for (std::int32_t number = first; number <= last; ++number, ++it) {
        if (it == months.end() || it->first != number) return number;
    }
    return -1;
}

const std::map<std::int32_t, monthtotals>& monthsof(const monthlyrecord& record, std::int32_t lakeindex) {
    return record.lakes.at(static_cast<std::size_t>(lakeindex - 1));
}

// A month's totals as the days share them: hundredths of a millimetre, unrounded.
struct monthdepths {
    double runoff = 0;
    double precipitation = 0;
    double evaporation = 0;
};

// The totals of the outlook's months, first to last, that the trace of the year replays.
std::vector<monthdepths> replayed(const monthlyrecord& record, std::int32_t lakeindex, std::int32_t year,
                                  const outlookmonthrange& outlook) {
    const auto& months = monthsof(record, lakeindex);
    const std::int32_t shift = 12 * (year - outlook.startyear);
    std::vector<monthdepths> depths;
    depths.reserve(static_cast<std::size_t>(outlook.last - outlook.first + 1));
    for (std::int32_t number = outlook.first; number <= outlook.last; ++number) {
        const monthtotals& totals = months.at(number + shift);
        depths.push_back({static_cast<double>(totals.runoff), static_cast<double>(totals.precipitation),
                          static_cast<double>(totals.evaporation)});
    }
    return depths;
}

// The days of the outlook, each month's totals (months[0] the month numbered
// firstmonth) shared out evenly over the month's days and rounded once to float.
std::vector<rerove_tivorn_subs::scenarioday> shareddays(std::int32_t firstday, std::int32_t days,
                                                        std::int32_t firstmonth, std::span<const monthdepths> months) {
    std::vector<rerove_tivorn_subs::scenarioday> trace(static_cast<std::size_t>(days));
    for (std::int32_t k = 0; k < days; ++k) {
        const calendardate date = dateof(firstday + k);
        // The month's length in the outlook's calendar, whatever the record year had.
        const std::int32_t n = monthlength(date.month, date.year);
        const monthdepths& month = months[static_cast<std::size_t>(monthnumber(date.year, date.month) - firstmonth)];
        const auto daily = [n](double hundredths) { return static_cast<float>(hundredths / (100.0 * n)); };
        trace[static_cast<std::size_t>(k)] = {daily(month.runoff), daily(month.precipitation),
                                              daily(month.evaporation)};
    }
    return trace;
}

}  // namespace

bool readrecord(const std::filesystem::path& file, monthlyrecord& record, std::string& error) {
    record = monthlyrecord{};
    std::error_code ec;
    std::ifstream in;
    errno = EISDIR;
    if (!std::filesystem::is_directory(file, ec)) in.open(file, std::ios::binary);
    std::string line;
    std::string reason;
    columnfields at{};
    if (!in.is_open() || !std::getline(in, line)) {
        error = "cannot read the record " + file.string() + ": " +
                (in.eof() ? std::string("it is empty") : std::string(std::strerror(errno ? errno : EIO)));
        return false;
    }
    if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);  // the byte-order mark some spreadsheets write
    if (!findcolumns(fieldsof(line), at, reason)) {
        error = file.string() + ": " + reason;
        return false;
    }
    for (std::size_t number = 2; std::getline(in, line); ++number) {
        if (trimmed(line).empty()) continue;
        if (!addrow(fieldsof(line), at, record, reason)) {
            error = file.string() + " line " + std::to_string(number) + ": " + reason;
            return false;
        }
    }
    if (in.bad()) {
        error = "cannot read the record " + file.string() + ": " + std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

std::vector<std::int32_t> fittingyears(const monthlyrecord& record, std::int32_t lakeindex, std::int32_t firstday,
                                       std::int32_t days) {
    const outlookmonthrange outlook = outlookmonths(firstday, days);
    const auto& months = monthsof(record, lakeindex);
    std::vector<std::int32_t> years;
    for (std::int32_t year = 1; year <= 9999 && !months.empty(); ++year) {
        const std::int32_t shift = 12 * (year - outlook.startyear);
        if (firstmissing(months, outlook.first + shift, outlook.last + shift) < 0) years.push_back(year);
    }
    return years;
}

bool checkyears(const monthlyrecord& record, std::int32_t lakeindex, std::span<const std::int32_t> years,
                std::int32_t firstday, std::int32_t days, std::string& error) {
    const std::vector<std::int32_t> fit = fittingyears(record, lakeindex, firstday, days);
    std::vector<std::int32_t> unfit;
    for (const std::int32_t year : years) {
        if (!std::binary_search(fit.begin(), fit.end(), year)) unfit.push_back(year);
    }
    if (unfit.empty()) return true;
    const outlookmonthrange outlook = outlookmonths(firstday, days);
    const std::int32_t shift = 12 * (unfit.front() - outlook.startyear);
    const std::int32_t missing = firstmissing(monthsof(record, lakeindex), outlook.first + shift, outlook.last + shift);
    error = "the record has no whole trace for scenario year" + std::string(unfit.size() == 1 ? " " : "s ") +
            yearruns(unfit) + " (" + std::to_string(unfit.front()) + " needs " + yearmonth(outlook.first + shift) +
            " to " + yearmonth(outlook.last + shift) + ", the record has no " + yearmonth(missing) + "); " +
            (fit.empty() ? std::string("no year fits this outlook") : "the years that fit: " + yearruns(fit));
    return false;
}

std::vector<rerove_tivorn_subs::scenarioday> trace(const monthlyrecord& record, std::int32_t lakeindex,
                                                   std::int32_t year, std::int32_t firstday, std::int32_t days) {
    const outlookmonthrange outlook = outlookmonths(firstday, days);
    return shareddays(firstday, days, outlook.first, replayed(record, lakeindex, year, outlook));
}

std::string yearruns(std::span<const std::int32_t> years) {
    std::string text;
    std::size_t start = 0;
    for (std::size_t i = 1; i <= years.size(); ++i) {
        if (i < years.size() && years[i] == years[i - 1] + 1) continue;
        if (!text.empty()) text += ", ";
        text += std::to_string(years[start]);
        if (i - 1 > start) {
            text += '-';
            text += std::to_string(years[i - 1]);
        }
        start = i;
    }
    return text;
}

namespace {

// One component of the totals: its name, where it is in the totals, the depths and
// the fit, and whether the autoregression takes its logarithm.
struct componentpart {
    std::string_view name;
    std::int64_t monthtotals::*total;
    double monthdepths::*depth;
    componentfit conditioning::*fit;
    bool logged;
};

constexpr std::array<componentpart, 3> componentparts = {{
    {"runoff", &monthtotals::runoff, &monthdepths::runoff, &conditioning::runoff, true},
    {"precipitation", &monthtotals::precipitation, &monthdepths::precipitation, &conditioning::precipitation, true},
    {"evaporation", &monthtotals::evaporation, &monthdepths::evaporation, &conditioning::evaporation, false},
}};

constexpr double notfitted = std::numeric_limits<double>::quiet_NaN();

// Calendar month of a month number, 0 January to 11 December.
std::size_t calendarmonth(std::int32_t number) { return static_cast<std::size_t>(number % 12); }

std::string monthname(std::size_t month) { return std::string(trimmed(fcstutil::monthname10.at(month))); }

// "runoff of June: "
std::string about(const componentpart& part, std::size_t month) {
    return std::string(part.name) + " of " + monthname(month) + ": ";
}

// The value the autoregression works on, from hundredths of a millimetre: the
// logarithm of the depth in mm, or the depth; NaN for the logarithm of 0 or less.
double transformed(const componentpart& part, double hundredths) {
    const double mm = hundredths / 100.0;
    if (!part.logged) return mm;
    return mm > 0 ? std::log(mm) : notfitted;
}

std::string nologarithm(const componentpart& part, std::int32_t number) {
    return about(part, calendarmonth(number)) + "the total of " + yearmonth(number) +
           " is not above 0 mm and has no logarithm";
}

// The lake's record as consecutive months from its first, with those of the fit.
struct fitview {
    std::int32_t first = 0;                  // month number at position 0
    std::vector<const monthtotals*> totals;  // null where the record has no month
    std::vector<bool> used;
};

fitview viewoffit(const std::map<std::int32_t, monthtotals>& months, const outlookmonthrange& outlook,
                  std::span<const std::int32_t> excluded) {
    fitview view;
    if (months.empty()) return view;
    view.first = months.begin()->first;
    const std::int32_t count = months.rbegin()->first - view.first + 1;
    view.totals.assign(static_cast<std::size_t>(count), nullptr);
    view.used.assign(static_cast<std::size_t>(count), false);
    for (const auto& [number, totals] : months) {
        view.totals[static_cast<std::size_t>(number - view.first)] = &totals;
        view.used[static_cast<std::size_t>(number - view.first)] = true;
    }
    // Every month that the plain trace of an excluded year replays.
    for (const std::int32_t year : excluded) {
        const std::int32_t shift = 12 * (year - outlook.startyear);
        const std::int32_t from = std::max(outlook.first + shift - view.first, 0);
        const std::int32_t to = std::min(outlook.last + shift - view.first, count - 1);
        for (std::int32_t at = from; at <= to; ++at) view.used[static_cast<std::size_t>(at)] = false;
    }
    return view;
}

// The calendar months the outlook uses: for mu and s, those of its months and the
// month before the first; for r, those of its months.
struct outlookuse {
    std::array<bool, 12> value{};
    std::array<bool, 12> correlation{};
};

outlookuse useof(const outlookmonthrange& outlook) {
    outlookuse use;
    use.value[calendarmonth(outlook.first - 1)] = true;
    for (std::int32_t number = outlook.first; number <= std::min(outlook.last, outlook.first + 11); ++number) {
        use.value[calendarmonth(number)] = true;
        use.correlation[calendarmonth(number)] = true;
    }
    return use;
}

// The first position in the view of a month of the calendar month; the others
// follow every 12.
std::size_t firstofmonth(const fitview& view, std::size_t month) {
    return (month + 12 - calendarmonth(view.first)) % 12;
}

// The values of the fitting months of the calendar months used, by position in the
// view; NaN elsewhere. False with error set for a logarithm of 0 or less.
bool fitvalues(const componentpart& part, const fitview& view, const outlookuse& use, std::vector<double>& x,
               std::string& error) {
    x.assign(view.totals.size(), notfitted);
    for (std::size_t at = 0; at < x.size(); ++at) {
        const auto number = static_cast<std::int32_t>(at) + view.first;
        if (!view.used[at] || !use.value[calendarmonth(number)]) continue;
        x[at] = transformed(part, static_cast<double>(view.totals[at]->*part.total));
        if (std::isnan(x[at])) {
            error = nologarithm(part, number);
            return false;
        }
    }
    return true;
}

// Mean and sum of squared deviations of values; the sum is 0 exactly when the
// values are all equal, whatever the rounding of the mean.
struct spread {
    double mean = 0;
    double squares = 0;
};

spread spreadof(std::span<const double> values) {
    spread result;
    if (values.empty()) return result;
    for (const double v : values) result.mean += v;
    result.mean /= static_cast<double>(values.size());
    if (std::adjacent_find(values.begin(), values.end(), std::not_equal_to<>()) == values.end()) return result;
    for (const double v : values) result.squares += (v - result.mean) * (v - result.mean);
    return result;
}

// mu and s (divisor n) of the calendar month; false with error set when s is 0.
bool moments(const componentpart& part, const fitview& view, std::span<const double> x, std::size_t month,
             componentfit& fit, std::string& error) {
    std::vector<double> values;
    for (std::size_t at = firstofmonth(view, month); at < x.size(); at += 12) {
        if (!std::isnan(x[at])) values.push_back(x[at]);
    }
    const spread of = spreadof(values);
    fit.mu[month] = of.mean;
    fit.s[month] = std::sqrt(of.squares / std::max(static_cast<double>(values.size()), 1.0));
    if (fit.s[month] > 0) return true;
    error = about(part, month) + "the standard deviation over its " + std::to_string(values.size()) +
            " fitting months is 0";
    return false;
}

// r of the calendar month: the Pearson correlation over the years with the month
// and the month before in the fit. False with error set for too few of them or
// none that vary.
bool correlation(const componentpart& part, const fitview& view, std::span<const double> x, std::size_t month,
                 componentfit& fit, std::string& error) {
    std::vector<double> before;
    std::vector<double> now;
    for (std::size_t at = firstofmonth(view, month); at < x.size(); at += 12) {
        if (at == 0 || std::isnan(x[at - 1]) || std::isnan(x[at])) continue;
        before.push_back(x[at - 1]);
        now.push_back(x[at]);
    }
    const std::string years = std::to_string(before.size()) + " years with " + monthname((month + 11) % 12) + " and " +
                              monthname(month) + " in the fit";
    if (before.size() < static_cast<std::size_t>(minyearpairs)) {
        error = about(part, month) + years + ", the correlation needs " + std::to_string(minyearpairs);
        return false;
    }
    const spread a = spreadof(before);
    const spread b = spreadof(now);
    if (!(a.squares > 0 && b.squares > 0)) {
        error = about(part, month) + "the " + years + " do not vary";
        return false;
    }
    double products = 0;
    for (std::size_t i = 0; i < before.size(); ++i) products += (before[i] - a.mean) * (now[i] - b.mean);
    fit.r[month] = std::clamp(products / std::sqrt(a.squares * b.squares), -1.0, 1.0);
    return true;
}

bool fitcomponent(const componentpart& part, const fitview& view, const outlookuse& use, componentfit& fit,
                  std::string& error) {
    std::vector<double> x;
    if (!fitvalues(part, view, use, x, error)) return false;
    for (std::size_t month = 0; month < 12; ++month) {
        if (use.value[month] && !moments(part, view, x, month, fit, error)) return false;
    }
    for (std::size_t month = 0; month < 12; ++month) {
        if (use.correlation[month] && !correlation(part, view, x, month, fit, error)) return false;
    }
    return true;
}

// A month's total of the conditioned trace, in hundredths of a millimetre, from the
// plain trace's total of the calendar month and phi of the outlook month.
double conditionedtotal(const componentpart& part, const componentfit& fit, std::size_t month, double phi,
                        double hundredths) {
    const double x = transformed(part, hundredths);
    if (std::isnan(x)) return 0.0;  // the limit as the total goes to 0, for phi below 1
    const double z = (x - fit.mu[month]) / fit.s[month];
    const double conditioned = phi * fit.z0 + std::sqrt(std::max(0.0, 1.0 - phi * phi)) * z;
    const double value = fit.mu[month] + fit.s[month] * conditioned;
    return 100.0 * (part.logged ? std::exp(value) : value);
}

}  // namespace

bool fitconditioning(const monthlyrecord& record, std::int32_t lakeindex, std::int32_t firstday, std::int32_t days,
                     std::span<const std::int32_t> excluded, conditioning& fit, std::string& error) {
    fit = conditioning{};
    const auto& months = monthsof(record, lakeindex);
    const outlookmonthrange outlook = outlookmonths(firstday, days);
    const auto before = months.find(outlook.first - 1);
    if (before == months.end()) {
        error = "the record has no " + yearmonth(outlook.first - 1) +
                ", the month before the outlook, to condition the traces on";
        return false;
    }
    const fitview view = viewoffit(months, outlook, excluded);
    fit.fittingmonths = static_cast<std::int32_t>(std::count(view.used.begin(), view.used.end(), true));
    const outlookuse use = useof(outlook);
    for (const componentpart& part : componentparts) {
        componentfit& component = fit.*part.fit;
        if (!fitcomponent(part, view, use, component, error)) return false;
        const double x0 = transformed(part, static_cast<double>(before->second.*part.total));
        if (std::isnan(x0)) {
            error = nologarithm(part, before->first);
            return false;
        }
        const std::size_t month = calendarmonth(before->first);
        component.z0 = (x0 - component.mu[month]) / component.s[month];
    }
    return true;
}

std::vector<rerove_tivorn_subs::scenarioday> conditionedtrace(const monthlyrecord& record, const conditioning& fit,
                                                              std::int32_t lakeindex, std::int32_t year,
                                                              std::int32_t firstday, std::int32_t days) {
    const outlookmonthrange outlook = outlookmonths(firstday, days);
    std::vector<monthdepths> months = replayed(record, lakeindex, year, outlook);
    for (const componentpart& part : componentparts) {
        const componentfit& component = fit.*part.fit;
        double phi = 1;
        for (std::size_t k = 0; k < months.size(); ++k) {
            const std::size_t month = calendarmonth(outlook.first + static_cast<std::int32_t>(k));
            phi *= component.r[month];
            months[k].*part.depth = conditionedtotal(part, component, month, phi, months[k].*part.depth);
        }
    }
    return shareddays(firstday, days, outlook.first, months);
}

}  // namespace recordtraces
