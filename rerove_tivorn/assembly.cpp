// Outlook assembly: which scenario years every part of the lake has, the common
// outlook span, and the daily values of every scenario.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
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

constexpr std::string_view listingfile = "DLYLIST.TMP";
constexpr std::int32_t recordlength = 24;
constexpr std::int32_t unusedposition = -9999;
constexpr std::int32_t removedyear = 9999;
constexpr float missingvalue = -9999.0F;

// Scenario files are little-endian; their fields are copied as they are.
static_assert(std::endian::native == std::endian::little, "scenario files need byte swapping on this host");

// Stores and prints each message, then fails with the traceback line.
void fail(std::initializer_list<std::string> messages) {
    for (const auto& m : messages) {
        errorprocess::errormessage = m;
        errorprocess::passmsg();
    }
    errorlevel = 1;
    errorprocess::traceback("GetDailyOtlkNBS");
}

// Gives up after a called operation has raised the failure.
void passon() { errorprocess::traceback("GetDailyOtlkNBS"); }

std::size_t at(std::int32_t oneBased) { return static_cast<std::size_t>(oneBased - 1); }

std::string scenariofile(std::int32_t year, std::int32_t part) {
    return "REROVE" + iolayer::formati(year, 4) + "." + fcstutil::lakename3[at(part)];
}

// Month/day/year with blank-padded fields, as " 6/ 1/2008".
std::string datetext(std::int32_t seq) {
    std::int32_t day = 0, month = 0, year = 0;
    keldautil::sequencedate(day, month, year, seq);
    return iolayer::formati(month, 2) + "/" + iolayer::formati(day, 2) + "/" + iolayer::formati(year, 4);
}

std::int32_t readint32(const std::array<std::byte, recordlength>& rec, std::size_t offset) {
    std::int32_t v = 0;
    std::memcpy(&v, rec.data() + offset, sizeof v);  // little-endian files on a little-endian host
    return v;
}

