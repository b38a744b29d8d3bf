// Dates as the companion writes them: in its reports, its messages and its CSV
// texts alike.
#include <chrono>
#include <cstdlib>

#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/outlook.hpp"

namespace outlook {

std::string isodate(std::int32_t seq) {
    std::int32_t day = 0, month = 0, year = 0;
    if (seq < 0) return "(no date)";
    keldautil::sequencedate(day, month, year, seq);
    return iolayer::formatiz(year, 4) + "-" + iolayer::formatiz(month, 2) + "-" + iolayer::formatiz(day, 2);
}

std::time_t momentofmaking() {
    std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const long long seconds = std::strtoll(fixed, &end, 10);
        if (end != fixed && *end == '\0' && seconds >= 0) t = static_cast<std::time_t>(seconds);
    }
    return t;
}

std::string utctext(std::time_t moment, const char* format) {
    std::tm utc{};
    char buffer[64] = "";
    if (::gmtime_r(&moment, &utc) != nullptr) std::strftime(buffer, sizeof buffer, format, &utc);
    return buffer;
}

}  // namespace outlook
