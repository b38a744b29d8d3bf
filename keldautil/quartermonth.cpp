// Quarter-months: each month split into four periods of 7 or 8 days by the
// tables q28 to q31. Every operation derives the split from those tables.
//
// The table writer calls endofqtr2, startofqtr2, qtrmonnumber and dayofqtrmon
// once per day, so their success paths neither allocate nor build text.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string_view>

#include "errorprocess/errorprocess.hpp"
#include "keldautil/keldautil.hpp"

namespace keldautil {
namespace {

using Split = std::array<std::int32_t, 4>;
// A start or end of a quarter-month from month length and quarter-month number.
using BoundaryOfQtr = std::int32_t (*)(std::int32_t, std::int32_t);
// A start or end of a quarter-month, as a day of the month, of a sequence number.
using BoundaryOfSeq = std::int32_t (*)(std::int32_t);

const Split* splitof(std::int32_t monthlength) {
    switch (monthlength) {
        case 28: return &q28;
        case 29: return &q29;
        case 30: return &q30;
        case 31: return &q31;
        default: return nullptr;
    }
}

using errorprocess::errorlevel;

std::int32_t clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// Own failures (invalid date) give 0, failures passed on give -1.
std::int32_t boundaryofdate(std::int32_t day, std::int32_t month, std::int32_t year, BoundaryOfQtr boundary,
                            std::string_view message) {
    if (year < 1 || year > 2999 || month < 1 || month > 12) {
        errorprocess::raiseerror(message);
        return 0;
    }
    const std::int32_t length = daysinmonth(month, year);
    if (errorlevel != 0) return -1;
    if (day < 1 || day > length) {
        errorprocess::raiseerror(message);
        return 0;
    }
    const std::int32_t q = qtrmonnumber(day, month, year);
    if (errorlevel != 0) return -1;
    return boundary(length, q);
}

std::int32_t boundaryofseq(std::int32_t seq, std::int32_t (*ofdate)(std::int32_t, std::int32_t, std::int32_t)) {
    std::int32_t day = 0;
    std::int32_t month = 0;
    std::int32_t year = 0;
    sequencedate(day, month, year, seq);
    if (errorlevel != 0) return -1;
    return ofdate(day, month, year);
}

bool isboundary(std::int32_t day, std::int32_t month, std::int32_t year, BoundaryOfQtr boundary) {
    const std::int32_t length = daysinmonth(month, year);
    if (errorlevel != 0) return false;
    bool matched = false;
    for (std::int32_t q = 1; q <= 4; ++q) {
        if (day == boundary(length, q)) matched = true;
        if (errorlevel != 0) return false;
    }
    return matched;
}

bool adjusttoboundary(std::int32_t& seq, BoundaryOfSeq boundary) {
    std::int32_t day = 0;
    std::int32_t month = 0;
    std::int32_t year = 0;
    sequencedate(day, month, year, seq);
    if (errorlevel != 0) return false;
    const std::int32_t target = boundary(seq);
    if (errorlevel != 0) return false;
    datesequence(target, month, year, seq);
    return errorlevel == 0;
}

}  // namespace

std::int32_t endofqtr2(std::int32_t monthlength, std::int32_t q) {
    const Split* split = splitof(monthlength);
    if (split == nullptr || q < 1 || q > 4) {
        errorprocess::raiseerror("Invalid parameter in routine EndOfQtr2(D,Q)");
        return 0;
    }
    return (*split)[static_cast<std::size_t>(q - 1)];
}

std::int32_t startofqtr2(std::int32_t monthlength, std::int32_t q) {
    const Split* split = splitof(monthlength);
    if (split == nullptr || q < 1 || q > 4) {
        errorprocess::raiseerror("Invalid parameter in routine FirstDayOfQtrMon(D,Q)");
        return 0;
    }
    return q == 1 ? 1 : (*split)[static_cast<std::size_t>(q - 2)] + 1;
}

std::int32_t endofqtr3(std::int32_t day, std::int32_t month, std::int32_t year) {
    return boundaryofdate(day, month, year, endofqtr2, "Invalid parameter in routine EndOfQtr3(D,M,Y)");
}

std::int32_t startofqtr3(std::int32_t day, std::int32_t month, std::int32_t year) {
    return boundaryofdate(day, month, year, startofqtr2, "Invalid parameter in routine FirstDayOfQtrMon(D,M,Y)");
}

std::int32_t endofqtr1(std::int32_t seq) { return boundaryofseq(seq, endofqtr3); }

std::int32_t startofqtr1(std::int32_t seq) { return boundaryofseq(seq, startofqtr3); }

std::int32_t qtrmonnumber(std::int32_t day, std::int32_t month, std::int32_t year) {
    const std::int32_t length = daysinmonth(month, year);
    if (errorlevel != 0) return -1;
    // The smallest q whose last day is not before the day; none past the month.
    std::int32_t result = -1;
    for (std::int32_t q = 4; q >= 1; --q) {
        const std::int32_t last = endofqtr2(length, q);
        if (errorlevel != 0) return result;
        if (last >= day) result = q;
    }
    return result;
}

std::int32_t dayofqtrmon(std::int32_t day, std::int32_t month, std::int32_t year) {
    // No test of errorlevel: a failure result 0 or -1 of startofqtr3 is used as
    // it is. Only then can the difference leave 32 bits; it saturates.
    return clamp32(static_cast<std::int64_t>(day) - startofqtr3(day, month, year) + 1);
}

std::int32_t daysinqtrmon(std::int32_t q, std::int32_t month, std::int32_t year) {
    const std::int32_t length = daysinmonth(month, year);
    if (errorlevel != 0) return -1;
    const std::int32_t last = endofqtr2(length, q);
    if (errorlevel != 0) return -1;
    const std::int32_t first = startofqtr2(length, q);
    if (errorlevel != 0) return -1;
    return last - first + 1;
}

bool islastdayofqtrmon(std::int32_t day, std::int32_t month, std::int32_t year) {
    return isboundary(day, month, year, endofqtr2);
}

bool isfirstdayofqtrmon(std::int32_t day, std::int32_t month, std::int32_t year) {
    return isboundary(day, month, year, startofqtr2);
}

std::int32_t sequencefromymqd(std::int32_t year, std::int32_t month, std::int32_t q, std::int32_t qday) {
    // Days of the quarter-months before q, a failing call adding its -1 (the
    // final test of errorlevel decides). Calls past the fifth quarter-month could
    // only repeat its failure, so they are counted rather than made: a huge q
    // costs nothing, and a bad month prints its message at most five times.
    const std::int64_t before = static_cast<std::int64_t>(q) - 1;
    std::int64_t days = 0;
    const std::int32_t called = static_cast<std::int32_t>(std::clamp<std::int64_t>(before, 0, 5));
    for (std::int32_t i = 1; i <= called; ++i) days += daysinqtrmon(i, month, year);
    if (before > called) days -= before - called;
    days += qday;
    std::int32_t seq = 0;
    datesequence(clamp32(days), month, year, seq);
    if (errorlevel != 0) return -1;
    return seq;
}

namespace {

// The quarter-month of the first whole quarter-month on or after seq (forward)
// or of the last whole one on or before it, as its year, month and number.
// False after a failure.
bool wholeqtrmon(std::int32_t seq, bool forward, std::int32_t& y, std::int32_t& m, std::int32_t& q) {
    std::int32_t d = 0;
    sequencedate(d, m, y, seq);
    if (errorlevel != 0) return false;
    const std::int32_t edge = forward ? startofqtr3(d, m, y) : endofqtr3(d, m, y);
    if (errorlevel != 0) return false;
    if (d != edge) {
        // Step over the partial quarter-month to the next (or previous) one.
        const std::int32_t other = forward ? endofqtr3(d, m, y) : startofqtr3(d, m, y);
        if (errorlevel != 0) return false;
        std::int32_t n = 0;
        datesequence(other, m, y, n);
        if (errorlevel != 0) return false;
        sequencedate(d, m, y, forward ? n + 1 : n - 1);
        if (errorlevel != 0) return false;
    }
    q = qtrmonnumber(d, m, y);
    return errorlevel == 0;
}

}  // namespace

std::int32_t getnumqtrmons(std::int32_t first, std::int32_t last) {
    // From the first whole quarter-month on or after first to the last whole
    // one on or before last.
    std::int32_t y1 = 0, m1 = 0, q1 = 0;
    if (!wholeqtrmon(first, true, y1, m1, q1)) return -1;
    std::int32_t y2 = 0, m2 = 0, q2 = 0;
    if (!wholeqtrmon(last, false, y2, m2, q2)) return -1;
    // Years are within 0 to 3000 here (startofqtr3 and endofqtr3 checked them).
    return ((y2 - y1) * 12 + m2 - m1) * 4 + q2 - q1 + 1;
}

bool adjusttoendofqtrmonth(std::int32_t& seq) { return adjusttoboundary(seq, endofqtr1); }

bool adjusttostartofqtrmonth(std::int32_t& seq) { return adjusttoboundary(seq, startofqtr1); }

}  // namespace keldautil
