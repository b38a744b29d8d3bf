// Outlook assembly: which scenario years every part of the lake has, the common
// outlook span, and the daily values of every scenario.
#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace rerove_tivorn_subs {
namespace {

using errorprocess::errorlevel;

constexpr std::string_view label = "GetDailyOtlkNBS";
constexpr std::int32_t unusedposition = -9999;
// A day of the span after a scenario file's own last day, in r, p and e.
constexpr float pastfileend = -9999.0F;

// Month/day/year with blank-padded fields, as " 6/ 1/2008".
std::string datetext(std::int32_t seq) {
    std::int32_t day = 0, month = 0, year = 0;
    keldautil::sequencedate(day, month, year, seq);
    return iolayer::formati(month, 2) + "/" + iolayer::formati(day, 2) + "/" + iolayer::formati(year, 4);
}

// Writes the listing of the part's scenario files, one bare name per line in
// byte order, as a directory listing redirected into the file would. Runs for
// other lakes in this directory share the listing's name: the lock is taken
// before the file is emptied and kept until it has been deleted. Without a lock
// the creation goes ahead and reports any fault as it always has. Created and
// closed at once, the listing is not registered here; openregistered (which
// opens existing files) registers it while it is read back.
bool writelisting(std::int32_t part, iolayer::FileLock& lock) {
    std::vector<std::string> names;
    if (iolayer::listfiles("", scenariopattern(part), names) != iolayer::Status::ok) return false;
    const std::int32_t unit = keldautil::getfreeunitnumber();
    if (errorlevel != 0) return false;
    (void)lock.lock(listingfile);  // unlocked, the listing is made as before any lock
    if (iolayer::createfile(unit, listingfile, iolayer::Access::sequential) != iolayer::Status::ok) return false;
    bool ok = true;
    for (const auto& name : names) ok = ok && iolayer::writeline(unit, name) == iolayer::Status::ok;
    return iolayer::closeunit(unit) == iolayer::Status::ok && ok;
}

// The listing step of a part: lists its scenario files into DLYLIST.TMP, hands
// each line read back to online, and deletes the listing. When online returns
// false the reading stops there and the listing stays as it is, open and
// registered. False after a failure (already reported and passed on).
bool listpart(std::int32_t part, const std::function<bool(const std::string&)>& online) {
    iolayer::FileLock lock;
    const bool listed = writelisting(part, lock);
    if (errorlevel != 0) {
        errorprocess::traceback(label);
        return false;
    }
    const std::string openerror = messages::erroropening(listingfile);
    if (!listed) {
        errorprocess::raiseerrorin(label, {openerror});
        return false;
    }
    const std::int32_t unit = keldautil::openregistered(listingfile, iolayer::Access::sequential, 0, openerror);
    if (unit < 0) {
        errorprocess::traceback(label);
        return false;
    }
    std::string line;
    while (iolayer::readline(unit, line) == iolayer::Status::ok) {
        if (!online(line)) return false;
    }
    (void)iolayer::closeunit(unit, iolayer::Disposition::remove);  // a listing read in full
    (void)keldautil::filewasclosed(unit);                          // registered above
    return true;
}

// The years listed for one part, in listing order. A name without a year is
// skipped with a warning. False after a failure (already reported).
bool discoverpart(std::int32_t part, std::vector<std::int32_t>& years) {
    years.clear();
    return listpart(part, [&years](const std::string& line) {
        const std::optional<std::int32_t> year = scenarioyear(line);
        if (!year) {
            errorprocess::warn("Rerove_TIVORN: Skipping " + std::string(iolayer::trimright(iolayer::trimleft(line))) +
                               " (no year in its name)");
            return true;
        }
        const auto count = static_cast<std::int32_t>(years.size()) + 1;
        if (count > maxscen) {
            errorprocess::raiseerrorin(
                label, {messages::toomanyyears, "Either increase parameter \"MaxScen\" ..OR..",
                        "reduce the number of outlook years used!",
                        " There were " + iolayer::formati0(count) + " years available, but MaxScen is only " +
                            iolayer::formati0(maxscen)});
            return false;
        }
        years.push_back(*year);
        return true;
    });
}

// Opens a scenario file and reads its header on a unit of its own that is not
// registered; with true the unit stays open. False after a failure (already
// reported and passed on). Not through openregistered: the tool never registers
// its scenario files, so a full registry is not among its failures, and the
// header's read error is a message of its own.
bool openscenario(const std::string& name, std::int32_t& unit, DayRange& days) {
    unit = keldautil::getfreeunitnumber();
    if (errorlevel != 0) {
        errorprocess::traceback(label);
        return false;
    }
    switch (openscenario(unit, name, days)) {
        case HeaderStatus::ok: return true;
        case HeaderStatus::notopened: errorprocess::raiseerrorin(label, {messages::erroropening(name)}); return false;
        case HeaderStatus::notread: break;
    }
    errorprocess::raiseerrorin(label, {messages::errorreading(name)});
    return false;
}

// The outlook span over the headers of every part of every year, checking each
// file's own period as it is read. False after a failure (already reported).
bool readspan(const LakeParts& lake, const std::vector<std::int32_t>& years, DayRange& span) {
    for (const std::int32_t year : years) {
        for (std::int32_t j = 1; j <= lake.count; ++j) {
            const std::string name = scenariofile(year, lake.parts[at(j)]);
            std::int32_t unit = 0;
            DayRange days;
            if (!openscenario(name, unit, days)) return false;
            (void)iolayer::closeunit(unit);  // a read-only file; its header is read
            if (days.last < days.first) {
                errorprocess::raiseerrorin(label, {messages::invaliddataperiod(name)});
                return false;
            }
            span = widenspan(span, days);
        }
    }
    return true;
}

// Backs the memory of [data, data + bytes) with pages in one system call, instead
// of one page fault per page on first use. Only a hint: failure changes nothing.
void prefault(void* data, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    // From the start of the page that holds data on, without making a pointer of an integer.
    const auto offset = reinterpret_cast<std::uintptr_t>(data) & (page - 1);
    (void)::madvise(static_cast<std::byte*>(data) - offset, bytes + offset, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Day records of one scenario file, read in one piece.
std::array<std::byte, static_cast<std::size_t>(maxdays) * scenariorecordlength> dayrecords;

// Stores covered days of records into row j of r, p and e in centimetres, and
// marks the rest of the span's days as past the file's end. Built for plain
// x86-64 and for AVX2 as the day loop is; a division rounds alike in both.
[[gnu::target_clones("avx2", "default")]] void storepart(std::int32_t j, std::span<const std::byte> records,
                                                         std::size_t spanlength) {
    auto& rj = r[at(j)];
    auto& pj = p[at(j)];
    auto& ej = e[at(j)];
    const std::size_t covered = records.size() / scenariorecordlength;
    const std::byte* first = records.data();
    // Millimetres to centimetres, in single precision.
    for (std::size_t k = 0; k < covered; ++k) {
        const scenarioday day = decodeday(first + k * scenariorecordlength);
        rj[k] = day.runoff / 10.0F;
        pj[k] = day.precip / 10.0F;
        ej[k] = day.evap / 10.0F;
    }
    std::fill(rj.begin() + covered, rj.begin() + spanlength, pastfileend);
    std::fill(pj.begin() + covered, pj.begin() + spanlength, pastfileend);
    std::fill(ej.begin() + covered, ej.begin() + spanlength, pastfileend);
}

// Reads the days of one part of one scenario into r, p and e (centimetres). Days
// of the span after the file's own last day are missing, not left over from an
// earlier scenario.
bool readpart(std::int32_t part, std::int32_t j, std::int32_t year, DayRange span) {
    const std::string name = scenariofile(year, part);
    std::int32_t unit = 0;
    DayRange days;
    if (!openscenario(name, unit, days)) return false;
    if (days.first != span.first) {
        (void)iolayer::closeunit(unit);  // read-only; the failure below is what counts
        errorprocess::raiseerrorin(
            label, {messages::inconsistentstart(name), "O:Required Start Date is (M/D/Y) = " + datetext(span.first),
                    "O:" + name + " start date is (M/D/Y) = " + datetext(days.first)});
        return false;
    }
    const std::int32_t count = dayscovered(days.first, days.last, span.first, span.last);
    const std::span<std::byte> records(dayrecords.data(), static_cast<std::size_t>(count) * scenariorecordlength);
    if (iolayer::readrecords(unit, 2, count, records) != iolayer::Status::ok) {
        (void)iolayer::closeunit(unit);  // read-only; the failure below is what counts
        errorprocess::raiseerrorin(label, {messages::errorreading(name)});
        return false;
    }
    storepart(j, records, static_cast<std::size_t>(spandays(span)));
    (void)iolayer::closeunit(unit);  // a read-only file, read in full
    return true;
}

// Assembles the daily values of scenario position i (year) into dlyotlk. False
// after a failure (already reported).
bool assemblescenario(const LakeParts& lake, std::int32_t i, std::int32_t year, DayRange span) {
    const auto numdays = static_cast<std::int32_t>(spandays(span));
    std::fill_n(dlyotlk[at(i)].begin(), numdays, 0.0F);
    for (std::int32_t j = 1; j <= lake.count; ++j) {
        const std::int32_t part = lake.parts[at(j)];
        prcarea[at(j)] = fcstutil::digitlandarea[at(part)];
        if (!readpart(part, j, year, span)) return false;
    }
    dailynbs(i, numdays, lake);
    return true;
}

}  // namespace

std::int32_t dayscovered(std::int32_t first, std::int32_t last, std::int32_t firstday, std::int32_t lastday) {
    // 64 bits: a header of garbage may hold any two numbers.
    const std::int64_t span = std::max<std::int64_t>(static_cast<std::int64_t>(lastday) - firstday + 1, 0);
    const std::int64_t days = static_cast<std::int64_t>(std::min(last, lastday)) - first + 1;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(days, 0, span));
}

void getdailyotlknbs(std::int32_t lakeindex, std::int32_t& firstday, std::int32_t& lastday,
                     std::span<std::int32_t> scenarios) {
    DayRange span = outlookspan({});
    firstday = span.first;
    lastday = span.last;
    LakeParts lake;
    if (!lakeparts(lakeindex, lake)) {
        errorprocess::raiseerrorin(label, {"Internal error in lake designator (GetDailyOtlkNBS)!",
                                           "Lake Number = " + iolayer::formati0(lakeindex)});
        return;
    }
    std::array<std::vector<std::int32_t>, maxparts> lists;
    for (std::int32_t j = 1; j <= lake.count; ++j) {
        if (!discoverpart(lake.parts[at(j)], lists[at(j)])) return;
    }
    const std::vector<std::int32_t> years = commonyears(std::span(lists).first(static_cast<std::size_t>(lake.count)));
    // Positions past the most scenarios a lake can have are not the tool's.
    const auto positions = std::min<std::size_t>(scenarios.size(), maxscen);
    std::fill_n(scenarios.begin(), positions, unusedposition);
    std::copy_n(years.begin(), std::min(positions, years.size()), scenarios.begin());
    if (years.empty()) return;

    const bool spanread = readspan(lake, years, span);
    firstday = span.first;
    lastday = span.last;
    if (!spanread) return;
    if (spandays(span) > maxdays) {
        errorprocess::raiseerrorin(label, {messages::spantoolong(spandays(span))});
        return;
    }
    prefault(dlyotlk.data(), years.size() * sizeof dlyotlk[0]);
    for (std::int32_t i = 1; i <= static_cast<std::int32_t>(years.size()); ++i) {
        if (!assemblescenario(lake, i, years[at(i)], span)) return;
    }
}

}  // namespace rerove_tivorn_subs
