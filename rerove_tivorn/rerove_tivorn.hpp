// rerove_tivorn_subs: the daily outlook tables of the tool: unit conversions,
// the working storage, daily net basin supply, the scenario assembly, the table
// writer and the driver. What the tool shares with a check of a directory and
// the companion programs (lakes, file names and records, discovery) is in
// discovery.hpp, included here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "rerove_tivorn/discovery.hpp"

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
// Working storage
// ===========================================================================

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
// Daily net basin supply (dailynbs.cpp)
// ===========================================================================

// Fills day indexes 1 to numdays of scenario position scen (1 to 75) of dlyotlk
// from r, p, e and prcarea of the lake's parts: area-weighted runoff plus
// precipitation minus evaporation over the lake, as a flow. A day with a
// negative runoff or precipitation, an evaporation below -98 cm, or any value
// that is not a finite number in any part is stored as missing.
void dailynbs(std::int32_t scen, std::int32_t numdays, const LakeParts& lake);

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
