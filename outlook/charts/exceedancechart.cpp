// The exceedance curve of one period as a self-contained SVG document: each
// scenario's value at its exceedance probability, labelled with its year.
#include <algorithm>
#include <limits>
#include <stdexcept>

#include "outlook/charts/charts.hpp"

namespace outlook {
namespace {

using namespace svgparts;  // the canvas every chart draws on

// Exceedance (0 to 1) along x, value along y.
struct scales {
    double lo = 0, hi = 1;
    static double x(double exceedance) { return left + exceedance * (right - left); }
    double y(double v) const { return bottom - (v - lo) / (hi - lo) * (bottom - top); }
};

// The points of a sample, largest value (smallest exceedance) first.
struct curve {
    std::vector<double> exceedance, values;
    std::vector<std::size_t> scenarios;
};

curve curveof(const periodsample& sample, positionrule rule) {
    const std::vector<double> at = positions(sample.values.size(), sample.weights, rule);
    curve c;
    for (std::size_t i = sample.values.size(); i-- > 0;) {
        c.exceedance.push_back(1.0 - at[i]);
        c.values.push_back(sample.values[i]);
        c.scenarios.push_back(sample.scenarios[i]);
    }
    return c;
}

void polyline(std::string& out, const curve& c, std::string_view cls, const scales& s) {
    out += "<polyline class=\"" + std::string(cls) + "\" points=\"";
    for (std::size_t i = 0; i < c.values.size(); ++i) {
        if (i != 0) out += ' ';
        out += num(scales::x(c.exceedance[i]));
        out += ',';
        out += num(s.y(c.values[i]));
    }
    out += "\"/>\n";
}

void axes(std::string& out, const scales& s, const std::vector<double>& ticks, periodstat stat) {
    for (const double t : ticks) {
        const std::string y = num(s.y(t));
        out += "<line class=\"ytick\" x1=\"" + num(left) + "\" x2=\"" + num(right) + "\" y1=\"" + y + "\" y2=\"" + y +
               "\"/>\n";
        label(out, left - 6, s.y(t) + 4, "ylabel", shortest(t));
    }
    for (int p = 0; p <= 100; p += 10) {
        const std::string x = num(scales::x(p / 100.0));
        out += "<line class=\"xtick\" x1=\"" + x + "\" x2=\"" + x + "\" y1=\"" + num(top) + "\" y2=\"" +
               num(bottom + 6) + "\"/>\n";
        label(out, scales::x(p / 100.0), bottom + 20, "xlabel", std::to_string(p) + " %");
    }
    label(out, (left + right) / 2, bottom + 42, "units", "Probability of exceedance");
    out += "<text class=\"units\" transform=\"translate(22," + num((top + bottom) / 2) + ") rotate(-90)\">" +
           svgparts::quantity(stat) + "</text>\n";
}

// Year labels above and right of their points, where the curve, falling to
// the right, leaves room: beside the point while they fit, upright in a
// smaller type when they are close, and only every so many when even that
// would crowd.
void yearlabels(std::string& out, const curve& c, const ensemble& e, const scales& s) {
    const std::size_t n = c.values.size();
    const double step = n > 1 ? scales::x(c.exceedance[1]) - scales::x(c.exceedance[0]) : right - left;
    const bool beside = step >= 34;
    if (!beside) out += "<style>.yearlabel{font-size:10px}</style>\n";
    double last = -std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < n; ++i) {
        const double x = scales::x(c.exceedance[i]);
        const double y = s.y(c.values[i]);
        if (x - last < 11) continue;
        last = x;
        const std::string year = std::to_string(e.years[c.scenarios[i]]);
        if (beside)
            label(out, x + 6, y - 6, "yearlabel", year);
        else
            out += "<text class=\"yearlabel\" transform=\"translate(" + num(x + 7) + "," + num(y - 4) +
                   ") rotate(-90)\">" + year + "</text>\n";
    }
}

void markers(std::string& out, const curve& c, const ensemble& e, const scales& s, std::string_view unit) {
    for (std::size_t i = 0; i < c.values.size(); ++i) {
        out += "<circle class=\"scenario\" cx=\"" + num(scales::x(c.exceedance[i])) + "\" cy=\"" +
               num(s.y(c.values[i])) + "\" r=\"3.5\"><title>" + std::to_string(e.years[c.scenarios[i]]) + ": " +
               shortest(std::round(c.values[i] * 10.0) / 10.0) + " " + std::string(unit) + ", exceeded with " +
               shortest(std::round(c.exceedance[i] * 1000.0) / 10.0) + " %</title></circle>\n";
    }
}

void legend(std::string& out, bool weighted) {
    const double y = height - 24;
    out += "<line class=\"equalcurve\" x1=\"" + num(left) + "\" x2=\"" + num(left + 24) + "\" y1=\"" + num(y - 4) +
           "\" y2=\"" + num(y - 4) + "\"/>\n<circle class=\"legendpoint\" cx=\"" + num(left + 12) + "\" cy=\"" +
           num(y - 4) + "\" r=\"3.5\"/>\n";
    label(out, left + 30, y, "legend", weighted ? "each scenario, equal weights" : "each scenario");
    if (!weighted) return;
    const double x = left + 250;
    out += "<line class=\"weightedcurve\" x1=\"" + num(x) + "\" x2=\"" + num(x + 24) + "\" y1=\"" + num(y - 4) +
           "\" y2=\"" + num(y - 4) + "\"/>\n";
    label(out, x + 30, y, "legend", "weighted");
}

constexpr std::string_view style =
    "<style>\n"
    "text{font-family:sans-serif;font-size:12px;fill:#222}\n"
    ".title{font-size:15px;text-anchor:middle}.ylabel{text-anchor:end}.units{text-anchor:middle}\n"
    ".xlabel{text-anchor:middle}.yearlabel{fill:#444}.empty{text-anchor:middle;fill:#888}\n"
    ".equalcurve{fill:none;stroke:#08306b;stroke-width:1.5}\n"
    ".weightedcurve{fill:none;stroke:#d94801;stroke-width:2;stroke-dasharray:6 3}\n"
    ".scenario,.legendpoint{fill:#4292c6;stroke:#08306b;stroke-width:1}\n"
    ".ytick,.xtick{stroke:#ddd;stroke-width:1}.zero{stroke:#000;stroke-width:1.2}.frame{fill:none;stroke:#444}\n"
    "</style>\n";

}  // namespace

