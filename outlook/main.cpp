// rerove_outlook: looks at what rerove_tivorn reads and writes, and never
// changes either. Its data (CSV, the check's report) goes to standard output or
// the file -o names; every message goes to standard error. Exit status 0 on
// success and 1 on any failure (bad arguments included); check exits with its
// verdict: 0 when the tool would write tables, 1 when it would fail, 2 when it
// would write nothing. Files are written whole or not at all.
#include <CLI/CLI.hpp>

#include <iostream>

#include "outlook/exportcommand.hpp"
#include "outlook/outlook.hpp"

namespace {

struct tablesource {
    std::string lake;
    std::vector<std::string> tables;
};

// What summary, traces and plot share: the tables and the analysis options.
struct analysisrequest {
    tablesource source;
    outlook::analysisoptions options;
    std::string output;  // empty: standard output
};

struct plotrequest {
    analysisrequest request;
    std::string kind = "fan";
    std::string at;
    bool traces = false;
    std::optional<std::int32_t> highlight;
};

constexpr std::string_view statisticsnote =
    "Periods: quarter-month (default), month or outlook, each cut to the outlook.\n"
    "A scenario's value for a period is the mean of its days of it (--stat mean, in\n"
    "m3/s), their min or max, its volume as a depth over the lake, or that depth\n"
    "accumulated from the outlook's start (mm); a missing day leaves it without one.\n"
    "Exceedance values use the --position rule, by default the Weibull\n"
    "plotting position m/(n+1) of the m-th largest of n values, with linear\n"
    "interpolation between ranks, clamped to the smallest and largest value.\n"
    "--weights FILE: a CSV year,weight; each period's weights are normalised over the\n"
    "scenarios with a value, and a scenario of weight 0 takes no part.\n"
    "TABLES are table files or directories, a directory standing for the --lake\n"
    "tables in it; without TABLES, the current directory. --lake is needed when a\n"
    "directory holds tables of more than one lake.";

constexpr std::string_view exitnote = "Exit status: 0 success; 1 bad input or a failure, command-line errors included.";

constexpr std::string_view weightsnote =
    "The climate CSV: first_date,last_date,variable,below,near,above[,lower,upper],\n"
    "one row a forecast of the total of precip, evap, runoff (scenario files) or nbs\n"
    "(tables, as a depth) in mm over the days, as fractions or percentages. Years\n"
    "fall in thirds by lower and upper or by their ranks. The weights meet the rows\n"
    "best in least squares, and are the closest to equal among those that do.\n"
    "Exit status 0; 1 on bad input; 3 when a probability is missed by over 0.001.";

enum optionset : unsigned { levels = 1, thresholds = 2, output = 4 };

// The options of summary, traces and plot, in one place for every command
// that analyses the tables.
void addanalysis(CLI::App& command, analysisrequest& r, unsigned which, const std::string& defaultlevels) {
    command.add_option("--period", r.options.period, "quarter-month, month or outlook");
    command.add_option("--stat", r.options.stat, "mean, min, max, volume or accumulated (default mean)");
    command.add_option("--position", r.options.position,
                       "plotting position: weibull, hazen, cunnane, gringorten or median (default weibull)");
    if ((which & levels) != 0)
        command.add_option("--levels", r.options.levels, "exceedance percentages (default " + defaultlevels + ")");
    if ((which & thresholds) != 0)
        command.add_option("--threshold", r.options.thresholds, "share of the scenarios above X (repeatable)")
            ->allow_extra_args(false);
    command.add_option("--weights", r.options.weightsfile, "a CSV year,weight of the scenario years");
    command.add_option("--lake", r.source.lake, "SUP, MHU, STC, ERI or ONT: its tables in the directories named");
    if ((which & output) != 0)
        command.add_option("-o,--output", r.output, "the file to write (default: standard output)");
    command.add_option("tables", r.source.tables, "table files <xx>DNBS_<year>.txt of one outlook, or directories");
}

outlook::ensemble readensemble(const tablesource& source) { return outlook::readensemble(source.tables, source.lake); }

void warn(const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) std::cerr << "rerove_outlook: warning: " << w << "\n";
}

