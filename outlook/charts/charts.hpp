// outlook charts: the companion's SVG charts of an outlook, each a document of
// its own that any browser opens: the fan chart of the periods, the exceedance
// chart of one period, histograms and reliability diagrams; and the canvas they
// draw on alike.
#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "outlook/analysis/analysis.hpp"
#include "outlook/model/model.hpp"

namespace outlook {

// ---------------------------------------------------------------------------
// The charts (fanchart.cpp, exceedancechart.cpp, histogramchart.cpp,
// reliabilitychart.cpp)
// ---------------------------------------------------------------------------

struct chartoptions {
    bool traces = false;
    std::optional<std::int32_t> highlight;  // a scenario year of the ensemble
    periodstat stat = periodstat::mean;
    positionrule rule = positionrule::weibull;
    // Exceedance percentages of the bands: the outer pair spans the largest
    // and smallest, the inner pair the other two.
    std::array<double, 4> levels = {90, 75, 25, 10};
    std::vector<double> weights{};  // one per scenario; empty for equal weights
    double width = 0;               // displayed width in pixels; 0 for the chart's own
};

// The fan chart of the periods. optionerror when the highlighted year is not one
// of the ensemble's.
std::string fanchart(const ensemble& e, std::span<const period> periods, const chartoptions& options);

struct exceedanceoptions {
    periodstat stat = periodstat::mean;
    positionrule rule = positionrule::weibull;
    std::vector<double> weights{};  // one per scenario; empty for equal weights only
    double width = 0;               // displayed width in pixels; 0 for the chart's own
};

// The exceedance probability of each scenario's value for periods[which] (0 to
// 100 % along x, the value along y), each scenario a point labelled with its
// year; with weights, the weighted curve beside the equal-weight one.
std::string exceedancechart(const ensemble& e, std::span<const period> periods, std::size_t which,
                            const exceedanceoptions& options);

// A point of a reliability diagram: the mean forecast probability of a class of
// forecasts, how often the event followed them, and how many they are.
struct reliabilitymark {
    double forecast = 0, observed = 0, count = 0;
};

// Observed frequency against forecast probability, both 0 to 1, with the
// diagonal of perfect reliability; each point's area by its count, the count
// beside it. An SVG element without XML declaration.
std::string reliabilitychart(std::string_view title, std::span<const reliabilitymark> marks);

// Bars of counts (fractional ones too) over their class labels, as an SVG element
// without XML declaration.
std::string histogramchart(std::string_view title, std::span<const std::string> labels, std::span<const double> counts);

// The skill of each lead (labels) as a point with its interval from low to high, on
// the line of no skill at 0, as an SVG element without XML declaration; NaN
// values and bounds are left out.
std::string skillchart(std::string_view title, std::span<const std::string> leads, std::span<const double> values,
                       std::span<const double> low, std::span<const double> high);

// Round tick values covering lo to hi (lo < hi), about target of them.
std::vector<double> roundticks(double lo, double hi, int target);

// ---------------------------------------------------------------------------
// The canvas of the fan and exceedance charts: numbers in pixels, escaped texts,
// the document's opening and the names of what is drawn.
// ---------------------------------------------------------------------------

namespace svgparts {

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

// A count for people: whole counts without decimals, shared-out ones with one.
inline std::string countlabel(double count) { return forpeople(count, count == std::round(count) ? 0 : 1); }

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

}  // namespace svgparts

}  // namespace outlook
