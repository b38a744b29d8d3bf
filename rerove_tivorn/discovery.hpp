// rerove_tivorn_subs: what the tool finds in its working directory and what it
// leaves there: the lakes and their parts, the scenario files (names, records,
// years, the years common to all parts, the outlook span), the table files
// (names, values of their own, the writer's calendar) and the tool's messages
// that a check of a directory quotes.
//
// These steps write nothing and leave the error state alone, so that a check
// of a lake directory, the companion programs and the tests use them as the
// tool does. The module's whole interface is rerove_tivorn.hpp, which includes
// this header.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rerove_tivorn_subs {

// ===========================================================================
// Limits
// ===========================================================================

// Most scenario years per lake part, and scenario columns of dlyotlk.
inline constexpr std::int32_t maxscen = 75;
// Most days from the first to the last day of an outlook.
inline constexpr std::int32_t maxdays = 20000;
// Most parts one lake is assembled from.
inline constexpr std::int32_t maxparts = 3;
// The lakes the tool takes, by lake index 1 to numlakes.
inline constexpr std::int32_t numlakes = 5;

// ===========================================================================
// Lakes (lakes.cpp)
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

// The lake index (1 to 5) of a lake code: the whole text against sup, mhu, stc,
// eri and ont, ASCII letters in any case; 0 when none matches.
std::int32_t lakeindexofcode(std::string_view code);

// The lake index of the tool's lake argument: its first three characters as
// lakeindexofcode takes them ("Superior" is sup; "er" is none); 0 when none.
std::int32_t lakeindexof(std::string_view argument);

// What the programs beside the tool call a lake of index 1 to 5; empty for any
// other index. Its code as the tool takes it ("MHU"); its name as the tool prints
// it ("Mich-Huron"); the eight columns of that name that the first line of its
// tables holds ("Mich-Hur", "Erie    "); its full name ("Lake Michigan-Huron").
std::string lakecode(std::int32_t lakeindex);
std::string lakename(std::int32_t lakeindex);
std::string tablelakename(std::int32_t lakeindex);
std::string fulllakename(std::int32_t lakeindex);

// The lake index whose tablelakename, without its trailing blanks, is name; 0
// when none is.
std::int32_t lakeindexoftablename(std::string_view name);

// The code of a lake part (forecast-lake number 1 to 7) in its scenario files'
// names ("mic"), and the part of a lake whose code that is, ASCII letters in
// any case; 0 when the lake has no such part.
std::string partcode(std::int32_t part);
std::int32_t partofcode(std::int32_t lakeindex, std::string_view code);

// ===========================================================================
// Scenario files (discovery.cpp; the records inline here)
// ===========================================================================

// Scenario files are little-endian; their fields are copied as they are.
static_assert(std::endian::native == std::endian::little, "scenario files need byte swapping on this host");

// Bytes per record of a scenario file, all records alike, no markers. Record 1,
// the header: first and last day (day sequence numbers, 32-bit integers), the
// rest not read. Record k + 1, day k of the header's span: a text that is not
// interpreted, then runoff, precipitation and evaporation (single-precision
// reals, millimetres), the last 4 bytes not read.
inline constexpr std::int32_t scenariorecordlength = 24;
inline constexpr std::size_t firstdayoffset = 0;
inline constexpr std::size_t lastdayoffset = 4;
inline constexpr std::size_t daytextlength = 8;  // from byte 0 of a day record
inline constexpr std::size_t runoffoffset = 8;
inline constexpr std::size_t precipoffset = 12;
inline constexpr std::size_t evapoffset = 16;

// First and last day (day sequence numbers) of a scenario file or an outlook.
struct DayRange {
    std::int32_t first = 0;
    std::int32_t last = 0;
};

// One day of a scenario file, in millimetres.
struct scenarioday {
    float runoff = 0;
    float precip = 0;
    float evap = 0;
};

namespace detail {
template <typename T>
T fieldof(const std::byte* record, std::size_t offset) {
    T v{};
    std::memcpy(&v, record + offset, sizeof v);
    return v;
}
// A 4-byte field taken out of the 8-byte word of the record that holds it:
// loads of whole words let a loop over many records vectorise.
template <typename T>
T wordfield(const std::byte* record, std::size_t offset) {
    static_assert(sizeof(T) == 4);
    std::uint64_t word = 0;
    std::memcpy(&word, record + offset / 8 * 8, sizeof word);
    return std::bit_cast<T>(static_cast<std::uint32_t>(word >> (offset % 8 * 8)));
}
static_assert(evapoffset / 8 * 8 + 8 <= scenariorecordlength, "the words of the day values lie inside a record");
template <typename T>
void putfield(std::byte* record, std::size_t offset, T v) {
    std::memcpy(record + offset, &v, sizeof v);
}
}  // namespace detail

// The first and last day of a header record.
inline DayRange decodeheader(const std::byte* record) {
    return {detail::fieldof<std::int32_t>(record, firstdayoffset),
            detail::fieldof<std::int32_t>(record, lastdayoffset)};
}

// Writes the first and last day into a header record; its other bytes are left
// as they are.
inline void encodeheader(std::byte* record, DayRange days) {
    detail::putfield(record, firstdayoffset, days.first);
    detail::putfield(record, lastdayoffset, days.last);
}

// The values of a day record. Inline, without copies of the record and in
// whole words: the assembly decodes every day of every file in a loop that
// vectorises.
inline scenarioday decodeday(const std::byte* record) {
    return {detail::wordfield<float>(record, runoffoffset), detail::wordfield<float>(record, precipoffset),
            detail::wordfield<float>(record, evapoffset)};
}

