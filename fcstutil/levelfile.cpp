// Daily level file: raw little-endian 4-byte records. Record 1 is the first day
// of the span, record 2 the last (day sequence numbers), record 3 + k the level
// of first day + k as a 32-bit float, in the unit its writer chose.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace fcstutil {
namespace {

constexpr std::int32_t recordlength = 4;
constexpr std::int64_t firstlevelrecord = 3;

// The four bytes of record n, as an unsigned little-endian number.
bool readword(std::int32_t unit, std::int64_t n, std::uint32_t& word) {
    if (n < 1 || n > std::numeric_limits<std::int32_t>::max()) return false;
    std::array<std::byte, recordlength> record{};
    if (iolayer::readrecord(unit, static_cast<std::int32_t>(n), record) != iolayer::Status::ok) return false;
    word = 0;
    for (std::size_t i = record.size(); i-- > 0;) word = (word << 8) | std::to_integer<std::uint32_t>(record[i]);
    return true;
}

}  // namespace

void readlevel(std::string_view filename, std::int32_t day, float& level) {
    const std::string shown(iolayer::trimright(filename));
    const std::int32_t unit =
        keldautil::openregistered(filename, iolayer::Access::direct, recordlength, "Error opening file " + shown);
    if (unit < 0) return;

    const std::string readerror = "Error reading file " + shown;
    std::uint32_t firstword = 0;
    std::uint32_t lastword = 0;
    if (!readword(unit, 1, firstword) || !readword(unit, 2, lastword)) {
        errorprocess::raiseerror(readerror);
        return;
    }
    const auto first = std::bit_cast<std::int32_t>(firstword);
    const auto last = std::bit_cast<std::int32_t>(lastword);
    if (day < first || day > last) {
        errorprocess::raiseerror("Requested daily lake level is out of the range of the file " + shown);
        return;
    }
    // 64 bits: a span from a header of garbage may run past 32-bit record numbers.
    std::uint32_t levelword = 0;
    if (!readword(unit, static_cast<std::int64_t>(day) - first + firstlevelrecord, levelword)) {
        errorprocess::raiseerror(readerror);
        return;
    }

    keldautil::closeregistered(unit);
    level = std::bit_cast<float>(levelword);
}

}  // namespace fcstutil
