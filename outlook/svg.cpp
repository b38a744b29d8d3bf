// The fan chart of an outlook as a self-contained SVG document.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/outlook.hpp"

namespace outlook {
namespace {

// Canvas and plot area, in pixels.
constexpr double width = 1000, height = 560;
constexpr double left = 90, right = 980, top = 60, bottom = 440;

struct point {
    double x, y;
};
using run = std::vector<point>;

std::string num(double v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, std::round(v * 10.0) / 10.0 + 0.0,
                                 std::chars_format::fixed);
    return std::string(buffer, r.ptr);
}

std::string escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out += c;
    }
    return out;
}

std::string points(const run& r) {
    std::string out;
    for (const point& p : r) out += num(p.x) + "," + num(p.y) + " ";
    if (!out.empty()) out.pop_back();
    return out;
}

// Day and value scales of the plot area.
struct scales {
    std::int32_t firstday = 0;
    double days = 1;
    double lo = 0, hi = 1;
    double x(double day) const { return left + (day - firstday) / days * (right - left); }
    double y(double v) const { return bottom - (v - lo) / (hi - lo) * (bottom - top); }
};

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
            runs.back().push_back({s.x(periods[p].first), s.y(values[p])});
            runs.back().push_back({s.x(periods[p].last + 1), s.y(values[p])});
        }
    } else {
        double sum = 0, column = -1;
        int count = 0;
        bool gap = false;
        const auto flush = [&] {
            if (gap) breakrun();
            else if (count > 0) runs.back().push_back({column + 0.5, s.y(sum / count)});
            sum = 0, count = 0, gap = false;
        };
        for (std::size_t p = 0; p < periods.size(); ++p) {
            const double c = std::floor(s.x(0.5 * (periods[p].first + periods[p].last + 1)));
            if (c != column) flush(), column = c;
            if (std::isnan(values[p])) gap = true;
            else sum += values[p], ++count;
        }
        flush();
    }
    if (runs.back().empty()) runs.pop_back();
    return runs;
}

void polylines(std::string& out, const std::vector<run>& runs, std::string_view cls) {
    for (const run& r : runs) out += "<polyline class=\"" + std::string(cls) + "\" points=\"" + points(r) + "\"/>\n";
}

// Polygons between an upper and a lower series of the same gaps.
void bands(std::string& out, const std::vector<run>& upper, const std::vector<run>& lower, std::string_view cls) {
    for (std::size_t i = 0; i < upper.size() && i < lower.size(); ++i) {
        run outline = upper[i];
        outline.insert(outline.end(), lower[i].rbegin(), lower[i].rend());
        out += "<polygon class=\"" + std::string(cls) + "\" points=\"" + points(outline) + "\"/>\n";
    }
}

std::string lakename(const std::string& lake) {
    for (const auto& name : fcstutil::levlkname10) {
        if (iolayer::trimright(name.substr(0, 8)) == lake) return std::string(iolayer::trimright(name));
    }
    return lake;
}

struct ymd {
    std::int32_t day = 0, month = 0, year = 0;
};
ymd dateof(std::int32_t seq) {
    ymd d;
    keldautil::sequencedate(d.day, d.month, d.year, seq);
    return d;
}

void valueaxis(std::string& out, const scales& s, const std::vector<double>& ticks) {
    for (const double t : ticks) {
        const std::string y = num(s.y(t));
        out += "<line class=\"ytick\" x1=\"" + num(left) + "\" x2=\"" + num(right) + "\" y1=\"" + y + "\" y2=\"" + y +
               "\"/>\n<text class=\"ylabel\" x=\"" + num(left - 6) + "\" y=\"" + num(s.y(t) + 4) + "\">" +
               shortest(t) + "</text>\n";
    }
    if (s.lo <= 0 && s.hi >= 0) {
        const std::string y = num(s.y(0));
        out += "<line class=\"zero\" x1=\"" + num(left) + "\" x2=\"" + num(right) + "\" y1=\"" + y + "\" y2=\"" + y +
               "\"/>\n";
    }
    out += "<text class=\"units\" transform=\"translate(22," + num((top + bottom) / 2) +
           ") rotate(-90)\">Net basin supply (m³/s)</text>\n";
}

void tick(std::string& out, double x, std::string_view cls, double length) {
    out += "<line class=\"" + std::string(cls) + "\" x1=\"" + num(x) + "\" x2=\"" + num(x) + "\" y1=\"" + num(bottom) +
           "\" y2=\"" + num(bottom + length) + "\"/>\n";
}

void label(std::string& out, double x, double y, std::string_view cls, const std::string& text) {
    out += "<text class=\"" + std::string(cls) + "\" x=\"" + num(x) + "\" y=\"" + num(y) + "\">" + text + "</text>\n";
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
        if (monthwidth >= 28 && seq <= lastday) label(out, x + monthwidth / 2, bottom + 18, "month", keldautil::moncode3[static_cast<std::size_t>(m - 1)]);
        if (m == 1 && y % yearstep == 0) label(out, x, bottom + 36, "year", std::to_string(y));
    }
    if (ticks < 2) {
        tick(out, left, "xtick", 10);
        tick(out, right, "xtick", 10);
        label(out, left, bottom + 36, "year", isodate(s.firstday));
        label(out, right, bottom + 36, "year", isodate(lastday));
    } else if (d.month != 1 && (13 - d.month) * monthwidth >= 45) {
        label(out, left, bottom + 36, "year", std::to_string(d.year));  // the first year, begun before January
    }
}

