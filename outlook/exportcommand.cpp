// rerove_outlook export: an outlook's tables as CSV, a PI time-series document
// or NetCDF, written whole to the file -o names.
#include "outlook/exportcommand.hpp"

#include <CLI/CLI.hpp>

#include <iostream>

#include "outlook/outlook.hpp"

namespace outlook {
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
    "TABLES, the current directory. --weights FILE: a CSV year,weight.\n"
    "Exit status: 0 success; 1 bad input or a failure, command-line errors included.";

// The lake of the tables, or the one --lake names when the tables' own name is
// not one the tool writes.
std::int32_t lakeof(const ensemble& e, const exportrequest& request) {
    if (e.lakeindex != 0) return e.lakeindex;
    const std::int32_t named = rerove_tivorn_subs::lakeindexofcode(request.lake);
    if (named == 0) throw readerror("the tables name the lake '" + e.lake + "': give its code with --lake");
    return named;
}

std::vector<double> weightsof(const ensemble& e, const exportrequest& request) {
    if (request.weights.empty()) return {};
    std::vector<std::string> warnings;
    std::vector<double> weights = weightsofyears(readweightsfile(request.weights), e.years, warnings);
    for (const std::string& warning : warnings)
        std::cerr << "rerove_outlook: " << request.weights << ": " << warning << "\n";
    return weights;
}

}  // namespace

CLI::App* addexportcommand(CLI::App& app, exportrequest& request) {
    CLI::App* command = app.add_subcommand("export", "A lake's tables as CSV, PI-XML or NetCDF for other programs");
    command->add_option("--format", request.format, "csv, pi-xml or netcdf")
        ->required()
        ->check(CLI::IsMember({"csv", "pi-xml", "netcdf"}));
    command->add_option("-o,--output", request.output, "the file to write")->required();
    command->add_option("--lake", request.lake, "SUP, MHU, STC, ERI or ONT: its tables in the directories named");
    command->add_option("--weights", request.weights, "CSV year,weight: a weight per scenario year (not pi-xml)");
    command->add_option("tables", request.tables, "table files <xx>DNBS_<year>.txt of one outlook, or directories");
    command->footer(std::string(exportnote));
    return command;
}

int exportcommand(const exportrequest& request) {
    if (request.format == "pi-xml" && !request.weights.empty())
        throw readerror("--weights: a PI time-series document has no place for weights");
    if (request.format == "netcdf") requirenetcdf();
    const ensemble e = readensemble(request.tables, request.lake);
    const std::int32_t lakeindex = lakeof(e, request);
    const std::vector<double> weights = weightsof(e, request);
    if (request.format == "csv")
        writefile(request.output, exportcsv(e, lakeindex, weights));
    else if (request.format == "pi-xml")
        writefile(request.output, exportpixml(e, lakeindex, weights));
    else
        writenetcdf(request.output, e, lakeindex, weights);
    std::cerr << request.output << ": " << e.years.size() << " scenario year" << (e.years.size() == 1 ? "" : "s")
              << " of " << (e.lastday - e.firstday + 1) << " days as " << request.format << "\n";
    return 0;
}

}  // namespace outlook
