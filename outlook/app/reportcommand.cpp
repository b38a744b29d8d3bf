// rerove_outlook report -o FILE.html [DIR]: the page of an outlook, written whole.
#include <CLI/CLI.hpp>

#include <system_error>

#include "outlook/app/app.hpp"
#include "outlook/output/output.hpp"
#include "outlook/report/report.hpp"

namespace outlook::app {
namespace {

struct reportoptions {
    std::string output;
    sharedoptions shared;
    std::string climate;   // a climate outlook, as weights takes it
    std::string observed;  // the observed supply, as verify takes it
    std::string hindcast;  // the years' scores of a hindcast, as hindcast -o writes them
    std::string dir = ".";
};

CLI::App* add(CLI::App& program, reportoptions& o) {
    CLI::App* command =
        program.add_subcommand("report", "One self-contained HTML page of the outlook in DIR, to read, print or send");
    command->add_option("-o,--output", o.output, "the HTML file to write")->required();
    sharedhelp help;
    help.lake = "SUP, MHU, STC, ERI or ONT: needed when DIR holds several lakes";
    addshared(*command, o.shared, {option::lake, option::weights}, help);
    command->add_option("--climate", o.climate, "a climate outlook: its rows, asked and achieved");
    command->add_option("--observed", o.observed, "the observed daily supply: the verification scores");
    command->add_option("--hindcast", o.hindcast, "a hindcast's years (hindcast -o): how good such outlooks have been");
    command->add_option("dir", o.dir, "the directory of the tables and scenario files (default: the current one)");
    command->footer(
        "The check of DIR, the fan chart, the exceedance curves of the first 12 months,\n"
        "the monthly flows and depths; with the options the weights, the climate rows\n"
        "asked and achieved, the verification scores and histograms, and a hindcast's\n"
        "skill by lead. No script, no external file; every text from a file or an\n"
        "argument is escaped.\n" +
        std::string(exitnote));
    return command;
}

// The climate rows as asked, and as the weights meet them; without weights of
// its own the report takes the climate outlook's.
void addclimate(const reportoptions& o, const ensemble& e, reportinputs& in) {
    if (e.lakeindex == 0) throw readerror("lake index 0 is not one of 1 to 5");
    const climateasks c = climateasksof(o.climate, e.lakeindex, o.dir, positionrule::weibull, &e);
    if (c.years != e.years)
        throw readerror(o.climate + ": the scenario files of " + o.dir + " are not of the same years as its tables");
    if (in.weights.empty()) {
        in.weights = climateweights(c.asks, c.years.size());
        in.weightsfrom = "the climate outlook " + o.climate;
    }
    in.climatefrom = o.climate;
    for (std::size_t r = 0; r < c.rows.size(); ++r) {
        const climaterow& row = c.rows[r];
        in.climate.push_back({isodate(row.first) + " to " + isodate(row.last),
                              std::string(nameofvariable(row.variable)),
                              {row.below, row.near, row.above},
                              sharesof(c.asks[r], in.weights)});
    }
}

// The scores month by month against the observation, weighted as the weights
// file weights the years.
void addverification(const reportoptions& o, const ensemble& e, std::vector<double> weights, reportinputs& in) {
    const observedseries observed = readobserved(o.observed);
    const outlookvalues outlook = valuesof(o.dir, e, periodkind::month, periodstat::mean, std::move(weights));
    verifyask ask;
    ask.observed = &observed;
    const verification v = verify(std::span<const outlookvalues>(&outlook, 1), ask);
    if (v.pooled.scored == 0) {
        complain(v.unscored);
        return;
    }
    in.verification = v.pooled;
    in.observedfrom = o.observed;
}

// The directory as people find it again: absolute, without ./ and ../.
std::string wherefound(const std::string& dir) {
    std::error_code ec;
    const std::filesystem::path where = std::filesystem::absolute(dir, ec).lexically_normal();
    std::string found = ec ? dir : where.string();
    if (found.size() > 1 && found.back() == '/') found.pop_back();
    return found;
}

int run(const reportoptions& o) {
    const checkedoptions c = checkshared(o.shared);
    const ensemble e = readensemble(std::span<const std::string>(&o.dir, 1), c.lakeindex);
    reportinputs in;
    in.weights = weightsof(c, e.years);
    if (!in.weights.empty()) in.weightsfrom = o.shared.weights;
    const std::vector<double> fileweights = in.weights;
    if (!o.climate.empty()) addclimate(o, e, in);
    if (!o.observed.empty()) addverification(o, e, fileweights, in);
    if (!o.hindcast.empty()) {
        in.hindcast = readhindcastfile(o.hindcast);
        in.hindcastfrom = o.hindcast;
    }
    in.dir = wherefound(o.dir);
    in.made = utctext(momentofmaking(), "%Y-%m-%d %H:%M UTC");
    writefile(o.output, reportpage(outlookreport(e, in)));
    tell(o.output + ": report of " + counted(e.years.size(), "scenario"));
    return 0;
}

}  // namespace

subcommand reportcommand(CLI::App& program) { return made<reportoptions>(program, add, run); }

}  // namespace outlook::app
