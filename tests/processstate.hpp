// The state a program of the package starts with, put back between tests and
// between the inputs of a fuzz target: no failure pending and no message, the
// registry empty, and no unit open where the system opens its files (the
// registry's units and the error file's).
#pragma once

#include <cstdint>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace processstate {

// Whether the I/O layer has the unit open (false when the inquiry fails).
inline bool unitopen(std::int32_t unit) {
    bool isopen = false;
    return iolayer::inquireunit(unit, isopen) == iolayer::Status::ok && isopen;
}

inline void clearerror() {
    errorprocess::errorlevel = 0;
    errorprocess::errormessage = "";
}

inline void reset() {
    keldautil::closeallfiles();
    for (std::int32_t unit = keldautil::firstunitnumber; unit <= keldautil::lastunitnumber; ++unit) {
        if (unitopen(unit)) (void)iolayer::closeunit(unit);  // a unit left open outside the registry
    }
    if (unitopen(fcstutil::errorfileunit)) (void)iolayer::closeunit(fcstutil::errorfileunit);
    keldautil::clearfilesopen();
    clearerror();
}

}  // namespace processstate
