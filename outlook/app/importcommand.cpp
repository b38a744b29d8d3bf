// rerove_outlook import: a lake's traces from CSV or PI-XML files written as the
// tool's scenario files REROVE<year>.<part>.
#include <CLI/CLI.hpp>

#include "outlook/app/app.hpp"
#include "outlook/importing/importing.hpp"

namespace outlook::app {
namespace {

constexpr std::string_view importnote =
    "csv: the header year,part,date,runoff_mm,precip_mm,evap_mm, then a row per\n"
    "scenario year, part (sup, mic, hur, geo, stc, eri, ont, any case) and day\n"
    "(YYYY-MM-DD) in any order; values in mm as dump prints them, an empty one a\n"
    "missing day. pi-xml: a PI time-series document, a series per part, component\n"
    "and scenario year: locationId the part code (or --locations mic=ID,...),\n"
    "parameterId runoff, precipitation or evaporation (or --parameters\n"
    "runoff=ID,...), ensembleMemberIndex the year, a daily timeStep, units mm; a day\n"
    "without an event, or with the missVal, is missing. Every part of the lake needs\n"
    "every year, all over the same days (at most 75 years of 20000 days). Every file\n"
    "is checked before one is written; each scenario file is written under a\n"
    "temporary name and renamed into place.";

struct importoptions {
    std::string format;
    std::string dir = ".";
    std::string locations;
    std::string parameters;
    std::vector<std::string> files;
    sharedoptions shared;
};

CLI::App* add(CLI::App& program, importoptions& o) {
    CLI::App* command =
        program.add_subcommand("import", "Traces from CSV or PI-XML written as scenario files REROVE<year>.<part>");
    command->add_option("--format", o.format, "csv or pi-xml")->required()->check(CLI::IsMember({"csv", "pi-xml"}));
    sharedhelp help;
    help.lake = "SUP, MHU, STC, ERI or ONT: the lake of the traces";
    addshared(*command, o.shared, {option::lake}, help);
    command->get_option("--lake")->required();
    command->add_option("-d,--dir", o.dir, "the directory to write into (default .)");
    command->add_option("--locations", o.locations, "pi-xml: PART=ID,...: the locationId of a part");
    command->add_option("--parameters", o.parameters, "pi-xml: NAME=ID,...: the parameterId of runoff, ...");
    command->add_option("files", o.files, "the CSV or PI-XML files of the traces")->required();
    command->footer(std::string(importnote) + "\n" + std::string(exitnote));
    return command;
}

int run(const importoptions& o) {
    const checkedoptions c = checkshared(o.shared);
    const bool pixml = o.format == "pi-xml";
    if (!pixml && (!o.locations.empty() || !o.parameters.empty()))
        throw optionerror("--locations and --parameters: only with --format pi-xml");
    pinames names;
    maplocations(names, c.lakeindex, o.locations, "--locations");
    mapparameters(names, o.parameters, "--parameters");
    if (!std::filesystem::is_directory(o.dir)) throw optionerror("--dir: '" + o.dir + "' is not a directory");
    const std::vector<std::filesystem::path> files(o.files.begin(), o.files.end());
    const importedtraces traces =
        readtraces(pixml ? importformat::pixml : importformat::csv, files, c.lakeindex, names);
    writeimport(traces, o.dir);
    tell(importsummary(traces));
    return 0;
}

}  // namespace

subcommand importcommand(CLI::App& program) { return made<importoptions>(program, add, run); }

}  // namespace outlook::app
