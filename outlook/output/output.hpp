// outlook output: what the companion writes for other programs and how. The one
// writer of whole files; the CSV texts of scenario files, tables, statistics,
// traces, scores and weights; the exports of an outlook as CSV and PI-XML.
// Numbers that programs read keep the shortest text that reads back to the same
// value; an empty field stands for none.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "outlook/analysis/analysis.hpp"
#include "outlook/model/model.hpp"
#include "outlook/verification/verification.hpp"

namespace outlook {

// ---------------------------------------------------------------------------
// Files written whole (files.cpp)
// ---------------------------------------------------------------------------

// Writes bytes to a new temporary file in file's directory and renames it over
// file (the end of a link, when file is one), keeping the bits of the file it
// replaces. On any failure the temporary is removed, file is left as it was, and
// a writeerror names file and the cause.
void writefile(const std::filesystem::path& file, std::string_view bytes);
// The same for a writer that opens a file by name itself (a library's): write
// fills the temporary it is given; an exception from it removes the temporary and
// passes on.
void writefile(const std::filesystem::path& file, const std::function<void(const std::filesystem::path&)>& write);

// ---------------------------------------------------------------------------
// CSV texts (csv.cpp)
// ---------------------------------------------------------------------------

// date,runoff_mm,precip_mm,evap_mm after a comment line with the header's dates.
std::string scenariocsv(const scenariodata& file);
// date,nbs_m3s for the days of the outlook.
std::string tablecsv(const table& t);
// The summary's columns; effective_scenarios when weighted.
std::string summarycsv(std::span<const periodsummary> stats, const analysis& a, bool weighted);
// One row per period and scenario year, by period then year:
// first_date,last_date,year,value_<u>,rank,weight,exceedance. A year without a
// value has empty value, rank, weight and exceedance; one of weight 0 has weight
// 0 and the others empty.
std::string tracescsv(const ensemble& e, const periodset& set, const analysis& a);
// The pooled scores as "measure,value" rows; when resampled, a measure's
// interval as <measure>_low and <measure>_high right after it.
std::string pooledcsv(const pooledscores& pooled);
// The rows of the scored periods, written as they are made.
void writeverdicts(std::ostream& out, std::span<const periodverdict> verdicts, std::span<const double> thresholds);
// year,weight
std::string weightscsv(std::span<const std::int32_t> years, std::span<const double> weights);

// ---------------------------------------------------------------------------
// Exports (export.cpp, pixml.cpp; NetCDF in outlook/netcdf)
// ---------------------------------------------------------------------------

// The writers take the ensemble, its lake index (1 to 5) and one weight per
// scenario in the order of e.years, or none. Scenarios are written in year order;
// std::invalid_argument for a lake index out of range or a weight count that does
// not match.

// Nothing for a lake index of 1 to 5; std::invalid_argument for another.
void requirelake(std::int32_t lakeindex);
// Indexes of e's scenarios by year (ties in their order).
std::vector<std::size_t> yearorder(const ensemble& e, std::span<const double> weights);
// YYYY-MM-DD of each day of the outlook.
std::vector<std::string> daydates(const ensemble& e);

// date,year,nbs_m3s[,weight]: a row per day and scenario year, by date then year;
// an empty value for a missing day.
std::string exportcsv(const ensemble& e, std::int32_t lakeindex, std::span<const double> weights);

// What every PI document starts with: the XML declaration, and the namespace of
// its root element; and the opening of a time-series document of schema version
// 1.14 up to its first series, its times in UTC.
inline constexpr std::string_view xmldeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
inline constexpr std::string_view pinamespace = "http://www.wldelft.nl/fews/PI";
std::string pitimeseriesstart();

// A PI time-series document (schema version 1.14): a series per scenario year of
// type "mean", an event per day stamped at its start (UTC), NaN for a missing day.
// PI has no place for weights: optionerror when any are given.
std::string exportpixml(const ensemble& e, std::int32_t lakeindex, std::span<const double> weights);

}  // namespace outlook
