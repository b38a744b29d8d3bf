// The observed daily supply, as a CSV "date,nbs_m3s", and its period values.
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>

#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/outlook.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

bool readpart(std::string_view text, std::int32_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Day sequence number of YYYY-MM-DD, years 1 to 2999; nullopt for anything else.
std::optional<std::int32_t> dayofdate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    std::int32_t year = 0, month = 0, day = 0;
    if (!readpart(text.substr(0, 4), year) || !readpart(text.substr(5, 2), month) || !readpart(text.substr(8, 2), day))
        return std::nullopt;
    if (year < 1 || year > 2999 || month < 1 || month > 12 || day < 1 || day > keldautil::daysinmonth(month, year))
        return std::nullopt;
    std::int32_t seq = 0;
    keldautil::datesequence(day, month, year, seq);
    return seq;
}

// An empty value is a missing day.
std::optional<double> valueof(std::string_view text) {
    if (iolayer::trimright(text).empty()) return nan;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
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
    std::ifstream in(file, std::ios::binary);
    if (!in) throw readerror(file.string() + ": cannot be opened");
    std::map<std::int32_t, dayline> days;
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto where = [&] { return file.string() + " line " + std::to_string(number) + ": "; };
        std::string_view text(line);
        if (number == 1) {
            if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark
            if (text != "date,nbs_m3s") throw readerror(where() + "the header is not 'date,nbs_m3s'");
            continue;
        }
        if (iolayer::trimright(text).empty()) continue;
        const std::size_t comma = text.find(',');
        const std::string_view date = text.substr(0, comma);
        const std::optional<std::int32_t> day = dayofdate(date);
        if (!day) throw readerror(where() + "'" + std::string(date) + "' is not a date YYYY-MM-DD");
        const std::string_view field = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const std::optional<double> value = valueof(field);
        if (!value) throw readerror(where() + "the value '" + std::string(field) + "' is not a number");
        const auto [at, added] = days.emplace(*day, dayline{*value, number});
        if (!added)
            throw readerror(where() + std::string(date) + " is listed again (first on line " +
                            std::to_string(at->second.line) + ")");
    }
    if (number == 0) throw readerror(file.string() + ": empty, not a CSV 'date,nbs_m3s'");
    if (in.bad()) throw readerror(file.string() + ": cannot be read");
    return densify(days);
}

std::vector<double> observedvalues(const observedseries& observed, const ensemble& e, std::span<const period> periods,
                                   periodstat stat) {
    // The observation as one more scenario of the outlook, so that its period
    // values follow every rule the scenarios' do.
    ensemble one;
    one.lake = e.lake;
    one.lakeindex = e.lakeindex;
    one.firstday = e.firstday;
    one.lastday = e.lastday;
    one.years = {0};
    one.values.assign(1, std::vector<double>(static_cast<std::size_t>(e.lastday - e.firstday + 1), nan));
    for (std::int32_t day = e.firstday; day <= e.lastday; ++day) {
        const std::int32_t at = day - observed.firstday;
        if (at >= 0 && static_cast<std::size_t>(at) < observed.values.size())
            one.values[0][static_cast<std::size_t>(day - e.firstday)] = observed.values[static_cast<std::size_t>(at)];
    }
    return periodvalues(one, periods, stat)[0];
}

}  // namespace outlook
