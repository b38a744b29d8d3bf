// Daily NBS tables: one text file per scenario year, one row per quarter-month,
// values in tens of cubic metres per second.
#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace rerove_tivorn_subs {
namespace {

using errorprocess::errorlevel;

constexpr float fillvalue = -99999.0F;  // a day of a written month outside the span
constexpr float lowestvalue = -999999.0F;
constexpr float highestvalue = 9999999.0F;
constexpr std::size_t cellsperyear = 12 * 4 * 8;  // month, quarter-month, day of it

std::size_t at(std::int32_t oneBased) { return static_cast<std::size_t>(oneBased - 1); }

void giveup() { errorprocess::traceback("WrtTIVORN_Otlk_Daily"); }

void fail(const std::string& message) {
    errorprocess::errormessage = message;
    errorprocess::passmsg();
    errorlevel = 1;
    giveup();
}

std::size_t cellindex(std::int32_t yearoffset, std::int32_t month, std::int32_t q, std::int32_t dayofq) {
    return static_cast<std::size_t>(yearoffset) * cellsperyear + at(month) * 32 + at(q) * 8 + at(dayofq);
}

// The cell of every day of the span. The calendar walk is the same for every
// scenario, so it is made once, while the first table is written. False after a
// failure of the calendar (already reported).
bool mapdays(std::int32_t firstday, std::int32_t lastday, std::int32_t startyear, std::int32_t endyear,
             std::vector<std::size_t>& cells) {
    cells.clear();
    for (std::int32_t seq = firstday; seq <= lastday; ++seq) {
        std::int32_t day = 0, month = 0, year = 0;
        keldautil::sequencedate(day, month, year, seq);
        if (errorlevel != 0) return false;
        const std::int32_t q = keldautil::qtrmonnumber(day, month, year);
        if (errorlevel != 0) return false;
        const std::int32_t dq = keldautil::dayofqtrmon(day, month, year);
        if (errorlevel != 0) return false;
        // Days inside the span always land inside the grid; anything else is a
        // calendar failure that must not be stored.
        if (year < startyear || year > endyear || month < 1 || month > 12 || q < 1 || q > 4 || dq < 1 || dq > 8) {
            return false;
        }
        cells.push_back(cellindex(year - startyear, month, q, dq));
    }
    return true;
}

std::string rangewarning(std::int32_t year, std::int32_t month, std::int32_t q, std::int32_t dayofq, float value) {
    return " NBS value out of range for (Y-M-Q-D) " + iolayer::formatiz(year, 4) + "-" + iolayer::formatiz(month, 2) +
           "-" + iolayer::formatiz(q, 1) + "-" + iolayer::formatiz(dayofq, 1) + " = " + iolayer::formatf0(value, 1);
}

bool writeline(std::int32_t unit, std::string_view text, const std::string& name) {
    if (iolayer::writeline(unit, text) == iolayer::Status::ok) return true;
    fail("RerOve_TIVORN: Error writing " + name);
    return false;
}

}  // namespace

