// Adjustments of day sequence numbers, counts of whole periods, and date texts
// MM/DD/YYYY and MM/DD/HH/YYYY.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <limits>
#include <string>
#include <string_view>

#include "errorprocess/errorprocess.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace keldautil {
namespace {

// Text readers see at most this many characters of a field.
constexpr std::size_t fieldwidth = 50;

using errorprocess::errorlevel;

bool splitdate(std::int32_t seq, std::int32_t& day, std::int32_t& month, std::int32_t& year) {
    sequencedate(day, month, year, seq);
    return errorlevel == 0;
}

// Sets seq to datesequence of the new date (-999999 when that fails).
bool setdate(std::int32_t day, std::int32_t month, std::int32_t year, std::int32_t& seq) {
    datesequence(day, month, year, seq);
    return errorlevel == 0;
}

bool isdecimal(char c) { return c >= '0' && c <= '9'; }

// A free-form integer: leading blanks skipped, then one item that ends at a
// blank, comma or slash or at the end of the field; what follows is ignored.
// The item must be an optional sign and at least one digit, within 32 bits.
bool readfield(std::string_view field, std::int32_t& value) {
    field = field.substr(0, fieldwidth);
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    std::size_t end = i;
    while (end < field.size() && field[end] != ' ' && field[end] != ',' && field[end] != '/') ++end;
    std::string_view item = field.substr(i, end - i);
    bool negative = false;
    if (!item.empty() && (item.front() == '+' || item.front() == '-')) {
        negative = item.front() == '-';
        item.remove_prefix(1);
    }
    if (item.empty()) return false;
    // Magnitude up to 2^31, so the most negative value reads too.
    constexpr std::int64_t limit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    for (const char c : item) {
        if (!isdecimal(c)) return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return false;
    }
    const std::int64_t v = negative ? -magnitude : magnitude;
    if (v > std::numeric_limits<std::int32_t>::max()) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

// Splits text at its first slash: head before it, tail after it.
bool splitatslash(std::string_view text, std::string_view& head, std::string_view& tail) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) return false;
    head = text.substr(0, slash);
    tail = text.substr(slash + 1);
    return true;
}

}  // namespace

bool adjusttostartofyear(std::int32_t& seq) {
    std::int32_t day = 0, month = 0, year = 0;
    if (!splitdate(seq, day, month, year)) return false;
    return setdate(1, 1, year, seq);
}

bool adjusttoendofyear(std::int32_t& seq) {
    std::int32_t day = 0, month = 0, year = 0;
    if (!splitdate(seq, day, month, year)) return false;
    return setdate(31, 12, year, seq);
}

bool adjusttostartofmonth(std::int32_t& seq) {
    std::int32_t day = 0, month = 0, year = 0;
    if (!splitdate(seq, day, month, year)) return false;
    return setdate(1, month, year, seq);
}

bool adjusttoendofmonth(std::int32_t& seq) {
    std::int32_t day = 0, month = 0, year = 0;
    if (!splitdate(seq, day, month, year)) return false;
    const std::int32_t nextmonth = month == 12 ? 1 : month + 1;
    const std::int32_t nextyear = month == 12 ? year + 1 : year;
    if (!setdate(1, nextmonth, nextyear, seq)) return false;
    // A successful datesequence is at least 1 (it saturates at the top), so
    // this cannot overflow.
    seq -= 1;
    return true;
}

std::int32_t getnumweeks(std::int32_t first, std::int32_t last) {
    // In 64 bits: the span of two 32-bit numbers can reach 2^32 days.
    const std::int64_t days = static_cast<std::int64_t>(last) - first + 1;
    return days < 7 ? 0 : static_cast<std::int32_t>(days / 7);
}

std::int32_t getnummonths(std::int32_t first, std::int32_t last) {
    std::int32_t d1 = 0, m1 = 0, y1 = 0, d2 = 0, m2 = 0, y2 = 0;
    if (!splitdate(first, d1, m1, y1)) return -1;
    if (!splitdate(last, d2, m2, y2)) return -1;
    if (d1 != 1) ++m1;                        // may become 13
    if (!islastdayofmonth(d2, m2, y2)) --m2;  // may become 0
    if (errorlevel != 0) return -1;
    // Years lie within -9999 to 5879610, so this stays well inside 32 bits.
    return (y2 - y1) * 12 + m2 - m1 + 1;
}

