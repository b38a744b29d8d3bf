// Fixed-field number reads and the number edits of the I/O layer.
//
// Input: decimals, width and field-layout bytes, an int64, a double and a float
// bit pattern, then the text of a field. Checked, beyond not crashing:
// - readint agrees with a plain reading of the rules (blanks count as nothing,
//   an optional sign, at least one digit, 32 bits);
//   readint and readreal give the same with the blanks taken out;
//   readints and readreals read what readint and readreal read field by field;
// - every edit fills exactly its width, never writes past it, and edits that
//   fit read back: integers exactly, reals to within half a unit of the last
//   decimal; the field is all asterisks exactly when the shortest edit is wider;
// - the table's inline F8.0 path gives the bytes of the general F8.0 edit.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "fuzzsupport.hpp"
#include "iolayer/iolayer.hpp"

namespace {

using fuzzsupport::require;

std::string noblanks(std::string_view text) {
    std::string s;
    for (char c : text)
        if (c != ' ') s.push_back(c);
    return s;
}

bool allstars(std::string_view text) { return !text.empty() && text.find_first_not_of('*') == std::string_view::npos; }

// The integer field rules read plainly, as a reference for readint.
bool plainreadint(std::string_view field, std::int32_t& value) {
    const std::string s = noblanks(field);
    if (s.empty()) {
        value = 0;
        return true;
    }
    const bool sign = s[0] == '+' || s[0] == '-';
    const std::string digits = s.substr(sign ? 1 : 0);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::size_t lead = digits.find_first_not_of('0');
    const std::string significant = lead == std::string::npos ? "0" : digits.substr(lead);
    if (significant.size() > 10) return false;
    std::int64_t acc = std::stoll(significant);
    if (s[0] == '-') acc = -acc;
    if (acc < std::numeric_limits<std::int32_t>::min() || acc > std::numeric_limits<std::int32_t>::max()) return false;
    value = static_cast<std::int32_t>(acc);
    return true;
}

void checkintegerfield(std::string_view field) {
    std::int32_t got = 0, want = 0, squeezed = 0;
    const bool ok = iolayer::readint(field, got);
    const bool plain = plainreadint(field, want);
    require(ok == plain && (!ok || got == want), "readint differs from the plain reading", field);
    const bool ok2 = iolayer::readint(noblanks(field), squeezed);
    require(ok2 == ok && (!ok || squeezed == got), "readint depends on blanks", field);
}

bool samefloat(float a, float b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

void checkrealfield(std::string_view field, int decimals) {
    float got = 0, squeezed = 0;
    const bool ok = iolayer::readreal(field, decimals, got);
    const bool ok2 = iolayer::readreal(noblanks(field), decimals, squeezed);
    require(ok == ok2 && (!ok || samefloat(got, squeezed)), "readreal depends on blanks", field);
}

// Several fields of a line read at once agree with reading them one by one.
void checkfieldruns(std::string_view line, std::size_t first, std::size_t width, int decimals) {
    const std::array<std::size_t, 3> widths = {width, 1 + width % 3, 4};
    std::array<std::int32_t, 3> ints{};
    const bool ok = iolayer::readints(line, first, widths, ints);
    bool each = true;
    std::size_t at = first;
    for (std::size_t i = 0; i < widths.size() && each; ++i) {
        std::int32_t v = 0;
        each = iolayer::readint(iolayer::columns(line, at, at + widths[i] - 1), v);
        if (each) require(ints[i] == v, "readints differs from readint", line);
        at += widths[i];
    }
    require(ok == each, "readints differs from readint", line);

    std::array<float, 3> reals{};
    const bool rok = iolayer::readreals(line, first, width, decimals, reals);
    bool reach = true;
    at = first;
    for (std::size_t i = 0; i < reals.size() && reach; ++i) {
        float v = 0;
        reach = iolayer::readreal(iolayer::columns(line, at, at + width - 1), decimals, v);
        if (reach) require(samefloat(reals[i], v), "readreals differs from readreal", line);
        at += width;
    }
    require(rok == reach, "readreals differs from readreal", line);
}

std::string digitsof(std::int64_t v) {
    return v < 0 ? std::to_string(0 - static_cast<std::uint64_t>(v)) : std::to_string(v);
}

// editi and editf into a buffer of exactly their width: AddressSanitizer stops
// a store past it.
template <typename Edit>
std::string editexact(int width, Edit edit) {
    auto buf = std::make_unique<char[]>(static_cast<std::size_t>(width));
    const char* end = edit(buf.get());
    require(end == buf.get() + width, "an edit does not end at its field's end");
    return std::string(buf.get(), static_cast<std::size_t>(width));
}

void checkintegeredits(std::int64_t v, int width) {
    const std::string shortest = iolayer::formati0(v);
    require(shortest == std::to_string(v), "I0 edit", shortest);
    require(iolayer::formati(v, 0) == shortest && iolayer::formatiz(v, 0) == shortest, "I0 through a width of 0");
    const std::string iw = iolayer::formati(v, width);
    require(iw.size() == static_cast<std::size_t>(width), "Iw edit has the wrong width", iw);
    const bool fits = shortest.size() <= static_cast<std::size_t>(width);
    require(fits != allstars(iw), "Iw edit: asterisks do not match the width", iw);
    if (fits) require(iolayer::trimleft(iw) == shortest, "Iw edit does not read back", iw);
    const std::string direct = editexact(width, [&](char* d) { return iolayer::editi(d, v, width); });
    require(direct == iw, "editi differs from formati", direct);
    // Iw.w: a minus sign needs a column of its own, which the w digits leave none of.
    const std::string iz = iolayer::formatiz(v, width);
    const std::string digits = digitsof(v);
    if (v < 0 || digits.size() > static_cast<std::size_t>(width)) {
        require(allstars(iz) && iz.size() == static_cast<std::size_t>(width), "Iw.w edit of a number that does not fit",
                iz);
    } else {
        require(iz == std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits,
                "Iw.w edit is not the zero-filled number", iz);
    }
    std::int32_t back = 0;
    if (fits && v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max()) {
        require(iolayer::readint(iw, back) && back == v, "an integer edit does not read back through readint", iw);
    }
}

// |text - x| is within half a unit of the last of d decimals (and the rounding
// error of a double at x's size).
bool roundsto(std::string_view text, double x, int decimals) {
    const double back = std::strtod(std::string(text).c_str(), nullptr);
    const double half = 0.5 * std::pow(10.0, -decimals);
    return std::fabs(back - x) <= half * (1 + 1e-9) + 4 * std::fabs(x) * std::numeric_limits<double>::epsilon();
}

void checkrealedits(double x, int width, int decimals) {
    const std::string fw = iolayer::formatf(x, width, decimals);
    require(fw.size() == static_cast<std::size_t>(width), "Fw.d edit has the wrong width", fw);
    const std::string direct = editexact(width, [&](char* d) { return iolayer::editf(d, x, width, decimals); });
    require(direct == fw, "editf differs from formatf", direct);
    require(iolayer::formatf(x, 0, decimals) == iolayer::formatf0(x, decimals), "F0.d through a width of 0");
    const std::string shortest = iolayer::formatf0(x, decimals);
    if (!std::isfinite(x)) {
        require(shortest == (std::isnan(x) ? "NaN"
                             : x < 0       ? "-Infinity"
                                           : "Infinity"),
                "F0.d of a non-number", shortest);
        require(allstars(fw), "Fw.d of a non-number is not asterisks", fw);
        return;
    }
    require(roundsto(shortest, x, decimals), "F0.d edit does not read back", shortest);
    // The leading zero is the one character a narrow field may drop, unless it is
    // the only digit.
    std::string narrow = shortest;
    const std::size_t zero = shortest[0] == '-' ? 1 : 0;
    if (decimals > 0 && shortest.compare(zero, 2, "0.") == 0) narrow.erase(zero, 1);
    const bool fits = narrow.size() <= static_cast<std::size_t>(width);
    require(fits != allstars(fw), "Fw.d edit: asterisks do not match the width", fw);
    if (!fits) return;
    const std::string_view text = iolayer::trimleft(fw);
    require(text == shortest || text == narrow, "Fw.d edit differs from F0.d", fw + " / " + shortest);
    const double back = std::strtod(std::string(text).c_str(), nullptr);
    if (std::fabs(back) < 1e37) {
        float read = 0;
        require(iolayer::readreal(fw, decimals, read), "an edited real does not read", fw);
        const auto want = static_cast<float>(back);
        require(read == want || read == std::nextafter(want, 0.0F) || read == std::nextafter(want, 2 * want),
                "an edited real reads back as another value", fw);
    }
}

void checktablepath(double x) {
    char fast[8];
    char general[8];
    iolayer::editf80(fast, x);
    iolayer::editf(general, x, 8, 0);
    require(std::string_view(fast, 8) == std::string_view(general, 8), "the inline F8.0 path differs from editf",
            std::string(fast, 8) + " / " + std::string(general, 8));
    require(std::string_view(fast, 8) == iolayer::formatf(x, 8, 0), "the inline F8.0 path differs from formatf");
    // The side-by-side path takes single-precision values, as the tables hold.
    const std::array<float, 1> value = {static_cast<float>(x)};
    char many[8];
    iolayer::editf80s(value, many);
    iolayer::editf80(fast, static_cast<double>(value[0]));
    require(std::string_view(many, 8) == std::string_view(fast, 8), "F8.0 of many values differs from editf80",
            std::string(many, 8) + " / " + std::string(fast, 8));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::inputbytes in(data, size);
    const int decimals = in.byte() % 16;
    const int width = 1 + in.byte() % 47;
    const std::uint8_t layout = in.byte();
    const auto i64 = in.value<std::int64_t>();
    const auto f64 = in.value<double>();
    const auto f32 = in.value<float>();
    const std::string_view field = in.rest();

    checkintegerfield(field);
    checkrealfield(field, decimals);
    checkfieldruns(field, 1 + layout % 5, 1 + (layout >> 3) % 12, decimals);

    // One integer and one real per input: the int64 as it is, cut to 32 or to 16
    // bits; the double, the float, or the int64 scaled by a power of two, which
    // reaches exact halves and the edges of every width.
    const std::array<std::int64_t, 3> integers = {i64, static_cast<std::int32_t>(i64), static_cast<std::int16_t>(i64)};
    checkintegeredits(integers[layout % 3], width);
    const std::array<double, 3> reals = {
        f64, static_cast<double>(f32), std::ldexp(static_cast<double>(static_cast<std::int32_t>(i64)), -(layout % 24))};
    const double x = reals[(layout / 3) % 3];
    checkrealedits(x, width, decimals);
    checktablepath(x);
    return 0;
}
