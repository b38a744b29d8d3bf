// The traces of a lake gathered from the files handed in, checked as a whole and
// written as scenario files by make_scenarios' own writer.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "make_scenarios/scenariofiles.hpp"
#include "outlook/importing/importing.hpp"
#include "outlook/output/output.hpp"

namespace outlook {
namespace {

namespace subs = rerove_tivorn_subs;

constexpr unsigned allcomponents = (1U << componentcount) - 1;
constexpr float missing = std::numeric_limits<float>::quiet_NaN();  // the tool reads it as a missing day

std::string traceof(std::int32_t year, std::int32_t part) { return std::to_string(year) + " " + subs::partcode(part); }

std::string spanof(std::int32_t firstday, std::size_t days) {
    return isodate(firstday) + " to " + isodate(firstday + static_cast<std::int32_t>(days) - 1);
}

// "runoff and evaporation": the components of a mask.
std::string componentsin(unsigned mask) {
    std::string names;
    for (std::size_t c = 0; c < componentcount; ++c) {
        if ((mask & (1U << c)) == 0) continue;
        if (!names.empty()) names += " and ";
        names += parameternames[c];
    }
    return names;
}

}  // namespace

std::string partcodes(std::int32_t lakeindex) {
    std::string list;
    for (const std::int32_t part : scenariofiles::lakeparts(lakeindex))
        list += (list.empty() ? "" : ", ") + subs::partcode(part);
    return list;
}

std::int32_t yearof(std::string_view text, std::string_view where) {
    std::int32_t year = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, year);
    if (text.empty() || ec != std::errc{} || ptr != end || year < scenariofiles::minyear ||
        year > scenariofiles::maxyear)
        throw readerror(std::string(where) + "'" + std::string(text) + "' is not a scenario year (1 to 9999)");
    return year;
}

std::int32_t partof(std::int32_t lakeindex, std::string_view code, std::string_view where) {
    const std::int32_t part = subs::partofcode(lakeindex, code);
    if (part == 0)
        throw readerror(std::string(where) + "'" + std::string(code) + "' is not a part of " +
                        subs::lakename(lakeindex) + " (" + partcodes(lakeindex) + ")");
    return part;
}

namespace {

// The value of a plain decimal text ("-12.375"), when its digits make a whole
// number below 2^24 and it has at most 10 decimals: then the number and the power
// of ten are floats as they stand, and their quotient is the correctly rounded
// float, the bits from_chars gives. nullopt for any other text.
std::optional<float> plaindecimal(std::string_view text) {
    constexpr std::array<float, 11> tens = {1e0F, 1e1F, 1e2F, 1e3F, 1e4F, 1e5F, 1e6F, 1e7F, 1e8F, 1e9F, 1e10F};
    const bool negative = !text.empty() && text.front() == '-';
    std::size_t k = negative ? 1 : 0;
    std::uint32_t digits = 0;
    std::size_t decimals = 0, seen = 0;
    bool point = false;
    for (; k < text.size(); ++k) {
        const char c = text[k];
        if (c == '.' && !point && seen > 0) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9' || digits > ((1U << 24) - 9) / 10) return std::nullopt;
        digits = digits * 10 + static_cast<std::uint32_t>(c - '0');  // at most 2^24: a float's whole number
        ++seen;
        if (point) ++decimals;
    }
    if (seen == 0 || (point && decimals == 0) || decimals >= tens.size()) return std::nullopt;
    const float v = static_cast<float>(digits) / tens[decimals];
    return negative ? -v : v;
}

}  // namespace

