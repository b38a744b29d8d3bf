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

constexpr std::string_view label = "WrtTIVORN_Otlk_Daily";
constexpr float lowestvalue = -999999.0F;
constexpr float highestvalue = 9999999.0F;
constexpr std::size_t cellsperyear = std::size_t{12} * 4 * 8;  // month, quarter-month, day of it

// The outlook span as calendar dates.
struct spandates {
    std::int32_t firstday = 0, lastday = 0;
    std::int32_t startmonth = 0, startyear = 0;
    std::int32_t endmonth = 0, endyear = 0;
};

// A daily NBS (thousands of cubic feet per second) as a table value, tens of
// cubic metres per second.
inline float tablevalue(float nbs) { return tcfm3(nbs) / 10.0F; }

std::size_t cellindex(std::int32_t yearoffset, std::int32_t month, std::int32_t q, std::int32_t dayofq) {
    return static_cast<std::size_t>(yearoffset) * cellsperyear + at(month) * 32 + at(q) * 8 + at(dayofq);
}

// The seven header lines of a table of the lake.
std::array<std::string, 7> headerlines(std::int32_t lakeindex, const spandates& period) {
    return {"# LAKE " + fcstutil::levlkname10[at(lakeindex)].substr(0, 8) + " DAILY NET BASIN SUPPLIES (CMS*10)",
            "#                [e.g. 149 = 1490 cms]",
            "# " + iolayer::formati(period.startyear, 4) + " to " + iolayer::formati(period.endyear, 4),
            "# Fortran format: I5, I3, I2, 12F8.0",
            "INTERVAL: Daily",
            "UNITS: 10m3s",
            "#  YR  M Q       1       2       3       4       5       6       7       8"};
}

// The cell of every day of the span. The calendar walk is the same for every
// scenario, so it is made once, while the first table is written. False after a
// failure of the calendar (already reported).
bool mapdays(const spandates& period, std::vector<std::size_t>& cells) {
    cells.clear();
    for (std::int32_t seq = period.firstday; seq <= period.lastday; ++seq) {
        std::int32_t day = 0, month = 0, year = 0;
        keldautil::sequencedate(day, month, year, seq);
        if (errorlevel != 0) return false;
        const std::int32_t q = keldautil::qtrmonnumber(day, month, year);
        if (errorlevel != 0) return false;
        const std::int32_t dq = keldautil::dayofqtrmon(day, month, year);
        if (errorlevel != 0) return false;
        // Days inside the span always land inside the grid; anything else is a
        // calendar failure that must not be stored.
        if (year < period.startyear || year > period.endyear || month < 1 || month > 12 || q < 1 || q > 4 || dq < 1 ||
            dq > 8) {
            return false;
        }
        cells.push_back(cellindex(year - period.startyear, month, q, dq));
    }
    return true;
}

// Out of line: a warning is rare, and the row loop stays tight without it.
[[gnu::cold, gnu::noinline]] std::string rangewarning(std::int32_t year, std::int32_t month, std::int32_t q,
                                                      std::int32_t dayofq, float value) {
    return " NBS value out of range for (Y-M-Q-D) " + iolayer::formatiz(year, 4) + "-" + iolayer::formatiz(month, 2) +
           "-" + iolayer::formatiz(q, 1) + "-" + iolayer::formatiz(dayofq, 1) + " = " + iolayer::formatf0(value, 1);
}

// One table file being written: its unit and name, the span's grid of cells.
struct openedtable {
    std::int32_t unit = 0;
    std::string name;
    const std::vector<float>& cells;
};

bool writeline(const openedtable& table, std::string_view text) {
    if (iolayer::writeline(table.unit, text) == iolayer::Status::ok) return true;
    errorprocess::raiseerrorin(label, {"RerOve_TIVORN: Error writing " + table.name});
    return false;
}

