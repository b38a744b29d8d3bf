// The period data readers (day, quarter-month and month rows) on a file made
// from the input.
//
// Input: day, month and quarter-month bytes and a year offset from 1900, then
// the file. Checked: each lookup either gives a value or fails with a message,
// and leaves the value alone when it fails; a value it gives is one that a
// field of the file reads as.
#include <cstdint>
#include <string_view>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "fuzzsupport.hpp"

namespace {

constexpr float untouched = -12345.0F;

void requireoutcome(fuzzsupport::consolefile& console, float value) {
    const bool failed = errorprocess::errorlevel != 0;
    if (failed) fuzzsupport::require(value == untouched, "a failed lookup wrote its value");
    fuzzsupport::requirereaderend(console, failed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::consolefile console;
    static const std::string name = (fuzzsupport::scratch() / "period.txt").string();
    fuzzsupport::inputbytes in(data, size);
    const std::int32_t day = in.byte() % 40 - 2;
    const std::int32_t month = in.byte() % 15 - 1;
    const std::int32_t qtr = in.byte() % 7 - 1;
    const std::int32_t year = 1900 + in.value<std::int16_t>() % 400;
    fuzzsupport::writefile(name, in.rest());

    float value = untouched;
    fcstutil::readtivday(name, day, month, year, value);
    requireoutcome(console, value);
    value = untouched;
    fcstutil::readtivqtr(name, qtr, month, year, value);
    requireoutcome(console, value);
    value = untouched;
    fcstutil::readtivmon(name, month, year, value);
    requireoutcome(console, value);
    return 0;
}
