// The companion's scenario-file reader (outlook::readscenariofile) on a file
// made from the input.
//
// Checked: it reads the file exactly when the file holds a header record whose
// first and last day are dates of the calendar (years 1 to 2999), the last not
// before the first, and a day record for every day between them; it then gives
// those days, each with the bits of its own record's values. Otherwise it
// throws a readerror that names the file, never another exception. It prints
// nothing and leaves the error state clear.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzzsupport.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/input/input.hpp"
#include "rerove_tivorn/discovery.hpp"

namespace {

using fuzzsupport::require;
namespace subs = rerove_tivorn_subs;

constexpr auto recordlength = static_cast<std::size_t>(subs::scenariorecordlength);

std::uint32_t wordat(std::string_view file, std::size_t offset) {
    std::uint32_t v = 0;
    std::memcpy(&v, file.data() + offset, sizeof v);
    return v;
}

bool isdate(std::int32_t seq) {
    if (seq < 0) return false;
    std::int32_t d = 0, m = 0, y = 0;
    keldautil::sequencedate(d, m, y, seq);
    return y >= 1 && y <= 2999;
}

// The days the file should read as: 0 when it should not read.
std::size_t readabledays(std::string_view file) {
    if (file.size() < recordlength) return 0;
    const auto first = static_cast<std::int32_t>(wordat(file, subs::firstdayoffset));
    const auto last = static_cast<std::int32_t>(wordat(file, subs::lastdayoffset));
    if (!isdate(first) || !isdate(last) || last < first) return 0;
    const auto days = static_cast<std::size_t>(last - first) + 1;
    return file.size() / recordlength - 1 >= days ? days : 0;
}

void checkdays(std::string_view file, const outlook::scenariodata& s) {
    require(s.firstday == static_cast<std::int32_t>(wordat(file, subs::firstdayoffset)) &&
                s.lastday == static_cast<std::int32_t>(wordat(file, subs::lastdayoffset)),
            "the span is not the header's");
    for (std::size_t k = 0; k < s.days.size(); ++k) {
        const std::size_t record = (k + 1) * recordlength;
        const outlook::scenarioday& day = s.days[k];
        require(std::bit_cast<std::uint32_t>(day.runoff) == wordat(file, record + subs::runoffoffset) &&
                    std::bit_cast<std::uint32_t>(day.precip) == wordat(file, record + subs::precipoffset) &&
                    std::bit_cast<std::uint32_t>(day.evap) == wordat(file, record + subs::evapoffset),
                "a day's values are not its record's", std::to_string(k));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::consolefile console;
    static const std::string name = (fuzzsupport::scratch() / "REROVE1950.sup").string();
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    fuzzsupport::writefile(name, file);
    const std::size_t expected = readabledays(file);
    const bool read = fuzzsupport::companionreads<outlook::readerror>(console, name, [&] {
        const outlook::scenariodata s = outlook::readscenariofile(name);
        require(s.days.size() == expected, "read a file that does not hold its header's days");
        checkdays(file, s);
    });
    require(read == (expected > 0), "refused a file that holds its header's days");
    return 0;
}
