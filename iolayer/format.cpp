// Fixed-width text and Fortran-style editing of numbers.
#include "iolayer/iolayer.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace iolayer {
namespace {

std::string magnitudedigits(std::int64_t value) {
    // Works on the unsigned magnitude, so the most negative value is safe.
    std::uint64_t mag = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, mag);
    return std::string(buf, res.ptr);
}

// |value| with `decimals` decimals, rounded to nearest with exact halves away from
// zero; "123" + "." + fraction, the point always present.
std::string fixeddigits(double magnitude, int decimals) {
    // magnitude is an exact half at `decimals` decimals exactly when
    // magnitude * 2^(decimals+1) is an odd integer (the scaling is exact).
    const double scaled = std::ldexp(magnitude, decimals + 1);
    if (std::isfinite(scaled) && scaled == std::floor(scaled) && std::fmod(scaled, 2.0) == 1.0) {
        magnitude = std::nextafter(magnitude, std::numeric_limits<double>::infinity());
    }
    // Room for 309 integer digits and the decimals.
    std::string buf(static_cast<std::size_t>(330 + decimals), '\0');
    int n = std::snprintf(buf.data(), buf.size(), "%.*f", decimals, magnitude);
    buf.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    if (decimals == 0) buf.push_back('.');
    return buf;
}

bool isblank(char c) { return c == ' '; }

// A number edited right to left into a blank scratch field, then placed.
class editfield {
public:
    editfield() { std::memset(buf_, ' ', sizeof buf_); }

    // The decimal digits of mag, then suffix, ending at the field's end; returns
    // the first character written.
    char* digits(std::uint64_t mag, std::string_view suffix = {}) {
        char* p = buf_ + sizeof buf_ - suffix.size();
        std::copy(suffix.begin(), suffix.end(), p);
        while (mag > 0xFFFFFFFFU) {
            p -= 2;
            std::memcpy(p, digitpairs + 2 * (mag % 100), 2);
            mag /= 100;
        }
        // The rest in 32 bits, which is cheaper.
        auto small = static_cast<std::uint32_t>(mag);
        while (small >= 100) {
            p -= 2;
            std::memcpy(p, digitpairs + std::size_t{2} * (small % 100), 2);
            small /= 100;
        }
        if (small >= 10) {
            p -= 2;
            std::memcpy(p, digitpairs + std::size_t{2} * small, 2);
        } else {
            *--p = static_cast<char>('0' + small);
        }
        return p;
    }

    // The text from first to the field's end, right-aligned in width columns at
    // dst; asterisks when it does not fit.
    char* place(const char* first, char* dst, int width) const {
        const char* last = buf_ + sizeof buf_;
        if (last - first > width) return std::fill_n(dst, width, '*');
        if (width == 8) {
            // The width of the table values; see editf80 (iolayer.hpp) for the
            // four paths of F8.0, which must agree.
            std::memcpy(dst, last - 8, 8);
            return dst + 8;
        }
        if (width <= static_cast<int>(sizeof buf_)) return std::copy(last - width, last, dst);
        char* start = std::fill_n(dst, width - (last - first), ' ');
        return std::copy(first, last, start);
    }

private:
    static constexpr char digitpairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char buf_[32];
};

// The four decimal digits of x (below 10^4), one a byte, the most significant
// in the lowest byte. The quotients by 100 and by 10 are a multiply and a
// shift, exact in these ranges; the tens of both pairs come from one multiply
// in the two 16-bit halves of the word.
std::uint32_t fourdigits(std::uint32_t x) {
    const std::uint32_t hundreds = (x * 5243) >> 19;
    const std::uint32_t pairs = hundreds | ((x - hundreds * 100) << 16);
    const std::uint32_t tens = ((pairs * 103) >> 10) & 0x000F000FU;
    return tens | ((pairs - tens * 10) << 8);
}

// All bits of a word where cond holds, none elsewhere: a select without a branch.
std::uint32_t bits(bool cond) { return 0U - static_cast<std::uint32_t>(cond); }

// The bytes of a word of four columns from first on that lie before column
// end, as a mask. Two shifts, as one by 32 is not defined.
std::uint32_t columnsbefore(std::int32_t end, std::int32_t first) {
    const auto half = static_cast<std::uint32_t>(4 * std::clamp(end - first, 0, 4));  // half the shift
    return ~((0xFFFFFFFFU << half) << half);
}

// Whether F8.0 of v is seven digits, or six and a sign, at most: editf80's range,
// -999999.5 < v < 9999999.5. Floats from 2^23 on are whole, so the upper limit
// is 9999999 for them; the lower one is a float.
bool f80range(float v) { return (bits(v > -999999.5F) & bits(v <= 9999999.0F)) != 0; }

