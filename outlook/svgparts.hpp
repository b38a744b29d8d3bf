// Pieces that every chart of the companion writes the same way: numbers in
// pixels, escaped texts, the document's opening and the names of what is drawn.
// Private to outlook/.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "outlook/outlook.hpp"

namespace outlook::svgparts {

// Canvas and plot area of the charts, in pixels.
constexpr double width = 1000, height = 560;
constexpr double left = 90, right = 980, top = 60, bottom = 440;

// Pixels to a tenth, appended to out: the shortest text of the tenth, which
// below 10^8 is its whole part and one decimal unless that is 0.
inline void appendnum(std::string& out, double v) {
    const double tenths = std::round(v * 10.0);
    char buffer[32];
    char* end = buffer;
    if (std::abs(tenths) < 1e9) {
        auto k = static_cast<std::int64_t>(tenths);
        if (k < 0) *end++ = '-', k = -k;
        end = std::to_chars(end, buffer + sizeof buffer, k / 10).ptr;
        if (k % 10 != 0) *end++ = '.', *end++ = static_cast<char>('0' + k % 10);
    } else {
        end = std::to_chars(buffer, buffer + sizeof buffer, tenths / 10.0 + 0.0, std::chars_format::fixed).ptr;
    }
    out.append(buffer, end);
}

inline std::string num(double v) {
    std::string out;
    appendnum(out, v);
    return out;
}

inline std::string escaped(std::string_view text) { return markupescaped(text); }

// A text element; text is already escaped.
inline void label(std::string& out, double x, double y, std::string_view cls, const std::string& text) {
    out += "<text class=\"" + std::string(cls) + "\" x=\"" + num(x) + "\" y=\"" + num(y) + "\">" + text + "</text>\n";
}

// What the value axis shows, with its unit.
inline std::string quantity(periodstat stat) {
    switch (stat) {
        case periodstat::mean: return "Net basin supply (m³/s)";
        case periodstat::min: return "Lowest daily net basin supply (m³/s)";
        case periodstat::max: return "Highest daily net basin supply (m³/s)";
        case periodstat::volume: return "Net basin supply of the period (mm)";
        case periodstat::accumulated: return "Accumulated net basin supply (mm)";
    }
    return "";
}

// The opening of a document of the canvas, displayed shown pixels wide (0: as
// many as its units) with the same proportions.
inline std::string svgopen(double shown) {
    const double w = shown > 0 ? shown : width;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(w) +
           "\" height=\"" + num(w * height / width) + "\" viewBox=\"0 0 " + num(width) + " " + num(height) + "\">\n";
}

}  // namespace outlook::svgparts
