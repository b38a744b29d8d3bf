// Day sequence numbers: days of the proleptic Gregorian calendar counted from
// 1 March of year 0 (day 1), so that leap days fall at the end of a year.
#include <cstdint>
#include <limits>

#include "errorprocess/errorprocess.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace keldautil {
namespace {

// Days from 1 March of year 0 in 400 years, and in the centuries of such a cycle.
constexpr std::int64_t daysin400years = 146097;
constexpr std::int64_t daysincentury = 36524;

std::int32_t saturate(std::int64_t v) {
    if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

}  // namespace

void datesequence(std::int32_t day, std::int32_t month, std::int32_t year, std::int32_t& seq) {
    if (year <= 0) {
        seq = missingdate;
        errorprocess::raiseerror(" DateSequence: Year .LE. BaseYear   MM/DD/YYYY=" + iolayer::formatiz(month, 2) + "/" +
                                 iolayer::formatiz(day, 2) + "/" + iolayer::formati(year, 4));
        return;
    }
    // Evaluated in 64 bits, so no argument overflows. Results that do not fit
    // in 32 bits (years beyond about 5.8 million, or extreme days and months)
    // saturate to the 32-bit limits.
    const std::int64_t m = month;
    const std::int64_t a = static_cast<std::int64_t>(year) - 1 + (m + 9) / 12;
    const std::int64_t c = a / 100;
    const std::int64_t n = 365 * a + a / 4 - (c - c / 4) + (((m + 9) % 12) * 153 + 2) / 5 + day;
    seq = saturate(n);
}

void sequencedate(std::int32_t& day, std::int32_t& month, std::int32_t& year, std::int32_t seq) {
    if (seq == missingdate) {
        day = -99;
        month = -99;
        year = -9999;
        return;
    }
    if (seq < 0) {
        errorprocess::raiseerror(" SequenceDate: SequenceNumber <0 not allowed.   SeqNum=" + iolayer::formati0(seq));
        return;
    }
    // Whole centuries are skipped while more than a century's days remain; every
    // fourth century (ending with 29 February of a year divisible by 400) holds one
    // day more. Whole 400-year cycles are skipped at once, which is the same walk.
    std::int64_t r = seq;
    const std::int64_t cycles = r > 0 ? (r - 1) / daysin400years : 0;
    std::int64_t k = 400 * cycles;
    r -= cycles * daysin400years;
    std::int64_t length = daysincentury;
    while (r > length) {
        k += 100;
        r -= length;
        length = (k + 100) % 400 == 0 ? daysincentury + 1 : daysincentury;
    }
    const std::int64_t y = (r - r / 1461 - 1) / 365;
    const std::int64_t d = r - 365 * y - y / 4;
    const std::int64_t m = ((5 * d - 3) / 153 + 2) % 12 + 1;
    month = static_cast<std::int32_t>(m);
    year = static_cast<std::int32_t>(y + k + 1 - (m + 9) / 12);
    day = static_cast<std::int32_t>(d - (((m + 9) % 12) * 153 + 2) / 5);
}

// The operations below pass on failures of the calls they make: each tests
// errorlevel after every such call, so they also fail when it was already set
// on entry.

std::int32_t daysinmonth(std::int32_t month, std::int32_t year) {
    if (month < 1 || month > 12 || year < 1 || year > 2999) {
        errorprocess::raiseerror("Bad parameter in routine DaysInMonth");
        return -1;
    }
    const std::int32_t nextmonth = month == 12 ? 1 : month + 1;
    const std::int32_t nextyear = month == 12 ? year + 1 : year;
    std::int32_t first = 0;
    std::int32_t next = 0;
    datesequence(1, month, year, first);
    if (errorprocess::errorlevel != 0) return -1;
    datesequence(1, nextmonth, nextyear, next);
    if (errorprocess::errorlevel != 0) return -1;
    return next - first;
}

std::int32_t daysinyear(std::int32_t year) {
    if (year < 1 || year > 2999) {
        errorprocess::raiseerror("Bad parameter in routine DaysInYear");
        return -1;
    }
    std::int32_t last = 0;
    std::int32_t first = 0;
    datesequence(31, 12, year, last);
    if (errorprocess::errorlevel != 0) return -1;
    datesequence(1, 1, year, first);
    if (errorprocess::errorlevel != 0) return -1;
    return last - first + 1;
}

std::int32_t dayofyearfromdmy(std::int32_t day, std::int32_t month, std::int32_t year) {
    constexpr std::int32_t failed = -9999;
    if (day < 1 || day > 31) {
        errorprocess::raiseerror("Invalid day specified in DayOfYear() function!");
        return failed;
    }
    if (month < 1 || month > 12) {
        errorprocess::raiseerror("Invalid month specified in DayOfYear() function!");
        return failed;
    }
    if (year < 1 || year > 9999) {
        errorprocess::raiseerror("Invalid year specified in DayOfYear() function!");
        return failed;
    }
    std::int32_t n = 0;
    std::int32_t first = 0;
    datesequence(day, month, year, n);
    if (errorprocess::errorlevel != 0) return failed;
    datesequence(1, 1, year, first);
    if (errorprocess::errorlevel != 0) return failed;
    return n - first + 1;
}

std::int32_t dayofyearfromseq(std::int32_t seq) {
    std::int32_t dayofyear = 0;
    std::int32_t year = 0;
    return seqnumtojulianday(seq, dayofyear, year) ? dayofyear : -9999;
}

bool seqnumtojulianday(std::int32_t seq, std::int32_t& dayofyear, std::int32_t& year) {
    std::int32_t day = 0;
    std::int32_t month = 0;
    sequencedate(day, month, year, seq);
    if (errorprocess::errorlevel != 0) return false;
    std::int32_t first = 0;
    datesequence(1, 1, year, first);
    if (errorprocess::errorlevel != 0) return false;
    dayofyear = seq - first + 1;
    return true;
}

std::int32_t juliandaytoseqnum(std::int32_t year, std::int32_t dayofyear) {
    std::int32_t first = 0;
    datesequence(1, 1, year, first);
    if (errorprocess::errorlevel != 0) return -1;
    // Saturates when a huge day of the year runs past 32 bits.
    return saturate(static_cast<std::int64_t>(first) + dayofyear - 1);
}

void hdmysequence(std::int32_t hour, std::int32_t day, std::int32_t month, std::int32_t year, std::int32_t& hseq) {
    std::int32_t n = 0;
    datesequence(day, month, year, n);
    // Hour numbers past 32 bits (dates beyond year 245000 or so, or wild hours)
    // saturate to the 32-bit limits.
    hseq = saturate(static_cast<std::int64_t>(n) * 24 + hour - 1);
}

void sequencehdmy(std::int32_t& hour, std::int32_t& day, std::int32_t& month, std::int32_t& year, std::int32_t hseq) {
    // Truncating division: hseq = -1 gives day 0 and hour 0.
    const std::int32_t n = hseq / 24;
    hour = hseq % 24 + 1;
    sequencedate(day, month, year, n);
}

}  // namespace keldautil
