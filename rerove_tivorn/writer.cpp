// Daily NBS tables: one text file per scenario year, one row per quarter-month,
// values in tens of cubic metres per second.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"
#include "rerove_tivorn/tableoutput.hpp"

namespace rerove_tivorn_subs {
namespace {

using errorprocess::errorlevel;
using tableoutput::label;
constexpr float lowestvalue = -999999.0F;
constexpr float highestvalue = 9999999.0F;
constexpr std::size_t cellsperyear = std::size_t{12} * 4 * 8;  // month, quarter-month, day of it
constexpr std::size_t fieldwidth = tabletext::fieldwidth;

// The outlook span as calendar dates.
struct spandates {
    std::int32_t firstday = 0, lastday = 0;
    std::int32_t startday = 0, startmonth = 0, startyear = 0;
    std::int32_t endmonth = 0, endyear = 0;
};

// A daily NBS (thousands of cubic feet per second) as a table value, tens of
// cubic metres per second.
inline float tablevalue(float nbs) { return tcfm3(nbs) / 10.0F; }

// tablevalue of each of the days of column into values, in a loop that
// vectorises; built for AVX2 and plain x86-64, whose divisions round alike.
[[gnu::target_clones("avx2", "default")]] void tablevalues(const float* column, std::size_t days, float* values) {
    for (std::size_t d = 0; d < days; ++d) values[d] = tablevalue(column[d]);
}

std::size_t cellindex(std::int32_t yearoffset, std::int32_t month, std::int32_t q, std::int32_t dayofq) {
    return static_cast<std::size_t>(yearoffset) * cellsperyear + at(month) * 32 + at(q) * 8 + at(dayofq);
}

// Out of line: a warning is rare, and the value loops stay tight without it.
[[gnu::cold, gnu::noinline]] std::string rangewarning(std::int32_t year, std::int32_t month, std::int32_t q,
                                                      std::int32_t dayofq, float value) {
    return " NBS value out of range for (Y-M-Q-D) " + iolayer::formatiz(year, 4) + "-" + iolayer::formatiz(month, 2) +
           "-" + iolayer::formatiz(q, 1) + "-" + iolayer::formatiz(dayofq, 1) + " = " + iolayer::formatf0(value, 1);
}

// One quarter-month of the table calendar: its row's year, month and number,
// the day sequence number of its first day and its length in days.
struct quartermonth {
    std::int32_t year = 0, month = 0, q = 0;
    std::int32_t firstseq = 0, length = 0;
};

// Hands each quarter-month of the span's months, four a month, to row. Within a
// month the days follow one another from the first day of its first
// quarter-month, and each month begins where the one before ended. False after
// a failure of the calendar (reported) or when row returns false.
template <typename Row>
bool eachquartermonth(const spandates& period, Row row) {
    std::int32_t monthstart = period.firstday - period.startday + 1;
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
                const std::int32_t first = keldautil::startofqtr2(monthlength, q);
                if (!row(quartermonth{y, month, q, monthstart + first - 1,
                                      keldautil::endofqtr2(monthlength, q) - first + 1}))
                    return false;
            }
            monthstart += monthlength;
        }
    }
    return true;
}

// The text of every table of a run but for the values of the span's days: the
// header, and in each row its year, month and quarter-month and the fill value
// of its days outside the span. Every table of a run writes the same text with
// its own values edited in; it is made with the first.
struct tablelayout {
    bool made = false;
    std::string text;
    std::vector<std::size_t> daycells;  // the grid cell of each day of the span
    std::vector<std::size_t> field;     // where the value of each day is edited in text
    std::vector<std::size_t> rowend;    // just past the line end of each day's row
};

// Appends the row of a quarter-month to the layout: the days of the span get a
// field of their own (placed counts them), the others the fill value.
void appendrow(tablelayout& layout, const spandates& period, const quartermonth& qm, std::size_t& placed) {
    constexpr auto widths = tabletext::keywidths;
    std::array<char, tabletext::keycolumns> prefix{};  // year, month, quarter-month
    const auto w = [&](std::size_t k) { return static_cast<int>(widths[k]); };
    iolayer::editi(iolayer::editi(iolayer::editi(prefix.data(), qm.year, w(0)), qm.month, w(1)), qm.q, w(2));
    layout.text.append(prefix.data(), prefix.size());
    std::array<char, fieldwidth> fill{};
    iolayer::editf80(fill.data(), outsidetablevalue);
    const std::size_t first = placed;
    for (std::int32_t k = 0; k < qm.length; ++k) {
        const std::int64_t d = static_cast<std::int64_t>(qm.firstseq) + k - period.firstday;
        if (d >= 0 && d < static_cast<std::int64_t>(layout.field.size())) {
            layout.field[static_cast<std::size_t>(d)] = layout.text.size();
            layout.daycells[static_cast<std::size_t>(d)] = cellindex(qm.year - period.startyear, qm.month, qm.q, k + 1);
            ++placed;
        }
        layout.text.append(fill.data(), fill.size());  // a day of the span is edited over it
    }
    layout.text.append("\r\n");
    std::fill(layout.rowend.begin() + static_cast<std::ptrdiff_t>(first),
              layout.rowend.begin() + static_cast<std::ptrdiff_t>(placed), layout.text.size());
}

