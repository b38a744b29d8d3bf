// rerove_outlook export: an outlook's tables as CSV, a PI time-series document or
// NetCDF, written whole to the file -o names.
#include <CLI/CLI.hpp>

#include "outlook/app/app.hpp"
#include "outlook/netcdf/netcdf.hpp"
#include "outlook/output/output.hpp"

namespace outlook::app {
namespace {

constexpr std::string_view exportnote =
    "csv: date,year,nbs_m3s (and weight with --weights), a row per day and scenario\n"
    "year, an empty value for a missing day. pi-xml: a PI time-series document, a\n"
    "series per scenario year (ensemble ESP, member index the year), daily means in\n"
    "m3/s, NaN for a missing day; it takes no weights. netcdf: NetCDF-4 (classic\n"
    "model, deflated) following CF-1.8: nbs(realization, time) in m3 s-1, time in\n"
    "days since the first day with its bounds, realization the scenario years,\n"
    "weight(realization) with --weights. The file is written under a temporary name\n"
    "beside it and renamed into place: a failure leaves no file. TABLES are table\n"
    "files or directories (a directory stands for the --lake tables in it); without\n"
    "TABLES, the current directory. --weights FILE: a CSV year,weight.";

struct exportoptions {
    std::string format;
    std::string output;
    sharedoptions shared;
};

CLI::App* add(CLI::App& program, exportoptions& o) {
    CLI::App* command = program.add_subcommand("export", "A lake's tables as CSV, PI-XML or NetCDF for other programs");
    command->add_option("--format", o.format, "csv, pi-xml or netcdf")
        ->required()
        ->check(CLI::IsMember({"csv", "pi-xml", "netcdf"}));
    command->add_option("-o,--output", o.output, "the file to write")->required();
    sharedhelp help;
    help.weights = "CSV year,weight: a weight per scenario year (not pi-xml)";
    addshared(*command, o.shared, {option::lake, option::weights, option::tables}, help);
    command->footer(std::string(exportnote) + "\n" + std::string(exitnote));
    return command;
}

// The lake of the tables, or the one --lake names when the tables' own name is
// not one the tool writes.
std::int32_t lakeoftables(const ensemble& e, const checkedoptions& c) {
    if (e.lakeindex != 0) return e.lakeindex;
    if (c.lakeindex == 0) throw readerror("the tables name the lake '" + e.lake + "': give its code with --lake");
    return c.lakeindex;
}

int run(const exportoptions& o) {
    const checkedoptions c = checkshared(o.shared);
    if (o.format == "pi-xml" && !c.weights.empty())
        throw optionerror("--weights: a PI time-series document has no place for weights");
    if (o.format == "netcdf") requirenetcdf();
    const ensemble e = tablesof(o.shared, c);
    const std::int32_t lakeindex = lakeoftables(e, c);
    const std::vector<double> weights = weightsof(c, e.years);
    if (o.format == "csv")
        writefile(o.output, exportcsv(e, lakeindex, weights));
    else if (o.format == "pi-xml")
        writefile(o.output, exportpixml(e, lakeindex, weights));
    else
        writenetcdf(o.output, e, lakeindex, weights);
    tell(o.output + ": " + counted(e.years.size(), "scenario year") + " of " +
         std::to_string(e.lastday - e.firstday + 1) + " days as " + o.format);
    return 0;
}

}  // namespace

subcommand exportcommand(CLI::App& program) { return made<exportoptions>(program, add, run); }

}  // namespace outlook::app
