// SIMULATE file of a lake directory: which lake, the simulation span, three run
// settings and the scenario years; and the lookup of three-letter lake codes.
//
// Two layouts, told apart by the first line: a lake code (A), or a count of the
// lake codes that follow (B), the lake itself then being named by BSNNM.
#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace fcstutil {
namespace {

constexpr std::string_view label = "ReadSimulateFile";
constexpr std::size_t namelength = 99;  // file names are composed in 99 characters
constexpr std::size_t lakenamelength = 10;
constexpr std::size_t codelength = 3;
constexpr std::int32_t bsnnmrecordlength = 12;
constexpr std::int32_t maxyears = 160;

constexpr std::array<std::size_t, 3> datewidths = {3, 3, 5};  // day, month, year
constexpr std::array<std::size_t, 2> settingswidths = {3, 3};
constexpr std::array<std::size_t, 1> setting3width = {5};
constexpr std::array<std::size_t, 1> countwidtha = {4};
constexpr std::array<std::size_t, 1> countwidthb = {3};
constexpr std::array<std::size_t, 1> yearwidth = {4};

constexpr std::string_view invalidlake = "KORVA: Invalid lake named in SIMULATE file!";

// A file of the lake directory, as its name is shown in messages.
std::string lakefile(std::string_view name) {
    std::string full(iolayer::trimright(thislakedir));
    full.append(name);
    full.resize(std::min(full.size(), namelength));
    full.resize(iolayer::trimmedlength(full));
    return full;
}

// Raises the failure of this reader; always false.
bool fail(std::string_view message) {
    errorprocess::raiseerrorin(label, {message});
    return false;
}

// Opens a file of the lake directory on a registered unit; -1 after a failure
// (already reported and passed on).
std::int32_t openlakefile(const std::string& name, iolayer::Access access, std::int32_t reclen) {
    const std::int32_t unit = keldautil::openregistered(name, access, reclen, "KORVA: Error opening file " + name);
    if (unit < 0) errorprocess::traceback(label);
    return unit;
}

// Leading blanks removed, lower case, 10 characters.
std::string lakename(std::string_view text) {
    std::string name = iolayer::padded(iolayer::trimleft(iolayer::padded(text, lakenamelength)), lakenamelength);
    keldautil::small(name);
    return name;
}

// The lake name of BSNNM: the first ten characters of its first 12-character
// record. A line end within them ends the name.
bool readbsnnm(std::string& name) {
    const std::string file = lakefile("BSNNM");
    const std::int32_t unit = openlakefile(file, iolayer::Access::direct, bsnnmrecordlength);
    if (unit < 0) return false;
    std::array<std::byte, lakenamelength> record{};
    if (iolayer::readrecord(unit, 1, record) != iolayer::Status::ok) {
        return fail("KORVA: Error reading from file " + file);
    }
    std::string text(lakenamelength, ' ');
    for (std::size_t i = 0; i < lakenamelength; ++i) {
        const char c = static_cast<char>(record[i]);
        if (c == '\r' || c == '\n') break;
        text[i] = c;
    }
    name = lakename(text);
    keldautil::closeregistered(unit);
    return true;
}

// Reads the next line of SIMULATE as integer fields; false when the file ends
// or the line does not read.
template <std::size_t N>
bool readfields(std::int32_t unit, const std::array<std::size_t, N>& widths, std::array<std::int32_t, N>& values) {
    std::string line;
    return iolayer::readline(unit, line) == iolayer::Status::ok && iolayer::readints(line, 1, widths, values);
}

// Reads the lake lines of SIMULATE: the lake code of layout A, or the count of
// layout B, its code lines and the lake of BSNNM. False after a failure (already
// reported and passed on).
bool readlake(std::int32_t unit, std::string& lakecode, bool& layoutb, std::string_view readerror) {
    std::string line;
    if (iolayer::readline(unit, line) != iolayer::Status::ok) return fail(readerror);
    std::int32_t codelines = 0;
    layoutb = iolayer::readint(iolayer::columns(line, 1, 3), codelines);
    if (!layoutb) {
        const std::string name = lakename(line);
        if (iolayer::trimmedlength(name) < codelength) return fail(invalidlake);
        lakecode = name.substr(0, codelength);
        return true;
    }
    std::string name;
    if (!readbsnnm(name)) return false;
    lakecode = name.substr(0, codelength);
    // The lines are compared as read: no case folding, leading blanks count.
    const std::string wanted = iolayer::padded(lakecode, lakenamelength);
    bool valid = false;
    for (std::int32_t i = 0; i < codelines; ++i) {
        if (iolayer::readline(unit, line) != iolayer::Status::ok) return fail(readerror);
        if (iolayer::columns(line, 1, lakenamelength) == wanted) valid = true;
    }
    if (!valid) return fail("SIMULATE file is not valid for this lake (" + std::string(iolayer::trimright(name)) + ")");
    return true;
}

// Reads a date line of SIMULATE into a day sequence number. False after a
// failure (already reported and passed on).
bool readdate(std::int32_t unit, std::int32_t& seq, std::string_view readerror) {
    std::array<std::int32_t, 3> date{};
    if (!readfields(unit, datewidths, date)) return fail(readerror);
    keldautil::datesequence(date[0], date[1], date[2], seq);
    if (seq != keldautil::missingdate) return true;
    errorprocess::traceback(label);  // the calendar has reported it
    return false;
}

// Reads the year count and the years of SIMULATE. False after a failure
// (already reported and passed on).
bool readyears(std::int32_t unit, bool layoutb, std::int32_t& numyears, std::span<std::int32_t> years,
               std::string_view readerror) {
    std::array<std::int32_t, 1> value{};
    if (!readfields(unit, layoutb ? countwidthb : countwidtha, value)) return fail(readerror);
    // More years than the package keeps is a malformed file; a negative count
    // is none.
    if (value[0] > maxyears) return fail(readerror);
    const std::int32_t count = std::max(value[0], 0);
    numyears = count;
    for (std::int32_t i = 0; i < count; ++i) {
        if (!readfields(unit, yearwidth, value)) return fail(readerror);
        const auto position = static_cast<std::size_t>(i);
        if (position < years.size()) years[position] = value[0];
    }
    return true;
}

}  // namespace

