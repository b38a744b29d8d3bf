// recordtraces: historical traces from a monthly record of the lakes' runoff,
// precipitation and evaporation, for make_scenarios --record.
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

// Ascending years as runs: "1950-2014", "1950, 1952-1953".
std::string yearruns(std::span<const std::int32_t> years);

}  // namespace recordtraces