std::int32_t getnumyears(std::int32_t first, std::int32_t last) {
    std::int32_t d1 = 0, m1 = 0, y1 = 0, d2 = 0, m2 = 0, y2 = 0;
    if (!splitdate(first, d1, m1, y1)) return -1;
    if (!splitdate(last, d2, m2, y2)) return -1;
    if (d1 != 1 || m1 != 1) ++y1;
    if (d2 != 31 || m2 != 12) --y2;
    return y2 - y1 + 1;
}

bool islastdayofmonth(std::int32_t day, std::int32_t month, std::int32_t year) {
    const std::int32_t length = daysinmonth(month, year);
    if (errorlevel != 0) return false;
    return day == length;
}

std::int32_t datestringmdytoseq(std::string_view text) {
    std::string_view monthfield, rest, dayfield, yearfield;
    if (!splitatslash(text, monthfield, rest)) return -1;
    rest = rest.substr(0, fieldwidth);
    if (!splitatslash(rest, dayfield, yearfield)) return -1;
    std::int32_t month = 0, day = 0, year = 0;
    if (!readfield(monthfield, month) || !readfield(dayfield, day) || !readfield(yearfield, year)) return -1;
    if (month < 1 || month > 12 || year < 1000 || year > 2999 || day < 1) return -1;
    if (day > daysinmonth(month, year)) return -1;
    std::int32_t seq = 0;
    datesequence(day, month, year, seq);
    if (errorlevel != 0) return -1;
    return seq;
}

std::int32_t datestringmdhytoseq(std::string_view text) {
    std::string_view monthfield, rest, dayfield, rest2, hourfield, yearfield;
    if (!splitatslash(text, monthfield, rest)) return -1;
    rest = rest.substr(0, fieldwidth);
    if (!splitatslash(rest, dayfield, rest2)) return -1;
    if (!splitatslash(rest2, hourfield, yearfield)) return -1;
    std::int32_t month = 0, day = 0, hour = 0, year = 0;
    if (!readfield(monthfield, month) || !readfield(dayfield, day) || !readfield(hourfield, hour) ||
        !readfield(yearfield, year))
        return -1;
    if (month < 1 || month > 12 || year < 1 || year > 9999 || day < 1) return -1;
    // Years 3000 to 9999 pass the test above but fail here, in daysinmonth.
    if (day > daysinmonth(month, year)) return -1;
    if (hour < 1 || hour > 24) return -1;
    std::int32_t hseq = 0;
    hdmysequence(hour, day, month, year, hseq);
    if (errorlevel != 0) return -1;
    return hseq;
}

std::int32_t datestring10toseq(std::string_view ds) { return datestringmdytoseq(ds.substr(0, 10)); }

std::string seqtodatestring10(std::int32_t seq) {
    constexpr std::size_t width = 10;
    std::int32_t day = 0, month = 0, year = 0;
    if (!splitdate(seq, day, month, year)) return std::string(width, ' ');
    std::string text = iolayer::formatiz(month, 2);
    text += '/';
    text += iolayer::formatiz(day, 2);
    text += '/';
    text += iolayer::formatiz(year, 4);
    // The editing always fills its fields; this guards the width all the same.
    if (text.size() != width) {
        errorprocess::raiseerrorin("SeqToDateString10", {"Error building date string from " + iolayer::formati0(seq)});
        return std::string(width, ' ');
    }
    return text;
}

void gettodaysdatetime(std::string& datetext, std::string& timetext) {
    iolayer::assign(datetext, "");
    iolayer::assign(timetext, "");
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) return;
    if (datetext.size() >= 10) {
        iolayer::assign(datetext, iolayer::formatiz(local.tm_mon + 1, 2) + "/" + iolayer::formatiz(local.tm_mday, 2) +
                                      "/" + iolayer::formatiz(static_cast<std::int64_t>(local.tm_year) + 1900, 4));
    }
    if (timetext.size() >= 5) {
        iolayer::assign(timetext, iolayer::formatiz(local.tm_hour, 2) + ":" + iolayer::formatiz(local.tm_min, 2));
    }
}

}  // namespace keldautil
