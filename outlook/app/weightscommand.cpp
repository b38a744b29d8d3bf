// rerove_outlook weights --climate FILE [DIR]: weights of the scenario years in
// DIR that meet a climate outlook.
#include <CLI/CLI.hpp>

#include "outlook/app/app.hpp"
#include "outlook/output/output.hpp"
#include "outlook/weighting/weighting.hpp"

namespace outlook::app {
namespace {

constexpr std::string_view weightsnote =
    "The climate CSV: first_date,last_date,variable,below,near,above[,lower,upper],\n"
    "one row a forecast of the total of precip, evap, runoff (scenario files) or nbs\n"
    "(tables, as a depth) in mm over the days, as fractions or percentages. Years\n"
    "fall in thirds by lower and upper or by their ranks. The weights meet the rows\n"
    "best in least squares, and are the closest to equal among those that do.\n"
    "Exit status 0; 1 on bad input; 3 when a probability is missed by over 0.001.";

struct weightsoptions {
    std::string climate;
    sharedoptions shared;
    std::string output;
    std::string dir = ".";
};

CLI::App* add(CLI::App& program, weightsoptions& o) {
    CLI::App* command = program.add_subcommand("weights", "Weights of the scenario years in DIR for a climate outlook");
    command->add_option("--climate", o.climate, "CSV of probabilities of the thirds of totals")->required();
    sharedhelp help;
    help.lake = "SUP, MHU, STC, ERI or ONT (default: the one lake in DIR)";
    help.position = "rule of the ranks' thirds: weibull (default), hazen, ...";
    addshared(*command, o.shared, {option::lake, option::position}, help);
    command->add_option("-o,--output", o.output, "the year,weight CSV to write (default: standard output)");
    command->add_option("dir", o.dir, "the scenario files and tables (default: the current directory)");
    command->footer(std::string(weightsnote));
    return command;
}

int run(const weightsoptions& o) {
    const checkedoptions c = checkshared(o.shared);
    requireweightsolver();
    const std::int32_t lakeindex = c.lakeindex != 0 ? c.lakeindex : lakeofscenariofiles(o.dir);
    const climateasks asks = climateasksof(o.climate, lakeindex, o.dir, c.a.rule);
    const climateweighting w = weightclimate(asks, o.climate);
    emit(o.output, weightscsv(asks.years, w.weights));
    for (const std::string& line : w.report) tell(line);
    return w.met ? 0 : 3;
}

}  // namespace

subcommand weightscommand(CLI::App& program) { return made<weightsoptions>(program, add, run); }

}  // namespace outlook::app
