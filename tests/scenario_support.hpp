// Scenario files written by the tests, record by record as the tool reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "rerove_tivorn/discovery.hpp"
#include "support.hpp"

namespace testsupport {

using rerove_tivorn_subs::scenarioday;

// The bytes of a scenario file: the header with first and last day, then one
// record per given day (which may be fewer or more than the header says).
inline std::string scenariobytes(std::int32_t first, std::int32_t last, const std::vector<scenarioday>& days,
                                 std::string_view text = "DAYTEXT ") {
    constexpr auto length = static_cast<std::size_t>(rerove_tivorn_subs::scenariorecordlength);
    std::vector<std::byte> bytes(length * (days.size() + 1));
    rerove_tivorn_subs::encodeheader(bytes.data(), {first, last});
    for (std::size_t k = 0; k < days.size(); ++k) {
        rerove_tivorn_subs::encodeday(bytes.data() + length * (k + 1), text, days[k]);
    }
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

inline void writescenario(const std::filesystem::path& file, std::int32_t first, std::int32_t last,
                          const std::vector<scenarioday>& days) {
    writefile(file, scenariobytes(first, last, days));
}

// A scenario file with the same values on every day of its header's span.
inline void writeconstant(const std::filesystem::path& file, std::int32_t first, std::int32_t last, scenarioday value) {
    writescenario(file, first, last, std::vector<scenarioday>(static_cast<std::size_t>(last - first + 1), value));
}

}  // namespace testsupport
