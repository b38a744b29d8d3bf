// Seeded resampling with replacement and percentile intervals: the bootstrap of
// pooled scores, the same on every machine.
#include <algorithm>
#include <cmath>
#include <limits>

#include "outlook/verification/verification.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The high 64 bits of a b, from 32-bit halves: floor(a b / 2^64).
std::uint64_t highproduct(std::uint64_t a, std::uint64_t b) {
    constexpr std::uint64_t half = 0xffffffffU;
    const std::uint64_t alo = a & half, ahi = a >> 32, blo = b & half, bhi = b >> 32;
    const std::uint64_t lolo = alo * blo, hilo = ahi * blo, lohi = alo * bhi;
    const std::uint64_t middle = (lolo >> 32) + (hilo & half) + (lohi & half);
    return ahi * bhi + (hilo >> 32) + (lohi >> 32) + (middle >> 32);
}

// The value at fraction p of the B values sorted, x_0 to x_B-1:
// x_k + (h - k)(x_k+1 - x_k) with h = p (B - 1) and k = floor(h); x_B-1 at the top.
double percentileof(const std::vector<double>& sorted, double p) {
    const double h = std::clamp(p, 0.0, 1.0) * static_cast<double>(sorted.size() - 1);
    const auto k = static_cast<std::size_t>(std::floor(h));
    if (k + 1 >= sorted.size()) return sorted.back();
    return sorted[k] + (h - static_cast<double>(k)) * (sorted[k + 1] - sorted[k]);
}

}  // namespace

resampler::resampler(std::uint64_t seed) : gen_(seed) {}

std::size_t resampler::next(std::size_t n) { return static_cast<std::size_t>(highproduct(gen_(), n)); }

std::vector<std::size_t> resampler::draw(std::size_t n) {
    std::vector<std::size_t> out(n);
    for (std::size_t& k : out) k = next(n);
    return out;
}

std::pair<double, double> percentileinterval(std::vector<double> values, double lo, double hi) {
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }), values.end());
    if (values.empty()) return {nan, nan};
    std::sort(values.begin(), values.end());
    return {percentileof(values, lo), percentileof(values, hi)};
}

std::vector<std::pair<double, double>> bootstrapintervals(std::size_t n, std::size_t resamples, std::uint64_t seed,
                                                          const resampledmeasures& measures) {
    resampler draws(seed);
    std::vector<std::vector<double>> byorder;  // [measure][resample]
    for (std::size_t b = 0; b < resamples; ++b) {
        const std::vector<double> m = measures(draws.draw(n));
        byorder.resize(m.size());
        for (std::size_t k = 0; k < m.size(); ++k) byorder[k].push_back(m[k]);
    }
    std::vector<std::pair<double, double>> out;
    for (std::vector<double>& values : byorder) out.push_back(percentileinterval(std::move(values)));
    return out;
}

}  // namespace outlook