// Writes the row of quarter-month q of a month: its days from cell base on,
// warning of each value out of range first. False after a failure (reported).
bool writerow(const openedtable& table, std::int32_t year, std::int32_t month, std::int32_t q, std::int32_t length,
              std::size_t base) {
    for (std::int32_t k = 1; k <= length; ++k) {
        const float v = table.cells[base + at(k)];
        if (!(v >= lowestvalue && v <= highestvalue)) errorprocess::warn(rangewarning(year, month, q, k, v));
    }
    std::array<char, 10 + 8 * 8> row{};  // year, month, quarter-month, at most 8 values
    char* end = iolayer::editi(row.data(), year, 5);
    end = iolayer::editi(end, month, 3);
    end = iolayer::editi(end, q, 2);
    for (std::int32_t k = 1; k <= length; ++k) end = iolayer::editf80(end, table.cells[base + at(k)]);
    return writeline(table, std::string_view(row.data(), static_cast<std::size_t>(end - row.data())));
}

// Hands each quarter-month of the span's months, four a month, to row with its
// year, month, number and length in days. False after a failure of the calendar
// (reported) or when row returns false.
template <typename Row>
bool eachquartermonth(const spandates& period, Row row) {
    for (std::int32_t y = period.startyear; y <= period.endyear; ++y) {
        const std::int32_t firstmonth = y == period.startyear ? period.startmonth : 1;
        const std::int32_t lastmonth = y == period.endyear ? period.endmonth : 12;
        for (std::int32_t month = firstmonth; month <= lastmonth; ++month) {
            const std::int32_t monthlength = keldautil::daysinmonth(month, y);
            if (errorlevel != 0) {
                errorprocess::traceback(label);
                return false;
            }
            // A month length of the calendar always splits into quarter-months.
            for (std::int32_t q = 1; q <= 4; ++q) {
                const std::int32_t length =
                    keldautil::endofqtr2(monthlength, q) - keldautil::startofqtr2(monthlength, q) + 1;
                if (!row(y, month, q, length)) return false;
            }
        }
    }
    return true;
}

// Writes the rows of the span's months, four quarter-months each. False after a
// failure (reported).
bool writerows(const openedtable& table, const spandates& period) {
    return eachquartermonth(period, [&](std::int32_t y, std::int32_t month, std::int32_t q, std::int32_t length) {
        return writerow(table, y, month, q, length, cellindex(y - period.startyear, month, q, 1));
    });
}

// The grid of one table, and what is kept from one table to the next.
struct tablegrid {
    std::size_t years = 0;
    std::vector<float> cells;
    std::vector<std::size_t> daycells;  // empty until the days are mapped
    std::vector<float> values;
};

// The cell of every day of the span, as mapdays; a failure is reported.
bool placedays(const spandates& period, std::vector<std::size_t>& cells) {
    if (mapdays(period, cells)) return true;
    if (errorlevel == 0)
        errorprocess::raiseerrorin(label, {"RerOve_TIVORN: Invalid outlook period"});
    else
        errorprocess::traceback(label);
    return false;
}

// Places the span's values of scenario position s (tens of cubic metres per
// second) in a fresh grid, mapping the days to cells on first use. False after a
// failure (reported).
bool fillgrid(std::size_t s, const spandates& period, tablegrid& grid) {
    try {
        grid.cells.assign(grid.years * cellsperyear, outsidetablevalue);
    } catch (const std::bad_alloc&) {
        errorprocess::raiseerrorin(label, {"Error Allocating RAM"});
        return false;
    }
    if (grid.daycells.empty() && !placedays(period, grid.daycells)) return false;
    // Converted in one pass (it vectorises), then placed in the grid.
    const auto& column = dlyotlk[s];
    for (std::size_t d = 0; d < grid.daycells.size(); ++d) grid.values[d] = tablevalue(column[d]);
    for (std::size_t d = 0; d < grid.daycells.size(); ++d) grid.cells[grid.daycells[d]] = grid.values[d];
    return true;
}

