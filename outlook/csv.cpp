// CSV texts of scenario files, tables and statistics.
#include <charconv>
#include <cmath>

#include "outlook/outlook.hpp"

namespace outlook {
namespace {

template <class T>
std::string shortestof(T value) {
    if (!std::isfinite(value)) return {};
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value + T{0});  // no "-0"
    return std::string(buffer, result.ptr);
}

void field(std::string& out, const std::string& text) {
    out += ',';
    out += text;
}

}  // namespace

std::string shortest(double value) { return shortestof(value); }
std::string shortest(float value) { return shortestof(value); }

std::string scenariocsv(const scenariodata& file) {
    std::string out = "# first day " + isodate(file.firstday) + ", last day " + isodate(file.lastday) + "\n";
    out += "date,runoff_mm,precip_mm,evap_mm\n";
    for (std::size_t k = 0; k < file.days.size(); ++k) {
        const scenarioday& d = file.days[k];
        out += isodate(file.firstday + static_cast<std::int32_t>(k));
        field(out, shortest(d.runoff));
        field(out, shortest(d.precip));
        field(out, shortest(d.evap));
        out += '\n';
    }
    return out;
}

std::string tablecsv(const table& t) {
    std::string out = "date,nbs_m3s\n";
    for (std::size_t k = 0; k < t.values.size(); ++k) {
        out += isodate(t.firstday + static_cast<std::int32_t>(k));
        field(out, shortest(t.values[k]));
        out += '\n';
    }
    return out;
}

std::string summarycsv(std::span<const periodstats> stats) {
    std::string out =
        "first_date,last_date,scenarios,missing,min_m3s,exceed90_m3s,exceed50_m3s,exceed10_m3s,"
        "mean_m3s,max_m3s\n";
    for (const periodstats& s : stats) {
        out += isodate(s.days.first);
        field(out, isodate(s.days.last));
        field(out, std::to_string(s.count));
        field(out, std::to_string(s.missing));
        for (const double v : {s.min, s.q90, s.q50, s.q10, s.mean, s.max}) field(out, shortest(v));
        out += '\n';
    }
    return out;
}

std::string summarycsv(std::span<const periodsummary> stats, const analysis& a, bool weighted) {
    std::string unit(1, '_');
    unit += unitof(a.stat);
    const auto column = [&](std::string& to, std::string_view name, const std::string& value) {
        to += ',';
        to += name;
        to += value;
        to += unit;
    };
    std::string out = "first_date,last_date,scenarios,missing";
    column(out, "min", "");
    for (const double level : a.levels) column(out, "exceed", shortest(level));
    column(out, "mean", "");
    column(out, "max", "");
    if (weighted) out += ",effective_scenarios";
    for (const double x : a.thresholds) column(out, "above_", shortest(x));
    out += '\n';
    for (const periodsummary& s : stats) {
        out += isodate(s.days.first);
        field(out, isodate(s.days.last));
        field(out, std::to_string(s.count));
        field(out, std::to_string(s.missing));
        field(out, shortest(s.min));
        for (const double v : s.exceed) field(out, shortest(v));
        field(out, shortest(s.mean));
        field(out, shortest(s.max));
        if (weighted) field(out, shortest(s.effective));
        for (const double v : s.above) field(out, shortest(v));
        out += '\n';
    }
    return out;
}

}  // namespace outlook
