// scenariofiles: writes sample daily scenario files (REROVE<year>.<part>) with
// plausible runoff, precipitation and evaporation, for trying and timing the tool.
//
// The values come from a small seasonal model driven by an own pseudo-random
// generator seeded from the scenario year and the lake part, in plain IEEE
// arithmetic only, so that the same request gives the same bytes everywhere; or,
// with a record, they are its historical traces (recordtraces.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "make_scenarios/recordtraces.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace scenariofiles {

// Most days per file this generator writes (the tool itself takes at most 20000).
inline constexpr std::int32_t maxfiledays = 100000;
// Scenario years run from 1 to 9999 (four columns of the file name).
inline constexpr std::int32_t minyear = 1;
inline constexpr std::int32_t maxyear = 9999;

// Forecast-lake numbers of the parts of a lake, by lake index 1 to 5; empty for
// any other index. Mich-Huron is Michigan, Huron and Georgian Bay.
std::span<const std::int32_t> lakeparts(std::int32_t lakeindex);

// Per-day data shared by every file of one span: the date text of each day.
struct daycalendar {
    std::int32_t firstday = 0;  // day sequence number
    std::int32_t days = 0;
    std::vector<std::int32_t> dayofyear;  // 1 to 366
    std::vector<char> datetext;           // 8 characters a day, YYYYMMDD
};

// The span of days days from firstday (a valid day sequence number).
daycalendar makespan(std::int32_t firstday, std::int32_t days);

// The whole file of a trace over span, header and day records, into out (resized;
// its storage is reused): day k of the trace is day k of the span, each record
// with its date text; the bytes the tool does not read are zero. Every writer of
// scenario files comes here.
void tracebytes(std::span<const rerove_tivorn_subs::scenarioday> trace, const daycalendar& span,
                std::vector<std::byte>& out);

// The whole file of one scenario year and part (forecast-lake number 1 to 7) of
// made-up values, as tracebytes writes it.
void scenariobytes(std::int32_t year, std::int32_t part, const daycalendar& span, std::vector<std::byte>& out);

// What one run of the generator writes.
struct scenariorequest {
    std::int32_t lakeindex = 0;
    std::vector<std::int32_t> years;  // ascending, no repeats
    std::int32_t firstday = 0;        // day sequence number
    std::int32_t days = 0;
    std::filesystem::path dir = ".";
    struct omittedfile {
        std::int32_t part = 0;  // forecast-lake number
        std::int32_t year = 0;  // 0: every year
    };
    std::vector<omittedfile> omissions;
    // --record FILE: historical traces of this monthly record instead of the
    // made-up values; parsearguments reads it and checks the years against it.
    std::filesystem::path recordfile;
    std::optional<recordtraces::monthlyrecord> record;
    // --condition [--fit-exclude YEARS]: the traces start from the record's month
    // before the outlook, fitted without the months the plain traces of those years
    // replay; parsearguments makes the fit.
    bool condition = false;
    std::vector<std::int32_t> fitexcluded;  // ascending, no repeats
    std::optional<recordtraces::conditioning> fit;
    bool help = false;
};

// Reads the command-line arguments (without the program name) into request, and
// the record of --record; false with a one-line reason in error when they are not
// usable (with --record: also when a year's trace needs a month the record lacks;
// with --condition: also when the traces cannot be conditioned).
bool parsearguments(std::span<const std::string_view> args, scenariorequest& request, std::string& error);

// The usage text, one entry a line.
std::vector<std::string> usagetext();

// n and the noun, plural unless n is 1: "1 day", "2 days".
std::string counted(std::int64_t n, std::string_view noun);

// The closing line of a run that wrote written files of the request.
std::string summary(const scenariorequest& request, std::int32_t written);

// The benchmarks' input: Mich-Huron, years scenario years from 1950, days days
// from 1 June 2024, into dir.
scenariorequest benchrequest(std::int32_t years, std::int32_t days, const std::filesystem::path& dir);

// Writes every file of the request into its directory (created when missing).
// False with the reason in error at the first failure; written counts the files.
bool writescenarios(const scenariorequest& request, std::int32_t& written, std::string& error);

}  // namespace scenariofiles
