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

void fail(std::string_view message) {
    errorprocess::raiseerror(message);
    errorprocess::traceback(label);
}

// Gives up after a called operation has raised the failure.
void passon() { errorprocess::traceback(label); }

// Opens a file of the lake directory on a registered unit; -1 after a failure
// (already reported). Registry failures are told by the results, so that a
// failure pending from before does not stop the read.
std::int32_t openlakefile(const std::string& name, iolayer::Access access, std::int32_t reclen) {
    const std::int32_t unit = keldautil::getfreeunitnumber();
    if (unit < 0) {
        passon();
        return -1;
    }
    if (iolayer::openexisting(unit, keldautil::hostpath(name), access, iolayer::Action::read, reclen) !=
        iolayer::Status::ok) {
        fail("KORVA: Error opening file " + name);
        return -1;
    }
    if (keldautil::filewasopened(unit)) {
        passon();
        return -1;
    }
    return unit;
}

void closelakefile(std::int32_t unit) {
    (void)iolayer::closeunit(unit);
    (void)keldautil::filewasclosed(unit);
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
        fail("KORVA: Error reading from file " + file);
        return false;
    }
    std::string text(lakenamelength, ' ');
    for (std::size_t i = 0; i < lakenamelength; ++i) {
        const char c = static_cast<char>(record[i]);
        if (c == '\r' || c == '\n') break;
        text[i] = c;
    }
    name = lakename(text);
    closelakefile(unit);
    return true;
}

// Reads the next line of SIMULATE as integer fields; false when the file ends
// or the line does not read.
template <std::size_t N>
bool readfields(std::int32_t unit, const std::array<std::size_t, N>& widths, std::array<std::int32_t, N>& values) {
    std::string line;
    return iolayer::readline(unit, line) == iolayer::Status::ok && iolayer::readints(line, 1, widths, values);
}

}  // namespace

void readsimulatefile(std::string& code, std::int32_t& startday, std::int32_t& setting1, std::int32_t& setting2,
                      std::int32_t& endday, std::int32_t& setting3, std::int32_t& numyears,
                      std::span<std::int32_t> years) {
    const std::string file = lakefile("SIMULATE");
    const std::string readerror = "KORVA: Error reading from file " + file;
    const std::int32_t unit = openlakefile(file, iolayer::Access::sequential, 0);
    if (unit < 0) return;

    std::string line;
    if (iolayer::readline(unit, line) != iolayer::Status::ok) return fail(readerror);
    std::int32_t codelines = 0;
    const bool layoutb = iolayer::readint(iolayer::columns(line, 1, 3), codelines);

    std::string lakecode;
    if (!layoutb) {
        const std::string name = lakename(line);
        if (iolayer::trimmedlength(name) < codelength) return fail(invalidlake);
        lakecode = name.substr(0, codelength);
    } else {
        std::string name;
        if (!readbsnnm(name)) return;
        lakecode = name.substr(0, codelength);
        // The lines are compared as read: no case folding, leading blanks count.
        const std::string wanted = iolayer::padded(lakecode, lakenamelength);
        bool valid = false;
        for (std::int32_t i = 0; i < codelines; ++i) {
            if (iolayer::readline(unit, line) != iolayer::Status::ok) return fail(readerror);
            if (iolayer::columns(line, 1, lakenamelength) == wanted) valid = true;
        }
        if (!valid) {
            return fail("SIMULATE file is not valid for this lake (" + std::string(iolayer::trimright(name)) + ")");
        }
    }
    iolayer::assign(code, lakecode);
    // Only the lakes of the forecast package proper (numbers 1 to 7) are valid.
    const std::int32_t lake = getlakenumber(lakecode);
    if (lake < 1 || !validlake[static_cast<std::size_t>(lake - 1)]) return fail(invalidlake);

    std::array<std::int32_t, 3> date{};
    if (!readfields(unit, datewidths, date)) return fail(readerror);
    keldautil::datesequence(date[0], date[1], date[2], startday);
    if (startday == keldautil::missingdate) return passon();  // the calendar has reported it

    std::array<std::int32_t, 2> settings{};
    if (!readfields(unit, settingswidths, settings)) return fail(readerror);
    setting1 = settings[0];
    setting2 = settings[1];

    if (!readfields(unit, datewidths, date)) return fail(readerror);
    keldautil::datesequence(date[0], date[1], date[2], endday);
    if (endday == keldautil::missingdate) return passon();

    std::array<std::int32_t, 1> value{};
    if (!readfields(unit, setting3width, value)) return fail(readerror);
    setting3 = value[0];

    if (!readfields(unit, layoutb ? countwidthb : countwidtha, value)) return fail(readerror);
    // More years than the package keeps is a malformed file; a negative count
    // is none.
    if (value[0] > maxyears) return fail(readerror);
    const std::int32_t count = std::max(value[0], 0);
    numyears = count;

    for (std::int32_t i = 0; i < count; ++i) {
        if (!readfields(unit, yearwidth, value)) return fail(readerror);
        const auto at = static_cast<std::size_t>(i);
        if (at < years.size()) years[at] = value[0];
    }
    closelakefile(unit);
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
