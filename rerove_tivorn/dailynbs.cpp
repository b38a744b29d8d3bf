// Daily net basin supply: runoff + precipitation - evaporation over the lake.
#include <algorithm>
#include <array>
#include <cmath>

#include "fcstutil/fcstutil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace rerove_tivorn_subs {
namespace {
constexpr std::int32_t secondsperday = 86400;
constexpr float evaporationfloor = -98.0F;  // cm; below it a day is missing


// Product and sum in double, rounded once to single precision.
float accumulate(float sum, float value, float weight) {
    return static_cast<float>(static_cast<double>(sum) + static_cast<double>(value) * static_cast<double>(weight));
}

bool dayismissing(float runoff, float precip, float evap) {
    if (!std::isfinite(runoff) || !std::isfinite(precip) || !std::isfinite(evap)) return true;
    return runoff < 0.0F || precip < 0.0F || evap < evaporationfloor;
}
}  // namespace

bool lakeparts(std::int32_t lakeindex, LakeParts& lake) {
    switch (lakeindex) {
        case 1: lake = {1, 1, {1, 0, 0}}; return true;
        case 2: lake = {8, 3, {2, 3, 4}}; return true;
        case 3: lake = {5, 1, {5, 0, 0}}; return true;
        case 4: lake = {6, 1, {6, 0, 0}}; return true;
        case 5: lake = {7, 1, {7, 0, 0}}; return true;
        default: return false;
    }
}

namespace {
// The day loop for a lake of M parts. Every day is computed without branches
// (so that the loop vectorises) and missing days are marked afterwards.
template <std::size_t M>
[[gnu::always_inline]] inline void fillcolumn(std::array<float, maxdays>& column, std::size_t days, const std::array<float, maxparts>& partarea,
                float ap, float ar, float ae, float lakearea) {
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
// The loop is compiled twice, for plain x86-64 and for AVX2, and the machine's
// own choice is made at load time; both round exactly alike.
[[gnu::target_clones("avx2", "default")]] void fillcolumn1(std::array<float, maxdays>& column, std::size_t days,
                                                        const std::array<float, maxparts>& partarea, float ap, float ar,
                                                        float ae, float lakearea) {
    fillcolumn<1>(column, days, partarea, ap, ar, ae, lakearea);
}
[[gnu::target_clones("avx2", "default")]] void fillcolumn3(std::array<float, maxdays>& column, std::size_t days,
                                                        const std::array<float, maxparts>& partarea, float ap, float ar,
                                                        float ae, float lakearea) {
    fillcolumn<3>(column, days, partarea, ap, ar, ae, lakearea);
}
}  // namespace

void dailynbs(std::int32_t scen, std::int32_t numdays, const LakeParts& lake) {
    if (scen < 1 || scen > maxscen || lake.count < 1 || lake.count > maxparts) return;
    const auto m = static_cast<std::size_t>(lake.count);
    const float lakearea = fcstutil::coordlakearea[at(lake.fcstlake)];

    // The weights are the same every day: their sums are formed once, in part
    // order and with the same roundings as the day's sums.
    std::array<float, maxparts> partarea{};
    float ap = 0, ar = 0, ae = 0;
    for (std::size_t j = 0; j < m; ++j) {
        partarea[j] = fcstutil::coordlakearea[at(lake.parts[j])];
        ap = accumulate(ap, prcarea[j], 1.0F);
        ar = accumulate(ar, partarea[j], 1.0F);
        ae = accumulate(ae, partarea[j], 1.0F);
    }
    const auto days = static_cast<std::size_t>(std::clamp(numdays, 0, maxdays));
    auto& column = dlyotlk[at(scen)];
    switch (m) {
        case 1: fillcolumn1(column, days, partarea, ap, ar, ae, lakearea); break;
        case 2: fillcolumn<2>(column, days, partarea, ap, ar, ae, lakearea); break;
        default: fillcolumn3(column, days, partarea, ap, ar, ae, lakearea); break;
    }
}

}  // namespace rerove_tivorn_subs