outlook::periodset periodsetof(const outlook::analysis& a, const outlook::ensemble& e) {
    std::vector<std::string> warnings;
    outlook::periodset set = outlook::periodsetof(a, e, warnings);
    warn(warnings);
    return set;
}

void emit(const std::string& output, const std::string& text) {
    if (output.empty())
        std::cout << text;
    else
        outlook::writefile(output, text);
}

int check(const std::string& lake, const std::string& dir) {
    const outlook::checkoutcome outcome = outlook::checkrun(lake, dir);
    std::cout << outcome.report;
    return outcome.status;
}

// verify's options as given; the names are checked by CLI11 before they are read.
struct verifyoptions {
    outlook::verifyrequest request;
    std::string period = "quarter-month", stat = "mean", position = "weibull";
};

CLI::App* addverify(CLI::App& app, verifyoptions& v) {
    outlook::verifyrequest& r = v.request;
    CLI::App* c = app.add_subcommand("verify", "Scores of outlooks against what happened, pooled, as CSV");
    c->add_option("--observed", r.observed, "the observed daily supply, a CSV date,nbs_m3s");
    c->add_flag("--leave-one-out", r.leaveoneout, "each scenario year against the others");
    c->add_option("--lake", r.lake, "SUP, MHU, STC, ERI or ONT: its tables in the directories named");
    c->add_option("--period", v.period, "quarter-month, month or outlook")
        ->check(CLI::IsMember({"quarter-month", "month", "outlook"}));
    c->add_option("--stat", v.stat, "mean, min, max, volume or accumulated")
        ->check(CLI::IsMember({"mean", "min", "max", "volume", "accumulated"}));
    c->add_option("--position", v.position, "weibull, hazen, cunnane, gringorten or median")
        ->check(CLI::IsMember({"weibull", "hazen", "cunnane", "gringorten", "median"}));
    c->add_option("--weights", r.weights, "a CSV year,weight of the scenario years");
    c->add_option("--threshold", r.options.thresholds, "a Brier score of exceeding X (repeatable)")
        ->allow_extra_args(false);
    c->add_option("--baseline", r.baseline, "an outlook of the same span to measure skill against");
    c->add_option("--periods", r.periodsfile, "a CSV of the scores of every scored period");
    c->add_option("outlooks", r.outlooks, "directories of one outlook each (default: the current one)");
    c->footer(
        "Exit status: 0 scored; 1 bad input or a failure, command-line errors included;\n"
        "2 nothing could be scored. See docs/verification.md for what the scores mean.");
    return c;
}

int verify(verifyoptions& v) {
    v.request.kind = *outlook::periodofname(v.period);
    v.request.stat = *outlook::statofname(v.stat);
    v.request.options.rule = *outlook::positionofname(v.position);
    const outlook::verifyoutcome outcome = outlook::verify(v.request);
    for (const std::string& message : outcome.messages) std::cerr << "rerove_outlook: " << message << "\n";
    std::cout << outcome.output;
    return outcome.status;
}

int dump(const std::string& file) {
    if (outlook::looksliketable(file))
        std::cout << outlook::tablecsv(outlook::readtable(file));
    else
        std::cout << outlook::scenariocsv(outlook::readscenariofile(file));
    return 0;
}

int summary(const analysisrequest& r) {
    const outlook::analysis a = outlook::analysisof(r.options, "90,50,10");
    const outlook::ensemble e = readensemble(r.source);
    const outlook::periodset set = periodsetof(a, e);
    emit(r.output, outlook::summarycsv(outlook::summarise(set.periods, set.values, set.weights, a), a, a.weighted));
    return 0;
}