// Makes the layout of the run's tables from the header and the span's months.
// False after a failure (reported).
bool makelayout(std::span<const std::string> header, const spandates& period, tablelayout& layout) {
    try {
        const auto days =
            static_cast<std::size_t>(std::max<std::int64_t>(spandays({period.firstday, period.lastday}), 0));
        layout.daycells.assign(days, 0);
        layout.field.assign(days, 0);
        layout.rowend.assign(days, 0);
        layout.text.clear();
        for (const std::string& line : header) layout.text.append(line).append("\r\n");
        std::size_t placed = 0;
        if (!eachquartermonth(period, [&](const quartermonth& qm) {
                appendrow(layout, period, qm, placed);
                return true;
            }))
            return false;
        if (placed != days) {
            // Every day of a span lies in one of its months; anything else is a
            // calendar failure that must not be written.
            errorprocess::raiseerrorin(label, {"RerOve_TIVORN: Invalid outlook period"});
            return false;
        }
    } catch (const std::bad_alloc&) {
        errorprocess::raiseerrorin(label, {"Error Allocating RAM"});
        return false;
    }
    layout.made = true;
    return true;
}

// What the writer keeps from one table to the next.
struct tablework {
    tablelayout layout;
    std::vector<float> values;            // the table values of the span's days
    std::vector<char> fields;             // their F8.0 fields, one after the other
    std::vector<std::size_t> outofrange;  // the days whose values are out of range
};

// Edits the values of scenario position s into the layout's text, noting the
// days whose values are out of range.
void editvalues(std::size_t s, tablework& work) {
    const std::size_t days = work.layout.field.size();
    work.values.resize(days);
    work.fields.resize(days * fieldwidth);
    // Converted and edited in passes that vectorise, then placed.
    tablevalues(dlyotlk[s].data(), days, work.values.data());
    iolayer::editf80s(work.values, work.fields.data());
    work.outofrange.clear();
    char* text = work.layout.text.data();
    for (std::size_t d = 0; d < days; ++d) {
        const float v = work.values[d];
        if (!(v >= lowestvalue && v <= highestvalue)) work.outofrange.push_back(d);
        std::memcpy(text + work.layout.field[d], work.fields.data() + d * fieldwidth, fieldwidth);
    }
}

// Warns of the values out of range in the rows that end at or before upto in
// the text, in row order, as each row is written.
void warnofrange(const tablework& work, const spandates& period, std::size_t upto) {
    for (const std::size_t d : work.outofrange) {
        if (work.layout.rowend[d] > upto) return;
        const std::size_t cell = work.layout.daycells[d];
        const auto inyear = static_cast<std::int32_t>(cell % cellsperyear);
        errorprocess::warn(rangewarning(period.startyear + static_cast<std::int32_t>(cell / cellsperyear),
                                        inyear / 32 + 1, inyear % 32 / 8 + 1, inyear % 8 + 1, work.values[d]));
    }
}

// Writes the table of scenario position s of the lake to file name. False after
// a failure (reported); the name then holds what it held before.
bool writetable(std::int32_t lakeindex, std::size_t s, const std::string& name,
                const std::array<std::string, tabletext::headerlines>& header, const spandates& period,
                tablework& work) {
    tableoutput::pendingtable table;
    if (!tableoutput::opentable(lakeindex, name, table)) return false;
    if (!work.layout.made && !makelayout(header, period, work.layout)) {
        tableoutput::discardtable(table);
        return false;
    }
    editvalues(s, work);
    std::size_t taken = 0;
    const bool written = iolayer::writelines(table.unit, work.layout.text, taken) == iolayer::Status::ok;
    warnofrange(work, period, taken);
    if (!written) {
        tableoutput::discardtable(table);
        errorprocess::raiseerrorin(label, {"RerOve_TIVORN: Error writing " + name});
        return false;
    }
    return tableoutput::committable(table);
}

// The outlook span as dates; false after a failure of the calendar (passed on).
bool periodof(std::int32_t firstday, std::int32_t lastday, spandates& period) {
    period.firstday = firstday;
    period.lastday = lastday;
    std::int32_t day = 0;
    keldautil::sequencedate(period.startday, period.startmonth, period.startyear, firstday);
    if (errorlevel == 0) keldautil::sequencedate(day, period.endmonth, period.endyear, lastday);
    if (errorlevel == 0) return true;
    errorprocess::traceback(label);
    return false;
}

}  // namespace

float missingtablevalue() { return tablevalue(missingnbs); }

std::array<std::string, tabletext::headerlines> tableheader(std::int32_t lakeindex, std::int32_t startyear,
                                                            std::int32_t endyear) {
    return {std::string(tabletext::lakelead) + tablelakename(lakeindex) + std::string(tabletext::lakeend) +
                " NET BASIN SUPPLIES (CMS*10)",
            "#                [e.g. 149 = 1490 cms]",
            "# " + iolayer::formati(startyear, 4) + " to " + iolayer::formati(endyear, 4),
            "# Fortran format: I5, I3, I2, 12F8.0",
            "INTERVAL: Daily",
            "UNITS: 10m3s",
            "#  YR  M Q       1       2       3       4       5       6       7       8"};
}

bool tablecalendar(std::int32_t firstday, std::int32_t lastday) {
    spandates period;
    tablelayout layout;
    return periodof(firstday, lastday, period) && makelayout({}, period, layout);
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
    const std::array<std::string, tabletext::headerlines> header =
        tableheader(lakeindex, period.startyear, period.endyear);
    tablework work;
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
        if (!writetable(lakeindex, s, tablefile(lakeindex, year), header, period, work)) return;
    }
}

}  // namespace rerove_tivorn_subs
