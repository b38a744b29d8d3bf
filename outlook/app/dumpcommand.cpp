// rerove_outlook dump FILE: a scenario file or a table as CSV.
#include <CLI/CLI.hpp>

#include <iostream>

#include "outlook/app/app.hpp"
#include "outlook/input/input.hpp"
#include "outlook/output/output.hpp"

namespace outlook::app {
namespace {

struct dumpoptions {
    std::string file;
};

CLI::App* add(CLI::App& program, dumpoptions& o) {
    CLI::App* command = program.add_subcommand("dump", "A scenario file (REROVE<year>.<part>) or a table as CSV");
    command->add_option("file", o.file, "scenario file or table")->required();
    command->footer(
        "Scenario file: date,runoff_mm,precip_mm,evap_mm after a comment line with\n"
        "the header's dates. Table: date,nbs_m3s for the days of the outlook;\n"
        "missing days and unreadable values are empty fields.");
    return command;
}

int run(const dumpoptions& o) {
    if (looksliketable(o.file))
        std::cout << tablecsv(readtable(o.file));
    else
        std::cout << scenariocsv(readscenariofile(o.file));
    return 0;
}

}  // namespace

subcommand dumpcommand(CLI::App& program) { return made<dumpoptions>(program, add, run); }

}  // namespace outlook::app
