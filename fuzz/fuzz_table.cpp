// The companion's table parser (outlook::parsetable) on any text.
//
// Checked: it gives a table or throws a readerror that names the table, never
// another exception; it prints nothing and leaves the error state clear. A
// table it gives maps back to days that agree with its rows: every field of a
// row is a day of its quarter-month, -99999. exactly on the days outside the
// outlook, and every other field the day's value (m3/s: ten times the field,
// NaN for -28317. or a field that does not read); the outlook holds no other
// day.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzzsupport.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/input/input.hpp"
#include "rerove_tivorn/discovery.hpp"

namespace {

using fuzzsupport::require;
namespace subs = rerove_tivorn_subs;

constexpr std::string_view name = "mhDNBS_1950.txt";
constexpr std::size_t headerlines = 7;

// The value a field stands for in a table read back; false for a day outside
// the outlook.
bool fieldvalue(std::string_view field, double& value) {
    float v = 0;
    const bool readable = iolayer::readreal(field, 0, v) && std::isfinite(v);
    if (readable && v == subs::outsidetablevalue) return false;
    const bool missing = !readable || v == std::round(subs::missingtablevalue());
    value = missing ? std::nan("") : static_cast<double>(v) * 10.0;
    return true;
}

bool same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

// Checks the fields of one row against the table; gives the outlook's days it holds.
std::size_t checkrow(std::string_view line, const outlook::table& t) {
    constexpr std::array<std::size_t, 3> widths = {5, 3, 2};
    std::array<std::int32_t, 3> key{};
    require(iolayer::readints(line, 1, widths, key), "an accepted row without its key", std::string(line));
    const std::int32_t length = keldautil::daysinqtrmon(key[2], key[1], key[0]);
    const std::int32_t first = keldautil::sequencefromymqd(key[0], key[1], key[2], 1);
    require(length >= 7 && length <= 8 && first > 0, "an accepted row of no quarter-month", std::string(line));
    std::size_t inside = 0;
    for (std::int32_t k = 0; k < length; ++k) {
        const std::int32_t day = first + k;
        const bool inoutlook = day >= t.firstday && day <= t.lastday;
        double value = 0;
        const bool holdsday = fieldvalue(
            iolayer::columns(line, 11 + 8 * static_cast<std::size_t>(k), 18 + 8 * static_cast<std::size_t>(k)), value);
        require(holdsday == inoutlook, "a field outside the outlook, or -99999. inside it", std::string(line));
        if (!inoutlook) continue;
        ++inside;
        require(same(value, t.values[static_cast<std::size_t>(day - t.firstday)]), "a day's value is not its field's",
                std::string(line));
    }
    return inside;
}

void checktable(std::string_view text, const outlook::table& t) {
    require(t.firstday <= t.lastday && t.values.size() == static_cast<std::size_t>(t.lastday - t.firstday) + 1,
            "the values do not cover the outlook's days");
    std::size_t line = 0;
    std::size_t covered = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        std::string_view row = text.substr(pos, end - pos);
        if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
        pos = end + 1;
        if (++line <= headerlines || iolayer::trimright(row).empty()) continue;
        covered += checkrow(row, t);
    }
    require(covered == t.values.size(), "the outlook holds days that no row gives");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::consolefile console;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)fuzzsupport::companionreads<outlook::readerror>(console, name,
                                                          [&] { checktable(text, outlook::parsetable(text, name)); });
    return 0;
}
