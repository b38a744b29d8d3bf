// The climate outlook a forecaster weights the scenario years by: a CSV of
// probabilities that a variable's total over some days falls in each third.
#include <array>
#include <charconv>
#include <cmath>

#include "keldautil/keldautil.hpp"
#include "outlook/input/input.hpp"

namespace outlook {
namespace {

constexpr std::string_view header = "first_date,last_date,variable,below,near,above";
constexpr std::string_view bounds = ",lower,upper";
constexpr std::array<std::string_view, 4> variablenames = {"precip", "evap", "runoff", "nbs"};

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> fieldsof(std::string_view line) {
    std::vector<std::string_view> fields = csvfields(line);
    for (std::string_view& field : fields) field = trimmed(field);
    return fields;
}

// Reads the rows one by one, holding what the file's rows must share.
class rowreader {
public:
    rowreader(std::string_view name, std::int32_t firstday, std::int32_t lastday, bool withbounds)
        : name_(name), firstday_(firstday), lastday_(lastday), withbounds_(withbounds) {}

    climaterow read(std::string_view line, std::size_t number) {
        number_ = number;
        const std::vector<std::string_view> f = fieldsof(line);
        const std::size_t wanted = withbounds_ ? 8 : 6;
        if (f.size() != wanted) fail(std::to_string(f.size()) + " fields, the header has " + std::to_string(wanted));
        climaterow row;
        row.line = number;
        row.first = dayof(f[0], "first_date");
        row.last = dayof(f[1], "last_date");
        if (row.last < row.first) fail("last_date " + std::string(f[1]) + " is before first_date " + std::string(f[0]));
        const std::optional<climatevariable> v = variableofname(f[2]);
        if (!v) fail("unknown variable '" + std::string(f[2]) + "' (precip, evap, runoff or nbs)");
        row.variable = *v;
        readprobabilities(row, f);
        if (withbounds_) readbounds(row, f[6], f[7]);
        return row;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw readerror(std::string(name_) + " line " + std::to_string(number_) + ": " + what);
    }

    std::int32_t dayof(std::string_view text, std::string_view field) const {
        const std::optional<std::int32_t> day = dayofisodate(text);
        if (!day) fail(std::string(field) + " '" + std::string(text) + "' is not a date YYYY-MM-DD");
        if (*day < firstday_ || *day > lastday_)
            fail(std::string(field) + " " + std::string(text) + " is outside the outlook, " + isodate(firstday_) +
                 " to " + isodate(lastday_));
        return *day;
    }

    double probability(std::string_view text, std::string_view field) const {
        const std::optional<double> p = finitenumber(text);
        if (!p || *p < 0) fail(std::string(field) + " '" + std::string(text) + "' is not a probability");
        return *p;
    }

    void readprobabilities(climaterow& row, const std::vector<std::string_view>& f) {
        row.below = probability(f[3], "below");
        row.near = probability(f[4], "near");
        row.above = probability(f[5], "above");
        const double sum = row.below + row.near + row.above;
        const bool fractions = std::abs(sum - 1) <= 0.01;
        if (!fractions && std::abs(sum - 100) > 1)
            fail("below, near and above sum to " + shortest(sum) + ", neither 1 (fractions) nor 100 (percentages)");
        if (percentages_ && *percentages_ == fractions)
            fail(std::string("probabilities as ") + (fractions ? "fractions" : "percentages") + ", earlier rows give " +
                 (fractions ? "percentages" : "fractions"));
        percentages_ = !fractions;
        row.below /= sum;
        row.near /= sum;
        row.above /= sum;
    }

    void readbounds(climaterow& row, std::string_view lower, std::string_view upper) const {
        if (lower.empty() && upper.empty()) return;
        row.lower = finitenumber(lower);
        row.upper = finitenumber(upper);
        if (!row.lower) fail("lower '" + std::string(lower) + "' is not a number");
        if (!row.upper) fail("upper '" + std::string(upper) + "' is not a number");
        if (*row.lower > *row.upper) fail("lower " + std::string(lower) + " is above upper " + std::string(upper));
    }

    std::string_view name_;
    std::int32_t firstday_, lastday_;
    bool withbounds_;
    std::size_t number_ = 0;
    std::optional<bool> percentages_;
};

}  // namespace

std::optional<climatevariable> variableofname(std::string_view name) {
    return valueofname<climatevariable>(name, variablenames);
}

std::string_view nameofvariable(climatevariable variable) { return variablenames[static_cast<std::size_t>(variable)]; }

std::vector<climaterow> parseclimate(std::string_view text, std::string_view name, std::int32_t firstday,
                                     std::int32_t lastday) {
    textlines in(text);
    std::string_view line;
    const std::string_view first = in.next(line) ? trimmed(line) : std::string_view{};
    const bool withbounds = first == std::string(header) + std::string(bounds);
    if (!withbounds && first != header)
        throw readerror(std::string(name) + " line 1: the header is not " + std::string(header) + " (and optionally" +
                        std::string(bounds) + ")");
    rowreader reader(name, firstday, lastday, withbounds);
    std::vector<climaterow> rows;
    while (in.next(line)) {
        if (!trimmed(line).empty()) rows.push_back(reader.read(trimmed(line), in.number()));
    }
    if (rows.empty()) throw readerror(std::string(name) + ": no rows after its header");
    return rows;
}

std::vector<climaterow> readclimatefile(const std::filesystem::path& file, std::int32_t firstday,
                                        std::int32_t lastday) {
    csvlines in(file);
    std::string text;
    for (std::string_view line; in.next(line);) (text += line) += '\n';
    return parseclimate(text, file.string(), firstday, lastday);
}

}  // namespace outlook
