// The F8.0 fields of a table's rows: the shapes the tool's edit gives, read a
// word or a whole row at a time, and anything else through iolayer::readreal,
// which stays the reference for what a field means.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <immintrin.h>

#include "iolayer/iolayer.hpp"
#include "outlook/input/input.hpp"

namespace outlook {
namespace {

constexpr std::size_t width = rerove_tivorn_subs::tabletext::fieldwidth;
constexpr std::size_t rowbytes = 64;  // the eight fields of a row of eight days

// Four fields from p as quickf80 reads them: their values in out, and a bit
// for each field (the first lowest) that has one of its shapes. The same tests
// as quickf80's, on four words at once.
[[gnu::target("avx2")]] unsigned quick4(const char* p, float* out) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i first7 = _mm256_set1_epi64x(0x00FFFFFFFFFFFFFF);
    const __m256i d = _mm256_sub_epi8(x, _mm256_set1_epi8('0'));
    const __m256i digit = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_min_epu8(d, _mm256_set1_epi8(9)), d), first7);
    const __m256i minus = _mm256_and_si256(_mm256_cmpeq_epi8(x, _mm256_set1_epi8('-')), first7);
    const __m256i blank = _mm256_cmpeq_epi8(x, _mm256_set1_epi8(' '));
    const __m256i point = _mm256_andnot_si256(first7, _mm256_cmpeq_epi8(x, _mm256_set1_epi8('.')));
    const __m256i lead = _mm256_andnot_si256(digit, first7);  // blanks then a minus, as byte masks
    const __m256i top = _mm256_andnot_si256(_mm256_srli_epi64(lead, 8), lead);
    __m256i wrong = _mm256_andnot_si256(_mm256_or_si256(point, first7), _mm256_set1_epi8(-1));
    wrong = _mm256_or_si256(wrong, _mm256_andnot_si256(_mm256_or_si256(_mm256_or_si256(digit, minus), blank), first7));
    wrong = _mm256_or_si256(wrong, _mm256_and_si256(lead, _mm256_add_epi64(lead, _mm256_set1_epi64x(1))));
    wrong = _mm256_or_si256(wrong, _mm256_and_si256(lead, _mm256_set1_epi64x(0x00FF000000000000)));
    wrong = _mm256_or_si256(wrong, _mm256_andnot_si256(top, minus));
    const __m256i ok = _mm256_cmpeq_epi64(wrong, _mm256_setzero_si256());
    // Seven digit columns behind a zero, the first the most significant.
    const __m256i digits = _mm256_slli_epi64(_mm256_and_si256(d, digit), 8);
    const __m256i pairs = _mm256_maddubs_epi16(digits, _mm256_set1_epi16(0x010A));
    const __m256i quads = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00010064));
    const __m256i eights =
        _mm256_add_epi64(_mm256_mul_epu32(quads, _mm256_set1_epi64x(10000)), _mm256_srli_epi64(quads, 32));
    const __m256i low = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
    const __m128i numbers = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(eights, low));
    const __m256i negative = _mm256_xor_si256(_mm256_cmpeq_epi64(minus, _mm256_setzero_si256()), _mm256_set1_epi8(-1));
    const __m128i signs = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(negative, low));
    const __m128 values =
        _mm_xor_ps(_mm_cvtepi32_ps(numbers), _mm_castsi128_ps(_mm_and_si128(signs, _mm_set1_epi32(INT32_MIN))));
    _mm_storeu_ps(out, values);
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_castsi256_pd(ok)));
}

// Up to eight fields from p, the 64 bytes from p readable: a bit for each that has one of
// quickf80's shapes, its value in out.
[[gnu::target("avx2")]] unsigned quickrow(const char* p, float* out) {
    return quick4(p, out) | quick4(p + 32, out + 4) << 4;
}

bool hasavx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

}  // namespace

bool quickf80(std::string_view field, float& value) {
    if constexpr (std::endian::native != std::endian::little) return false;
    if (field.size() != 8) return false;
    std::uint64_t w = 0;  // column k of the field in byte k
    std::memcpy(&w, field.data(), 8);
    constexpr std::uint64_t ones = 0x0101010101010101;
    constexpr std::uint64_t highs = 0x8080808080808080 >> 8;  // the high bit of bytes 0 to 6
    // 0x80 in each byte of x that is zero, without carries between bytes.
    const auto zeros = [](std::uint64_t x) {
        constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7F;
        return ~(((x & low7) + low7) | x | low7);
    };
    const auto bytemask = [](std::uint64_t flags) { return (flags >> 7) * 0xFF; };
    const std::uint64_t digit =
        zeros((w & (ones * 0xF0)) ^ (ones * 0x30)) & ~(((w & (ones * 0x0F)) + ones * 6) << 3) & highs;
    const std::uint64_t minus = zeros(w ^ (ones * '-')) & highs;
    if ((w >> 56) != '.' || ((digit | minus | zeros(w ^ (ones * ' '))) & highs) != highs) return false;
    // Blanks, then at most one minus, then digits up to the point.
    const std::uint64_t lead = bytemask(~digit & highs);
    const std::uint64_t sign = bytemask(minus);
    if ((lead & (lead + 1)) != 0 || (digit >> 55) == 0 || (sign & ~(lead & ~(lead >> 8))) != 0) return false;
    // The seven digit columns as one number, the first the most significant.
    std::uint64_t v = ((w & bytemask(digit)) & (ones * 0x0F)) << 8;
    v = (v * 2561) >> 8 & 0x00FF00FF00FF00FF;
    v = (v * 6553601) >> 16 & 0x0000FFFF0000FFFF;
    v = (v * 42949672960001) >> 32;
    const auto number = static_cast<float>(static_cast<std::uint32_t>(v));  // below 10^7: exact
    value = sign != 0 ? -number : number;
    return true;
}

bool readtablefield(std::string_view field, float& value) {
    return quickf80(field, value) || (iolayer::readreal(field, 0, value) && std::isfinite(value));
}

void readtablefields(std::string_view text, std::span<float> values, std::span<bool> readable) {
    const std::size_t n = std::min(values.size(), readable.size());
    unsigned quick = 0;
    float row[rowbytes / width];
    if (n <= rowbytes / width && text.size() >= rowbytes && std::endian::native == std::endian::little && hasavx2())
        quick = quickrow(text.data(), row);
    if (const unsigned all = (1U << n) - 1; (quick & all) == all) {
        std::copy_n(row, n, values.begin());
        std::fill_n(readable.begin(), n, true);
        return;
    }
    for (std::size_t k = 0; k < n; ++k) {
        if ((quick >> k & 1U) != 0) {
            values[k] = row[k];
            readable[k] = true;
        } else {
            readable[k] = readtablefield(text.substr(width * k, width), values[k]);
        }
    }
}

}  // namespace outlook
