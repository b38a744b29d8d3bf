// outlook input: what the companion reads. The tool's scenario files and tables,
// the tables a command line names, the forecasters' small CSV files (weights,
// observations, climate outlooks) and the dry run of the tool in a directory.
// Every reader throws readerror naming the file (and the line) it stumbled on.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "outlook/model/model.hpp"

namespace outlook {

// ---------------------------------------------------------------------------
// Scenario files and tables (scenariofile.cpp, tables.cpp, tablefields.cpp)
// ---------------------------------------------------------------------------

scenariodata readscenariofile(const std::filesystem::path& file);

// A table of the tool: days of its written months outside the outlook are left
// out; a table whose rows do not follow one another, or whose outlook has a gap,
// is a readerror.
table readtable(const std::filesystem::path& file);
// The same from the text of a table; name is used in messages.
table parsetable(std::string_view text, std::string_view name);
// The tables of files in their order, read on a few threads; the readerror of
// the first table in order that fails.
std::vector<table> readtables(std::span<const std::filesystem::path> files);

// One F8.0 field of a table as iolayer::readreal reads it with no implied
// decimals; false when it does not read as a finite number.
bool readtablefield(std::string_view field, float& value);
// The shapes the tool's edit gives (blanks, an optional minus, one to seven
// digits, the point in the last column) read as one word, to the value readreal
// gives; false for any other text.
bool quickf80(std::string_view field, float& value);
// Consecutive fields from the start of text, as readtablefield reads each:
// values.size() of them, at most a row's; readable[k] false for a field that
// does not read. With 64 bytes of text or more, a whole row is read at once.
void readtablefields(std::string_view text, std::span<float> values, std::span<bool> readable);

// Whether the file starts as a table does (text beginning with '#').
bool looksliketable(const std::filesystem::path& file);

// ---------------------------------------------------------------------------
// Files read whole, and their dates (filebytes.cpp)
// ---------------------------------------------------------------------------

// A file's bytes, mapped into memory (read whole when it cannot be mapped), so
// that a large document costs no copy; readerror naming it when it cannot be read.
class filebytes {
public:
    explicit filebytes(const std::filesystem::path& file);
    ~filebytes();
    filebytes(const filebytes&) = delete;
    filebytes& operator=(const filebytes&) = delete;
    [[nodiscard]] std::string_view view() const { return view_; }

private:
    void* map_ = nullptr;
    std::size_t size_ = 0;
    std::string read_;
    std::string_view view_;
};

// Days of YYYY-MM-DD texts as dayofisodate reads them; the month of the last one
// is kept, so that another day of it costs a comparison.
class isodays {
public:
    std::optional<std::int32_t> of(std::string_view text);

private:
    std::uint64_t month_ = 0;        // "YYYY-MM-" as one word
    std::int32_t beforemonth_ = -1;  // the day before its first
};

// ---------------------------------------------------------------------------
// The tables a command line names (tablefiles.cpp)
// ---------------------------------------------------------------------------

// The tables <xx>DNBS_<year>.txt of a lake (index 1 to 5) in dir, by name.
std::vector<std::filesystem::path> tablesoflake(std::int32_t lakeindex, const std::filesystem::path& dir);
// Table files, or directories standing for the tables of the lake in them; no
// input stands for the current directory. lakeindex 0 takes the one lake whose
// tables a directory holds. readerror for a directory without them, or with
// several lakes' and no lakeindex, or a name that is neither.
std::vector<std::filesystem::path> tablefiles(std::span<const std::string> inputs, std::int32_t lakeindex);
ensemble readensemble(std::span<const std::string> inputs, std::int32_t lakeindex);

// ---------------------------------------------------------------------------
// The forecasters' CSV files (csvfiles.cpp, weightsfile.cpp, observedfile.cpp,
// climatefile.cpp)
// ---------------------------------------------------------------------------

// The lines of a file read whole, as textlines gives them, a byte-order mark
// before the first taken off.
class csvlines {
public:
    explicit csvlines(const std::filesystem::path& file);
    csvlines(const csvlines&) = delete;
    csvlines& operator=(const csvlines&) = delete;
    bool next(std::string_view& line);
    // "FILE line N: " of the line last given, for messages.
    [[nodiscard]] std::string where() const;
    [[nodiscard]] std::size_t number() const { return lines_.number(); }

private:
    std::string name_;
    std::string text_;
    textlines lines_{{}};
};

// The comma-separated fields of a line, as they stand (one for a line without a comma).
std::vector<std::string_view> csvfields(std::string_view line);

// The weight of each of years, in their order, from a CSV "year,weight" with that
// header (weights finite and not negative, each year once). readerror naming the
// file and line, the years it does not list, or weights of the years all 0;
// warnings receives a line naming the listed years that are not among years.
std::vector<double> readweights(const std::filesystem::path& file, std::span<const std::int32_t> years,
                                std::vector<std::string>& warnings);

// Observed daily net basin supply in m3/s from firstday on; NaN for a missing day.
struct observedseries {
    std::int32_t firstday = 0;
    std::vector<double> values;
};
// A CSV "date,nbs_m3s" with that header (as dump writes a table), dates
// YYYY-MM-DD in any order, each once; an empty value is a missing day.
observedseries readobserved(const std::filesystem::path& file);

enum class climatevariable { precip, evap, runoff, nbs };
std::optional<climatevariable> variableofname(std::string_view name);
std::string_view nameofvariable(climatevariable variable);

// One row of a climate outlook: the probabilities that the total of a variable
// over days first to last (mm) falls in the lowest, middle or highest third, as
// fractions summing to 1; the thirds bounded by lower and upper, or without them
// by the scenario years' ranks.
struct climaterow {
    std::size_t line = 0;  // of the file, for messages
    std::int32_t first = 0;
    std::int32_t last = 0;
    climatevariable variable = climatevariable::precip;
    double below = 0, near = 0, above = 0;
    std::optional<double> lower, upper;
};
// The rows of a climate file (header first_date,last_date,variable,below,near,
// above and optionally lower,upper) whose days lie within firstday to lastday.
// Probabilities are fractions (a row summing to 1 within 0.01) or percentages
// (100 within 1), one or the other in a file; each row is divided by its sum.
std::vector<climaterow> parseclimate(std::string_view text, std::string_view name, std::int32_t firstday,
                                     std::int32_t lastday);
std::vector<climaterow> readclimatefile(const std::filesystem::path& file, std::int32_t firstday, std::int32_t lastday);

// ---------------------------------------------------------------------------
// The dry run of the tool (check.cpp)
// ---------------------------------------------------------------------------

// What `rerove_tivorn argument` would do in dir, found with the tool's own
// discovery, common years and span, writing nothing: the report in plain lines,
// its last line the outcome, and the exit status: 0 when the tool would write at
// least one table, 1 when it would fail, 2 when it would write nothing. readerror
// when dir is not a directory that can be listed.
struct checkoutcome {
    int status = 1;
    std::string report;
};
checkoutcome checkrun(std::string_view argument, const std::filesystem::path& dir);

// The scenario years rerove_tivorn would take for the lake in dir: its own
// listing and common years. readerror when dir cannot be listed or a part has more
// files than the tool takes.
std::vector<std::int32_t> scenarioyears(std::int32_t lakeindex, const std::filesystem::path& dir);

}  // namespace outlook
