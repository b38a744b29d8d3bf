// rerove_outlook: looks at what rerove_tivorn reads and writes, and never
// changes either. Its data (CSV, the check's report) goes to standard output or
// the file -o names; every message goes to standard error. Exit status 0 on
// success and 1 on any failure (bad arguments included); check exits with its
// verdict: 0 when the tool would write tables, 1 when it would fail, 2 when it
// would write nothing.
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>

#include "outlook/outlook.hpp"

namespace {

struct tablesource {
    std::string period = "quarter-month";
    std::string lake;
    std::vector<std::string> tables;
};

struct plotrequest {
    tablesource source;
    bool traces = false;
    std::optional<std::int32_t> highlight;
    std::string output;
};

constexpr std::string_view statisticsnote =
    "Periods: quarter-month (default), month or outlook, each cut to the outlook.\n"
    "A scenario's value for a period is the mean of its days of it; a scenario\n"
    "with a missing day there has no value. Exceedance values use the Weibull\n"
    "plotting position m/(n+1) of the m-th largest of n values, with linear\n"
    "interpolation between ranks, clamped to the smallest and largest value.\n"
    "Values in m3/s. TABLES are table files or directories, a directory standing for\n"
    "the --lake tables in it; without TABLES, the current directory. --lake is needed\n"
    "when a directory holds tables of more than one lake.";

constexpr std::string_view exitnote = "Exit status: 0 success; 1 bad input or a failure, command-line errors included.";

constexpr std::string_view weightsnote =
    "The climate CSV: first_date,last_date,variable,below,near,above[,lower,upper],\n"
    "one row a forecast of the total of precip, evap, runoff (scenario files) or nbs\n"
    "(tables, as a depth) in mm over the days, as fractions or percentages. Years\n"
    "fall in thirds by lower and upper or by their ranks. The weights meet the rows\n"
    "best in least squares, and are the closest to equal among those that do.\n"
    "Exit status 0; 1 on bad input; 3 when a probability is missed by over 0.001.";

void addsource(CLI::App& command, tablesource& source) {
    command.add_option("--period", source.period, "quarter-month, month or outlook")
        ->check(CLI::IsMember({"quarter-month", "month", "outlook"}));
    command.add_option("--lake", source.lake, "SUP, MHU, STC, ERI or ONT: its tables in the directories named");
    command.add_option("tables", source.tables, "table files <xx>DNBS_<year>.txt of one outlook, or directories");
}

outlook::ensemble readensemble(const tablesource& source) { return outlook::readensemble(source.tables, source.lake); }

std::vector<outlook::period> periodsof(const tablesource& source, const outlook::ensemble& e) {
    return outlook::periodsof(*outlook::periodofname(source.period), e.firstday, e.lastday);
}

int check(const std::string& lake, const std::string& dir) {
    const outlook::checkoutcome outcome = outlook::checkrun(lake, dir);
    std::cout << outcome.report;
    return outcome.status;
}

int dump(const std::string& file) {
    if (outlook::looksliketable(file))
        std::cout << outlook::tablecsv(outlook::readtable(file));
    else
        std::cout << outlook::scenariocsv(outlook::readscenariofile(file));
    return 0;
}

int summary(const tablesource& source) {
    const outlook::ensemble e = readensemble(source);
    const auto periods = periodsof(source, e);
    std::cout << outlook::summarycsv(outlook::statistics(periods, outlook::periodmeans(e, periods)));
    return 0;
}

int plot(const plotrequest& request) {
    const outlook::ensemble e = readensemble(request.source);
    const std::string svg = outlook::fanchart(e, periodsof(request.source, e), {request.traces, request.highlight});
    std::ofstream out(request.output, std::ios::binary | std::ios::trunc);
    out << svg;
    out.close();
    if (!out) throw outlook::readerror(request.output + ": cannot be written");
    std::cerr << request.output << ": fan chart of " << e.years.size() << " scenario"
              << (e.years.size() == 1 ? "" : "s") << "\n";
    return 0;
}

CLI::App* addweights(CLI::App& app, outlook::weightsrequest& request) {
    CLI::App* command = app.add_subcommand("weights", "Weights of the scenario years in DIR for a climate outlook");
    command->add_option("--climate", request.climate, "CSV of probabilities of the thirds of totals")->required();
    command->add_option("--lake", request.lake, "SUP, MHU, STC, ERI or ONT (default: the one lake in DIR)");
    command->add_option("--position", request.position, "rule of the ranks' thirds: weibull (default), hazen, ...");
    command->add_option("-o,--output", request.output, "the year,weight CSV to write (default: standard output)");
    command->add_option("dir", request.dir, "the scenario files and tables (default: the current directory)");
    command->footer(std::string(weightsnote));
    return command;
}

}  // namespace

