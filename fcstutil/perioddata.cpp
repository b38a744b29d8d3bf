// Period data files: text tables of values by year and period (day of a
// quarter-month, quarter-month, month), each row a few integer key fields and
// then up to twelve 8-column values. One value is looked up per call.
#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace fcstutil {
namespace {

constexpr std::size_t linelength = 200;  // longer lines are cut
constexpr std::size_t valuewidth = 8;
constexpr std::size_t valuesperrow = 12;

// Key fields from column 1; the values follow them.
constexpr std::array<std::size_t, 3> dailykey = {4, 2, 2};  // year, month, quarter-month
constexpr std::array<std::size_t, 2> qtrkey = {4, 2};       // year, quarter-month
constexpr std::array<std::size_t, 1> monthkey = {4};        // year

// The value at position (1 to 12) of the first row whose key fields are key.
// Lines that do not read as rows of the layout are skipped.
void lookup(std::string_view filename, std::span<const std::size_t> keywidths, std::span<const std::int32_t> key,
            std::int32_t position, float& value) {
    const std::string shown(iolayer::trimright(filename));
    const std::int32_t unit =
        keldautil::openregistered(filename, iolayer::Access::sequential, 0, "Error opening file " + shown);
    if (unit < 0) return;

    std::size_t firstvalue = 1;
    for (const std::size_t w : keywidths) firstvalue += w;
    const bool inrow = position >= 1 && position <= static_cast<std::int32_t>(valuesperrow);

    bool found = false;
    float result = 0.0F;
    std::array<std::int32_t, dailykey.size()> rowkey{};
    std::array<float, valuesperrow> values{};
    std::string line;
    // The end of the file, or a read that fails, ends the scan; so does the line
    // after the row found.
    while (iolayer::readline(unit, line) == iolayer::Status::ok && !found) {
        const std::string_view row = std::string_view(line).substr(0, std::min(line.size(), linelength));
        if (!iolayer::readints(row, 1, keywidths, rowkey)) continue;
        if (!std::equal(key.begin(), key.end(), rowkey.begin())) continue;
        if (!iolayer::readreals(row, firstvalue, valuewidth, 0, values)) continue;
        if (!inrow) continue;
        found = true;
        result = values[static_cast<std::size_t>(position - 1)];
    }

    keldautil::closeregistered(unit);
    if (!found) {
        errorprocess::raiseerror("Unable to find requested value in " + shown);
        return;
    }
    value = result;
}

}  // namespace

void readtivday(std::string_view filename, std::int32_t day, std::int32_t month, std::int32_t year, float& value) {
    const std::int32_t qtr = keldautil::qtrmonnumber(day, month, year);
    const std::int32_t position = keldautil::dayofqtrmon(day, month, year);
    // Not a date of the calendar (reported by dayofqtrmon), or the calendar gave
    // up under a failure pending from before: nothing to look up.
    if (qtr < 1 || day < 1) return;
    const std::array<std::int32_t, 3> key = {year, month, qtr};
    lookup(filename, dailykey, key, position, value);
}

void readtivqtr(std::string_view filename, std::int32_t qtr, std::int32_t month, std::int32_t year, float& value) {
    const std::array<std::int32_t, 2> key = {year, qtr};
    lookup(filename, qtrkey, key, month, value);
}

void readtivmon(std::string_view filename, std::int32_t month, std::int32_t year, float& value) {
    const std::array<std::int32_t, 1> key = {year};
    lookup(filename, monthkey, key, month, value);
}

}  // namespace fcstutil
