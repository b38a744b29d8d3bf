// Tolerant comparison, the missing-value test and rounding to significant digits.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "errorprocess/errorprocess.hpp"
#include "keldautil/keldautil.hpp"

namespace keldautil {
namespace {

// Smallest normal single-precision value, 2^-126.
constexpr double tiniestspacing = 0x1p-126;

// Distance from x to the next single-precision value away from zero in x's
// binade (2^(e-24) for x = f * 2^e, 0.5 <= |f| < 1), never below 2^-126; NaN for
// an infinite or NaN x.
double spacing(float x) {
    if (!std::isfinite(x)) return std::numeric_limits<double>::quiet_NaN();
    if (x == 0.0F) return tiniestspacing;
    int e = 0;
    (void)std::frexp(x, &e);
    return std::max(std::ldexp(1.0, e - 24), tiniestspacing);
}

// Place value of the last kept digit when v > 0 keeps n significant digits.
// The factor below 1 keeps an exact power of ten in the decade beneath it.
double placevalue(double v, std::int32_t n) {
    const auto k = static_cast<std::int64_t>(std::trunc(std::log10(v * 0.999999999999999)));
    double p = std::pow(10.0, static_cast<double>(k + 1 - n));
    if (v <= 1.0) p /= 10.0;
    return p;
}

// Beyond 17 significant digits a double carries nothing more and x comes back
// unchanged; below -1 every magnitude rounds to 0. Clamping to these keeps the
// place value a normal, finite double.
constexpr std::int32_t mostdigits = 17;
constexpr std::int32_t fewestdigits = -1;

}  // namespace

bool requal(float a, float b) {
    const double sa = spacing(a);
    const double sb = spacing(b);
    const double m = (sb > sa || std::isnan(sa)) ? sb : sa;
    // NaN in m or in the difference makes the comparison false.
    return m > std::fabs(static_cast<double>(a) - static_cast<double>(b));
}

bool ismissing(float x) { return requal(x, missingvalue) || x <= missingthreshold; }

void round(float& x, std::int32_t n) {
    if (std::fabs(x) < 1.0E-30F) {
        errorprocess::raiseerror("Cannot ROUND zero argument");
        return;
    }
    if (!std::isfinite(x)) return;

    // Half up on the magnitude, in double precision; a carry into the next power
    // of ten moves the place value along with it.
    const std::int32_t digits = std::clamp(n, fewestdigits, mostdigits);
    double v = std::fabs(static_cast<double>(x));
    v += placevalue(v, digits) / 2.0;
    const double p = placevalue(v, digits);
    const double q = std::trunc(v * 1.00000000000001 / p);
    const auto r = static_cast<float>(q * p);
    x = std::signbit(x) ? -r : r;
}

}  // namespace keldautil