void wrttivorn_otlk_daily(std::int32_t lakeindex, std::int32_t firstday, std::int32_t lastday,
                          std::span<const std::int32_t> scenarios) {
    if (lakeindex < 1 || lakeindex > fcstutil::numlevellakes) {
        fail("Internal error in lake designator (WrtTIVORN_Otlk_Daily)!");
        return;
    }
    std::int32_t startday = 0, startmonth = 0, startyear = 0;
    std::int32_t endday = 0, endmonth = 0, endyear = 0;
    keldautil::sequencedate(startday, startmonth, startyear, firstday);
    if (errorlevel != 0) return giveup();
    keldautil::sequencedate(endday, endmonth, endyear, lastday);
    if (errorlevel != 0) return giveup();
    const std::int64_t numdays = static_cast<std::int64_t>(lastday) - firstday + 1;
    const std::int64_t numyears = std::max<std::int64_t>(static_cast<std::int64_t>(endyear) - startyear + 1, 0);

    const std::string header1 = "# LAKE " + fcstutil::levlkname10[at(lakeindex)].substr(0, 8) +
                                " DAILY NET BASIN SUPPLIES (CMS*10)";
    const std::string header3 = "# " + iolayer::formati(startyear, 4) + " to " + iolayer::formati(endyear, 4);
    const std::array<std::string_view, 7> header = {
        header1,
        "#                [e.g. 149 = 1490 cms]",
        header3,
        "# Fortran format: I5, I3, I2, 12F8.0",
        "INTERVAL: Daily",
        "UNITS: 10m3s",
        "#  YR  M Q       1       2       3       4       5       6       7       8"};
    const std::string code(iolayer::trimright(fcstutil::levlkcode2[at(lakeindex)]));

    std::vector<float> outdata;
    std::vector<std::size_t> cells;
    std::vector<float> values(static_cast<std::size_t>(std::clamp<std::int64_t>(numdays, 0, maxdays)));
    bool mapped = false;
    std::array<char, 10 + 8 * 8> row{};  // year, month, quarter-month, at most 8 values
    const std::size_t positions = std::min<std::size_t>(scenarios.size(), maxscen);
    for (std::size_t s = 0; s < positions; ++s) {
        const std::int32_t year = scenarios[s];
        if (year <= 0) continue;
        if (numdays > maxdays) {
            // The assembly never hands over such a span: dlyotlk cannot hold it.
            fail("RerOve_TIVORN: Outlook period of " + iolayer::formati0(numdays) + " days exceeds the limit of " +
                 iolayer::formati0(maxdays) + " days");
            return;
        }
        const std::string name = code + "DNBS_" + iolayer::formati(year, 4) + ".txt";

        const std::int32_t unit = keldautil::getfreeunitnumber();
        if (errorlevel != 0) return giveup();
        if (iolayer::createfile(unit, name, iolayer::Access::sequential) != iolayer::Status::ok) {
            fail("RerOve_TIVORN: Error opening " + name);
            return;
        }
        keldautil::filewasopened(unit);
        if (errorlevel != 0) return giveup();
        for (std::string_view line : header) {
            if (!writeline(unit, line, name)) return;
        }

        try {
            outdata.assign(static_cast<std::size_t>(numyears) * cellsperyear, fillvalue);
        } catch (const std::bad_alloc&) {
            fail("Error Allocating RAM");
            return;
        }
        if (!mapped) {
            if (!mapdays(firstday, lastday, startyear, endyear, cells)) {
                if (errorlevel == 0) fail("RerOve_TIVORN: Invalid outlook period");
                else giveup();
                return;
            }
            mapped = true;
        }
        // Tens of cubic metres per second: converted in one pass (it vectorises),
        // then placed in the grid.
        const auto& column = dlyotlk[s];
        for (std::size_t d = 0; d < cells.size(); ++d) values[d] = tcfm3(column[d]) / 10.0F;
        for (std::size_t d = 0; d < cells.size(); ++d) outdata[cells[d]] = values[d];

        for (std::int32_t y = startyear; y <= endyear; ++y) {
            const std::int32_t firstmonth = y == startyear ? startmonth : 1;
            const std::int32_t lastmonth = y == endyear ? endmonth : 12;
            for (std::int32_t month = firstmonth; month <= lastmonth; ++month) {
                const std::int32_t monthlength = keldautil::daysinmonth(month, y);
                if (errorlevel != 0) return giveup();
                for (std::int32_t q = 1; q <= 4; ++q) {
                    const std::int32_t qend = keldautil::endofqtr2(monthlength, q);
                    if (errorlevel != 0) return giveup();
                    const std::int32_t qstart = keldautil::startofqtr2(monthlength, q);
                    if (errorlevel != 0) return giveup();
                    const std::int32_t length = qend - qstart + 1;
                    const std::size_t base = cellindex(y - startyear, month, q, 1);
                    for (std::int32_t k = 1; k <= length; ++k) {
                        const float v = outdata[base + at(k)];
                        if (!(v >= lowestvalue && v <= highestvalue)) {
                            errorprocess::warn(rangewarning(y, month, q, k, v));
                        }
                    }
                    char* end = iolayer::editi(row.data(), y, 5);
                    end = iolayer::editi(end, month, 3);
                    end = iolayer::editi(end, q, 2);
                    for (std::int32_t k = 1; k <= length; ++k) end = iolayer::editf80(end, outdata[base + at(k)]);
                    if (!writeline(unit, std::string_view(row.data(), static_cast<std::size_t>(end - row.data())), name))
                        return;
                }
            }
        }

        // Pending output reaches the disk here; a full disk shows now at the latest.
        const bool closed = iolayer::closeunit(unit) == iolayer::Status::ok;
        keldautil::filewasclosed(unit);
        if (!closed) {
            fail("RerOve_TIVORN: Error writing " + name);
            return;
        }
        if (errorlevel != 0) return giveup();
    }
}

}  // namespace rerove_tivorn_subs
