// The daily loop built for AVX2 and for plain x86-64 gives the same bits, so a
// table does not depend on the machine that wrote it.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <random>

#include "rerove_tivorn/dailyloop.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

using namespace rerove_tivorn_subs;

namespace {

constexpr std::size_t days = 5000;

[[gnu::target("avx2")]] void loopavx2(std::array<float, maxdays>& column, const std::array<float, maxparts>& area) {
    dailyloop::fillcolumn<3>(column, days, area, 1.6e11F, 8.9e10F, 8.9e10F, 5.78e10F);
}

void loopdefault(std::array<float, maxdays>& column, const std::array<float, maxparts>& area) {
    dailyloop::fillcolumn<3>(column, days, area, 1.6e11F, 8.9e10F, 8.9e10F, 5.78e10F);
}

// Plausible depths in centimetres, with now and then a value that makes a day
// missing (negative, below the evaporation floor, not finite).
float depth(std::mt19937& gen) {
    std::uniform_real_distribution<float> value(-0.5F, 9.0F);
    std::uniform_int_distribution<int> odd(0, 199);
    switch (odd(gen)) {
        case 0: return -1.0F;
        case 1: return -99.0F;
        case 2: return std::numeric_limits<float>::quiet_NaN();
        case 3: return std::numeric_limits<float>::infinity();
        default: return value(gen);
    }
}

}  // namespace

TEST(DailyLoop, AvxAndPlainBuildsGiveTheSameBits) {
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 on this machine";
    std::mt19937 gen(20240601);
    for (std::size_t j = 0; j < 3; ++j) {
        for (std::size_t k = 0; k < days; ++k) {
            r[j][k] = depth(gen);
            p[j][k] = depth(gen);
            e[j][k] = depth(gen);
        }
    }
    prcarea = {1.15804e11F, 5.0488e10F, 8.172e10F};
    const std::array<float, maxparts> area = {5.78e10F, 4.064e10F, 1.896e10F};
    static std::array<float, maxdays> withavx{};
    static std::array<float, maxdays> plain{};
    loopavx2(withavx, area);
    loopdefault(plain, area);
    std::size_t missing = 0;
    for (std::size_t k = 0; k < days; ++k) {
        ASSERT_EQ(std::bit_cast<std::uint32_t>(withavx[k]), std::bit_cast<std::uint32_t>(plain[k])) << "day " << k;
        if (plain[k] == missingnbs) ++missing;
    }
    EXPECT_GT(missing, 0U);  // the missing-day marking ran on both
    EXPECT_LT(missing, days / 2);
}