// Writes the table of scenario position s to file name on a registered unit,
// closed and unregistered at the end. False after a failure (reported). The
// table is created, so it is opened and registered here rather than through
// openregistered, which opens existing files for reading.
bool writetable(std::size_t s, const std::string& name, const std::array<std::string, 7>& header,
                const spandates& period, tablegrid& grid) {
    const std::int32_t unit = keldautil::getfreeunitnumber();
    if (errorlevel == 0 && iolayer::createfile(unit, name, iolayer::Access::sequential) != iolayer::Status::ok) {
        errorprocess::raiseerrorin(label, {"RerOve_TIVORN: Error opening " + name});
        return false;
    }
    if (errorlevel == 0) (void)keldautil::filewasopened(unit);  // its failure is raised there
    if (errorlevel != 0) {
        errorprocess::traceback(label);
        return false;
    }
    const openedtable table{unit, name, grid.cells};
    for (const std::string& line : header) {
        if (!writeline(table, line)) return false;
    }
    if (!fillgrid(s, period, grid) || !writerows(table, period)) return false;
    // Pending output reaches the disk here; a full disk shows now at the latest.
    const bool closed = iolayer::closeunit(unit) == iolayer::Status::ok;
    (void)keldautil::filewasclosed(unit);  // registered above
    if (!closed) {
        errorprocess::raiseerrorin(label, {"RerOve_TIVORN: Error writing " + name});
        return false;
    }
    return true;
}

// The outlook span as dates; false after a failure of the calendar (passed on).
bool periodof(std::int32_t firstday, std::int32_t lastday, spandates& period) {
    period.firstday = firstday;
    period.lastday = lastday;
    std::int32_t day = 0;
    keldautil::sequencedate(day, period.startmonth, period.startyear, firstday);
    if (errorlevel == 0) keldautil::sequencedate(day, period.endmonth, period.endyear, lastday);
    if (errorlevel == 0) return true;
    errorprocess::traceback(label);
    return false;
}

}  // namespace

float missingtablevalue() { return tablevalue(missingnbs); }

bool tablecalendar(std::int32_t firstday, std::int32_t lastday) {
    spandates period;
    std::vector<std::size_t> cells;
    return periodof(firstday, lastday, period) && placedays(period, cells) &&
           eachquartermonth(period, [](std::int32_t, std::int32_t, std::int32_t, std::int32_t) { return true; });
}

void wrttivorn_otlk_daily(std::int32_t lakeindex, std::int32_t firstday, std::int32_t lastday,
                          std::span<const std::int32_t> scenarios) {
    if (lakeindex < 1 || lakeindex > fcstutil::numlevellakes) {
        errorprocess::raiseerrorin(label, {"Internal error in lake designator (WrtTIVORN_Otlk_Daily)!"});
        return;
    }
    spandates period;
    if (!periodof(firstday, lastday, period)) return;
    const std::int64_t numdays = static_cast<std::int64_t>(lastday) - firstday + 1;
    const std::array<std::string, 7> header = headerlines(lakeindex, period);
    tablegrid grid;
    grid.years = static_cast<std::size_t>(
        std::max<std::int64_t>(static_cast<std::int64_t>(period.endyear) - period.startyear + 1, 0));
    grid.values.resize(static_cast<std::size_t>(std::clamp<std::int64_t>(numdays, 0, maxdays)));
    const std::size_t positions = std::min<std::size_t>(scenarios.size(), maxscen);
    for (std::size_t s = 0; s < positions; ++s) {
        const std::int32_t year = scenarios[s];
        if (year <= 0) continue;
        if (numdays > maxdays) {
            // The assembly never hands over such a span: dlyotlk cannot hold it.
            errorprocess::raiseerrorin(label, {"RerOve_TIVORN: Outlook period of " + iolayer::formati0(numdays) +
                                               " days exceeds the limit of " + iolayer::formati0(maxdays) + " days"});
            return;
        }
        if (!writetable(s, tablefile(lakeindex, year), header, period, grid)) return;
    }
}

}  // namespace rerove_tivorn_subs
