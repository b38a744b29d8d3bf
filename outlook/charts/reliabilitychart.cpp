// A reliability diagram as a small self-contained SVG: observed frequency against
// forecast probability, the diagonal, a point a class sized by its count.
#include <algorithm>
#include <cmath>

#include "outlook/charts/charts.hpp"

namespace outlook {
namespace {

using svgparts::countlabel;
using svgparts::num;

// The canvas, and its square plot area, in pixels.
constexpr double width = 360, height = 340;
constexpr double left = 60, top = 34, side = 240, right = left + side, bottom = top + side;
constexpr double smallest = 3, largest = 12;  // point radii, of no forecast and of the most

double xof(double p) { return left + std::clamp(p, 0.0, 1.0) * side; }
double yof(double p) { return bottom - std::clamp(p, 0.0, 1.0) * side; }

std::string line(double x1, double y1, double x2, double y2, std::string_view style) {
    return "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" + num(y2) + "\" " +
           std::string(style) + "/>\n";
}

std::string text(double x, double y, std::string_view attributes, std::string_view escapedtext) {
    return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" " + std::string(attributes) + ">" +
           std::string(escapedtext) + "</text>\n";
}

// The grid and tick labels by fifths, the frame and the axis titles.
std::string frame() {
    std::string out;
    for (int k = 0; k <= 5; ++k) {
        const double p = k / 5.0;
        out += line(xof(p), top, xof(p), bottom, "stroke=\"#ddd\"");
        out += line(left, yof(p), right, yof(p), "stroke=\"#ddd\"");
        out += text(xof(p), bottom + 16, "text-anchor=\"middle\" font-size=\"10\"", shortest(p));
        out += text(left - 6, yof(p) + 4, "text-anchor=\"end\" font-size=\"10\"", shortest(p));
    }
    out += "<rect x=\"" + num(left) + "\" y=\"" + num(top) + "\" width=\"" + num(side) + "\" height=\"" + num(side) +
           "\" fill=\"none\" stroke=\"#444\"/>\n";
    out += text(left + side / 2, bottom + 36, "text-anchor=\"middle\" font-size=\"12\"", "Forecast probability");
    out += text(16, top + side / 2,
                "text-anchor=\"middle\" font-size=\"12\" transform=\"rotate(-90 16 " + num(top + side / 2) + ")\"",
                "Observed frequency");
    return out;
}

}  // namespace

std::string reliabilitychart(std::string_view title, std::span<const reliabilitymark> marks) {
    std::vector<reliabilitymark> sorted(marks.begin(), marks.end());
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.forecast < b.forecast; });
    double most = 0;
    for (const reliabilitymark& m : sorted) most = std::max(most, m.count);
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"reliability\" width=\"" + num(width) +
                      "\" height=\"" + num(height) + "\" viewBox=\"0 0 " + num(width) + " " + num(height) + "\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    out += text(width / 2, 20, "text-anchor=\"middle\" font-size=\"14\"", markupescaped(title));
    out += frame();
    out += line(xof(0), yof(0), xof(1), yof(1), "class=\"diagonal\" stroke=\"#888\" stroke-dasharray=\"4 3\"");
    std::string points;
    for (const reliabilitymark& m : sorted) {
        if (!points.empty()) points += ' ';
        points += num(xof(m.forecast)) + ',' + num(yof(m.observed));
    }
    if (sorted.size() > 1)
        out += "<polyline class=\"curve\" points=\"" + points + "\" fill=\"none\" stroke=\"#4292c6\"/>\n";
    for (const reliabilitymark& m : sorted) {
        // The area of a point grows with its count.
        const double r = smallest + (largest - smallest) * std::sqrt(most > 0 ? m.count / most : 0.0);
        out += "<circle class=\"point\" cx=\"" + num(xof(m.forecast)) + "\" cy=\"" + num(yof(m.observed)) + "\" r=\"" +
               num(r) + "\" fill=\"#4292c6\" fill-opacity=\"0.7\"/>\n";
        out +=
            text(xof(m.forecast) + r + 2, yof(m.observed) - r, "class=\"count\" font-size=\"10\"", countlabel(m.count));
    }
    return out + "</svg>\n";
}

}  // namespace outlook