void legend(std::string& out, const chartoptions& options) {
    struct entry {
        std::string_view shape, cls, text;
    };
    std::vector<entry> entries = {{"rect", "band90", "90 % to 10 % exceedance"},
                                  {"rect", "band75", "75 % to 25 %"},
                                  {"line", "median", "median"}};
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
            out += "<line class=\"" + std::string(e.cls) + "\" x1=\"" + num(x) + "\" x2=\"" + num(x + 24) +
                   "\" y1=\"" + num(y - 3) + "\" y2=\"" + num(y - 3) + "\" style=\"stroke-width:2\"/>\n";
        label(out, x + 30, y + 1, "legend", std::string(e.text));
        x += 46 + 7.0 * static_cast<double>(e.text.size());
    }
}

constexpr std::string_view style =
    "<style>\n"
    "text{font-family:sans-serif;font-size:12px;fill:#222}\n"
    ".title{font-size:15px;text-anchor:middle}.ylabel{text-anchor:end}.units{text-anchor:middle}\n"
    ".month{text-anchor:middle;fill:#555;font-size:10px}.year{text-anchor:middle}\n"
    ".band90{fill:#9ecae1;stroke:none}.band75{fill:#4292c6;stroke:none}\n"
    ".median{fill:none;stroke:#08306b;stroke-width:2}\n"
    ".trace{fill:none;stroke:#555;stroke-opacity:0.35;stroke-width:0.6}\n"
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

// Lowest and highest value drawn, widened when they coincide.
std::pair<double, double> valuerange(std::span<const periodstats> stats, const std::vector<const std::vector<double>*>& lines) {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (const periodstats& s : stats) {
        if (s.count > 0) lo = std::min(lo, s.q90), hi = std::max(hi, s.q10);
    }
    for (const auto* line : lines) {
        for (const double v : *line) {
            if (!std::isnan(v)) lo = std::min(lo, v), hi = std::max(hi, v);
        }
    }
    if (!(lo <= hi)) lo = 0, hi = 1;  // nothing to draw
    if (hi - lo < 1e-9 * std::max(1.0, std::abs(hi))) {
        const double pad = std::max(1.0, std::abs(hi) * 0.1);
        lo -= pad, hi += pad;
    }
    return {lo, hi};
}

std::vector<double> column(std::span<const periodstats> stats, double periodstats::*member) {
    std::vector<double> v;
    for (const periodstats& s : stats) v.push_back(s.*member);
    return v;
}

}  // namespace

std::string fanchart(const ensemble& e, std::span<const period> periods, const chartoptions& options) {
    const auto means = periodmeans(e, periods);
    const auto stats = statistics(periods, means);
    std::vector<const std::vector<double>*> lines;
    if (options.traces) {
        for (const auto& m : means) lines.push_back(&m);
    }
    if (options.highlight) {
        const auto found = std::find(e.years.begin(), e.years.end(), *options.highlight);
        if (found == e.years.end())
            throw readerror("scenario year " + std::to_string(*options.highlight) + " is not among the tables");
        lines.push_back(&means[static_cast<std::size_t>(found - e.years.begin())]);
    }
    scales s;
    s.firstday = e.firstday;
    s.days = e.lastday - e.firstday + 1;
    const auto [lo, hi] = valuerange(stats, lines);
    const std::vector<double> ticks = roundticks(lo, hi, 6);
    s.lo = ticks.front();
    s.hi = ticks.back();

    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      num(width) + "\" height=\"" + num(height) + "\" viewBox=\"0 0 " + num(width) + " " +
                      num(height) + "\">\n";
    out += style;
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    const std::string scenarios = std::to_string(e.years.size()) + (e.years.size() == 1 ? " scenario" : " scenarios");
    label(out, width / 2, 28, "title",
          escaped(lakename(e.lake)) + " net basin supply outlook, " + isodate(e.firstday) + " to " +
              isodate(e.lastday) + " (" + std::to_string(static_cast<std::int64_t>(s.days)) + " days), " + scenarios);
    valueaxis(out, s, ticks);
    bands(out, series(periods, column(stats, &periodstats::q10), s), series(periods, column(stats, &periodstats::q90), s),
          "band90");
    bands(out, series(periods, column(stats, &periodstats::q25), s), series(periods, column(stats, &periodstats::q75), s),
          "band75");
    // Traces under the median, the highlighted scenario (the last line) over it.
    const std::size_t traces = options.highlight ? lines.size() - 1 : lines.size();
    for (std::size_t i = 0; i < traces; ++i) polylines(out, series(periods, *lines[i], s), "trace");
    polylines(out, series(periods, column(stats, &periodstats::q50), s), "median");
    if (options.highlight) polylines(out, series(periods, *lines.back(), s), "highlight");
    out += "<rect class=\"frame\" x=\"" + num(left) + "\" y=\"" + num(top) + "\" width=\"" + num(right - left) +
           "\" height=\"" + num(bottom - top) + "\"/>\n";
    timeaxis(out, s, e.lastday);
    legend(out, options);
    out += "</svg>\n";
    return out;
}

}  // namespace outlook
