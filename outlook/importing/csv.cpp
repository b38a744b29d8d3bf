// Traces as CSV: a row per scenario year, part and day, in any order. Rows that
// follow the ones before them of their year and part go straight into its trace;
// any other is kept aside and put in date order with them at the end.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>

#include "outlook/importing/importing.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t fieldcount = 6;
constexpr std::array<std::string_view, componentcount> columns = {"runoff_mm", "precip_mm", "evap_mm"};

// A row of a file out of its trace's order: its day, where it stands (line 0 for
// a row taken in order), its values.
struct csvrow {
    std::int32_t day = 0;
    std::uint32_t file = 0;
    std::uint32_t line = 0;
    scenarioday values;
};

// The trace of a year and part as its rows come: those in order from its first
// row on, and the others.
struct building {
    std::uint32_t file = 0;
    std::uint32_t line = 0;  // of its first row
    std::int32_t firstday = 0;
    std::vector<scenarioday> days;
    std::vector<csvrow> strays;
};
using buildings = std::map<std::pair<std::int32_t, std::int32_t>, building>;

// The fields of a line, false unless there are exactly six (no quoting: the
// fields are numbers, codes and dates).
bool fieldsof(std::string_view line, std::array<std::string_view, fieldcount>& fields) {
    std::size_t k = 0, from = 0;
    for (std::size_t at = 0; at < line.size(); ++at) {  // one pass: the fields are short
        if (line[at] != ',') continue;
        if (k + 1 == fieldcount) return false;
        fields[k++] = line.substr(from, at - from);
        from = at + 1;
    }
    fields[k] = line.substr(from);
    return k + 1 == fieldcount;
}

// The rows of one file, a line at a time.
class csvfile {
public:
    csvfile(const fs::path& file, std::uint32_t index)
        : name_(file.string()), bytes_(file), lines_(bytes_.view()), index_(index) {}
    bool next(std::string_view& line) {
        if (!lines_.next(line)) return false;
        if (lines_.number() == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);  // a byte-order mark
        return true;
    }
    [[nodiscard]] std::string where() const { return name_ + " line " + std::to_string(lines_.number()) + ": "; }
    [[nodiscard]] auto line() const { return static_cast<std::uint32_t>(lines_.number()); }
    [[nodiscard]] std::uint32_t index() const { return index_; }
    float cell(std::string_view text, std::size_t column) const {
        if (text.empty()) return std::numeric_limits<float>::quiet_NaN();
        const std::optional<float> v = valueof(text);
        if (!v)
            throw readerror(where() + std::string(columns[column]) + " '" + std::string(text) +
                            "' is not a finite number (an empty field is a missing day)");
        return *v;
    }

private:
    std::string name_;
    filebytes bytes_;
    textlines lines_;
    std::uint32_t index_;
};

void readrows(const fs::path& file, std::uint32_t index, std::int32_t lakeindex, buildings& all) {
    csvfile rows(file, index);
    std::string_view line;
    if (!rows.next(line) || line != importcsvheader)
        throw readerror(rows.where() + "the header is not " + std::string(importcsvheader));
    std::array<std::string_view, fieldcount> f;
    std::string_view year, part;
    building* b = nullptr;
    std::size_t longest = 0;  // days of the longest trace so far: room for the next, which is likely as long
    isodays dates;
    while (rows.next(line)) {
        if (!fieldsof(line, f)) throw readerror(rows.where() + "not six fields");
        if (b == nullptr || f[0] != year || f[1] != part) {
            const std::string where = rows.where();
            if (b != nullptr) longest = std::max(longest, b->days.size());
            b = &all[{yearof(f[0], where), partof(lakeindex, f[1], where)}];
            year = f[0];
            part = f[1];
        }
        const std::optional<std::int32_t> day = dates.of(f[2]);
        if (!day) throw readerror(rows.where() + "'" + std::string(f[2]) + "' is not a date YYYY-MM-DD");
        const scenarioday values{rows.cell(f[3], 0), rows.cell(f[4], 1), rows.cell(f[5], 2)};
        if (b->days.empty() && b->strays.empty()) {
            *b = {rows.index(), rows.line(), *day, {}, {}};
            b->days.reserve(longest);
        }
        if (*day == b->firstday + static_cast<std::int32_t>(b->days.size()))
            b->days.push_back(values);
        else
            b->strays.push_back({*day, rows.index(), rows.line(), values});
    }
}

// A trace with rows out of order put in date order: readerror for a day given
// twice or missing between its first and last.
void settle(building& b, const std::string& trace, const std::function<std::string(std::uint32_t, std::uint32_t)>& at) {
    std::vector<csvrow> rows;
    rows.reserve(b.days.size() + b.strays.size());
    for (std::size_t k = 0; k < b.days.size(); ++k)
        rows.push_back({b.firstday + static_cast<std::int32_t>(k), 0, 0, b.days[k]});
    rows.insert(rows.end(), b.strays.begin(), b.strays.end());
    std::stable_sort(rows.begin(), rows.end(), [](const csvrow& x, const csvrow& y) { return x.day < y.day; });
    for (std::size_t k = 1; k < rows.size(); ++k) {
        const std::string where = rows[k].line == 0 ? at(b.file, b.line) : at(rows[k].file, rows[k].line);
        if (rows[k].day == rows[k - 1].day)
            throw readerror(where + ": a second row of " + trace + " " + isodate(rows[k].day));
        if (rows[k].day != rows[k - 1].day + 1)
            throw readerror(where + ": " + trace + " has no row of " + isodate(rows[k - 1].day + 1) +
                            " (its days are not consecutive)");
    }
    b.firstday = rows.front().day;
    b.days.clear();
    for (const csvrow& row : rows) b.days.push_back(row.values);
}

}  // namespace

void gathercsv(std::span<const fs::path> files, tracegathering& gathering) {
    buildings all;
    for (std::size_t k = 0; k < files.size(); ++k)
        readrows(files[k], static_cast<std::uint32_t>(k), gathering.lakeindex(), all);
    const auto at = [&](std::uint32_t file, std::uint32_t line) {
        return files[file].string() + " line " + std::to_string(line);
    };
    for (auto& [key, b] : all) {
        const std::string trace = std::to_string(key.first) + " " + rerove_tivorn_subs::partcode(key.second);
        if (!b.strays.empty()) settle(b, trace, at);
        const auto days = static_cast<std::int32_t>(b.days.size());
        gathering.over(key.first, key.second, b.firstday, days, (1U << componentcount) - 1, at(b.file, b.line),
                       std::move(b.days));
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
                ((((out += lead) += dates[k]) += ',') += valuetext(d.runoff)) += ',';
                (((out += valuetext(d.precip)) += ',') += valuetext(d.evap)) += '\n';
            }
            ++trace;
        }
    }
    return out;
}

}  // namespace outlook
