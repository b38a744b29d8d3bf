// Daily net basin supply: runoff + precipitation - evaporation over the lake.
#include <algorithm>
#include <array>
#include <cmath>

#include "fcstutil/fcstutil.hpp"
#include "rerove_tivorn/dailyloop.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace rerove_tivorn_subs {

namespace {
using dailyloop::accumulate;
using dailyloop::fillcolumn;

// The loop is compiled twice, for plain x86-64 and for AVX2, and the machine's
// own choice is made at load time; both round exactly alike.
[[gnu::target_clones("avx2", "default")]] void fillcolumn1(std::array<float, maxdays>& column, std::size_t days,
                                                           const std::array<float, maxparts>& partarea, float ap,
                                                           float ar, float ae, float lakearea) {
    fillcolumn<1>(column, days, partarea, ap, ar, ae, lakearea);
}
[[gnu::target_clones("avx2", "default")]] void fillcolumn3(std::array<float, maxdays>& column, std::size_t days,
                                                           const std::array<float, maxparts>& partarea, float ap,
                                                           float ar, float ae, float lakearea) {
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
