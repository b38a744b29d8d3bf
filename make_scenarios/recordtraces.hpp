// recordtraces: historical traces from a monthly record of the lakes' runoff,
// precipitation and evaporation, for make_scenarios --record, plain or conditioned
// on the lake's state before the outlook.
//
// The trace of scenario year Y replays the record from Y on, calendar month by
// calendar month: a day of the outlook in month m of the outlook's year y0 + k
// (y0 the year of the outlook's first day) takes month m of year Y + k, that
// month's total shared out evenly over the month's days in the outlook's calendar,
// so that the days of every whole month of the outlook add up to the total.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "rerove_tivorn/discovery.hpp"

namespace recordtraces {

// One month's totals of a lake, in hundredths of a millimetre over the lake (the
// record's resolution, read exactly).
struct monthtotals {
    std::int64_t runoff = 0;
    std::int64_t precipitation = 0;
    std::int64_t evaporation = 0;  // negative: condensation
};

// Month number of a calendar month: year * 12 + month - 1.
constexpr std::int32_t monthnumber(std::int32_t year, std::int32_t month) { return year * 12 + month - 1; }

// The record: the months of each lake, lake index 1 to 5 at position 0 to 4,
// keyed by month number.
struct monthlyrecord {
    std::array<std::map<std::int32_t, monthtotals>, 5> lakes;
};

// Reads a CSV record whose header names the columns lake (SUP, MHU, STC, ERI,
// ONT), year, month, precip_mm, evap_mm and runoff_mm, in any order (others are
// ignored); one row per lake and month. False with the reason, naming the file
// and line, in error when it cannot be read or used.
bool readrecord(const std::filesystem::path& file, monthlyrecord& record, std::string& error);

// Scenario years (1 to 9999) whose whole trace the record holds for the lake
// (index 1 to 5) and the outlook of days days from firstday, ascending.
std::vector<std::int32_t> fittingyears(const monthlyrecord& record, std::int32_t lakeindex, std::int32_t firstday,
                                       std::int32_t days);

// True when every one of years fits; otherwise false, with error naming those
// that do not, the months one of them lacks and the years that fit.
bool checkyears(const monthlyrecord& record, std::int32_t lakeindex, std::span<const std::int32_t> years,
                std::int32_t firstday, std::int32_t days, std::string& error);

// The trace of a scenario year that fits, one day of a scenario file (millimetres)
// per day of the outlook: every day of a month holds the month's total over its
// number of days, rounded once to single precision.
std::vector<rerove_tivorn_subs::scenarioday> trace(const monthlyrecord& record, std::int32_t lakeindex,
                                                   std::int32_t year, std::int32_t firstday, std::int32_t days);

// Conditioned traces (--condition): each trace starts from the lake's state, the
// record's month before the outlook's first month, by a periodic first-order
// autoregression of standardized monthly anomalies applied to the plain trace
// (docs/hindcast.md). Runoff and precipitation are taken as natural logarithms of
// the depth in mm, evaporation as the depth. In outlook month k (1 on, calendar
// month m), phi = r of the calendar months of outlook months 1 to k multiplied and
// z the anomaly of the month the plain trace replays, the trace takes the anomaly
// phi z0 + sqrt(1 - phi^2) z, back into a depth with month m's mu and s.

// One component's fit, by calendar month (0 January to 11 December): mean and
// standard deviation (divisor n) of the value over the fitting months, and the
// correlation of the anomalies of the month and the month before. Only the months
// the outlook uses are fitted (m(k) for every k, and the month before the first for
// mu and s); the others stay 0.
struct componentfit {
    std::array<double, 12> mu{};
    std::array<double, 12> s{};
    std::array<double, 12> r{};
    double z0 = 0;  // anomaly of the record's month before the outlook
};

struct conditioning {
    componentfit runoff;
    componentfit precipitation;
    componentfit evaporation;
    std::int32_t fittingmonths = 0;  // months of the lake's record in the fit
};

// Fewest years with both months in the fit for a month's correlation.
inline constexpr std::int32_t minyearpairs = 10;

// Fits the outlook of days days from firstday for the lake on its whole record but
// the months that the plain traces of the excluded years replay. False with the
// reason in error (naming the component and the month) when the record lacks the
// month before the outlook, or a month the outlook uses has a fitting total of 0 or
// less to take the logarithm of, a standard deviation of 0 or too few year pairs.
bool fitconditioning(const monthlyrecord& record, std::int32_t lakeindex, std::int32_t firstday, std::int32_t days,
                     std::span<const std::int32_t> excluded, conditioning& fit, std::string& error);

// The trace of a scenario year that fits, as trace() gives it, conditioned by the
// fit of the same lake and outlook. A month of the trace outside the fit with no
// runoff or precipitation stays without.
std::vector<rerove_tivorn_subs::scenarioday> conditionedtrace(const monthlyrecord& record, const conditioning& fit,
                                                              std::int32_t lakeindex, std::int32_t year,
                                                              std::int32_t firstday, std::int32_t days);

// Ascending years as runs: "1950-2014", "1950, 1952-1953".
std::string yearruns(std::span<const std::int32_t> years);

}  // namespace recordtraces