float floatat(const std::byte* bytes) {
    float v = 0;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

// Writes the listing of the part's scenario files, one bare name per line in
// byte order, as a directory listing redirected into the file would.
bool writelisting(std::string_view suffix) {
    std::vector<std::string> names;
    if (iolayer::listfiles("", "REROVE????." + std::string(suffix), names) != iolayer::Status::ok) return false;
    const std::int32_t unit = keldautil::getfreeunitnumber();
    if (errorlevel != 0) return false;
    if (iolayer::createfile(unit, listingfile, iolayer::Access::sequential) != iolayer::Status::ok) return false;
    bool ok = true;
    for (const auto& name : names) ok = ok && iolayer::writeline(unit, name) == iolayer::Status::ok;
    return iolayer::closeunit(unit) == iolayer::Status::ok && ok;
}

// Reads the years of one part's listing into years/count. False after a failure
// (already reported).
bool discoverpart(std::int32_t part, std::array<std::int32_t, maxscen>& years, std::int32_t& count) {
    count = 0;
    const bool listed = writelisting(fcstutil::lakename3[at(part)]);
    if (errorlevel != 0) {
        passon();
        return false;
    }
    const std::int32_t unit = keldautil::getfreeunitnumber();
    if (errorlevel != 0) {
        passon();
        return false;
    }
    if (!listed || iolayer::openexisting(unit, listingfile, iolayer::Access::sequential, iolayer::Action::read) !=
                       iolayer::Status::ok) {
        fail({"Rerove_TIVORN: Error opening " + std::string(listingfile)});
        return false;
    }
    keldautil::filewasopened(unit);
    if (errorlevel != 0) {
        passon();
        return false;
    }
    std::string line;
    while (iolayer::readline(unit, line) == iolayer::Status::ok) {
        // The year stands in characters 7 to 10 of the first 15, leading blanks removed.
        const std::string name(iolayer::trimleft(iolayer::padded(line, 15)));
        std::int32_t year = 0;
        if (!iolayer::readint(iolayer::columns(name, 7, 10), year)) {
            errorprocess::warn("Rerove_TIVORN: Skipping " + std::string(iolayer::trimright(iolayer::trimleft(line))) +
                               " (no year in its name)");
            continue;
        }
        ++count;
        if (count > maxscen) {
            fail({"Too many outlook years available for Rerove_TIVORN!",
                  "Either increase parameter \"MaxScen\" ..OR..",
                  "reduce the number of outlook years used!",
                  " There were " + iolayer::formati0(count) + " years available, but MaxScen is only " +
                      iolayer::formati0(maxscen)});
            return false;
        }
        years[at(count)] = year;
    }
    (void)iolayer::closeunit(unit, iolayer::Disposition::remove);
    keldautil::filewasclosed(unit);
    if (errorlevel != 0) {
        passon();
        return false;
    }
    return true;
}

// Opens a scenario file for reading its 24-byte records, on a unit of its own
// that is not registered. False after a failure (already reported).
bool openscenario(const std::string& name, std::int32_t& unit) {
    unit = keldautil::getfreeunitnumber();
    if (errorlevel != 0) {
        passon();
        return false;
    }
    if (iolayer::openexisting(unit, name, iolayer::Access::direct, iolayer::Action::read, recordlength) !=
        iolayer::Status::ok) {
        fail({"Rerove_TIVORN: Error opening " + name});
        return false;
    }
    return true;
}

bool readheader(std::int32_t unit, const std::string& name, std::int32_t& first, std::int32_t& last) {
    std::array<std::byte, recordlength> rec{};
    if (iolayer::readrecord(unit, 1, rec) != iolayer::Status::ok) {
        (void)iolayer::closeunit(unit);
        fail({"Rerove_TIVORN: Error reading " + name});
        return false;
    }
    first = readint32(rec, 0);
    last = readint32(rec, 4);
    return true;
}

// Backs the memory of [data, data + bytes) with pages in one system call, instead
// of one page fault per page on first use. Only a hint: failure changes nothing.
void prefault(void* data, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(data) & ~(page - 1);
    const auto end = reinterpret_cast<std::uintptr_t>(data) + bytes;
    (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Day records of one scenario file, read in one piece.
std::array<std::byte, static_cast<std::size_t>(maxdays) * recordlength> dayrecords;

// Reads the days of one part of one scenario into r, p and e (centimetres). Days
// of the span after the file's own last day are missing, not left over from an
// earlier scenario.
bool readpart(std::int32_t part, std::int32_t j, std::int32_t year, std::int32_t firstday, std::int32_t lastday) {
    const std::string name = scenariofile(year, part);
    std::int32_t unit = 0;
    if (!openscenario(name, unit)) return false;
    std::int32_t first = 0, last = 0;
    if (!readheader(unit, name, first, last)) return false;
    if (first != firstday) {
        (void)iolayer::closeunit(unit);
        fail({"Error!! " + name + " inconsistent forecast start date",
              "O:Required Start Date is (M/D/Y) = " + datetext(firstday),
              "O:" + name + " start date is (M/D/Y) = " + datetext(first)});
        return false;
    }
    const std::int32_t days = dayscovered(first, last, firstday, lastday);
    const std::span<std::byte> records(dayrecords.data(), static_cast<std::size_t>(days) * recordlength);
    if (iolayer::readrecords(unit, 2, days, records) != iolayer::Status::ok) {
        (void)iolayer::closeunit(unit);
        fail({"Rerove_TIVORN: Error reading " + name});
        return false;
    }
    auto& rj = r[at(j)];
    auto& pj = p[at(j)];
    auto& ej = e[at(j)];
    const auto covered = static_cast<std::size_t>(days);
    for (std::size_t k = 0; k < covered; ++k) {
        const std::byte* rec = records.data() + k * recordlength;
        rj[k] = floatat(rec + 8);
        pj[k] = floatat(rec + 12);
        ej[k] = floatat(rec + 16);
    }
    // Millimetres to centimetres, in single precision; separate loops vectorise.
    for (std::size_t k = 0; k < covered; ++k) rj[k] /= 10.0F;
    for (std::size_t k = 0; k < covered; ++k) pj[k] /= 10.0F;
    for (std::size_t k = 0; k < covered; ++k) ej[k] /= 10.0F;
    const auto span = static_cast<std::size_t>(lastday - firstday + 1);
    std::fill(rj.begin() + covered, rj.begin() + span, missingvalue);
    std::fill(pj.begin() + covered, pj.begin() + span, missingvalue);
    std::fill(ej.begin() + covered, ej.begin() + span, missingvalue);
    (void)iolayer::closeunit(unit);
    keldautil::filewasclosed(unit);
    if (errorlevel != 0) {
        passon();
        return false;
    }
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
    keldautil::datesequence(31, 12, 2999, firstday);
    keldautil::datesequence(1, 1, 999, lastday);

    LakeParts lake;
    if (!lakeparts(lakeindex, lake)) {
        fail({"Internal error in lake designator (GetDailyOtlkNBS)!", "Lake Number = " + iolayer::formati0(lakeindex)});
        return;
    }
    const std::int32_t m = lake.count;

    // Discovery: the years listed for each part.
    std::array<std::int32_t, maxparts> tscencount{};
    std::array<std::array<std::int32_t, maxscen>, maxparts> tscenarios{};
    for (std::int32_t j = 1; j <= m; ++j) {
        if (!discoverpart(lake.parts[at(j)], tscenarios[at(j)], tscencount[at(j)])) return;
    }

    // A year missing from any part becomes the removal mark in every part that
    // has it; the lists are judged as they stand at each step.
    for (std::int32_t j = 1; j <= m; ++j) {
        auto& list = tscenarios[at(j)];
        for (std::int32_t n = 1; n <= tscencount[at(j)]; ++n) {
            const std::int32_t y = list[at(n)];
            for (std::int32_t q = 1; q <= m; ++q) {
                const auto& other = tscenarios[at(q)];
                const auto end = other.begin() + tscencount[at(q)];
                if (std::find(other.begin(), end, y) == end) list[at(n)] = removedyear;
            }
        }
    }
    for (std::int32_t j = 1; j <= m; ++j) {
        auto& list = tscenarios[at(j)];
        std::int32_t& count = tscencount[at(j)];
        std::sort(list.begin(), list.begin() + count);
        for (std::int32_t n = 1; n <= count; ++n) {
            if (list[at(n)] > removedyear - 1) count = n - 1;
        }
    }

    const std::int32_t numscen = tscencount[0];
    std::array<std::int32_t, maxscen> years{};
    years.fill(unusedposition);
    std::copy_n(tscenarios[0].begin(), numscen, years.begin());
    std::copy_n(years.begin(), std::min(scenarios.size(), years.size()), scenarios.begin());
    if (numscen == 0) return;

    // Span: the earliest first day and the latest last day of all headers.
    for (std::int32_t i = 1; i <= numscen; ++i) {
        for (std::int32_t j = 1; j <= m; ++j) {
            const std::string name = scenariofile(years[at(i)], lake.parts[at(j)]);
            std::int32_t unit = 0, first = 0, last = 0;
            if (!openscenario(name, unit) || !readheader(unit, name, first, last)) return;
            (void)iolayer::closeunit(unit);
            if (last < first) {
                fail({"Rerove_TIVORN: Invalid data period in " + name});
                return;
            }
            firstday = std::min(firstday, first);
            lastday = std::max(lastday, last);
        }
    }
    const std::int64_t spandays = static_cast<std::int64_t>(lastday) - firstday + 1;
    if (spandays > maxdays) {
        fail({"Rerove_TIVORN: Outlook period of " + iolayer::formati0(spandays) + " days exceeds the limit of " +
              iolayer::formati0(maxdays) + " days"});
        return;
    }
    const auto numdays = static_cast<std::int32_t>(spandays);

    prefault(dlyotlk.data(), static_cast<std::size_t>(numscen) * sizeof dlyotlk[0]);
    // Assembly, one scenario at a time.
    for (std::int32_t i = 1; i <= numscen; ++i) {
        std::fill_n(dlyotlk[at(i)].begin(), numdays, 0.0F);
        for (std::int32_t j = 1; j <= m; ++j) {
            const std::int32_t part = lake.parts[at(j)];
            prcarea[at(j)] = fcstutil::digitlandarea[at(part)];
            if (!readpart(part, j, years[at(i)], firstday, lastday)) return;
        }
        dailynbs(i, numdays, lake);
    }
}

}  // namespace rerove_tivorn_subs