int traces(const analysisrequest& r) {
    const outlook::analysis a = outlook::analysisof(r.options, "50");
    const outlook::ensemble e = readensemble(r.source);
    emit(r.output, outlook::tracescsv(e, periodsetof(a, e), a));
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

std::string plural(std::size_t n) { return std::to_string(n) + (n == 1 ? " scenario" : " scenarios"); }

int plot(const plotrequest& p) {
    const outlook::analysis a = outlook::analysisof(p.request.options, "90,75,25,10", 4);
    const bool fan = p.kind == "fan";
    if (fan && !p.at.empty()) throw outlook::readerror("--at is for --kind exceedance");
    if (!fan && p.at.empty()) throw outlook::readerror("--kind exceedance needs --at YYYY-MM-DD");
    if (!fan && (p.traces || p.highlight)) throw outlook::readerror("--traces and --highlight are for --kind fan");
    const std::optional<std::int32_t> day = fan ? std::optional<std::int32_t>(0) : outlook::dayofisodate(p.at);
    if (!day) throw outlook::readerror("--at: '" + p.at + "' is not a date YYYY-MM-DD");
    const outlook::ensemble e = readensemble(p.request.source);
    std::vector<std::string> warnings;
    const std::vector<double> weights =
        a.weighted ? outlook::weightsofyears(a.listed, e.years, warnings) : std::vector<double>{};
    warn(warnings);
    const auto periods = outlook::periodsof(a.kind, e.firstday, e.lastday);
    const std::string& file = p.request.output;
    if (fan) {
        outlook::chartoptions options{p.traces, p.highlight, a.stat, a.rule, {}, weights, 0};
        std::copy(a.levels.begin(), a.levels.end(), options.levels.begin());
        outlook::writefile(file, outlook::fanchart(e, periods, options));
        std::cerr << file << ": fan chart of " << plural(e.years.size()) << "\n";
        return 0;
    }
    const auto which = outlook::periodholding(periods, *day);
    if (!which)
        throw outlook::readerror("--at " + p.at + " is outside the outlook, " + outlook::isodate(e.firstday) + " to " +
                                 outlook::isodate(e.lastday));
    outlook::writefile(file, outlook::exceedancechart(e, periods, *which, {a.stat, a.rule, weights, 0}));
    std::cerr << file << ": exceedance chart of " << plural(e.years.size())
              << ", " + outlook::isodate(periods[*which].first) << " to " << outlook::isodate(periods[*which].last)
              << "\n";
    return 0;
}

CLI::App* addsummary(CLI::App& app, analysisrequest& r) {
    CLI::App* command = app.add_subcommand("summary", "Ensemble statistics of a lake's tables as CSV");
    addanalysis(*command, r, levels | thresholds | output, "90,50,10");
    command->footer(
        "Columns: first_date,last_date,scenarios,missing,min, one exceed<p> per level,\n"
        "mean,max, effective_scenarios (with --weights), one above_<X> per --threshold\n"
        "(the share of the weight above X), each named with its unit (_m3s or _mm).\n" +
        std::string(statisticsnote) + "\n" + std::string(exitnote));
    return command;
}

CLI::App* addtraces(CLI::App& app, analysisrequest& r) {
    CLI::App* command =
        app.add_subcommand("traces", "Each scenario year's value, rank and exceedance for each period as CSV");
    addanalysis(*command, r, output, "");
    command->footer(
        "Rows by period and year: first_date,last_date,year,value,rank,weight,exceedance.\n"
        "Rank 1 is the largest; tied values share the best rank and the smallest\n"
        "exceedance among them. weight is the year's normalised weight (1/count without\n"
        "--weights). A year without a value has empty fields; one of weight 0 a weight 0.\n" +
        std::string(statisticsnote) + "\n" + std::string(exitnote));
    return command;
}

CLI::App* addplot(CLI::App& app, plotrequest& p) {
    CLI::App* command = app.add_subcommand("plot", "Fan chart or exceedance chart of a lake's tables as an SVG file");
    addanalysis(*command, p.request, levels, "90,75,25,10");
    command->add_option("--kind", p.kind, "fan (default) or exceedance")->check(CLI::IsMember({"fan", "exceedance"}));
    command->add_option("--at", p.at, "YYYY-MM-DD: the period of the exceedance chart holding that day");
    command->add_flag("--traces", p.traces, "draw every scenario as a thin line");
    command->add_option("--highlight", p.highlight, "draw this scenario year over the fan");
    command->add_option("-o,--output", p.request.output, "the SVG file to write")->required();
    command->footer(
        "Fan: bands between the outer and between the inner pair of the four --levels,\n"
        "the median as a line. Exceedance: each scenario's value for the period holding\n"
        "--at against its exceedance probability, labelled with its year; with --weights\n"
        "also the weighted curve.\n" +
        std::string(statisticsnote) + "\n" + std::string(exitnote));
    return command;
}

CLI::App* adddump(CLI::App& app, std::string& file) {
    CLI::App* command = app.add_subcommand("dump", "A scenario file (REROVE<year>.<part>) or a table as CSV");
    command->add_option("file", file, "scenario file or table")->required();
    command->footer(
        "Scenario file: date,runoff_mm,precip_mm,evap_mm after a comment line with\n"
        "the header's dates. Table: date,nbs_m3s for the days of the outlook;\n"
        "missing days and unreadable values are empty fields.");
    return command;
}

struct checkrequest {
    std::string lake;
    std::string dir = ".";
};

CLI::App* addcheck(CLI::App& app, checkrequest& r) {
    CLI::App* command = app.add_subcommand("check", "What rerove_tivorn LAKE would do in DIR, writing nothing");
    command->add_option("lake", r.lake, "SUP, MHU, STC, ERI or ONT, as the tool takes it")->required();
    command->add_option("dir", r.dir, "the directory the tool would run in (default: the current one)");
    command->footer(
        "Reports the scenario files found, the years dropped, the outlook span and every\n"
        "file the tool would stumble on; the last line says what the tool would do.\n"
        "Exit status 0: it would write tables; 1: it would fail; 2: it would write nothing.");
    return command;
}

CLI::App* addreport(CLI::App& app, outlook::reportrequest& r) {
    CLI::App* command =
        app.add_subcommand("report", "One self-contained HTML page of the outlook in DIR, to read, print or send");
    command->add_option("-o,--output", r.output, "the HTML file to write")->required();
    command->add_option("--lake", r.lake, "SUP, MHU, STC, ERI or ONT: needed when DIR holds several lakes");
    command->add_option("--weights", r.weights, "a CSV year,weight of the scenario years");
    command->add_option("--climate", r.climate, "a climate outlook: its rows, asked and achieved");
    command->add_option("--observed", r.observed, "the observed daily supply: the verification scores");
    command->add_option("dir", r.dir, "the directory of the tables and scenario files (default: the current one)");
    command->footer(
        "The check of DIR, the fan chart, the exceedance curves of the first 12 months,\n"
        "the monthly flows and depths; with the options the weights, the climate rows\n"
        "asked and achieved, the verification scores and histograms. No script, no\n"
        "external file; every text from a file or an argument is escaped.\n" +
        std::string(exitnote));
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
    CLI::App* dumpcommand = adddump(app, dumpfile);

    analysisrequest summaryrequest, tracesrequest;
    plotrequest request;
    CLI::App* summarycommand = addsummary(app, summaryrequest);
    CLI::App* tracescommand = addtraces(app, tracesrequest);
    CLI::App* plotcommand = addplot(app, request);

    outlook::reportrequest report;
    CLI::App* reportcommand = addreport(app, report);

    checkrequest checking;
    CLI::App* checkcommand = addcheck(app, checking);

    outlook::exportrequest exportrequest;
    CLI::App* exportcommand = outlook::addexportcommand(app, exportrequest);
    outlook::weightsrequest weights;
    CLI::App* weightscommand = addweights(app, weights);
    verifyoptions verifying;
    CLI::App* verifycommand = addverify(app, verifying);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, std::cout, std::cerr) == 0 ? 0 : 1;
    }
    try {
        if (*checkcommand) return check(checking.lake, checking.dir);
        if (*verifycommand) return verify(verifying);
        if (*dumpcommand) return dump(dumpfile);
        if (*summarycommand) return summary(summaryrequest);
        if (*tracescommand) return traces(tracesrequest);
        if (*plotcommand) return plot(request);
        if (*exportcommand) return outlook::exportcommand(exportrequest);
        if (*reportcommand) return outlook::writereport(report);
        if (*weightscommand) return outlook::runweights(weights, std::cout, std::cerr);
    } catch (const outlook::readerror& e) {
        std::cerr << "rerove_outlook: " << e.what() << "\n";
        return 1;
    }
    return 1;
}
