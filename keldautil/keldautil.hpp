// keldautil: calendar library and run-time services shared by the programs of
// the forecast package.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "iolayer/iolayer.hpp"

namespace keldautil {

// ===========================================================================
// Month code tables
// ===========================================================================

inline const std::array<std::string, 12> moncode3 = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
inline const std::array<std::string, 12> moncode1 = {"J", "F", "M", "A", "M", "J", "J", "A", "S", "O", "N", "D"};

// ===========================================================================
// File unit registry (fileunits.cpp)
// ===========================================================================

inline constexpr std::int32_t maxopenedfiles = 60;
// The units getfreeunitnumber hands out, where the system's own files lie.
inline constexpr std::int32_t firstunitnumber = 201;
inline constexpr std::int32_t lastunitnumber = 399;

// Number of registered units, 0 to 60.
inline std::int32_t openedfiles = 0;
// Registered units in positions 0 to openedfiles-1; -1 above.
inline std::array<std::int32_t, maxopenedfiles> openedfileunits = [] {
    std::array<std::int32_t, maxopenedfiles> a{};
    a.fill(-1);
    return a;
}();

// Empties the registry without closing anything.
void clearfilesopen();
// First unit of 201 to 399 that the I/O layer has not open; -1 and a failure when
// there is none. The unit is not reserved.
std::int32_t getfreeunitnumber();
// Registers a unit just opened: false when registered, true after a failure.
bool filewasopened(std::int32_t unit);
// Unregisters a unit just closed: true when it was registered.
bool filewasclosed(std::int32_t unit);
// Opens the existing file name (its host path) for reading on a free unit and
// registers the unit; reclen as iolayer::openexisting. Gives the unit, or -1
// after a failure: a registry failure is raised by the registry, a file that
// does not open raises openerror. Registry failures are told by the results,
// so that a failure pending from before does not stop the read. After a later
// failure the unit stays open and registered until closeallfiles.
std::int32_t openregistered(std::string_view name, iolayer::Access access, std::int32_t reclen,
                            std::string_view openerror);
// Closes a unit of openregistered and unregisters it. Everything was read, so a
// close that fails loses nothing, and a unit not registered is nothing to forget.
void closeregistered(std::int32_t unit);
// Closes every registered unit, last position first, and empties the registry.
void closeallfiles();
// Whether the I/O layer has the unit open (true also when the inquiry fails).
bool unitisinuse(std::int32_t unit);
bool unitisavailable(std::int32_t unit);
bool fileisopen(std::int32_t unit);

// ===========================================================================
// Command line and case folding (cmdline.cpp)
// ===========================================================================

// Splits line at blanks into words; stores the first args.size() of them (each
// cut or padded to its element's size) and counts every word.
void parsecmdline(std::string_view line, std::span<std::string> args, std::int32_t& count);
// The n-th (n >= 1) blank-separated word of cline into param; false when there
// are fewer than n words (param then blank).
bool parsecmdlineonearg(std::string_view cline, std::int32_t n, std::string& param);
// Upper-/lower-case the ASCII letters of s in place, up to its trimmed length.
void caps(std::string& s);
void small(std::string& s);
void uppercase(std::string& s);
void lowercase(std::string& s);

// ===========================================================================
// Day sequence numbers, month and year lengths (calendar.cpp)
// ===========================================================================

// Day sequence number of the missing date.
inline constexpr std::int32_t missingdate = -999999;

// Day sequence number (1 = 1 March of year 0) of day, month, year into seq. Day
// and month are not validated. A year of 0 or less fails with seq = -999999.
void datesequence(std::int32_t day, std::int32_t month, std::int32_t year, std::int32_t& seq);
// Day, month and year of the day sequence number seq (0 and up; -999999 gives
// -99, -99, -9999). A negative seq fails and leaves the outputs alone.
void sequencedate(std::int32_t& day, std::int32_t& month, std::int32_t& year, std::int32_t seq);

// Days in a month (28 to 31) of years 1 to 2999; -1 and a failure otherwise.
std::int32_t daysinmonth(std::int32_t month, std::int32_t year);
// Days in a year (365 or 366) of years 1 to 2999; -1 and a failure otherwise.
std::int32_t daysinyear(std::int32_t year);
// Day of the year (1 = 1 January) of a date of years 1 to 9999; -9999 on failure.
// The day is checked against 31 only: 31 February is day 62.
std::int32_t dayofyearfromdmy(std::int32_t day, std::int32_t month, std::int32_t year);
// Day of the year of a day sequence number; -9999 on failure.
std::int32_t dayofyearfromseq(std::int32_t seq);
// Day of the year and year of a day sequence number; false on failure. The year
// is written as soon as seq converts.
bool seqnumtojulianday(std::int32_t seq, std::int32_t& dayofyear, std::int32_t& year);
// Day sequence number of a day of the year (not validated: 0 is 31 December of
// the year before); -1 on failure.
std::int32_t juliandaytoseqnum(std::int32_t year, std::int32_t dayofyear);
// Hour sequence number, day sequence number * 24 + hour - 1 (hours 1 to 24, not
// validated). A failing date still gives -999999 * 24 + hour - 1.
void hdmysequence(std::int32_t hour, std::int32_t day, std::int32_t month, std::int32_t year, std::int32_t& hseq);
// Hour, day, month and year of an hour sequence number. The hour is always
// written; the date as by sequencedate of hseq / 24.
void sequencehdmy(std::int32_t& hour, std::int32_t& day, std::int32_t& month, std::int32_t& year, std::int32_t hseq);

// ===========================================================================
// Quarter-month calendar (quartermonth.cpp)
// ===========================================================================

// Last day of quarter-months 1 to 4 in months of 28, 29, 30 and 31 days; the only
// place the split of a month is held.
inline constexpr std::array<std::int32_t, 4> q28 = {7, 14, 21, 28};
inline constexpr std::array<std::int32_t, 4> q29 = {7, 14, 21, 29};
inline constexpr std::array<std::int32_t, 4> q30 = {8, 15, 23, 30};
inline constexpr std::array<std::int32_t, 4> q31 = {8, 15, 23, 31};

// Last and first day of the month of quarter-month q (1 to 4) in a month of
// monthlength (28 to 31) days; 0 and a failure for other arguments.
std::int32_t endofqtr2(std::int32_t monthlength, std::int32_t q);
std::int32_t startofqtr2(std::int32_t monthlength, std::int32_t q);
// Last and first day of the month of the quarter-month holding a valid date of
// years 1 to 2999: 0 when the date is invalid, -1 for a failure passed on.
std::int32_t endofqtr3(std::int32_t day, std::int32_t month, std::int32_t year);
std::int32_t startofqtr3(std::int32_t day, std::int32_t month, std::int32_t year);
// The same for a day sequence number: -1 when it does not convert, otherwise the
// result of endofqtr3 / startofqtr3.
std::int32_t endofqtr1(std::int32_t seq);
std::int32_t startofqtr1(std::int32_t seq);
// Quarter-month (1 to 4) holding the day; a day of 0 or less gives 1, a day past
// the month's end gives -1 without a failure; -1 on a bad month or year.
std::int32_t qtrmonnumber(std::int32_t day, std::int32_t month, std::int32_t year);
// Position (1 to 8) of the day in its quarter-month. On a failure of
// startofqtr3 the result is computed from its failure result; see errorlevel.
std::int32_t dayofqtrmon(std::int32_t day, std::int32_t month, std::int32_t year);
// Days (7 or 8) of quarter-month q of a month; -1 on failure.
std::int32_t daysinqtrmon(std::int32_t q, std::int32_t month, std::int32_t year);
// Whether the day is the last / first of a quarter-month of its month.
bool islastdayofqtrmon(std::int32_t day, std::int32_t month, std::int32_t year);
bool isfirstdayofqtrmon(std::int32_t day, std::int32_t month, std::int32_t year);
// Day sequence number of day qday of quarter-month q of a month; q and qday are
// not validated and run on like datesequence's day. -1 on failure.
std::int32_t sequencefromymqd(std::int32_t year, std::int32_t month, std::int32_t q, std::int32_t qday);
// Whole quarter-months from the first to the last day, both included; 0 or
// negative when none fits. -1 on failure.
std::int32_t getnumqtrmons(std::int32_t first, std::int32_t last);
// Moves seq to the last / first day of its quarter-month; false on failure.
bool adjusttoendofqtrmonth(std::int32_t& seq);
bool adjusttostartofqtrmonth(std::int32_t& seq);

// ===========================================================================
// Date strings, period counts and adjustments (datestrings.cpp)
// ===========================================================================

// Move seq to 1 January / 31 December / the first / the last day of its year or
// month. False on failure: seq is unchanged when it does not convert, -999999
// when the new date fails.
bool adjusttostartofyear(std::int32_t& seq);
bool adjusttoendofyear(std::int32_t& seq);
bool adjusttostartofmonth(std::int32_t& seq);
bool adjusttoendofmonth(std::int32_t& seq);
// Whole 7-day weeks from first on that end by last; 0 when none. Never fails.
std::int32_t getnumweeks(std::int32_t first, std::int32_t last);
// Whole calendar months / years from first to last, both included; partial
// periods at either end are not counted, so a short span gives 0 or less. -1 on
// failure.
std::int32_t getnummonths(std::int32_t first, std::int32_t last);
std::int32_t getnumyears(std::int32_t first, std::int32_t last);
// Whether day is the last of its month; false also on failure.
bool islastdayofmonth(std::int32_t day, std::int32_t month, std::int32_t year);
// Day sequence number of a text MM/DD/YYYY (free-form numbers, years 1000 to
// 2999); -1 for anything malformed or not a real date, without a failure.
std::int32_t datestringmdytoseq(std::string_view text);
// Hour sequence number of a text MM/DD/HH/YYYY (hours 1 to 24, years 1 to 2999);
// -1 for anything malformed. Years 3000 to 9999 raise the DaysInMonth failure.
std::int32_t datestringmdhytoseq(std::string_view text);
// datestringmdytoseq of the first 10 characters of ds.
std::int32_t datestring10toseq(std::string_view ds);
// MM/DD/YYYY of a day sequence number, asterisks filling a field that does not
// fit; 10 blanks when seq does not convert.
std::string seqtodatestring10(std::int32_t seq);
// Today's local date as MM/DD/YYYY (texts of 10 characters or more) and time as
// hh:mm (5 or more); a shorter text is left blank. Both keep their sizes.
void gettodaysdatetime(std::string& datetext, std::string& timetext);

// ===========================================================================
// Text, line and file-name utilities (textutil.cpp)
// ===========================================================================

// Character classes by byte value; bytes above 127 belong to none of them.
bool charisletter(char ch);   // A-Z, a-z
bool charisnumber(char ch);   // 0-9
bool charisspecial(char ch);  // printable (32-126), neither letter nor digit; the blank is special

// Moves text left over its leading blanks, padding the end; the size is kept.
void stripleadingblanks(std::string& text);
// Every slash within the trimmed length becomes a backslash.
void convertfilenamedelimiters(std::string& fname);
// What follows the last backslash of longname (all of it when there is none).
void filenamenopath(std::string_view longname, std::string& name);
// fn := the bare file name; fp := the directory (or else the path of the file
// name) with a closing backslash when it is a rooted drive path (X:\...),
// blanks otherwise.
void processpathandfilename(std::string_view directory, std::string_view filename, std::string& fp, std::string& fn);

// Splits a comma-separated line into strings. Blanks outside double quotes are
// dropped; a field that begins with a quote mark receives the next quoted string,
// with its quote marks removed when removequotes is true. count receives the
// number of fields (commas + 1), which may exceed strings.size(): fields and
// quoted strings beyond the array are dropped. A quoted string keeps at most 500
// characters with its quote marks, the line without them at most 5000.
void parsecommasepline(std::string_view line, std::span<std::string> strings, bool removequotes, std::int32_t& count);
void parsecommasepline(std::string_view line, std::span<std::string> strings, bool removequotes = true);
void parsecommasepline(std::string_view line, std::span<std::string> strings, std::int32_t& count);

// Splits line at tabs, skipping blanks at the start of each field. Elements
// beyond the field count keep their contents; count includes fields that did
// not fit in args.
void parsetabdelimitedline(std::string_view line, std::span<std::string> args, std::int32_t& count);

// Splits key=value at the first equals sign, both sides without leading blanks
// and at most 150 characters. False (key and value blank) without an equals sign.
bool parsecfgline(std::string_view line, std::string& key, std::string& value);

// ===========================================================================
// File operations and cancellation checks (fileops.cpp)
// ===========================================================================

// File names are used without their trailing blanks; a backslash separates
// directories as a slash does. Nothing here goes through a command interpreter.

// The path a file name of the package stands for on this host: trailing blanks
// removed, every backslash turned into a slash (both separate directories).
std::string hostpath(std::string_view name);

// Marker file in the working directory whose presence asks a run to stop.
inline constexpr std::string_view cancelfilename = "CANCEL.INT";

// True when CANCEL.INT exists; then prints "User canceled the process." and sets
// errorlevel to 9999.
bool userrequestedtermination();
// True when CANCEL.INT exists; then prints "User has requested that the
// procedure be cancelled." and sets errorlevel to -99.
bool userwantstocancel();

// Both deletions take a file name, or a pattern whose last part holds * or ? as
// a directory listing matches them (case-sensitive); only regular files of the
// named directory match.
// Deletes what matches; nothing is reported either way.
void deletefile_system(std::string_view name);
// Deletes what matches; the first file that cannot be deleted ends the scan with
// "Error deleting " + its name and errorlevel 1.
void deletefile(std::string_view name);

// Renames the file oldname to newname, replacing a file of that name, when
// oldname is an existing file; otherwise nothing changes. done is always true.
void rename_system(std::string_view oldname, std::string_view newname, bool& done);
// Copies oldname to newname, then deletes oldname; done is true only when both
// worked. After a failed copy a partial newname made by this call is removed.
void renamefile(std::string_view oldname, std::string_view newname, bool& done);

// Byte-exact copy of source to target, which is replaced. Failures go through
// the error state; units the copy opened stay open and registered then.
void copyfile(std::string_view source, std::string_view target);

// ===========================================================================
// Numeric helpers (numeric.cpp)
// ===========================================================================

// Missing-value code of the package's data; anything at or below
// missingthreshold counts as missing too.
inline constexpr float missingvalue = -9.9E29F;
inline constexpr float missingthreshold = -9.0E29F;

// Tolerant equality of single-precision values: true when they differ by less
// than the larger of their spacings. False for any infinite or NaN argument.
bool requal(float a, float b);
// x equals missingvalue (as requal finds) or lies at or below missingthreshold.
bool ismissing(float x);
// Rounds x half up at its n-th significant decimal digit, sign kept. A magnitude
// below 1.0E-30 is a failure ("Cannot ROUND zero argument"), x unchanged.
void round(float& x, std::int32_t n);

}  // namespace keldautil
