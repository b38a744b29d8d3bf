// rerove_outlook adapter: the tool as a module of a forecasting system, driven by
// the general adapter's run file.
#include <CLI/CLI.hpp>

#include "outlook/adapter/adapter.hpp"
#include "outlook/app/app.hpp"

namespace outlook::app {
namespace {

constexpr std::string_view adapternote =
    "FILE is a PI run file: workDir, startDateTime and endDateTime, every\n"
    "inputTimeSeriesFile (PI-XML traces, as import --format pi-xml reads them),\n"
    "outputTimeSeriesFile, outputDiagnosticFile, and string properties lake and,\n"
    "optionally, locations and parameters (as --locations and --parameters of\n"
    "import); relative paths are taken from its directory. The lake's scenario\n"
    "files, tables and ERROR.INT are removed from workDir, the traces imported there\n"
    "and rerove_tivorn run there; its tables are written as PI-XML (as export\n"
    "--format pi-xml) over the run's days, and every message as a PI diagnostics\n"
    "file: the tool's lines at level 3 after a complete run, at level 1 after a\n"
    "failed one, warnings at 2, failures at 1.\n"
    "Exit status: 0 after a complete run; 1 otherwise, the diagnostics written all\n"
    "the same unless the run file names none or cannot be read.";

struct adapteroptions {
    std::string runfile;
};

CLI::App* add(CLI::App& program, adapteroptions& o) {
    CLI::App* command =
        program.add_subcommand("adapter", "The tool as a forecasting system's module, driven by a PI run file");
    command->add_option("--run-file", o.runfile, "the general adapter's run file")->required();
    command->footer(std::string(adapternote));
    return command;
}

int run(const adapteroptions& o) {
    const adapteroutcome outcome = runadapter(o.runfile);
    for (const diagline& line : outcome.lines) {
        if (line.level == diaglevel::error)
            complain(line.description);
        else if (line.level == diaglevel::warning)
            warn(line.description);
    }
    if (!outcome.diagnostics.empty())
        tell(outcome.diagnostics.string() + ": " + counted(outcome.lines.size(), "diagnostics line"));
    return outcome.status;
}

}  // namespace

subcommand adaptercommand(CLI::App& program) { return made<adapteroptions>(program, add, run); }

}  // namespace outlook::app
