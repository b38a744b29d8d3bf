// A histogram as a small self-contained SVG: one bar a class, its count above it.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "outlook/charts/charts.hpp"

namespace outlook {
namespace {

constexpr double width = 480, height = 260;
constexpr double left = 44, right = 470, top = 34, bottom = 214;

std::string num(double v) {
    char buffer[32];
    const auto r =
        std::to_chars(buffer, buffer + sizeof buffer, std::round(v * 10.0) / 10.0 + 0.0, std::chars_format::fixed);
    return std::string(buffer, r.ptr);
}

}  // namespace

std::string histogramchart(std::string_view title, std::span<const std::string> labels,
                           std::span<const double> counts) {
    const double most = std::max(1.0, counts.empty() ? 1.0 : *std::max_element(counts.begin(), counts.end()));
    const double slot = (right - left) / static_cast<double>(std::max<std::size_t>(counts.size(), 1));
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"histogram\" width=\"" + num(width) +
                      "\" height=\"" + num(height) + "\" viewBox=\"0 0 " + num(width) + " " + num(height) + "\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    out += "<text x=\"" + num(width / 2) + "\" y=\"20\" text-anchor=\"middle\" font-size=\"14\">" +
           markupescaped(title) + "</text>\n";
    // Thin the class labels so that they never overlap (about 28 px a label).
    const std::size_t every = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(28.0 / slot)));
    for (std::size_t k = 0; k < counts.size(); ++k) {
        const double h = counts[k] / most * (bottom - top);
        const double x = left + static_cast<double>(k) * slot;
        out += "<rect class=\"bar\" x=\"" + num(x + slot * 0.1) + "\" y=\"" + num(bottom - h) + "\" width=\"" +
               num(slot * 0.8) + "\" height=\"" + num(h) + "\" fill=\"#4292c6\"/>\n";
        if (slot >= 22)
            out += "<text x=\"" + num(x + slot / 2) + "\" y=\"" + num(bottom - h - 4) +
                   "\" text-anchor=\"middle\" font-size=\"10\">" + svgparts::countlabel(counts[k]) + "</text>\n";
        if (k < labels.size() && k % every == 0)
            out += "<text x=\"" + num(x + slot / 2) + "\" y=\"" + num(bottom + 16) +
                   "\" text-anchor=\"middle\" font-size=\"10\">" + markupescaped(labels[k]) + "</text>\n";
    }
    out += "<line x1=\"" + num(left) + "\" x2=\"" + num(right) + "\" y1=\"" + num(bottom) + "\" y2=\"" + num(bottom) +
           "\" stroke=\"#444\"/>\n</svg>\n";
    return out;
}

}  // namespace outlook
