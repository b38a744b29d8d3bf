// The options that the subcommands share: on the command line, and checked in one
// place, with one wording, before any file is read.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <iostream>
#include <limits>

#include "outlook/app/app.hpp"
#include "outlook/input/input.hpp"
#include "outlook/output/output.hpp"

namespace outlook::app {
namespace {

// "--name: 'text' is not ..."
[[noreturn]] void refuse(std::string_view name, std::string_view text, std::string_view what) {
    throw optionerror(std::string(name) + ": '" + std::string(text) + "' is not " + std::string(what));
}

template <typename T>
T named(std::optional<T> value, std::string_view name, std::string_view text, std::string_view what) {
    if (!value) refuse(name, text, what);
    return *value;
}

// Numbers of an option, each once.
void addnumber(std::vector<double>& numbers, std::string_view name, std::string_view text, std::string_view what) {
    const double x = named(finitenumber(text), name, text, what);
    if (std::find(numbers.begin(), numbers.end(), x) != numbers.end())
        throw optionerror(std::string(name) + ": " + shortest(x) + " is given twice");
    numbers.push_back(x);
}

std::vector<double> levelsof(std::string_view list, std::size_t levelcount) {
    constexpr std::string_view percentage = "a percentage strictly between 0 and 100";
    std::vector<double> levels;
    if (list.empty()) return levels;  // a subcommand without levels
    for (std::size_t from = 0; from <= list.size();) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        const std::string_view text = list.substr(from, comma - from);
        const std::optional<double> level = finitenumber(text);
        if (!level || !(*level > 0 && *level < 100)) refuse("--levels", text, percentage);
        addnumber(levels, "--levels", text, percentage);
        from = comma + 1;
    }
    if (levelcount != 0 && levels.size() != levelcount)
        throw optionerror("--levels: " + std::to_string(levelcount) + " percentages are needed, " +
                          std::to_string(levels.size()) + " given");
    return levels;
}

// A whole number of 64 bits that is the whole text.
std::optional<std::uint64_t> wholenumber(std::string_view text) {
    std::uint64_t v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    return v;
}

}  // namespace

void addbootstrap(CLI::App& command, bootstrapoptions& options, std::string_view what) {
    command.add_option("--bootstrap", options.resamples,
                       "95 % percentile intervals over N resamples of " + std::string(what));
    command.add_option("--seed", options.seed, "the seed of the resamples (default 1)");
}

checkedbootstrap checkbootstrap(const bootstrapoptions& options) {
    checkedbootstrap c;
    if (options.resamples.empty()) {
        if (!options.seed.empty()) throw optionerror("--seed is the seed of --bootstrap, which is not given");
        return c;
    }
    constexpr std::string_view resamples = "a whole number of resamples, 1 or more";
    const std::uint64_t n = named(wholenumber(options.resamples), "--bootstrap", options.resamples, resamples);
    if (n == 0 || n > std::numeric_limits<std::size_t>::max()) refuse("--bootstrap", options.resamples, resamples);
    c.resamples = static_cast<std::size_t>(n);
    c.seed = checkedseed(options.seed);
    return c;
}

std::uint64_t checkedseed(const std::string& text) {
    if (text.empty()) return 1;
    return named(wholenumber(text), "--seed", text, "a whole number from 0 to 2^64 - 1");
}

void addshared(CLI::App& command, sharedoptions& options, std::initializer_list<option> which, const sharedhelp& help) {
    for (const option o : which) {
        switch (o) {
            case option::period: command.add_option("--period", options.period, help.period); break;
            case option::stat: command.add_option("--stat", options.stat, help.stat); break;
            case option::position: command.add_option("--position", options.position, help.position); break;
            case option::levels: command.add_option("--levels", options.levels, help.levels); break;
            case option::threshold:
                command.add_option("--threshold", options.thresholds, help.threshold)->allow_extra_args(false);
                break;
            case option::weights: command.add_option("--weights", options.weights, help.weights); break;
            case option::lake: command.add_option("--lake", options.lake, help.lake); break;
            case option::tables: command.add_option("tables", options.tables, help.tables); break;
        }
    }
}

checkedoptions checkshared(const sharedoptions& options, std::string_view defaultlevels, std::size_t levelcount) {
    checkedoptions c;
    c.a.kind = named(periodofname(options.period), "--period", options.period, "quarter-month, month or outlook");
    c.a.stat = named(statofname(options.stat), "--stat", options.stat, "mean, min, max, volume or accumulated");
    c.a.rule = named(positionofname(options.position), "--position", options.position,
                     "weibull, hazen, cunnane, gringorten or median");
    c.a.levels = levelsof(options.levels.empty() ? defaultlevels : std::string_view(options.levels), levelcount);
    for (const std::string& text : options.thresholds) addnumber(c.a.thresholds, "--threshold", text, "a number");
    if (!options.lake.empty()) {
        c.lakeindex = rerove_tivorn_subs::lakeindexofcode(options.lake);
        if (c.lakeindex == 0) refuse("--lake", options.lake, lakecodes);
    }
    c.weights = options.weights;
    return c;
}

std::vector<double> weightsof(const checkedoptions& options, std::span<const std::int32_t> years) {
    if (options.weights.empty()) return {};
    std::vector<std::string> warnings;
    std::vector<double> weights = readweights(options.weights, years, warnings);
    warn(warnings);
    return weights;
}

ensemble tablesof(const sharedoptions& given, const checkedoptions& options) {
    return readensemble(given.tables, options.lakeindex);
}

void analysisfooter(CLI::App& command, std::string_view gives) {
    command.footer(std::string(gives) + std::string(statisticsnote) + "\n" + std::string(exitnote));
}

void emit(const std::string& output, const std::string& text) {
    if (output.empty())
        std::cout << text;
    else
        writefile(output, text);
}

}  // namespace outlook::app
