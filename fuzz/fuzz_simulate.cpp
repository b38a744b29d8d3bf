// The SIMULATE file reader, both layouts, with BSNNM, on files made from the
// input.
//
// Input: a byte for the size of the code text and of the years array, then
// SIMULATE, then (after a line "%%BSNNM") BSNNM; without that line there is no
// BSNNM. Checked: the reader succeeds or fails with a message and its
// traceback; the code text keeps its size; the years array is written no
// further than its size; a success names a lake of the package and at most 160
// years.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "fuzzsupport.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::consolefile console;
    static const auto dir = [] {
        auto d = fuzzsupport::scratch() / "lake";
        std::filesystem::create_directories(d);
        return d;
    }();
    fuzzsupport::inputbytes in(data, size);
    const std::uint8_t shape = in.byte();
    const auto [simulate, bsnnm] = fuzzsupport::splitat(in.rest(), "\n%%BSNNM\n");
    fuzzsupport::writefile(dir / "SIMULATE", simulate);
    std::error_code ec;
    std::filesystem::remove(dir / "BSNNM", ec);
    if (bsnnm.data() != nullptr) fuzzsupport::writefile(dir / "BSNNM", bsnnm);

    // The lake directory by a relative name, as the package gives it.
    fuzzsupport::indirectory here(fuzzsupport::scratch());
    fcstutil::thislakedir.assign(80, ' ');
    fcstutil::thislakedir.replace(0, 5, "lake\\");

    std::string code(shape % 8, '#');
    const std::size_t room = shape % 200;
    constexpr std::int32_t guard = -77;
    std::vector<std::int32_t> years(room + 4, guard);
    std::int32_t startday = 0, s1 = 0, s2 = 0, endday = 0, s3 = 0, numyears = -1;
    fcstutil::readsimulatefile(code, startday, s1, s2, endday, s3, numyears,
                               std::span<std::int32_t>(years.data(), room));
    const bool failed = errorprocess::errorlevel != 0;
    fuzzsupport::require(code.size() == shape % 8, "the code text changed its size");
    fuzzsupport::require(std::all_of(years.begin() + static_cast<std::ptrdiff_t>(room), years.end(),
                                     [](std::int32_t y) { return y == guard; }),
                         "years written beyond the array");
    if (failed) {
        const std::string& last = errorprocess::errormessage;
        fuzzsupport::require(last.starts_with("[traceback] : ReadSimulateFile..."), "a failure without its traceback",
                             last);
    } else {
        fuzzsupport::require(numyears >= 0 && numyears <= 160, "a success with a year count out of range");
        const std::int32_t lake = fcstutil::getlakenumber(code.size() >= 3 ? code : "xxx");
        fuzzsupport::require(code.size() < 3 || (lake >= 1 && lake <= 7), "a success that names no lake", code);
    }
    fuzzsupport::requirereaderend(console, failed);
    return 0;
}