std::string exceedancechart(const ensemble& e, std::span<const period> periods, std::size_t which,
                            const exceedanceoptions& options) {
    if (which >= periods.size()) throw std::out_of_range("no such period of the outlook");
    // Accumulated depths need every period up to this one.
    const auto values = periodvalues(e, periods.first(which + 1), options.stat);
    const curve equal = curveof(sampleof(values, {}, which), options.rule);
    const bool weighted = !options.weights.empty();
    const curve heavy = weighted ? curveof(sampleof(values, options.weights, which), options.rule) : curve{};
    scales s;
    if (!equal.values.empty()) {
        s.lo = equal.values.back(), s.hi = equal.values.front();
        const double span = std::max(s.hi - s.lo, std::max(1.0, std::abs(s.hi) * 0.1));
        s.lo -= 0.05 * span, s.hi += 0.15 * span;  // room for the labels above the largest
    }
    const std::vector<double> ticks = roundticks(s.lo, s.hi, 6);
    s.lo = ticks.front(), s.hi = ticks.back();

    std::string out = svgparts::svgopen(options.width);
    out += std::string(style) + "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    const std::size_t n = equal.values.size();
    label(out, width / 2, 28, "title",
          escaped(lakenameof(e.lakeindex, e.lake)) + ", " + isodate(periods[which].first) + " to " +
              isodate(periods[which].last) + ": exceedance of " + std::to_string(n) +
              (n == 1 ? " scenario" : " scenarios") + (weighted ? " (weighted)" : ""));
    axes(out, s, ticks, options.stat);
    if (s.lo < 0 && s.hi > 0)
        out += "<line class=\"zero\" x1=\"" + num(left) + "\" x2=\"" + num(right) + "\" y1=\"" + num(s.y(0)) +
               "\" y2=\"" + num(s.y(0)) + "\"/>\n";
    if (n == 0) label(out, (left + right) / 2, (top + bottom) / 2, "empty", "no scenario has a value for this period");
    polyline(out, equal, "equalcurve", s);
    if (weighted) polyline(out, heavy, "weightedcurve", s);
    markers(out, equal, e, s, unitof(options.stat) == "mm" ? "mm" : "m³/s");
    yearlabels(out, equal, e, s);
    out += "<rect class=\"frame\" x=\"" + num(left) + "\" y=\"" + num(top) + "\" width=\"" + num(right - left) +
           "\" height=\"" + num(bottom - top) + "\"/>\n";
    legend(out, weighted);
    out += "</svg>\n";
    return out;
}

}  // namespace outlook
