// rerove_tivorn_subs: the daily outlook tables of the tool: scenario assembly,
// daily net basin supply, unit conversions and the table writer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rerove_tivorn_subs {

// ===========================================================================
// Flow and volume conversions
// ===========================================================================

// Each conversion rounds to single precision at the marked points only; between
// them the arithmetic is double. They are inline: the daily loops call them for
// every day of every scenario.

// Cubic feet per cubic metre, as the single-precision constant 35.31467.
inline constexpr double cftperm3 = static_cast<double>(35.31467F);

namespace detail {
// Depth in metres over area (m2) during seconds to cubic metres per second.
inline float flowfromdepth(double metres, float area, std::int32_t seconds) {
    const auto a = static_cast<float>(metres);                                                // rounded
    return static_cast<float>(static_cast<double>(area) * static_cast<double>(a) / seconds);  // rounded
}
// Cubic metres per second to thousands of cubic feet per second.
inline float tcfsfromm3(float q) { return static_cast<float>(static_cast<double>(q) * cftperm3 / 1000.0); }
}  // namespace detail

// Thousands of cubic feet per second to cubic metres per second.
inline float tcfm3(float flow) { return static_cast<float>(static_cast<double>(flow) * 1000.0 / cftperm3); }
// Depth in centimetres over area (m2) during seconds to cubic metres per second.
inline float cm2m3(float depth, float area, std::int32_t seconds) {
    return detail::flowfromdepth(static_cast<double>(depth) / 100.0, area, seconds);
}
// Depth in centimetres over area (m2) during seconds to thousands of cubic feet per second.
inline float cm2tcfs(float depth, float area, std::int32_t seconds) {
    return detail::tcfsfromm3(cm2m3(depth, area, seconds));
}
// Depth in millimetres over area (m2) during seconds to thousands of cubic feet per second.
inline float mm2tcfs(float depth, float area, std::int32_t seconds) {
    return detail::tcfsfromm3(detail::flowfromdepth(static_cast<double>(depth) / 1000.0, area, seconds));
}

// ===========================================================================
// Limits and working storage
// ===========================================================================

// Most scenario years per lake part, and scenario columns of dlyotlk.
inline constexpr std::int32_t maxscen = 75;
// Most days from the first to the last day of an outlook.
inline constexpr std::int32_t maxdays = 20000;
// Most parts one lake is assembled from.
inline constexpr std::int32_t maxparts = 3;

// Daily net basin supply in thousands of cubic feet per second, indexed
// [scenario position - 1][day index - 1]; -9999.9 marks a missing day.
inline std::array<std::array<float, maxdays>, maxscen> dlyotlk{};
inline constexpr float missingnbs = -9999.9F;

// Runoff, precipitation and evaporation (centimetres) of the scenario being
// assembled, indexed [part - 1][day index - 1].
inline std::array<std::array<float, maxdays>, maxparts> r{};
inline std::array<std::array<float, maxdays>, maxparts> p{};
inline std::array<std::array<float, maxdays>, maxparts> e{};
// Precipitation weight (land area, m2) of each part.
inline std::array<float, maxparts> prcarea{};

// The array position of a 1-based position.
inline std::size_t at(std::int32_t onebased) { return static_cast<std::size_t>(onebased - 1); }

// ===========================================================================
// Lake parts
// ===========================================================================

// The forecast-lake number of a lake index (1 to 5) and the forecast-lake numbers
// of the parts it is assembled from.
struct LakeParts {
    std::int32_t fcstlake = 0;
    std::int32_t count = 0;
    std::array<std::int32_t, maxparts> parts{};
};

// False for a lake index outside 1 to 5.
bool lakeparts(std::int32_t lakeindex, LakeParts& lake);

// The lake index (1 to 5) of the tool's lake argument: its first three
// characters, any case, against SUP, MHU, STC, ERI and ONT; 0 when none matches.
std::int32_t lakeindexof(std::string_view argument);

// ===========================================================================
// Daily net basin supply (dailynbs.cpp)
// ===========================================================================

