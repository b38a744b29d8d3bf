// Dates as the companion writes and reads them: in its reports, its messages and
// its CSV texts alike; and the moment a file is made.
#include <chrono>
#include <cstdlib>

#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/model/model.hpp"

namespace outlook {

std::string isodate(std::int32_t seq) {
    std::int32_t day = 0, month = 0, year = 0;
    if (seq < 0) return "(no date)";
    keldautil::sequencedate(day, month, year, seq);
    return iolayer::formatiz(year, 4) + "-" + iolayer::formatiz(month, 2) + "-" + iolayer::formatiz(day, 2);
}

std::optional<std::int32_t> dayofisodate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t length) {
        std::int32_t v = 0;
        for (std::size_t k = at; k < at + length; ++k) {
            if (text[k] < '0' || text[k] > '9') return -1;
            v = v * 10 + (text[k] - '0');
        }
        return v;
    };
    const std::int32_t year = number(0, 4), month = number(5, 2), day = number(8, 2);
    if (year < 1 || year > 2999 || month < 1 || month > 12 || day < 1 || day > keldautil::daysinmonth(month, year))
        return std::nullopt;
    std::int32_t seq = 0;
    keldautil::datesequence(day, month, year, seq);
    return seq;
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
