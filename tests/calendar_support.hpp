// Helpers of the suites that work with dates.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "errorprocess/errorprocess.hpp"
#include "keldautil/keldautil.hpp"

namespace testsupport {

inline constexpr std::int32_t lo = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int32_t hi = std::numeric_limits<std::int32_t>::max();

// Day sequence number of a date.
inline std::int32_t seqof(std::int32_t d, std::int32_t m, std::int32_t y) {
    std::int32_t n = 0;
    keldautil::datesequence(d, m, y, n);
    return n;
}

// What f prints, run with a clear error state.
template <class F>
std::string printed(F f) {
    errorprocess::errorlevel = 0;
    ::testing::internal::CaptureStdout();
    f();
    return ::testing::internal::GetCapturedStdout();
}

}  // namespace testsupport