// F8.0 of the values of f80range into fields, 8 characters each, as editf80 edits
// them; the fields of other values are left to the caller. Without branches, so
// that the loop vectorises; built for plain x86-64 and for AVX2, which only
// differ in the width of the registers. True when some value was out of range.
[[gnu::target_clones("avx2", "default")]] bool editf80range(const float* values, std::size_t n, char* fields) {
    std::uint32_t outside = 0;  // not a bool: a reduction over bools does not vectorise
    for (std::size_t i = 0; i < n; ++i) {
        const float v = values[i];
        const bool inside = f80range(v);
        outside |= static_cast<std::uint32_t>(!inside);
        // Float arithmetic is exact here: the fraction of a float below 2^24 is one.
        const auto magnitude = std::bit_cast<float>(std::bit_cast<std::uint32_t>(std::fabs(v)) & bits(inside));
        const auto truncated = static_cast<std::int32_t>(magnitude);
        const auto whole = static_cast<std::uint32_t>(
            truncated + static_cast<std::int32_t>(magnitude - static_cast<float>(truncated) >= 0.5F));  // halves up
        const std::uint32_t upper = whole / 10000;  // three digits at most
        const std::uint32_t lower = fourdigits(whole - upper * 10000);
        std::int32_t digits = 1;
        for (const std::uint32_t power : {10U, 100U, 1000U, 10000U, 100000U, 1000000U})
            digits += static_cast<std::int32_t>(whole >= power);
        // Columns 0 to 3 and 4 to 7 as two words: blanks, the sign, the digits, the
        // point. Before the first digit come the blanks, then the sign of a value
        // below zero (six digits at most leave room for it).
        const std::int32_t firstdigit = 7 - digits;
        const std::int32_t firstsign = firstdigit - static_cast<std::int32_t>(v < 0);
        const std::uint32_t leftdigits = ((fourdigits(upper) >> 8) | (lower << 24)) + 0x30303030U;
        const std::uint32_t rightdigits = ((lower >> 8) + 0x00303030U) | 0x2E000000U;
        const std::uint32_t leftfill = columnsbefore(firstdigit, 0), leftblank = columnsbefore(firstsign, 0);
        const std::uint32_t rightfill = columnsbefore(firstdigit, 4), rightblank = columnsbefore(firstsign, 4);
        const std::uint32_t left =
            (leftdigits & ~leftfill) | (0x20202020U & leftblank) | (0x2D2D2D2DU & leftfill & ~leftblank);
        const std::uint32_t right =
            (rightdigits & ~rightfill) | (0x20202020U & rightblank) | (0x2D2D2D2DU & rightfill & ~rightblank);
        std::memcpy(fields + 8 * i, &left, sizeof left);
        std::memcpy(fields + 8 * i + 4, &right, sizeof right);
    }
    return outside != 0;
}

}  // namespace

void editf80s(std::span<const float> values, char* fields) {
    static_assert(std::endian::native == std::endian::little, "the columns are built as little-endian words");
    if (!editf80range(values.data(), values.size(), fields)) return;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!f80range(values[i])) editf(fields + 8 * i, values[i], 8, 0);
    }
}

std::string_view trimright(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ') --n;
    return text.substr(0, n);
}

std::string_view trimleft(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    return text.substr(i);
}

std::size_t trimmedlength(std::string_view text) { return trimright(text).size(); }

std::string padded(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, std::min(width, text.size())));
    out.resize(width, ' ');
    return out;
}

void assign(std::string& field, std::string_view text) {
    const std::size_t width = field.size();
    const std::size_t n = std::min(width, text.size());
    // text may alias field; copy through a temporary in that case.
    std::string tmp(text.substr(0, n));
    field.replace(0, n, tmp);
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), ' ');
}

std::string formati(std::int64_t value, int width) {
    if (width <= 0) return formati0(value);
    std::string out(static_cast<std::size_t>(width), ' ');
    editi(out.data(), value, width);
    return out;
}

char* editi(char* dst, std::int64_t value, int width) {
    editfield field;
    char* p = field.digits(value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value));
    if (value < 0) *--p = '-';
    return field.place(p, dst, width);
}

std::string formati0(std::int64_t value) {
    std::string digits = magnitudedigits(value);
    if (value < 0) digits.insert(0, 1, '-');
    return digits;
}

std::string formatiz(std::int64_t value, int width) {
    if (width <= 0) return formati0(value);
    std::string digits = magnitudedigits(value);
    const auto w = static_cast<std::size_t>(width);
    if (digits.size() < w) digits.insert(0, w - digits.size(), '0');
    if (value < 0) digits.insert(0, 1, '-');
    if (digits.size() > w) return std::string(w, '*');
    return digits;
}

std::string formatf(double value, int width, int decimals) {
    if (width <= 0) return formatf0(value, decimals);
    std::string out(static_cast<std::size_t>(width), ' ');
    editf(out.data(), value, width, decimals);
    return out;
}

