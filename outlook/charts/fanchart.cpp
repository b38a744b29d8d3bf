// The fan chart of an outlook as a self-contained SVG document.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>

#include "keldautil/keldautil.hpp"
#include "outlook/charts/charts.hpp"

namespace outlook {
namespace {

using namespace svgparts;  // the canvas every chart draws on

// x in pixels, v a value in m3/s.
struct point {
    double x, v;
};
using run = std::vector<point>;

// Day and value scales of the plot area.
struct scales {
    std::int32_t firstday = 0;
    double days = 1;
    double lo = 0, hi = 1;
    double x(double day) const { return left + (day - firstday) / days * (right - left); }
    double y(double v) const { return bottom - (v - lo) / (hi - lo) * (bottom - top); }
};

std::string points(const run& r, const scales& s) {
    std::string out;
    for (const point& p : r) {
        svgparts::appendnum(out, p.x);
        out += ',';
        svgparts::appendnum(out, s.y(p.v));
        out += ' ';
    }
    if (!out.empty()) out.pop_back();
    return out;
}

// The runs of a series of period values, NaN breaking them: steps over each
// period while they fit the width, otherwise one mean point per pixel column.
std::vector<run> series(std::span<const period> periods, std::span<const double> values, const scales& s) {
    std::vector<run> runs(1);
    const auto breakrun = [&] {
        if (!runs.back().empty()) runs.emplace_back();
    };
    if (2 * periods.size() <= static_cast<std::size_t>(right - left)) {
        for (std::size_t p = 0; p < periods.size(); ++p) {
            if (std::isnan(values[p])) {
                breakrun();
                continue;
            }
            runs.back().push_back({s.x(periods[p].first), values[p]});
            runs.back().push_back({s.x(periods[p].last + 1), values[p]});
        }
    } else {
        double sum = 0, column = -1;
        int count = 0;
        bool gap = false;
        const auto flush = [&] {
            if (gap)
                breakrun();
            else if (count > 0)
                runs.back().push_back({column + 0.5, sum / count});
            sum = 0, count = 0, gap = false;
        };
        for (std::size_t p = 0; p < periods.size(); ++p) {
            const double c = std::floor(s.x(0.5 * (periods[p].first + periods[p].last + 1)));
            if (c != column) flush(), column = c;
            if (std::isnan(values[p]))
                gap = true;
            else
                sum += values[p], ++count;
        }
        flush();
    }
    if (runs.back().empty()) runs.pop_back();
    return runs;
}

void polylines(std::string& out, const std::vector<run>& runs, std::string_view cls, const scales& s) {
    for (const run& r : runs) out += "<polyline class=\"" + std::string(cls) + "\" points=\"" + points(r, s) + "\"/>\n";
}

// Polygons between an upper and a lower series of the same gaps.
void bands(std::string& out, const std::vector<run>& upper, const std::vector<run>& lower, std::string_view cls,
           const scales& s) {
    for (std::size_t i = 0; i < upper.size() && i < lower.size(); ++i) {
        run outline = upper[i];
        outline.insert(outline.end(), lower[i].rbegin(), lower[i].rend());
        out += "<polygon class=\"" + std::string(cls) + "\" points=\"" + points(outline, s) + "\"/>\n";
    }
}

struct ymd {
    std::int32_t day = 0, month = 0, year = 0;
};
ymd dateof(std::int32_t seq) {
    ymd d;
    keldautil::sequencedate(d.day, d.month, d.year, seq);
    return d;
}

void valueaxis(std::string& out, const scales& s, const std::vector<double>& ticks, periodstat stat) {
    for (const double t : ticks) {
        const std::string y = num(s.y(t));
        // NOLINTNEXTLINE(performance-inefficient-string-concatenation): a few ticks a chart; one line reads best
        out += "<line class=\"ytick\" x1=\"" + num(left) + "\" x2=\"" + num(right) + "\" y1=\"" + y + "\" y2=\"" + y +
               "\"/>\n<text class=\"ylabel\" x=\"" + num(left - 6) + "\" y=\"" + num(s.y(t) + 4) + "\">" + shortest(t) +
               "</text>\n";
    }
    if (s.lo <= 0 && s.hi >= 0) {
        const std::string y = num(s.y(0));
        out += "<line class=\"zero\" x1=\"" + num(left) + "\" x2=\"" + num(right) + "\" y1=\"" + y + "\" y2=\"" + y +
               "\"/>\n";
    }
    out += "<text class=\"units\" transform=\"translate(22," + num((top + bottom) / 2) + ") rotate(-90)\">" +
           svgparts::quantity(stat) + "</text>\n";
}

void tick(std::string& out, double x, std::string_view cls, double length) {
    out += "<line class=\"" + std::string(cls) + "\" x1=\"" + num(x) + "\" x2=\"" + num(x) + "\" y1=\"" + num(bottom) +
           "\" y2=\"" + num(bottom + length) + "\"/>\n";
}

// Month ticks (only Januaries when months would crowd), month names where they
// fit, year labels at Januaries spaced to fit; a short span gets dated ends.
void timeaxis(std::string& out, const scales& s, std::int32_t lastday) {
    const double monthwidth = 30.44 / s.days * (right - left);
    constexpr std::array<std::int32_t, 8> steps = {1, 2, 5, 10, 20, 50, 100, 200};
    std::int32_t yearstep = steps.back();
    for (const std::int32_t step : steps) {
        if (step * 12 * monthwidth >= 45) {
            yearstep = step;
            break;
        }
    }
    ymd d = dateof(s.firstday);
    int ticks = 0;
    for (std::int32_t m = d.month, y = d.year;; m = m % 12 + 1, y += m == 1 ? 1 : 0) {
        std::int32_t seq = 0;
        keldautil::datesequence(1, m, y, seq);
        if (seq > lastday + 1) break;
        if (seq < s.firstday) continue;
        const double x = s.x(seq);
        if (m == 1 || monthwidth >= 4) tick(out, x, "xtick", m == 1 ? 10 : 5), ++ticks;
        if (monthwidth >= 28 && seq <= lastday)
            label(out, x + monthwidth / 2, bottom + 18, "month", keldautil::moncode3[static_cast<std::size_t>(m - 1)]);
        if (m == 1 && y % yearstep == 0) label(out, x, bottom + 36, "year", std::to_string(y));
    }
    if (ticks < 2) {
        tick(out, left, "xtick", 10);
        tick(out, right, "xtick", 10);
        label(out, left, bottom + 36, "spanstart", isodate(s.firstday));
        label(out, right, bottom + 36, "spanend", isodate(lastday));
    } else if (d.month != 1 && (13 - d.month) * monthwidth >= 45) {
        label(out, left, bottom + 36, "year", std::to_string(d.year));  // the first year, begun before January
    }
}

// The band levels, largest first.
std::array<double, 4> bandlevels(const chartoptions& options) {
    std::array<double, 4> l = options.levels;
    std::sort(l.begin(), l.end(), std::greater<>());
    return l;
}

void legend(std::string& out, const chartoptions& options) {
    struct entry {
        std::string_view shape, cls, text;
    };
    const std::array<double, 4> l = bandlevels(options);
    const std::string outer = shortest(l[0]) + " % to " + shortest(l[3]) + " % exceedance";
    const std::string inner = shortest(l[1]) + " % to " + shortest(l[2]) + " %";
    std::vector<entry> entries = {{"rect", "band90", outer}, {"rect", "band75", inner}, {"line", "median", "median"}};
    if (options.traces) entries.push_back({"line", "trace", "each scenario"});
    const std::string highlighted = options.highlight ? "scenario " + std::to_string(*options.highlight) : "";
    if (options.highlight) entries.push_back({"line", "highlight", highlighted});
    double x = left;
    const double y = height - 30;
    for (const entry& e : entries) {
        if (e.shape == "rect")
            out += "<rect class=\"" + std::string(e.cls) + "\" x=\"" + num(x) + "\" y=\"" + num(y - 9) +
                   "\" width=\"24\" height=\"12\"/>\n";
        else
            out += "<line class=\"" + std::string(e.cls) + "\" x1=\"" + num(x) + "\" x2=\"" + num(x + 24) + "\" y1=\"" +
                   num(y - 3) + "\" y2=\"" + num(y - 3) + "\" style=\"stroke-width:2;stroke-opacity:1\"/>\n";
        label(out, x + 30, y + 1, "legend", std::string(e.text));
        x += 46 + 7.0 * static_cast<double>(e.text.size());
    }
}

constexpr std::string_view style =
    "<style>\n"
    "text{font-family:sans-serif;font-size:12px;fill:#222}\n"
    ".title{font-size:15px;text-anchor:middle}.ylabel{text-anchor:end}.units{text-anchor:middle}\n"
    ".month{text-anchor:middle;fill:#555;font-size:10px}.year{text-anchor:middle}.spanstart{text-anchor:start}.spanend{"
    "text-anchor:end}\n"
    ".band90{fill:#9ecae1;stroke:none}.band75{fill:#4292c6;stroke:none}\n"
    ".median{fill:none;stroke:#08306b;stroke-width:2}\n"
    ".trace{fill:none;stroke:#333;stroke-width:0.6}\n"
    ".highlight{fill:none;stroke:#d94801;stroke-width:1.8}\n"
    ".ytick{stroke:#ddd;stroke-width:1}.zero{stroke:#000;stroke-width:1.2}\n"
    ".xtick{stroke:#444;stroke-width:1}.frame{fill:none;stroke:#444}\n"
    "</style>\n";

}  // namespace

std::vector<double> roundticks(double lo, double hi, int target) {
    const double raw = (hi - lo) / std::max(target, 1);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * magnitude;
    for (const double f : {1.0, 2.0, 5.0}) {
        if (f * magnitude >= raw) {
            step = f * magnitude;
            break;
        }
    }
    std::vector<double> ticks;
    const double first = std::floor(lo / step);
    const double last = std::ceil(hi / step);
    for (double i = first; i <= last; ++i) ticks.push_back(i * step + 0.0);
    return ticks;
}

namespace {

// What is drawn, in value space: bands as pairs of edges, then lines.
struct layers {
    std::vector<run> band90[2], band75[2], median;
    std::vector<std::vector<run>> traces;
    std::vector<run> highlight;
};

// Lowest and highest value drawn, widened when they coincide.
std::pair<double, double> valuerange(const layers& l) {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    const auto take = [&](const std::vector<run>& runs) {
        for (const run& r : runs)
            for (const point& p : r) lo = std::min(lo, p.v), hi = std::max(hi, p.v);
    };
    take(l.band90[0]), take(l.band90[1]), take(l.median), take(l.highlight);
    for (const auto& t : l.traces) take(t);
    if (!(lo <= hi)) lo = 0, hi = 1;  // nothing to draw
    if (hi - lo < 1e-9 * std::max(1.0, std::abs(hi))) {
        const double pad = std::max(1.0, std::abs(hi) * 0.1);
        lo -= pad, hi += pad;
    }
    return {lo, hi};
}

layers layout(const ensemble& e, std::span<const period> periods, const chartoptions& options, const scales& s) {
    const periodset set{{periods.begin(), periods.end()}, periodvalues(e, periods, options.stat), options.weights};
    const std::vector<std::vector<double>>& means = set.values;
    analysis a;
    a.rule = options.rule;
    const std::array<double, 4> b = bandlevels(options);
    a.levels = {b[0], b[1], 50, b[2], b[3]};
    const std::vector<periodsummary> stats = summarise(set, a);
    const auto edge = [&](std::size_t level) {
        std::vector<double> v;
        v.reserve(stats.size());
        for (const periodsummary& st : stats) v.push_back(st.exceed[level]);
        return series(periods, v, s);
    };
    layers l;
    l.band90[0] = edge(4), l.band90[1] = edge(0);
    l.band75[0] = edge(3), l.band75[1] = edge(1);
    l.median = edge(2);
    if (options.traces) {
        for (const auto& m : means) l.traces.push_back(series(periods, m, s));
    }
    if (options.highlight) {
        const auto found = std::find(e.years.begin(), e.years.end(), *options.highlight);
        if (found == e.years.end())
            throw optionerror("scenario year " + std::to_string(*options.highlight) + " is not among the tables");
        l.highlight = series(periods, means[static_cast<std::size_t>(found - e.years.begin())], s);
    }
    return l;
}

void draw(std::string& out, const layers& l, const scales& s) {
    bands(out, l.band90[0], l.band90[1], "band90", s);
    bands(out, l.band75[0], l.band75[1], "band75", s);
    // Traces under the median, the highlighted scenario over it.
    for (const auto& t : l.traces) polylines(out, t, "trace", s);
    polylines(out, l.median, "median", s);
    polylines(out, l.highlight, "highlight", s);
}

}  // namespace

std::string fanchart(const ensemble& e, std::span<const period> periods, const chartoptions& options) {
    scales s;
    s.firstday = e.firstday;
    s.days = e.lastday - e.firstday + 1;
    const layers l = layout(e, periods, options, s);
    const auto [lo, hi] = valuerange(l);
    const std::vector<double> ticks = roundticks(lo, hi, 6);
    s.lo = ticks.front();
    s.hi = ticks.back();

    std::string out = svgparts::svgopen(options.width);
    out += style;
    // Many traces would hide the fan: the more there are, the fainter each.
    out += "<style>.trace{stroke-opacity:" + num(std::clamp(6.0 / static_cast<double>(e.years.size()), 0.1, 0.5)) +
           "}</style>\n<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    const std::string scenarios = std::to_string(e.years.size()) + (e.years.size() == 1 ? " scenario" : " scenarios");
    label(out, width / 2, 28, "title",
          escaped(lakenameof(e.lakeindex, e.lake)) + " net basin supply outlook, " + isodate(e.firstday) + " to " +
              isodate(e.lastday) + " (" + std::to_string(static_cast<std::int64_t>(s.days)) + " days), " + scenarios +
              (options.weights.empty() ? "" : " (weighted)"));
    valueaxis(out, s, ticks, options.stat);
    draw(out, l, s);
    out += "<rect class=\"frame\" x=\"" + num(left) + "\" y=\"" + num(top) + "\" width=\"" + num(right - left) +
           "\" height=\"" + num(bottom - top) + "\"/>\n";
    timeaxis(out, s, e.lastday);
    legend(out, options);
    out += "</svg>\n";
    return out;
}

}  // namespace outlook
