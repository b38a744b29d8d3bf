// The daily level file reader on a file made from the input.
//
// Input: two bytes, a day offset from the first day the file's header names,
// then the file. Checked: the reader gives a level exactly when the file has
// its two header records, the day lies in their span and the day's record is
// there in full, and then the level is that record's float; otherwise it fails
// with a message and leaves the level alone.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "fuzzsupport.hpp"

namespace {

std::int32_t wordat(std::string_view file, std::size_t offset) {
    std::int32_t v = 0;
    if (offset + 4 <= file.size()) std::memcpy(&v, file.data() + offset, 4);
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::consolefile console;
    static const std::string name = (fuzzsupport::scratch() / "level.dat").string();
    fuzzsupport::inputbytes in(data, size);
    const auto offset = in.value<std::int16_t>();
    const std::string_view file = in.rest();
    fuzzsupport::writefile(name, file);

    const std::int32_t first = wordat(file, 0);
    const std::int32_t last = wordat(file, 4);
    const auto day = static_cast<std::int32_t>(static_cast<std::int64_t>(first) + offset);
    const std::int64_t record = static_cast<std::int64_t>(day) - first + 2;  // 0-based record of the day
    const bool expected =
        file.size() >= 8 && day >= first && day <= last && (record + 1) * 4 <= static_cast<std::int64_t>(file.size());

    constexpr float untouched = -12345.0F;
    float level = untouched;
    fcstutil::readlevel(name, day, level);
    const bool failed = errorprocess::errorlevel != 0;
    fuzzsupport::require(failed != expected, "readlevel fails where it should not, or reads what it should not");
    if (expected) {
        const auto want = std::bit_cast<float>(wordat(file, static_cast<std::size_t>(record) * 4));
        fuzzsupport::require(std::bit_cast<std::uint32_t>(level) == std::bit_cast<std::uint32_t>(want),
                             "readlevel gives another record's level");
    } else {
        fuzzsupport::require(level == untouched, "readlevel wrote the level of a failed read");
    }
    fuzzsupport::requirereaderend(console, failed);
    return 0;
}
