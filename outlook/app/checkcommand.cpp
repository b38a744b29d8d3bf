// rerove_outlook check LAKE [DIR]: what the tool would do in DIR, writing nothing.
#include <CLI/CLI.hpp>

#include <iostream>

#include "outlook/app/app.hpp"
#include "outlook/input/input.hpp"

namespace outlook::app {
namespace {

struct checkoptions {
    std::string lake;
    std::string dir = ".";
};

CLI::App* add(CLI::App& program, checkoptions& o) {
    CLI::App* command = program.add_subcommand("check", "What rerove_tivorn LAKE would do in DIR, writing nothing");
    command->add_option("lake", o.lake, "SUP, MHU, STC, ERI or ONT, as the tool takes it")->required();
    command->add_option("dir", o.dir, "the directory the tool would run in (default: the current one)");
    command->footer(
        "Reports the scenario files found, the years dropped, the outlook span and every\n"
        "file the tool would stumble on; the last line says what the tool would do.\n"
        "Exit status 0: it would write tables; 1: it would fail; 2: it would write nothing.");
    return command;
}

int run(const checkoptions& o) {
    const checkoutcome outcome = checkrun(o.lake, o.dir);
    std::cout << outcome.report;
    return outcome.status;
}

}  // namespace

subcommand checkcommand(CLI::App& program) { return made<checkoptions>(program, add, run); }

}  // namespace outlook::app
