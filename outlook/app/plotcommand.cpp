// rerove_outlook plot: the fan chart of a lake's tables, or the exceedance chart
// of one period, as an SVG file.
#include <CLI/CLI.hpp>

#include "outlook/app/app.hpp"
#include "outlook/charts/charts.hpp"
#include "outlook/output/output.hpp"

namespace outlook::app {
namespace {

constexpr std::string_view defaultlevels = "90,75,25,10";

struct plotoptions {
    sharedoptions shared;
    std::string kind = "fan";
    std::string at;
    bool traces = false;
    std::optional<std::int32_t> highlight;
    std::string output;
};

CLI::App* add(CLI::App& program, plotoptions& o) {
    CLI::App* command =
        program.add_subcommand("plot", "Fan chart or exceedance chart of a lake's tables as an SVG file");
    sharedhelp help;
    help.levels = "exceedance percentages (default " + std::string(defaultlevels) + ")";
    addshared(
        *command, o.shared,
        {option::period, option::stat, option::position, option::levels, option::weights, option::lake, option::tables},
        help);
    command->add_option("--kind", o.kind, "fan (default) or exceedance")->check(CLI::IsMember({"fan", "exceedance"}));
    command->add_option("--at", o.at, "YYYY-MM-DD: the period of the exceedance chart holding that day");
    command->add_flag("--traces", o.traces, "draw every scenario as a thin line");
    command->add_option("--highlight", o.highlight, "draw this scenario year over the fan");
    command->add_option("-o,--output", o.output, "the SVG file to write")->required();
    analysisfooter(*command,
                   "Fan: bands between the outer and between the inner pair of the four --levels,\n"
                   "the median as a line. Exceedance: each scenario's value for the period holding\n"
                   "--at against its exceedance probability, labelled with its year; with --weights\n"
                   "also the weighted curve.\n");
    return command;
}

// The day of --at for an exceedance chart; optionerror for what does not go together.
std::optional<std::int32_t> dayofat(const plotoptions& o) {
    const bool fan = o.kind == "fan";
    if (fan && !o.at.empty()) throw optionerror("--at is for --kind exceedance");
    if (!fan && o.at.empty()) throw optionerror("--kind exceedance needs --at YYYY-MM-DD");
    if (!fan && (o.traces || o.highlight)) throw optionerror("--traces and --highlight are for --kind fan");
    if (fan) return std::nullopt;
    const std::optional<std::int32_t> day = dayofisodate(o.at);
    if (!day) throw optionerror("--at: '" + o.at + "' is not a date YYYY-MM-DD");
    return day;
}

int run(const plotoptions& o) {
    const checkedoptions c = checkshared(o.shared, defaultlevels, 4);
    const std::optional<std::int32_t> day = dayofat(o);
    const ensemble e = tablesof(o.shared, c);
    std::vector<double> weights = weightsof(c, e.years);
    const std::vector<period> periods = periodsof(c.a.kind, e.firstday, e.lastday);
    if (!day) {
        chartoptions chart{o.traces, o.highlight, c.a.stat, c.a.rule, {}, std::move(weights), 0};
        std::copy(c.a.levels.begin(), c.a.levels.end(), chart.levels.begin());
        writefile(o.output, fanchart(e, periods, chart));
        tell(o.output + ": fan chart of " + counted(e.years.size(), "scenario"));
        return 0;
    }
    const std::optional<std::size_t> which = periodholding(periods, *day);
    if (!which)
        throw optionerror("--at " + o.at + " is outside the outlook, " + isodate(e.firstday) + " to " +
                          isodate(e.lastday));
    writefile(o.output, exceedancechart(e, periods, *which, {c.a.stat, c.a.rule, std::move(weights), 0}));
    tell(o.output + ": exceedance chart of " + counted(e.years.size(), "scenario") + ", " +
         isodate(periods[*which].first) + " to " + isodate(periods[*which].last));
    return 0;
}

}  // namespace

subcommand plotcommand(CLI::App& program) { return made<plotoptions>(program, add, run); }

}  // namespace outlook::app
