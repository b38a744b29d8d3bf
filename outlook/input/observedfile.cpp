// The observed daily supply, as a CSV "date,nbs_m3s".
#include <charconv>
#include <cmath>
#include <limits>
#include <map>

#include "iolayer/iolayer.hpp"
#include "outlook/input/input.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// An empty value is a missing day.
std::optional<double> valueof(std::string_view text) {
    if (iolayer::trimright(text).empty()) return nan;
    return finitenumber(text);
}

struct dayline {
    double value = 0;
    std::size_t line = 0;
};

observedseries densify(const std::map<std::int32_t, dayline>& days) {
    observedseries out;
    if (days.empty()) return out;
    out.firstday = days.begin()->first;
    out.values.assign(static_cast<std::size_t>(days.rbegin()->first - out.firstday + 1), nan);
    for (const auto& [day, entry] : days) out.values[static_cast<std::size_t>(day - out.firstday)] = entry.value;
    return out;
}

}  // namespace

observedseries readobserved(const std::filesystem::path& file) {
    csvlines in(file);
    std::map<std::int32_t, dayline> days;
    for (std::string_view text; in.next(text);) {
        const std::size_t number = in.number();
        const auto where = [&] { return in.where(); };
        if (number == 1) {
            if (text != "date,nbs_m3s") throw readerror(where() + "the header is not 'date,nbs_m3s'");
            continue;
        }
        if (iolayer::trimright(text).empty()) continue;
        const std::size_t comma = text.find(',');
        const std::string_view date = text.substr(0, comma);
        const std::optional<std::int32_t> day = dayofisodate(date);
        if (!day) throw readerror(where() + "'" + std::string(date) + "' is not a date YYYY-MM-DD");
        const std::string_view field = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const std::optional<double> value = valueof(field);
        if (!value) throw readerror(where() + "the value '" + std::string(field) + "' is not a number");
        const auto [at, added] = days.emplace(*day, dayline{*value, number});
        if (!added)
            throw readerror(where() + std::string(date) + " is listed again (first on line " +
                            std::to_string(at->second.line) + ")");
    }
    if (in.number() == 0) throw readerror(file.string() + ": empty, not a CSV 'date,nbs_m3s'");
    return densify(days);
}

}  // namespace outlook
