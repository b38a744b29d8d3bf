// The periods of an outlook: quarter-months, months or the whole of it.
#include <algorithm>

#include "keldautil/keldautil.hpp"
#include "outlook/model/model.hpp"

namespace outlook {

std::optional<periodkind> periodofname(std::string_view name) {
    constexpr std::array<std::string_view, 3> names = {"quarter-month", "month", "outlook"};
    return valueofname<periodkind>(name, names);
}

std::vector<period> periodsof(periodkind kind, std::int32_t firstday, std::int32_t lastday) {
    std::vector<period> periods;
    if (kind == periodkind::outlook) {
        periods.push_back({firstday, lastday});
        return periods;
    }
    for (std::int32_t start = firstday; start <= lastday;) {
        std::int32_t end = start;
        const bool moved =
            kind == periodkind::month ? keldautil::adjusttoendofmonth(end) : keldautil::adjusttoendofqtrmonth(end);
        if (!moved || end < start) end = lastday;  // outside the calendar's years: one period for the rest
        end = std::min(end, lastday);
        periods.push_back({start, end});
        start = end + 1;
    }
    return periods;
}

std::optional<std::size_t> periodholding(std::span<const period> periods, std::int32_t day) {
    const auto found = std::lower_bound(periods.begin(), periods.end(), day,
                                        [](const period& p, std::int32_t d) { return p.last < d; });
    if (found == periods.end() || found->first > day) return std::nullopt;
    return static_cast<std::size_t>(found - periods.begin());
}

}  // namespace outlook
