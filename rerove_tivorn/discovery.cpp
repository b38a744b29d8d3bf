// The scenario files and tables of a working directory: names, years, the years
// common to all parts, headers and the outlook span; the tool's messages that a
// check quotes.
#include "rerove_tivorn/discovery.hpp"

#include <algorithm>
#include <array>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace rerove_tivorn_subs {
namespace {
constexpr std::int32_t removedyear = 9999;
}  // namespace

std::string scenariofile(std::int32_t year, std::int32_t part) {
    return "REROVE" + iolayer::formati(year, 4) + "." + fcstutil::lakename3[at(part)];
}

std::string scenariopattern(std::int32_t part) { return "REROVE????." + fcstutil::lakename3[at(part)]; }

std::optional<std::int32_t> scenarioyear(std::string_view listedname) {
    // The year stands in characters 7 to 10 of the first 15, leading blanks removed.
    const std::string name(iolayer::trimleft(iolayer::padded(listedname, 15)));
    std::int32_t year = 0;
    if (!iolayer::readint(iolayer::columns(name, 7, 10), year)) return std::nullopt;
    return year;
}

std::vector<std::int32_t> commonyears(std::span<const std::vector<std::int32_t>> lists) {
    std::vector<std::vector<std::int32_t>> marked(lists.begin(), lists.end());
    // A year missing from any part becomes the removal mark in every part that
    // has it; the lists are judged as they stand at each step.
    for (auto& list : marked) {
        for (auto& y : list) {
            const std::int32_t year = y;
            for (const auto& other : marked) {
                if (std::find(other.begin(), other.end(), year) == other.end()) y = removedyear;
            }
        }
    }
    if (marked.empty()) return {};
    std::vector<std::int32_t>& first = marked.front();
    std::sort(first.begin(), first.end());
    first.erase(std::find_if(first.begin(), first.end(), [](std::int32_t y) { return y > removedyear - 1; }),
                first.end());
    return first;
}

HeaderStatus openscenario(std::int32_t unit, std::string_view name, DayRange& days) {
    if (iolayer::openexisting(unit, name, iolayer::Access::direct, iolayer::Action::read, scenariorecordlength) !=
        iolayer::Status::ok) {
        return HeaderStatus::notopened;
    }
    std::array<std::byte, scenariorecordlength> rec{};
    if (iolayer::readrecord(unit, 1, rec) != iolayer::Status::ok) {
        (void)iolayer::closeunit(unit);  // read-only; the caller reports the unread header
        return HeaderStatus::notread;
    }
    days = decodeheader(rec.data());
    return HeaderStatus::ok;
}

DayRange widenspan(DayRange span, DayRange file) {
    return {std::min(span.first, file.first), std::max(span.last, file.last)};
}

DayRange outlookspan(std::span<const DayRange> headers) {
    DayRange span;
    keldautil::datesequence(31, 12, 2999, span.first);
    keldautil::datesequence(1, 1, 999, span.last);
    for (const DayRange& days : headers) span = widenspan(span, days);
    return span;
}

std::int64_t spandays(DayRange span) { return static_cast<std::int64_t>(span.last) - span.first + 1; }

std::string tablefile(std::int32_t lakeindex, std::int32_t year) {
    return std::string(iolayer::trimright(fcstutil::levlkcode2[at(lakeindex)])) + "DNBS_" + iolayer::formati(year, 4) +
           ".txt";
}

std::string tablepattern(std::int32_t lakeindex) {
    return std::string(iolayer::trimright(fcstutil::levlkcode2[at(lakeindex)])) + "DNBS_????.txt";
}

std::string tabletemporary(std::string_view table, std::int64_t pid) {
    const std::string_view stem = table.ends_with(".txt") ? table.substr(0, table.size() - 4) : table;
    return std::string(stem) + "." + iolayer::formati0(pid) + ".tmp";
}

std::string temporarypattern(std::int32_t lakeindex) {
    return std::string(iolayer::trimright(fcstutil::levlkcode2[at(lakeindex)])) + "DNBS_????.*.tmp";
}

namespace messages {

std::string invalidlakecode(std::string_view code) {
    return "Invalid lake code: " + std::string(iolayer::trimright(code));
}
std::string erroropening(std::string_view name) { return "Rerove_TIVORN: Error opening " + std::string(name); }
std::string errorreading(std::string_view name) { return "Rerove_TIVORN: Error reading " + std::string(name); }
std::string invaliddataperiod(std::string_view name) {
    return "Rerove_TIVORN: Invalid data period in " + std::string(name);
}
std::string inconsistentstart(std::string_view name) {
    return "Error!! " + std::string(name) + " inconsistent forecast start date";
}
std::string spantoolong(std::int64_t days) {
    return "Rerove_TIVORN: Outlook period of " + iolayer::formati0(days) + " days exceeds the limit of " +
           iolayer::formati0(maxdays) + " days";
}

}  // namespace messages

}  // namespace rerove_tivorn_subs
