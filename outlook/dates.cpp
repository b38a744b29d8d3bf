// Dates as the companion writes them: in its reports, its messages and its CSV
// texts alike.
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

}  // namespace outlook
