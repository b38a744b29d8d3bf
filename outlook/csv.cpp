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

}  // namespace outlook
