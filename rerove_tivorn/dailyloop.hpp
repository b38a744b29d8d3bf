// The day loop of the daily net basin supply, for dailynbs.cpp, which builds it
// for plain x86-64 and for AVX2, and for the test that both give the same bits.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "rerove_tivorn/rerove_tivorn.hpp"

namespace rerove_tivorn_subs::dailyloop {

inline constexpr std::int32_t secondsperday = 86400;
inline constexpr float evaporationfloor = -98.0F;  // cm; below it a day is missing

// Product and sum in double, rounded once to single precision.
inline float accumulate(float sum, float value, float weight) {
    return static_cast<float>(static_cast<double>(sum) + static_cast<double>(value) * static_cast<double>(weight));
}

inline bool dayismissing(float runoff, float precip, float evap) {
    if (!std::isfinite(runoff) || !std::isfinite(precip) || !std::isfinite(evap)) return true;
    return runoff < 0.0F || precip < 0.0F || evap < evaporationfloor;
}

// The day loop for a lake of M parts, from r, p, e and prcarea. Every day is
// computed without branches (so that the loop vectorises) and missing days are
// marked afterwards.
template <std::size_t M>
[[gnu::always_inline]] inline void fillcolumn(std::array<float, maxdays>& column, std::size_t days,
                                              const std::array<float, maxparts>& partarea, float ap, float ar, float ae,
                                              float lakearea) {
    for (std::size_t k = 0; k < days; ++k) {
        float sp = 0, sr = 0, se = 0;
        for (std::size_t j = 0; j < M; ++j) {
            sp = accumulate(sp, p[j][k], prcarea[j]);
            sr = accumulate(sr, r[j][k], partarea[j]);
            se = accumulate(se, e[j][k], partarea[j]);
        }
        const auto pm = static_cast<float>(static_cast<double>(sp) / ap);
        const auto rm = static_cast<float>(static_cast<double>(sr) / ar);
        const auto em = static_cast<float>(static_cast<double>(se) / ae);
        const auto v = static_cast<float>((static_cast<double>(rm) + pm) - em);
        column[k] = cm2tcfs(v, lakearea, secondsperday);
    }
    for (std::size_t k = 0; k < days; ++k) {
        bool missing = false;
        for (std::size_t j = 0; j < M; ++j) missing |= dayismissing(r[j][k], p[j][k], e[j][k]);
        if (missing) column[k] = missingnbs;
    }
}

}  // namespace rerove_tivorn_subs::dailyloop
