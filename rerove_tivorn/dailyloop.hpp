// The day loop of the daily net basin supply, for dailynbs.cpp, which builds it
// for plain x86-64 and for AVX2, and for the test that both give the same bits.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "rerove_tivorn/rerove_tivorn.hpp"

namespace rerove_tivorn_subs::dailyloop {

inline constexpr std::int32_t secondsperday = 86400;
inline constexpr float evaporationfloor = -98.0F;  // cm; below it a day is missing

// Product and sum in double, rounded once to single precision.
inline float accumulate(float sum, float value, float weight) {
    return static_cast<float>(static_cast<double>(sum) + static_cast<double>(value) * static_cast<double>(weight));
}

// Whether one part's values of a day can be used: runoff and precipitation of
// 0 or more, evaporation of -98 cm or more, none of them infinite or not a
// number (NaN compares false). The tests are combined as bits, not with &&, so
// that the day loop stays free of branches and vectorises.
inline bool dayisusable(float runoff, float precip, float evap) {
    constexpr float highest = std::numeric_limits<float>::max();
    const auto bit = [](bool b) { return static_cast<std::uint32_t>(b); };
    return (bit(runoff >= 0.0F) & bit(runoff <= highest) & bit(precip >= 0.0F) & bit(precip <= highest) &
            bit(evap >= evaporationfloor) & bit(evap <= highest)) != 0;
}

// The day loop for a lake of M parts, from r, p, e and prcarea. Every day is
// computed without branches, and the missing days are then marked in a second
// pass, also without branches, so that both loops vectorise.
template <std::size_t M>
[[gnu::always_inline]] inline void fillcolumn(std::array<float, maxdays>& column, std::size_t days,
                                              const std::array<float, maxparts>& partarea, float ap, float ar, float ae,
                                              float lakearea) {
    const std::array<float, maxparts> landarea = prcarea;  // a copy: the stores below cannot change it
    const std::array<float, maxparts> area = partarea;
    for (std::size_t k = 0; k < days; ++k) {
        float sp = 0, sr = 0, se = 0;
        for (std::size_t j = 0; j < M; ++j) {
            sp = accumulate(sp, p[j][k], landarea[j]);
            sr = accumulate(sr, r[j][k], area[j]);
            se = accumulate(se, e[j][k], area[j]);
        }
        const auto pm = static_cast<float>(static_cast<double>(sp) / ap);
        const auto rm = static_cast<float>(static_cast<double>(sr) / ar);
        const auto em = static_cast<float>(static_cast<double>(se) / ae);
        const auto v = static_cast<float>((static_cast<double>(rm) + pm) - em);
        column[k] = cm2tcfs(v, lakearea, secondsperday);
    }
    for (std::size_t k = 0; k < days; ++k) {
        bool usable = true;
        for (std::size_t j = 0; j < M; ++j) usable &= dayisusable(r[j][k], p[j][k], e[j][k]);
        column[k] = usable ? column[k] : missingnbs;
    }
}

}  // namespace rerove_tivorn_subs::dailyloop
