// rerove_outlook: looks at what rerove_tivorn reads and writes, and never changes
// either. Its data (CSV, the check's report) goes to standard output or the file
// -o names; every message goes to standard error. Exit status 0 on success and 1
// on any failure (bad arguments included); check exits with its verdict: 0 when
// the tool would write tables, 1 when it would fail, 2 when it would write
// nothing. Files are written whole or not at all.
//
// import and adapter write the tool's scenario files, into the directory they are given.
#include <CLI/CLI.hpp>

#include <iostream>
#include <sstream>

#include "outlook/app/app.hpp"

namespace {

using namespace outlook::app;

// The subcommands in the order the help lists them.
std::vector<subcommand> subcommands(CLI::App& program) {
    std::vector<subcommand> all;
    for (const auto add : {dumpcommand, summarycommand, tracescommand, plotcommand, reportcommand, checkcommand,
                           exportcommand, weightscommand, verifycommand, hindcastcommand})
        all.push_back(add(program));
    for (const auto add : {importcommand, adaptercommand}) all.push_back(add(program));
    return all;
}

// CLI11's own words for a command line it refused, or its help.
int parsefailure(const CLI::App& program, const CLI::ParseError& e) {
    std::ostringstream out, err;
    const int status = program.exit(e, out, err);
    std::cout << out.str();
    std::string said = err.str();
    if (!said.empty() && said.back() == '\n') said.pop_back();
    if (!said.empty()) tell(said);
    return status == 0 ? 0 : 1;
}

}  // namespace

// NOLINTNEXTLINE(bugprone-exception-escape): any other exception is a fault, and terminate shows it
int main(int argc, char** argv) {
    CLI::App program{
        "rerove_outlook: reads the scenario files and tables of rerove_tivorn, summarises and draws "
        "the outlook. It never changes what rerove_tivorn does."};
    program.set_version_flag("--version", std::string(RT_VERSION));
    program.require_subcommand(1);
    const std::vector<subcommand> all = subcommands(program);
    try {
        program.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return parsefailure(program, e);
    }
    try {
        for (const subcommand& s : all) {
            if (*s.command) return s.run();
        }
    } catch (const outlook::failure& e) {
        complain(e.what());
        return 1;
    }
    return 1;
}
