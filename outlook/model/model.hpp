// outlook model: the outlook in memory as the companion's rooms hand it on (the
// scenario files and tables read back, an ensemble and its periods), the failures
// that every room reports, and the lakes, dates, numbers and texts written for
// people. Nothing here reads or writes a file.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "rerove_tivorn/discovery.hpp"

namespace outlook {

// ---------------------------------------------------------------------------
// Failures: each ends the subcommand with its message, fit for people.
// ---------------------------------------------------------------------------

class failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// A file that cannot be read as what it should be; the message names the file.
class readerror : public failure {
public:
    using failure::failure;
};
// An option or argument that cannot be used.
class optionerror : public failure {
public:
    using failure::failure;
};
// A file that cannot be written; the message names it and the cause.
class writeerror : public failure {
public:
    using failure::failure;
};
// What this build of the companion was made without.
class unavailable : public failure {
public:
    using failure::failure;
};

// ---------------------------------------------------------------------------
// Lakes (the tool's own: rerove_tivorn_subs::lakecode, lakename, ...)
// ---------------------------------------------------------------------------

// The lake codes as messages list them: "SUP, MHU, STC, ERI or ONT".
inline constexpr std::string_view lakecodes = "SUP, MHU, STC, ERI or ONT";

// The lake's name for people ("Mich-Huron"); for an index outside 1 to 5, that of
// the lake whose tables name it fallback ("Mich-Hur"), else fallback itself.
std::string lakenameof(std::int32_t lakeindex, std::string_view fallback);

// ---------------------------------------------------------------------------
// Dates (dates.cpp)
// ---------------------------------------------------------------------------

// YYYY-MM-DD of a day sequence number; "(no date)" for a negative one.
std::string isodate(std::int32_t seq);
// The day sequence number of a real date YYYY-MM-DD of years 1 to 2999.
std::optional<std::int32_t> dayofisodate(std::string_view text);
// The moment a report or an export is made: now, or SOURCE_DATE_EPOCH (seconds
// since 1970 UTC) when it is set, so that a file can be made again byte for byte.
std::time_t momentofmaking();
// A moment in UTC as strftime writes it with format.
std::string utctext(std::time_t moment, const char* format);

// ---------------------------------------------------------------------------
// Numbers and texts (texts.cpp, lines.cpp)
// ---------------------------------------------------------------------------

// A finite number that is the whole text (from_chars' form); nullopt otherwise.
std::optional<double> finitenumber(std::string_view text);
// The shortest text that reads back to the same value, "-0" written "0"; empty
// for NaN and the infinities; appendshortest appends it to out.
std::string shortest(double value);
std::string shortest(float value);
void appendshortest(std::string& out, double value);
// A number rounded to decimals with its thousands separated by commas, a minus
// sign (U+2212) before a negative one; an en dash for NaN.
std::string forpeople(double value, int decimals);
// For people: a share of 1 as a whole percentage ("45 %"); the first to the last
// of some years, not none ("1950–2014", "1950" for one).
std::string percentforpeople(double share);
std::string yearsforpeople(std::span<const std::int32_t> years);
// Text for HTML or XML, in content or in an attribute's quotes: & < > " ' escaped.
std::string markupescaped(std::string_view text);
// n and the noun, plural unless n is 1 ("1 scenario", "65 scenarios"); for
// people, n with its thousands separated ("20,000 days").
std::string counted(std::size_t n, std::string_view noun);
std::string countedforpeople(std::size_t n, std::string_view noun);
// The enumerator (0, 1, ... in order) whose name is name among names, as an
// option or a file spells it; nullopt for a name not among them.
template <typename T, std::size_t N>
std::optional<T> valueofname(std::string_view name, const std::array<std::string_view, N>& names) {
    for (std::size_t k = 0; k < N; ++k) {
        if (names[k] == name) return static_cast<T>(k);
    }
    return std::nullopt;
}
// Years as runs: "1950-1952, 1960" (sorted first).
std::string yearruns(std::vector<std::int32_t> years);

// The lines of a text, without CR LF or LF, counted from 1.
class textlines {
public:
    explicit textlines(std::string_view text) : text_(text) {}
    // Inline: the table reader takes every line of every table through here.
    bool next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = end + 1;
        ++number_;
        return true;
    }
    [[nodiscard]] std::size_t number() const { return number_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
};

// ---------------------------------------------------------------------------
// Scenario files and tables in memory
// ---------------------------------------------------------------------------

// One day of a scenario file, in millimetres: the tool's own.
using scenarioday = rerove_tivorn_subs::scenarioday;

// What a scenario file holds: the header's first and last day (day sequence
// numbers) and one entry per day from the first to the last.
struct scenariodata {
    std::int32_t firstday = 0;
    std::int32_t lastday = 0;
    std::vector<scenarioday> days;
};

// A table written by the tool, mapped back to days. Values are in m3/s; a missing
// day or an unreadable value is NaN.
struct table {
    std::string lake;           // as the first header line names it, e.g. "Mich-Hur"
    std::int32_t year = 0;      // scenario year from the file name; 0 when it has none
    std::int32_t firstday = 0;  // first and last day of the outlook
    std::int32_t lastday = 0;
    std::vector<double> values;  // one per day of the outlook
};

// ---------------------------------------------------------------------------
// Periods (periods.cpp)
// ---------------------------------------------------------------------------

enum class periodkind { quartermonth, month, outlook };

// Parses "quarter-month", "month" or "outlook".
std::optional<periodkind> periodofname(std::string_view name);

// Days first to last of a period, both within the outlook.
struct period {
    std::int32_t first = 0;
    std::int32_t last = 0;
};

// The periods covering firstday to lastday, each cut to that span.
std::vector<period> periodsof(periodkind kind, std::int32_t firstday, std::int32_t lastday);
// The index of the period holding day, if any.
std::optional<std::size_t> periodholding(std::span<const period> periods, std::int32_t day);

// ---------------------------------------------------------------------------
// The ensemble of an outlook (ensemble.cpp)
// ---------------------------------------------------------------------------

// Tables of one outlook, of one lake and over the same days.
struct ensemble {
    std::string lake;
    std::int32_t lakeindex = 0;  // 1 to 5 from the lake the tables name; 0 when none matches
    std::int32_t firstday = 0;
    std::int32_t lastday = 0;
    std::vector<std::int32_t> years;
    std::vector<std::vector<double>> values;  // [scenario][day], NaN missing
};

// The tables as one ensemble, in their order; readerror when they are none, of
// more than one lake or not over the same days.
ensemble makeensemble(std::vector<table> tables);

}  // namespace outlook