std::optional<float> valueof(std::string_view text) {
    if (const std::optional<float> quick = plaindecimal(text)) return quick;
    float v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc{} || ptr != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string valuetext(float value) {
    if (std::isnan(value)) return {};
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return {buffer, result.ptr};
}

tracegathering::trace& tracegathering::over(std::int32_t year, std::int32_t part, std::int32_t firstday,
                                            std::int32_t days, unsigned components, const std::string& origin,
                                            std::vector<scenarioday> given) {
    if (days > subs::maxdays)
        throw readerror(origin + ": " + traceof(year, part) + " spans " + std::to_string(days) +
                        " days, the tool takes at most " + std::to_string(subs::maxdays));
    // A trace of 20000 days takes 240 kB: more years than the tool takes are refused
    // as they come, not after a small document has made a large gathering.
    const auto next = traces_.lower_bound({year, 0});
    if ((next == traces_.end() || next->first.first != year) && ++years_ > static_cast<std::size_t>(subs::maxscen))
        throw readerror(origin + ": " + std::to_string(year) + " is scenario year " + std::to_string(years_) +
                        ", the tool takes at most " + std::to_string(subs::maxscen));
    const auto [at, made] = traces_.try_emplace({year, part});
    trace& t = at->second;
    if (made) {
        t.origin = origin;
        t.firstday = firstday;
        t.days = std::move(given);
        t.days.resize(static_cast<std::size_t>(days), {missing, missing, missing});
    } else if (t.firstday != firstday || t.days.size() != static_cast<std::size_t>(days)) {
        throw readerror(origin + ": " + traceof(year, part) + " runs from " +
                        spanof(firstday, static_cast<std::size_t>(days)) + ", in " + t.origin + " from " +
                        spanof(t.firstday, t.days.size()));
    }
    if ((t.components & components) != 0)
        throw readerror(origin + ": a second " + componentsin(t.components & components) + " of " +
                        traceof(year, part) + " (its trace begun in " + t.origin + ")");
    t.components |= components;
    return t;
}

namespace {

// The years of the traces, each once, ascending; readerror for a year without a
// trace of every part.
std::vector<std::int32_t> yearsofparts(
    const std::map<std::pair<std::int32_t, std::int32_t>, tracegathering::trace>& traces,
    std::span<const std::int32_t> parts) {
    std::vector<std::int32_t> years;
    for (const auto& [key, t] : traces) {
        if (!years.empty() && years.back() == key.first) continue;
        years.push_back(key.first);
        for (const std::int32_t part : parts) {
            if (!traces.contains({key.first, part}))
                throw readerror(t.origin + ": " + std::to_string(key.first) + " has no trace of " +
                                subs::partcode(part) + " (the tool would leave the year out)");
        }
    }
    return years;
}

}  // namespace

importedtraces tracegathering::checked(std::span<const std::filesystem::path> paths) && {
    std::string files;
    for (const auto& path : paths) files += (files.empty() ? "" : ", ") + path.string();
    importedtraces out;
    out.lakeindex = lakeindex_;
    const auto parts = scenariofiles::lakeparts(lakeindex_);
    out.parts.assign(parts.begin(), parts.end());
    for (const auto& [key, t] : traces_) {
        if (t.components != allcomponents)
            throw readerror(t.origin + ": " + traceof(key.first, key.second) + " has no " +
                            componentsin(allcomponents & ~t.components));
    }
    for (const std::int32_t part : parts) {
        const bool given =
            std::any_of(traces_.begin(), traces_.end(), [&](const auto& t) { return t.first.second == part; });
        if (!given)
            throw readerror(files + ": no traces of " + subs::partcode(part) + ", a part of " +
                            subs::lakename(lakeindex_) + " (the tool would write no table)");
    }
    out.years = yearsofparts(traces_, parts);
    const trace& first = traces_.begin()->second;
    out.firstday = first.firstday;
    out.days = static_cast<std::int32_t>(first.days.size());
    for (auto& [key, t] : traces_) {
        if (t.firstday != first.firstday || t.days.size() != first.days.size())
            throw readerror(t.origin + ": " + traceof(key.first, key.second) + " runs from " +
                            spanof(t.firstday, t.days.size()) + ", " + first.origin + " from " +
                            spanof(first.firstday, first.days.size()));
    }
    for (auto& [key, t] : traces_) out.traces.push_back(std::move(t.days));
    return out;
}

importedtraces readtraces(importformat format, std::span<const std::filesystem::path> files, std::int32_t lakeindex,
                          const pinames& names) {
    tracegathering gathering(lakeindex);
    if (format == importformat::csv)
        gathercsv(files, gathering);
    else
        gatherpixml(files, names, gathering);
    return std::move(gathering).checked(files);
}

std::string importsummary(const importedtraces& t) {
    return "Wrote " + counted(t.traces.size(), "scenario file") + " of " + subs::lakename(t.lakeindex) +
           (t.years.size() == 1 ? ", year " : ", years ") + yearruns(t.years) + ", " +
           spanof(t.firstday, static_cast<std::size_t>(t.days));
}

std::size_t writeimport(const importedtraces& t, const std::filesystem::path& dir) {
    const scenariofiles::daycalendar span = scenariofiles::makespan(t.firstday, t.days);
    std::vector<std::byte> bytes;
    std::size_t k = 0;
    for (const std::int32_t year : t.years) {
        for (const std::int32_t part : t.parts) {
            scenariofiles::tracebytes(t.traces[k++], span, bytes);
            writefile(dir / subs::scenariofile(year, part),
                      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        }
    }
    return k;
}

}  // namespace outlook
