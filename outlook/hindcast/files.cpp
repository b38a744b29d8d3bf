// The hindcast's CSV texts: the scores by lead, and every year's scores by period,
// which the report reads back.
#include <cmath>
#include <limits>

#include "outlook/hindcast/hindcast.hpp"
#include "outlook/input/input.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::string_view yearcolumns = "year,lead,first_date,last_date,observed";
constexpr std::size_t leadingcolumns = 5;
constexpr std::size_t fixedscores = 8;  // the score columns before the Brier scores

void field(std::string& out, double value) {
    out += ',';
    out += shortest(value);
}

// The thresholds that a header's columns name, after checking that it is the
// header yearscsv writes.
std::vector<double> thresholdsof(std::string_view header, const csvlines& in) {
    const std::vector<std::string_view> names = csvfields(header);
    const std::size_t scores = names.size() < leadingcolumns ? 0 : (names.size() - leadingcolumns) / 2;
    std::vector<double> thresholds;
    for (std::size_t k = fixedscores; k < scores; ++k) {
        const std::string_view name = names[leadingcolumns + k];
        const std::optional<double> x = name.starts_with("brier_") ? finitenumber(name.substr(6)) : std::nullopt;
        if (!x) break;
        thresholds.push_back(*x);
    }
    std::string expected(yearcolumns);
    for (const char* suffix : {"", "_baseline"}) {
        for (const std::string& name : scorecolumns(thresholds)) expected += "," + name + suffix;
    }
    if (header != expected) throw readerror(in.where() + "not the header of a hindcast's years");
    return thresholds;
}

double number(std::string_view text, const csvlines& in) {
    if (text.empty()) return nan;
    const std::optional<double> v = finitenumber(text);
    if (!v) throw readerror(in.where() + "'" + std::string(text) + "' is not a number");
    return *v;
}

// The verdict of the score fields from first on; no score when they are empty.
periodverdict verdictof(const std::vector<std::string_view>& f, std::size_t first, std::span<const double> thresholds,
                        const csvlines& in) {
    periodverdict v{std::string(f[0]), {}, number(f[4], in), std::nullopt, nan};
    v.days = {dayofisodate(f[2]).value_or(-1), dayofisodate(f[3]).value_or(-1)};
    if (v.days.first < 0 || v.days.last < v.days.first) throw readerror(in.where() + "not a period's dates");
    if (f[first + 2].empty()) return v;
    periodscore s;
    s.weighted = true;  // the members' count is not in the file: no rank histogram of them
    s.meanerror = number(f[first], in);
    s.medianabserror = number(f[first + 1], in);
    s.crps = number(f[first + 2], in);
    s.faircrps = number(f[first + 3], in);
    s.below = static_cast<std::int32_t>(std::floor(number(f[first + 4], in))) - 1;
    s.pit = number(f[first + 5], in);
    s.in50 = f[first + 6] == "1";
    s.in80 = f[first + 7] == "1";
    for (std::size_t t = 0; t < thresholds.size(); ++t) {
        // The share above X, from its Brier score and what happened.
        const double root = std::sqrt(number(f[first + fixedscores + t], in));
        s.above.push_back(v.observed > thresholds[t] ? 1.0 - root : root);
    }
    v.score = std::move(s);
    return v;
}

}  // namespace

std::string leadscsv(std::span<const leadscores> leads, std::span<const double> thresholds) {
    std::string out = "lead,scored,crps,crps_baseline,crpss,crpss_low,crpss_high,coverage50,coverage80,mean_error";
    for (const double t : thresholds) {
        const std::string name = "brier_" + shortest(t);
        out += "," + name + "," + name + "_baseline," + name + "_skill";
    }
    out += '\n';
    for (const leadscores& l : leads) {
        out += l.lead + "," + std::to_string(l.scored);
        for (const double v :
             {l.crps, l.crpsbaseline, l.crpss, l.crpsslow, l.crpsshigh, l.coverage50, l.coverage80, l.meanerror})
            field(out, v);
        for (std::size_t t = 0; t < thresholds.size(); ++t) {
            field(out, l.brier[t]);
            field(out, l.brierbaseline[t]);
            field(out, l.brierskill[t]);
        }
        out += '\n';
    }
    return out;
}

std::string yearscsv(std::span<const hindcastyear> years, std::span<const double> thresholds) {
    std::string out(yearcolumns);
    for (const char* suffix : {"", "_baseline"}) {
        for (const std::string& name : scorecolumns(thresholds)) out += "," + name + suffix;
    }
    out += '\n';
    const periodverdict none;
    for (const hindcastyear& h : years) {
        for (std::size_t p = 0; p < h.outlook.size(); ++p) {
            const periodverdict& v = h.outlook[p];
            out += std::to_string(h.year) + "," + std::to_string(p + 1) + "," + isodate(v.days.first) + "," +
                   isodate(v.days.last);
            field(out, v.observed);
            appendscores(out, v, thresholds);
            appendscores(out, p < h.baseline.size() ? h.baseline[p] : none, thresholds);
            out += '\n';
        }
    }
    return out;
}

hindcastfile readhindcastfile(const std::filesystem::path& file) {
    csvlines in(file);
    hindcastfile out;
    std::string_view line;
    if (!in.next(line)) throw readerror(file.string() + ": empty, not a hindcast's years");
    out.thresholds = thresholdsof(line, in);
    const std::size_t scores = fixedscores + out.thresholds.size();
    while (in.next(line)) {
        if (line.empty()) continue;
        const std::vector<std::string_view> f = csvfields(line);
        if (f.size() != leadingcolumns + 2 * scores) throw readerror(in.where() + "not a row of a hindcast's years");
        const std::string year(f[0]);
        if (out.years.empty() || std::to_string(out.years.back().year) != year)
            out.years.push_back({static_cast<std::int32_t>(number(f[0], in)), {}, {}});
        hindcastyear& h = out.years.back();
        h.outlook.push_back(verdictof(f, leadingcolumns, out.thresholds, in));
        periodverdict baseline = verdictof(f, leadingcolumns + scores, out.thresholds, in);
        if (baseline.score) h.baseline.push_back(std::move(baseline));
    }
    if (out.years.empty()) throw readerror(file.string() + ": no rows after its header");
    return out;
}

}  // namespace outlook