// Writes a day record: the first daytextlength characters of text (zero bytes
// after a shorter one) and the values; its last 4 bytes are left as they are.
inline void encodeday(std::byte* record, std::string_view text, scenarioday day) {
    const std::size_t n = text.size() < daytextlength ? text.size() : daytextlength;
    std::memset(record, 0, daytextlength);
    if (n > 0) std::memcpy(record, text.data(), n);
    detail::putfield(record, runoffoffset, day.runoff);
    detail::putfield(record, precipoffset, day.precip);
    detail::putfield(record, evapoffset, day.evap);
}

// The scenario file of a year for a forecast-lake part: "REROVE", the year
// right-aligned in four columns, ".", the part's lakename3.
std::string scenariofile(std::int32_t year, std::int32_t part);

// The name pattern of a part's scenario files: "REROVE????." and its lakename3.
std::string scenariopattern(std::int32_t part);

// The listing the tool writes of a part's scenario files, and deletes.
inline constexpr std::string_view listingfile = "DLYLIST.TMP";

// The year of one listed scenario file name: characters 7 to 10 of its first 15
// characters (blank-padded), leading blanks removed, read as a 4-column integer.
// Empty when they do not read; the name is then skipped.
std::optional<std::int32_t> scenarioyear(std::string_view listedname);

// The common-year rule over the parts' year lists, in part order: a year missing
// from any list becomes the removal mark 9999 where it stands, each list judged
// against all of them as they stand at that step; the first list is then sorted
// and cut at its first mark. Gives the scenario years, ascending.
std::vector<std::int32_t> commonyears(std::span<const std::vector<std::int32_t>> lists);

enum class HeaderStatus { ok, notopened, notread };

// Opens scenario file name on unit and reads the first and last day from its
// header. With ok the unit stays open for the day records (the caller closes
// it); otherwise nothing is left open.
HeaderStatus openscenario(std::int32_t unit, std::string_view name, DayRange& days);

// The span of span and one more file: the earlier first and the later last day.
DayRange widenspan(DayRange span, DayRange file);

// The outlook span of the files' headers; with none it runs from 31 December
// 2999 to 1 January 999. The headers are taken as they are: the assembly
// refuses a file whose last day is before its first before it gets here.
DayRange outlookspan(std::span<const DayRange> headers);

// Days from the first to the last day of a span, counted in 64 bits.
std::int64_t spandays(DayRange span);

// ===========================================================================
// Table files (discovery.cpp, writer.cpp)
// ===========================================================================

// The table of a scenario year of the lake: its levlkcode2, "DNBS_", the year
// right-aligned in four columns, ".txt".
std::string tablefile(std::int32_t lakeindex, std::int32_t year);

// The name pattern of the lake's tables: its levlkcode2 and "DNBS_????.txt".
std::string tablepattern(std::int32_t lakeindex);

// The layout of a table's text, as the writer writes it and the companion reads
// it: header lines, the first "# LAKE ", the lake's tablelakename and " DAILY
// ...", the third "# YYYY to YYYY"; then one row a quarter-month of every month
// of those years: its year, month and quarter-month (I5, I3, I2), then one F8.0
// field a day. Lines end with CR LF.
namespace tabletext {
inline constexpr std::size_t headerlines = 7;
inline constexpr std::string_view lakelead = "# LAKE ";
inline constexpr std::string_view lakeend = " DAILY";
inline constexpr std::array<std::size_t, 3> keywidths = {5, 3, 2};
inline constexpr std::size_t keycolumns = 10;  // the sum of keywidths
inline constexpr std::size_t fieldwidth = 8;
inline constexpr std::size_t rowdays = 8;  // the most days of a quarter-month
}  // namespace tabletext

// The header lines of a table of the lake (index 1 to 5) over its years.
std::array<std::string, tabletext::headerlines> tableheader(std::int32_t lakeindex, std::int32_t startyear,
                                                            std::int32_t endyear);

// The name a table is written under until it is complete, in the directory it
// is renamed into: the table's name without ".txt", ".", the id of the process
// that writes it, ".tmp" (mhDNBS_1950.4242.tmp). It matches no scenario, table
// or listing name.
std::string tabletemporary(std::string_view table, std::int64_t pid);

// The name pattern of the lake's temporary tables: its levlkcode2 and
// "DNBS_????.*.tmp".
std::string temporarypattern(std::int32_t lakeindex);

// Values of a table (tens of m3/s, before the F8.0 edit) with a meaning of their
// own: a day of a written month outside the outlook, and a missing day (the
// missing daily NBS converted as every day is: -28316.5625, written -28317.).
inline constexpr float outsidetablevalue = -99999.0F;
float missingtablevalue();

// Walks the span through the writer's calendar as the first table does: the
// span's dates, the cell of every day, the quarter-months of every month. Writes
// nothing; a failure is reported through the error state as the writer would.
bool tablecalendar(std::int32_t firstday, std::int32_t lastday);

// ===========================================================================
// The tool's messages that a check quotes (discovery.cpp)
// ===========================================================================

namespace messages {

// The usage lines of the driver.
inline constexpr std::array<std::string_view, 3> usage = {
    "USAGE: Rerove_TIVORN lakename", "   lakename = SUP, MHU, STC, ERI, ONT", "   Can specify one of those."};
// The first line of the failure of a part with more than maxscen files.
inline constexpr std::string_view toomanyyears = "Too many outlook years available for Rerove_TIVORN!";

// The lake code as typed, without trailing blanks.
std::string invalidlakecode(std::string_view code);
// The assembly's failures, naming a scenario file or the listing.
std::string erroropening(std::string_view name);
std::string errorreading(std::string_view name);
std::string invaliddataperiod(std::string_view name);
std::string inconsistentstart(std::string_view name);
// An outlook span of days above maxdays.
std::string spantoolong(std::int64_t days);

}  // namespace messages

}  // namespace rerove_tivorn_subs
