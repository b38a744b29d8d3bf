// rerove_outlook summary: the ensemble statistics of a lake's tables by period.
#include <CLI/CLI.hpp>

#include "outlook/app/app.hpp"
#include "outlook/output/output.hpp"

namespace outlook::app {
namespace {

constexpr std::string_view defaultlevels = "90,50,10";

struct summaryoptions {
    sharedoptions shared;
    std::string output;
};

CLI::App* add(CLI::App& program, summaryoptions& o) {
    CLI::App* command = program.add_subcommand("summary", "Ensemble statistics of a lake's tables as CSV");
    sharedhelp help;
    help.levels = "exceedance percentages (default " + std::string(defaultlevels) + ")";
    addshared(*command, o.shared,
              {option::period, option::stat, option::position, option::levels, option::threshold, option::weights,
               option::lake, option::tables},
              help);
    command->add_option("-o,--output", o.output, "the file to write (default: standard output)");
    analysisfooter(*command,
                   "Columns: first_date,last_date,scenarios,missing,min, one exceed<p> per level,\n"
                   "mean,max, effective_scenarios (with --weights), one above_<X> per --threshold\n"
                   "(the share of the weight above X), each named with its unit (_m3s or _mm).\n");
    return command;
}

int run(const summaryoptions& o) {
    const checkedoptions c = checkshared(o.shared, defaultlevels);
    const ensemble e = tablesof(o.shared, c);
    const periodset set = periodsetof(c.a, e, weightsof(c, e.years));
    emit(o.output, summarycsv(summarise(set, c.a), c.a, !set.weights.empty()));
    return 0;
}

}  // namespace

subcommand summarycommand(CLI::App& program) { return made<summaryoptions>(program, add, run); }

}  // namespace outlook::app
