// rerove_outlook verify: outlooks scored against what happened, or each scenario
// year of one outlook against the others, pooled over every period.
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>

#include "outlook/app/app.hpp"
#include "outlook/output/output.hpp"
#include "outlook/verification/verification.hpp"

namespace outlook::app {
namespace {

struct verifyoptions {
    std::string observed;  // CSV file; empty with leaveoneout
    bool leaveoneout = false;
    sharedoptions shared;
    std::string baseline;  // directory of an outlook of the same span
    std::string periodsfile;
    bootstrapoptions bootstrap;
    std::vector<std::string> outlooks;  // directories of one outlook each; none: the current one
};

CLI::App* add(CLI::App& program, verifyoptions& o) {
    CLI::App* command = program.add_subcommand("verify", "Scores of outlooks against what happened, pooled, as CSV");
    command->add_option("--observed", o.observed, "the observed daily supply, a CSV date,nbs_m3s");
    command->add_flag("--leave-one-out", o.leaveoneout, "each scenario year against the others");
    sharedhelp help;
    help.stat = "mean, min, max, volume or accumulated";
    help.position = "weibull, hazen, cunnane, gringorten or median";
    help.threshold = "a Brier score of exceeding X (repeatable)";
    addshared(*command, o.shared,
              {option::lake, option::period, option::stat, option::position, option::weights, option::threshold}, help);
    command->add_option("--baseline", o.baseline, "an outlook of the same span to measure skill against");
    command->add_option("--periods", o.periodsfile, "a CSV of the scores of every scored period");
    addbootstrap(*command, o.bootstrap, "the outlooks (--leave-one-out: of the years)");
    command->add_option("outlooks", o.outlooks, "directories of one outlook each (default: the current one)");
    command->footer(
        "Exit status: 0 scored; 1 bad input or a failure, command-line errors included;\n"
        "2 nothing could be scored. See docs/verification.md for what the scores mean.");
    return command;
}

// What verify's own options must be, together.
void checktogether(const verifyoptions& o) {
    if (o.leaveoneout && !o.observed.empty())
        throw optionerror(
            "--leave-one-out and --observed exclude each other: the outlook's own years, or an observation");
    if (!o.leaveoneout && o.observed.empty())
        throw optionerror("nothing to verify against: give --observed FILE, or --leave-one-out");
    if (o.leaveoneout && o.outlooks.size() > 1)
        throw optionerror("--leave-one-out takes one outlook, not " + std::to_string(o.outlooks.size()));
    if (!o.baseline.empty() && o.outlooks.size() > 1)
        throw optionerror("--baseline takes one outlook to compare with, not " + std::to_string(o.outlooks.size()));
    if (!o.bootstrap.resamples.empty() && !o.leaveoneout && o.outlooks.size() < 2)
        throw optionerror(
            "--bootstrap with --observed resamples the outlooks and needs two or more: the interval of one has no "
            "width");
}

outlookvalues readoutlook(const std::string& dir, const checkedoptions& c, bool weighted) {
    ensemble e = readensemble(std::span<const std::string>(&dir, 1), c.lakeindex);
    std::vector<double> weights = weighted ? weightsof(c, e.years) : std::vector<double>{};
    return valuesof(dir, std::move(e), c.a.kind, c.a.stat, std::move(weights));
}

// The verdicts written as they are laid out, under a temporary name that
// writefile renames over file.
void writeperiodsfile(const std::filesystem::path& file, const verification& v, std::span<const double> thresholds) {
    writefile(file, [&](const std::filesystem::path& temporary) {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        writeverdicts(out, v.verdicts, thresholds);
        out.close();
        if (!out) throw writeerror(file.string() + ": cannot be written");
    });
}

int run(const verifyoptions& o) {
    const checkedoptions c = checkshared(o.shared);
    const checkedbootstrap resampling = checkbootstrap(o.bootstrap);
    checktogether(o);
    std::vector<outlookvalues> outlooks;
    for (const std::string& dir : o.outlooks.empty() ? std::vector<std::string>{"."} : o.outlooks)
        outlooks.push_back(readoutlook(dir, c, true));
    std::optional<outlookvalues> baseline;
    if (!o.baseline.empty()) baseline = readoutlook(o.baseline, c, false);
    std::optional<observedseries> observed;
    if (!o.leaveoneout) observed = readobserved(o.observed);
    const verifyask ask{observed ? &*observed : nullptr,
                        baseline ? &*baseline : nullptr,
                        c.a.stat,
                        {c.a.rule, c.a.thresholds},
                        resampling.resamples,
                        resampling.seed};
    const verification v = verify(outlooks, ask);
    if (v.pooled.scored == 0) {
        complain(v.unscored);
        return 2;
    }
    if (!o.periodsfile.empty()) writeperiodsfile(o.periodsfile, v, c.a.thresholds);
    std::cout << pooledcsv(v.pooled);
    return 0;
}

}  // namespace

subcommand verifycommand(CLI::App& program) { return made<verifyoptions>(program, add, run); }

}  // namespace outlook::app
