// A scenario file of the tool read back: its header's span and its days.
#include <algorithm>
#include <fstream>

#include "keldautil/keldautil.hpp"
#include "outlook/input/input.hpp"

namespace outlook {
namespace {

namespace subs = rerove_tivorn_subs;

constexpr auto recordlength = static_cast<std::size_t>(subs::scenariorecordlength);

std::string wholefile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw readerror(file.string() + ": cannot be opened");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0);
    std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(size, 0)), '\0');
    if (size < 0 || !in.read(bytes.data(), size)) throw readerror(file.string() + ": cannot be read");
    return bytes;
}

// A record of the bytes of a scenario file.
const std::byte* record(const std::string& bytes, std::size_t n) {
    return reinterpret_cast<const std::byte*>(bytes.data()) + n * recordlength;
}

// Whether a day sequence number is a date of the years the calendar covers.
bool convertible(std::int32_t seq) {
    std::int32_t d = 0, m = 0, y = 0;
    if (seq < 0) return false;
    keldautil::sequencedate(d, m, y, seq);
    return y >= 1 && y <= 2999;
}

}  // namespace

scenariodata readscenariofile(const std::filesystem::path& file) {
    const std::string bytes = wholefile(file);
    const std::string name = file.string();
    if (bytes.size() < recordlength)
        throw readerror(name + ": too short for its header (" + std::to_string(bytes.size()) + " of " +
                        std::to_string(recordlength) + " bytes)");
    scenariodata s;
    const subs::DayRange header = subs::decodeheader(record(bytes, 0));
    s.firstday = header.first;
    s.lastday = header.last;
    if (!convertible(s.firstday) || !convertible(s.lastday) || s.lastday < s.firstday)
        throw readerror(name + ": its header's first and last day (" + std::to_string(s.firstday) + ", " +
                        std::to_string(s.lastday) + ") are not a span of dates");
    const auto days = static_cast<std::size_t>(s.lastday - s.firstday) + 1;
    const std::size_t held = bytes.size() / recordlength - 1;
    if (held < days)
        throw readerror(name + ": truncated: its header gives " + std::to_string(days) + " days, it holds " +
                        std::to_string(held));
    s.days.resize(days);
    for (std::size_t k = 0; k < days; ++k) s.days[k] = subs::decodeday(record(bytes, k + 1));
    return s;
}

}  // namespace outlook