// NOLINTNEXTLINE(bugprone-exception-escape): any other exception is a fault, and terminate shows it
int main(int argc, char** argv) {
    CLI::App app{
        "rerove_outlook: reads the scenario files and tables of rerove_tivorn, summarises and draws "
        "the outlook. It never changes what rerove_tivorn does."};
    app.set_version_flag("--version", std::string(RT_VERSION));
    app.require_subcommand(1);

    std::string dumpfile;
    CLI::App* dumpcommand = app.add_subcommand("dump", "A scenario file (REROVE<year>.<part>) or a table as CSV");
    dumpcommand->add_option("file", dumpfile, "scenario file or table")->required();
    dumpcommand->footer(
        "Scenario file: date,runoff_mm,precip_mm,evap_mm after a comment line with\n"
        "the header's dates. Table: date,nbs_m3s for the days of the outlook;\n"
        "missing days and unreadable values are empty fields.");

    tablesource summarysource;
    CLI::App* summarycommand = app.add_subcommand("summary", "Ensemble statistics of a lake's tables as CSV");
    addsource(*summarycommand, summarysource);
    summarycommand->footer(std::string(statisticsnote) + "\n" + std::string(exitnote));

    plotrequest request;
    CLI::App* plotcommand = app.add_subcommand("plot", "Fan chart of a lake's tables as an SVG file");
    addsource(*plotcommand, request.source);
    plotcommand->add_flag("--traces", request.traces, "draw every scenario as a thin line");
    plotcommand->add_option("--highlight", request.highlight, "draw this scenario year over the fan");
    plotcommand->add_option("-o,--output", request.output, "the SVG file to write")->required();
    plotcommand->footer("Bands from 90 % to 10 % and from 75 % to 25 % exceedance, the median as a line.\n" +
                        std::string(statisticsnote) + "\n" + std::string(exitnote));

    std::string checklake;
    std::string checkdir = ".";
    CLI::App* checkcommand = app.add_subcommand("check", "What rerove_tivorn LAKE would do in DIR, writing nothing");
    checkcommand->add_option("lake", checklake, "SUP, MHU, STC, ERI or ONT, as the tool takes it")->required();
    checkcommand->add_option("dir", checkdir, "the directory the tool would run in (default: the current one)");
    checkcommand->footer(
        "Reports the scenario files found, the years dropped, the outlook span and every\n"
        "file the tool would stumble on; the last line says what the tool would do.\n"
        "Exit status 0: it would write tables; 1: it would fail; 2: it would write nothing.");

    outlook::weightsrequest weights;
    CLI::App* weightscommand = addweights(app, weights);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, std::cout, std::cerr) == 0 ? 0 : 1;
    }
    try {
        if (*checkcommand) return check(checklake, checkdir);
        if (*dumpcommand) return dump(dumpfile);
        if (*summarycommand) return summary(summarysource);
        if (*plotcommand) return plot(request);
        if (*weightscommand) return outlook::runweights(weights, std::cout, std::cerr);
    } catch (const outlook::readerror& e) {
        std::cerr << "rerove_outlook: " << e.what() << "\n";
        return 1;
    }
    return 1;
}
