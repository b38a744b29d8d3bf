// Numbers as programs read them back (the shortest text) and as people read them
// (rounded, their thousands separated); escaped markup; counts, years and lake
// names in words.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "outlook/model/model.hpp"

namespace outlook {
namespace {

template <class T>
std::string shortestof(T value) {
    if (!std::isfinite(value)) return {};
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value + T{0});  // no "-0"
    return std::string(buffer, result.ptr);
}

std::string plural(std::size_t n, std::string_view noun) { return std::string(noun) + (n == 1 ? "" : "s"); }

}  // namespace

std::string shortest(double value) { return shortestof(value); }
std::string shortest(float value) { return shortestof(value); }

void appendshortest(std::string& out, double value) {
    if (!std::isfinite(value)) return;
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value + 0.0);  // no "-0"
    out.append(buffer, result.ptr);
}

std::string counted(std::size_t n, std::string_view noun) { return std::to_string(n) + " " + plural(n, noun); }

std::string countedforpeople(std::size_t n, std::string_view noun) {
    return forpeople(static_cast<double>(n), 0) + " " + plural(n, noun);
}

std::string yearruns(std::vector<std::int32_t> years) {
    std::sort(years.begin(), years.end());
    std::string text;
    for (std::size_t i = 0; i < years.size();) {
        std::size_t j = i;
        while (j + 1 < years.size() && years[j + 1] <= years[j] + 1) ++j;
        if (!text.empty()) text += ", ";
        text += std::to_string(years[i]);
        if (j > i) {
            text += '-';
            text += std::to_string(years[j]);
        }
        i = j + 1;
    }
    return text;
}

std::string markupescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string forpeople(double value, int decimals) {
    if (!std::isfinite(value)) return "–";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, std::abs(value));
    const std::string digits(buffer);
    const std::size_t point = digits.find('.');
    const std::size_t whole = point == std::string::npos ? digits.size() : point;
    std::string out;
    for (std::size_t k = 0; k < whole; ++k) {
        if (k > 0 && (whole - k) % 3 == 0) out += ',';
        out += digits[k];
    }
    out += digits.substr(whole);
    const bool zero = out.find_first_not_of("0.,") == std::string::npos;
    return (value < 0 && !zero ? "−" : "") + out;  // a minus sign, not a hyphen
}

std::string percentforpeople(double share) { return forpeople(100.0 * share, 0) + " %"; }

std::string yearsforpeople(std::span<const std::int32_t> years) {
    const auto [lo, hi] = std::minmax_element(years.begin(), years.end());
    return std::to_string(*lo) + (*lo == *hi ? "" : "–" + std::to_string(*hi));
}

std::string lakenameof(std::int32_t lakeindex, std::string_view fallback) {
    namespace subs = rerove_tivorn_subs;
    if (const std::string name = subs::lakename(lakeindex); !name.empty()) return name;
    if (const std::int32_t named = subs::lakeindexoftablename(fallback); named != 0) return subs::lakename(named);
    return std::string(fallback);
}

}  // namespace outlook