// Fills day indexes 1 to numdays of scenario position scen (1 to 75) of dlyotlk
// from r, p, e and prcarea of the lake's parts: area-weighted runoff plus
// precipitation minus evaporation over the lake, as a flow. A day with a
// negative runoff or precipitation, an evaporation below -98 cm, or any value
// that is not a finite number in any part is stored as missing.
void dailynbs(std::int32_t scen, std::int32_t numdays, const LakeParts& lake);

// ===========================================================================
// Scenario discovery (assembly.cpp)
// ===========================================================================

// These steps write nothing and leave the error state alone, so a check of a
// lake directory can use them as the assembly does.

// Bytes per record of a scenario file (little-endian): record 1 holds the first
// and last day, record 2 on the days in order.
inline constexpr std::int32_t scenariorecordlength = 24;

// The scenario file of a year for a forecast-lake part: "REROVE", the year
// right-aligned in four columns, ".", the part's lakename3.
std::string scenariofile(std::int32_t year, std::int32_t part);

// The name pattern of a part's scenario files: "REROVE????." and its lakename3.
std::string scenariopattern(std::int32_t part);

// The year of one listed scenario file name: characters 7 to 10 of its first 15
// characters (blank-padded), leading blanks removed, read as a 4-column integer.
// Empty when they do not read; the name is then skipped.
std::optional<std::int32_t> scenarioyear(std::string_view listedname);

// The common-year rule over the parts' year lists, in part order: a year missing
// from any list becomes the removal mark 9999 where it stands, each list judged
// against all of them as they stand at that step; the first list is then sorted
// and cut at its first mark. Gives the scenario years, ascending.
std::vector<std::int32_t> commonyears(std::span<const std::vector<std::int32_t>> lists);

// First and last day (day sequence numbers) of a scenario file or an outlook.
struct DayRange {
    std::int32_t first = 0;
    std::int32_t last = 0;
};

enum class HeaderStatus { ok, notopened, notread };

// Opens scenario file name on unit and reads the first and last day from its
// header. With ok the unit stays open for the day records (the caller closes
// it); otherwise nothing is left open.
HeaderStatus openscenario(std::int32_t unit, std::string_view name, DayRange& days);

// The span of span and one more file: the earlier first and the later last day.
DayRange widenspan(DayRange span, DayRange file);

// The outlook span of the files' headers; with none it runs from 31 December
// 2999 to 1 January 999. A file whose last day is before its first is invalid.
DayRange outlookspan(std::span<const DayRange> headers);

// Days from the first to the last day of a span, counted in 64 bits.
std::int64_t spandays(DayRange span);

// ===========================================================================
// Outlook assembly (assembly.cpp) and table writer (writer.cpp)
// ===========================================================================

// Finds the scenario years every part of the lake has, the outlook span, and the
// daily net basin supplies of every scenario (into dlyotlk). scenarios receives
// the years in ascending order, -9999 after the last. Fails through the error
// state.
void getdailyotlknbs(std::int32_t lakeindex, std::int32_t& firstday, std::int32_t& lastday,
                     std::span<std::int32_t> scenarios);

// Days of a scenario file to read: from its first day to its last or the span's
// last day, whichever is earlier; never below 0 nor beyond the span, even when
// the file's header changed after the span was taken from it.
std::int32_t dayscovered(std::int32_t first, std::int32_t last, std::int32_t firstday, std::int32_t lastday);

// Walks the span through the writer's calendar as the first table does: the
// span's dates, the cell of every day, the quarter-months of every month. Writes
// nothing; a failure is reported through the error state as the writer would.
bool tablecalendar(std::int32_t firstday, std::int32_t lastday);

// Writes one quarter-month table file per scenario year of 1 or more.
void wrttivorn_otlk_daily(std::int32_t lakeindex, std::int32_t firstday, std::int32_t lastday,
                          std::span<const std::int32_t> scenarios);

// ===========================================================================
// Driver (driver.cpp)
// ===========================================================================

// The whole run of the tool on its command line (argv[0] the command, argv[1] the
// lake code) in the working directory: the tables, or the failure's console lines,
// traceback and ERROR.INT. Returns the exit status, 0 or 1.
int runtool(int argc, char** argv);

}  // namespace rerove_tivorn_subs