void readsimulatefile(std::string& code, std::int32_t& startday, std::int32_t& setting1, std::int32_t& setting2,
                      std::int32_t& endday, std::int32_t& setting3, std::int32_t& numyears,
                      std::span<std::int32_t> years) {
    const std::string file = lakefile("SIMULATE");
    const std::string readerror = "KORVA: Error reading from file " + file;
    const std::int32_t unit = openlakefile(file, iolayer::Access::sequential, 0);
    if (unit < 0) return;

    std::string lakecode;
    bool layoutb = false;
    if (!readlake(unit, lakecode, layoutb, readerror)) return;
    iolayer::assign(code, lakecode);
    // Only the lakes of the forecast package proper (numbers 1 to 7) are valid.
    const std::int32_t lake = getlakenumber(lakecode);
    if (lake < 1 || !validlake[static_cast<std::size_t>(lake - 1)]) return (void)fail(invalidlake);

    if (!readdate(unit, startday, readerror)) return;
    std::array<std::int32_t, 2> settings{};
    if (!readfields(unit, settingswidths, settings)) return (void)fail(readerror);
    setting1 = settings[0];
    setting2 = settings[1];
    if (!readdate(unit, endday, readerror)) return;
    std::array<std::int32_t, 1> value{};
    if (!readfields(unit, setting3width, value)) return (void)fail(readerror);
    setting3 = value[0];
    if (!readyears(unit, layoutb, numyears, years, readerror)) return;
    keldautil::closeregistered(unit);
}

std::int32_t getlakenumber(std::string_view code) {
    const std::string head = iolayer::columns(code, 1, codelength);
    std::string c = iolayer::padded(iolayer::trimleft(head), codelength);
    if (c == "xxx") return -1;
    keldautil::small(c);
    for (std::size_t i = 0; i < static_cast<std::size_t>(numfcstlakes); ++i) {
        if (lakename3[i] == c) return static_cast<std::int32_t>(i) + 1;
    }
    return -1;
}

}  // namespace fcstutil