char* editf(char* dst, double value, int width, int decimals) {
    char* const end = dst + width;
    if (!std::isfinite(value) || decimals < 0) return std::fill_n(dst, width, '*');
    const bool negative = value < 0;
    const double magnitude = std::fabs(value);
    if (decimals == 0 && magnitude < 1e15) {
        // Whole numbers, the common case of the tables (F8.0: one of its four
        // paths, see editf80). Below 1e15 the integer part and the fraction of a
        // double are exact, so the half is judged exactly and taken away from zero.
        auto whole = static_cast<std::uint64_t>(magnitude);
        if (magnitude - static_cast<double>(whole) >= 0.5) ++whole;
        editfield field;
        char* p = field.digits(whole, ".");
        if (negative) *--p = '-';
        return field.place(p, dst, width);
    }
    std::string text = fixeddigits(magnitude, decimals);
    const auto w = static_cast<std::size_t>(width);
    const std::size_t sign = negative ? 1 : 0;
    if (text.size() + sign > w && text.size() > 1 && text[0] == '0' && text[1] == '.') text.erase(0, 1);
    if (text.size() + sign > w) return std::fill_n(dst, width, '*');
    char* p = std::copy_backward(text.begin(), text.end(), end);
    if (negative) *--p = '-';
    std::fill(dst, p, ' ');
    return end;
}

std::string formatf0(double value, int decimals) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    if (decimals < 0) decimals = 0;
    std::string text = fixeddigits(std::fabs(value), decimals);
    if (value < 0) text.insert(0, 1, '-');
    return text;
}

bool readint(std::string_view field, std::int32_t& value) {
    std::size_t i = 0;
    while (i < field.size() && isblank(field[i])) ++i;
    if (i == field.size()) {
        value = 0;
        return true;
    }
    bool negative = false;
    if (field[i] == '+' || field[i] == '-') {
        negative = field[i] == '-';
        ++i;
    }
    std::int64_t acc = 0;
    bool digits = false;
    for (; i < field.size(); ++i) {
        const char c = field[i];
        if (isblank(c)) continue;
        if (c < '0' || c > '9') return false;
        acc = acc * 10 + (c - '0');
        digits = true;
        if (acc > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) return false;
    }
    // A sign with blanks only is no more a number than a lone sign.
    if (!digits) return false;
    if (negative) acc = -acc;
    if (acc > std::numeric_limits<std::int32_t>::max()) return false;
    value = static_cast<std::int32_t>(acc);
    return true;
}

namespace {

// The exponent of a real field from position i of s (blanks removed) to its
// end: a letter with an optional sign, or a bare sign, then digits. Very large
// exponents are held at 100000 or so, which already overflows.
bool readexponent(const std::string& s, std::size_t i, std::int64_t& exponent) {
    exponent = 0;
    const char c = s[i];
    const bool letter = c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' || c == 'q';
    if (letter) ++i;
    bool expnegative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        expnegative = s[i] == '-';
        ++i;
    } else if (!letter) {
        return false;
    }
    if (i == s.size()) return false;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');
    }
    if (expnegative) exponent = -exponent;
    return true;
}

}  // namespace

bool readreal(std::string_view field, int decimals, float& value) {
    std::string s;
    s.reserve(field.size());
    for (char c : field)
        if (!isblank(c)) s.push_back(c);
    if (s.empty()) {
        value = 0.0F;
        return true;
    }
    std::size_t i = 0;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
    std::string mantissa;
    bool point = false;
    std::size_t fractiondigits = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            mantissa.push_back(c);
            if (point) ++fractiondigits;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (mantissa.empty()) return false;
    std::int64_t exponent = 0;
    if (i < s.size() && !readexponent(s, i, exponent)) return false;
    // Without a point the field carries `decimals` implied decimals.
    const std::int64_t scale =
        exponent - static_cast<std::int64_t>(point ? fractiondigits : static_cast<std::size_t>(std::max(decimals, 0)));
    std::string text = mantissa + "e" + std::to_string(scale);
    float result = 0.0F;
    auto res = std::from_chars(text.data(), text.data() + text.size(), result);
    if (res.ec == std::errc::result_out_of_range) {
        if (scale > 0) return false;
        result = 0.0F;  // underflow reads as zero
    } else if (res.ec != std::errc() || res.ptr != text.data() + text.size()) {
        return false;
    }
    value = negative ? -result : result;
    return true;
}

std::string columns(std::string_view line, std::size_t first, std::size_t last) {
    if (first < 1 || last < first) return {};
    const std::size_t width = last - first + 1;
    std::string_view part = first - 1 < line.size() ? line.substr(first - 1, width) : std::string_view{};
    return padded(part, width);
}

bool readints(std::string_view line, std::size_t first, std::span<const std::size_t> widths,
              std::span<std::int32_t> values) {
    if (values.size() < widths.size() || first < 1) return false;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (widths[i] < 1 || !readint(columns(line, first, first + widths[i] - 1), values[i])) return false;
        first += widths[i];
    }
    return true;
}

bool readreals(std::string_view line, std::size_t first, std::size_t width, int decimals, std::span<float> values) {
    if (width < 1 || first < 1) return false;
    for (float& v : values) {
        if (!readreal(columns(line, first, first + width - 1), decimals, v)) return false;
        first += width;
    }
    return true;
}

}  // namespace iolayer
