// The skill of an outlook by lead as a small self-contained SVG: a point a lead,
// the interval of each as a bar through it, the line of no skill.
#include <algorithm>
#include <cmath>

#include "outlook/charts/charts.hpp"

namespace outlook {
namespace {

constexpr double width = 480, height = 260;
constexpr double left = 56, right = 470, top = 34, bottom = 214;

std::string px(double v) { return svgparts::num(v); }

// The lowest and highest of the values and their bounds, 0 among them.
std::pair<double, double> rangeof(std::span<const double> values, std::span<const double> low,
                                  std::span<const double> high) {
    double lo = 0, hi = 0;
    for (const auto& series : {values, low, high}) {
        for (const double v : series) {
            if (!std::isfinite(v)) continue;
            lo = std::min(lo, v), hi = std::max(hi, v);
        }
    }
    if (hi - lo < 1e-9) hi = lo + 1;
    return {lo, hi};
}

}  // namespace

std::string skillchart(std::string_view title, std::span<const std::string> leads, std::span<const double> values,
                       std::span<const double> low, std::span<const double> high) {
    const auto [lo, hi] = rangeof(values, low, high);
    const std::vector<double> ticks = roundticks(lo, hi, 5);
    const double ylo = std::min(lo, ticks.front()), yhi = std::max(hi, ticks.back());
    const auto y = [&](double v) { return bottom - (v - ylo) / (yhi - ylo) * (bottom - top); };
    const double slot = (right - left) / static_cast<double>(std::max<std::size_t>(leads.size(), 1));
    // The ticks' labels with as many decimals as their step needs.
    const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1.0;
    const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"skill\" width=\"" + px(width) +
                      "\" height=\"" + px(height) + "\" viewBox=\"0 0 " + px(width) + " " + px(height) + "\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    out += "<text x=\"" + px(width / 2) + "\" y=\"20\" text-anchor=\"middle\" font-size=\"14\">" +
           markupescaped(title) + "</text>\n";
    for (const double t : ticks) {
        out += "<line x1=\"" + px(left) + "\" x2=\"" + px(right) + "\" y1=\"" + px(y(t)) + "\" y2=\"" + px(y(t)) +
               "\" stroke=\"" + (t == 0 ? "#444" : "#ddd") + "\"/>\n";
        out += "<text x=\"" + px(left - 6) + "\" y=\"" + px(y(t) + 4) + "\" text-anchor=\"end\" font-size=\"10\">" +
               forpeople(t, decimals) + "</text>\n";
    }
    const std::size_t every = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(24.0 / slot)));
    for (std::size_t k = 0; k < leads.size(); ++k) {
        const double x = left + (static_cast<double>(k) + 0.5) * slot;
        if (k < low.size() && k < high.size() && std::isfinite(low[k]) && std::isfinite(high[k]))
            out += "<line class=\"interval\" x1=\"" + px(x) + "\" x2=\"" + px(x) + "\" y1=\"" + px(y(low[k])) +
                   "\" y2=\"" + px(y(high[k])) + "\" stroke=\"#6baed6\" stroke-width=\"3\"/>\n";
        if (k < values.size() && std::isfinite(values[k]))
            out += "<circle class=\"skill\" cx=\"" + px(x) + "\" cy=\"" + px(y(values[k])) +
                   "\" r=\"4\" fill=\"#08519c\"/>\n";
        if (k % every == 0)
            out += "<text x=\"" + px(x) + "\" y=\"" + px(bottom + 16) + "\" text-anchor=\"middle\" font-size=\"10\">" +
                   markupescaped(leads[k]) + "</text>\n";
    }
    out += "</svg>\n";
    return out;
}

}  // namespace outlook
