// Texts for people: escaped markup, numbers rounded with their thousands
// separated, lake names in full.
#include <cmath>
#include <cstdio>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "outlook/outlook.hpp"

namespace outlook {

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

std::string lakenameof(std::int32_t lakeindex, std::string_view fallback) {
    const auto& names = fcstutil::levlkname10;
    if (lakeindex >= 1 && lakeindex <= static_cast<std::int32_t>(names.size()))
        return std::string(iolayer::trimright(names[static_cast<std::size_t>(lakeindex - 1)]));
    for (const auto& name : names) {  // the name a table's first line gives ("Mich-Hur")
        if (iolayer::trimright(std::string_view(name).substr(0, 8)) == fallback)
            return std::string(iolayer::trimright(name));
    }
    return std::string(fallback);
}

}  // namespace outlook
