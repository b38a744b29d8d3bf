// outlook importing: a lake's daily traces of runoff, precipitation and
// evaporation handed in by another program, as CSV or as a PI time-series
// document, checked as a whole and written as the tool's scenario files, byte for
// byte what make_scenarios writes for the same values. Every file is read and
// checked before one is written; a readerror names the file and the line or series.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "outlook/input/input.hpp"
#include "outlook/model/model.hpp"
#include "outlook/xml/xml.hpp"

namespace outlook {

// ---------------------------------------------------------------------------
// The traces of one lake (traces.cpp)
// ---------------------------------------------------------------------------

// The three values of a day, in the order of a scenario file's record.
enum class component { runoff, precip, evap };
inline constexpr std::size_t componentcount = 3;

// Checked traces: one per scenario year and part of the lake, all over the same
// days; a missing day is a quiet NaN in each of its values.
struct importedtraces {
    std::int32_t lakeindex = 0;
    std::int32_t firstday = 0;  // day sequence number
    std::int32_t days = 0;
    std::vector<std::int32_t> years;               // ascending
    std::vector<std::int32_t> parts;               // the lake's, in its order (forecast-lake numbers)
    std::vector<std::vector<scenarioday>> traces;  // [year index * parts.size() + part index]
};

// The traces of a lake as they are gathered from one file or more, each trace
// keeping where it was first found ("FILE line N", "FILE series N") for messages.
class tracegathering {
public:
    struct trace {
        std::string origin;
        std::int32_t firstday = 0;
        std::vector<scenarioday> days;
        unsigned components = 0;  // a bit per component given
    };

    explicit tracegathering(std::int32_t lakeindex) : lakeindex_(lakeindex) {}
    [[nodiscard]] std::int32_t lakeindex() const { return lakeindex_; }
    // The trace of a scenario year and part (a forecast-lake number of the lake)
    // over days from firstday; when it is new, made of the given days, or with
    // every value missing when none are given. readerror from origin when it spans
    // too many days or is of a year past maxscen, when its days differ from those
    // it was made with, or when it has a component of the mask already.
    trace& over(std::int32_t year, std::int32_t part, std::int32_t firstday, std::int32_t days, unsigned components,
                const std::string& origin, std::vector<scenarioday> given = {});
    // The traces checked as a whole (each with every component, every part of the
    // lake, every year with every part, the same days);
    // readerror naming the trace or, for what none has, the files.
    importedtraces checked(std::span<const std::filesystem::path> files) &&;

private:
    std::int32_t lakeindex_;
    std::map<std::pair<std::int32_t, std::int32_t>, trace> traces_;  // by year, then part
    std::size_t years_ = 0;
};

// The scenario year a text gives (a whole number of 1 to 9999, the whole text),
// and the part of the lake a code names (any case); readerror starting with
// where otherwise.
std::int32_t yearof(std::string_view text, std::string_view where);
std::int32_t partof(std::int32_t lakeindex, std::string_view code, std::string_view where);
// The lake's part codes as messages list them: "mic, hur, geo".
std::string partcodes(std::int32_t lakeindex);
// A value as dump printed it: the shortest text of a 32-bit float, read back to
// the same bits; nullopt for text that is not a finite number a float holds.
std::optional<float> valueof(std::string_view text);

// The shortest text of a value that reads back to the same bits, -0 kept; empty
// for a NaN (the writers of the forms below).
std::string valuetext(float value);

// "Wrote 195 scenario files of Mich-Huron, years 1950-2014, 2025-06-01 to 2026-05-31"
std::string importsummary(const importedtraces& t);

// Writes the scenario file REROVE<year>.<part> of every trace into dir, each
// whole under a temporary name and renamed into place; writeerror naming the
// file that fails. Gives the number of files written.
std::size_t writeimport(const importedtraces& t, const std::filesystem::path& dir);

// The forms traces come in.
enum class importformat { csv, pixml };
struct pinames;

// The traces of the files, gathered and checked: what import writes.
importedtraces readtraces(importformat format, std::span<const std::filesystem::path> files, std::int32_t lakeindex,
                          const pinames& names);

// ---------------------------------------------------------------------------
// CSV (csv.cpp)
// ---------------------------------------------------------------------------

// year,part,date,runoff_mm,precip_mm,evap_mm, a row per scenario year, part and
// day in any order; an empty value is a missing day.
inline constexpr std::string_view importcsvheader = "year,part,date,runoff_mm,precip_mm,evap_mm";

// Adds the rows of the CSV files to the gathering.
void gathercsv(std::span<const std::filesystem::path> files, tracegathering& gathering);

// The traces in that form, by year, part and date (for the tests and benchmarks).
std::string importcsvtext(const importedtraces& t);

// ---------------------------------------------------------------------------
// PI-XML (pixml.cpp)
// ---------------------------------------------------------------------------

// Which series is which: a part's locationId and a component's parameterId given
// by a mapping, else the part code (any case) and runoff, precipitation and
// evaporation.
struct pinames {
    std::map<std::int32_t, std::string> locations;  // by forecast-lake number
    std::array<std::string, componentcount> parameters = {"runoff", "precipitation", "evaporation"};
};
inline constexpr std::array<std::string_view, componentcount> parameternames = {"runoff", "precipitation",
                                                                                "evaporation"};

// Adds a mapping "KEY=ID,KEY=ID" to names: the keys of locations are the lake's
// part codes, those of parameters the names above; optionerror starting with what
// (the option or the run file's property) for a pair that does not read.
void maplocations(pinames& names, std::int32_t lakeindex, std::string_view text, std::string_view what);
void mapparameters(pinames& names, std::string_view text, std::string_view what);

// Adds the series of the PI time-series documents to the gathering: one series
// per part, component and scenario year (ensembleMemberIndex or ensembleMemberId),
// daily (timeStep unit day, or second with multiplier 86400), units mm; an event
// at 00:00:00 of a day is that day; a day of the header's span without one, or
// with the missVal, is missing. A document of parallelfrom bytes or more is read
// in two halves at once (its second from a series near its middle on), to the
// same traces and the same first fault as read from its start alone.
inline constexpr std::size_t pixmlparallelfrom = std::size_t{16} << 20;
void gatherpixml(std::span<const std::filesystem::path> files, const pinames& names, tracegathering& gathering,
                 std::size_t parallelfrom = pixmlparallelfrom);

// The traces in that form, a series per part, component and year (for the tests
// and benchmarks).
std::string importpixmltext(const importedtraces& t);

}  // namespace outlook
