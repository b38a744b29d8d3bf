// rerove_outlook traces: each scenario year's value, rank and exceedance for each
// period.
#include <CLI/CLI.hpp>

#include "outlook/app/app.hpp"
#include "outlook/output/output.hpp"

namespace outlook::app {
namespace {

struct tracesoptions {
    sharedoptions shared;
    std::string output;
};

CLI::App* add(CLI::App& program, tracesoptions& o) {
    CLI::App* command =
        program.add_subcommand("traces", "Each scenario year's value, rank and exceedance for each period as CSV");
    addshared(*command, o.shared,
              {option::period, option::stat, option::position, option::weights, option::lake, option::tables});
    command->add_option("-o,--output", o.output, "the file to write (default: standard output)");
    analysisfooter(*command,
                   "Rows by period and year: first_date,last_date,year,value,rank,weight,exceedance.\n"
                   "Rank 1 is the largest; tied values share the best rank and the smallest\n"
                   "exceedance among them. weight is the year's normalised weight (1/count without\n"
                   "--weights). A year without a value has empty fields; one of weight 0 a weight 0.\n");
    return command;
}

int run(const tracesoptions& o) {
    const checkedoptions c = checkshared(o.shared);
    const ensemble e = tablesof(o.shared, c);
    emit(o.output, tracescsv(e, periodsetof(c.a, e, weightsof(c, e.years)), c.a));
    return 0;
}

}  // namespace

subcommand tracescommand(CLI::App& program) { return made<tracesoptions>(program, add, run); }

}  // namespace outlook::app
