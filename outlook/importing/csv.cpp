// Traces as CSV: a row per scenario year, part and day, in any order, gathered
// by year and part and then put in date order.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "outlook/importing/importing.hpp"
#include "outlook/input/input.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t fieldcount = 6;
constexpr std::array<std::string_view, componentcount> columns = {"runoff_mm", "precip_mm", "evap_mm"};

// A row of a file: its day, where it stands, its values.
struct csvrow {
    std::int32_t day = 0;
    std::uint32_t file = 0;
    std::uint32_t line = 0;
    scenarioday values;
};
using rowgroups = std::map<std::pair<std::int32_t, std::int32_t>, std::vector<csvrow>>;

// The fields of a line, false unless there are exactly six (no quoting: the
// fields are numbers, codes and dates).
bool fieldsof(std::string_view line, std::array<std::string_view, fieldcount>& fields) {
    std::size_t from = 0;
    for (std::size_t k = 0; k < fieldcount; ++k) {
        const std::size_t comma = line.find(',', from);
        if ((comma == std::string_view::npos) != (k + 1 == fieldcount)) return false;
        fields[k] = line.substr(from, std::min(comma, line.size()) - from);
        from = comma + 1;
    }
    return true;
}

float cellof(std::string_view text, std::size_t column, const csvlines& lines) {
    if (text.empty()) return std::numeric_limits<float>::quiet_NaN();
    const std::optional<float> v = valueof(text);
    if (!v)
        throw readerror(lines.where() + std::string(columns[column]) + " '" + std::string(text) +
                        "' is not a finite number (an empty field is a missing day)");
    return *v;
}

// The rows of one file into their groups. Consecutive rows of one year and part
// find their group once.
void readrows(const fs::path& file, std::uint32_t index, std::int32_t lakeindex, rowgroups& groups) {
    csvlines lines(file);
    std::string_view line;
    if (!lines.next(line) || line != importcsvheader)
        throw readerror(lines.where() + "the header is not " + std::string(importcsvheader));
    std::array<std::string_view, fieldcount> f;
    std::string_view year, part;
    std::vector<csvrow>* group = nullptr;
    while (lines.next(line)) {
        if (!fieldsof(line, f)) throw readerror(lines.where() + "not six fields");
        if (group == nullptr || f[0] != year || f[1] != part) {
            const std::string where = lines.where();
            group = &groups[{yearof(f[0], where), partof(lakeindex, f[1], where)}];
            year = f[0];
            part = f[1];
        }
        const std::optional<std::int32_t> day = dayofisodate(f[2]);
        if (!day) throw readerror(lines.where() + "'" + std::string(f[2]) + "' is not a date YYYY-MM-DD");
        group->push_back({*day,
                          index,
                          static_cast<std::uint32_t>(lines.number()),
                          {cellof(f[3], 0, lines), cellof(f[4], 1, lines), cellof(f[5], 2, lines)}});
    }
}

}  // namespace

void gathercsv(std::span<const fs::path> files, tracegathering& gathering) {
    rowgroups groups;
    for (std::size_t k = 0; k < files.size(); ++k)
        readrows(files[k], static_cast<std::uint32_t>(k), gathering.lakeindex(), groups);
    const auto origin = [&](const csvrow& row) {
        return files[row.file].string() + " line " + std::to_string(row.line);
    };
    const auto before = [](const csvrow& a, const csvrow& b) {
        return std::tie(a.day, a.file, a.line) < std::tie(b.day, b.file, b.line);
    };
    for (auto& [key, rows] : groups) {
        if (!std::is_sorted(rows.begin(), rows.end(), before)) std::sort(rows.begin(), rows.end(), before);
        const std::string trace = std::to_string(key.first) + " " + rerove_tivorn_subs::partcode(key.second);
        for (std::size_t k = 1; k < rows.size(); ++k) {
            if (rows[k].day == rows[k - 1].day)
                throw readerror(origin(rows[k]) + ": a second row of " + trace + " " + isodate(rows[k].day) +
                                " (the first at " + origin(rows[k - 1]) + ")");
            if (rows[k].day != rows[k - 1].day + 1)
                throw readerror(origin(rows[k]) + ": " + trace + " has no row of " + isodate(rows[k - 1].day + 1) +
                                " (its days are not consecutive)");
        }
        auto& t = gathering.over(key.first, key.second, rows.front().day, static_cast<std::int32_t>(rows.size()),
                                 (1U << componentcount) - 1, origin(rows.front()));
        for (std::size_t k = 0; k < rows.size(); ++k) t.days[k] = rows[k].values;
        std::vector<csvrow>().swap(rows);
    }
}

std::string importcsvtext(const importedtraces& t) {
    std::string out(importcsvheader);
    out += '\n';
    std::vector<std::string> dates;
    for (std::int32_t k = 0; k < t.days; ++k) dates.push_back(isodate(t.firstday + k));
    std::size_t trace = 0;
    for (const std::int32_t year : t.years) {
        for (const std::int32_t part : t.parts) {
            const std::string lead = std::to_string(year) + "," + rerove_tivorn_subs::partcode(part) + ",";
            for (std::size_t k = 0; k < dates.size(); ++k) {
                const scenarioday& d = t.traces[trace][k];
                out += lead + dates[k] + "," + shortest(d.runoff) + "," + shortest(d.precip) + "," + shortest(d.evap) +
                       "\n";
            }
            ++trace;
        }
    }
    return out;
}

}  // namespace outlook
