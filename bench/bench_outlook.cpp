// bench_outlook: times rerove_outlook on the largest outlook the tool writes
// (Mich-Huron, 75 tables of a 20000-day span) against its I/O floor, as whole
// processes started directly (posix_spawn, never through a shell): for each
// command, `cat` of the 75 tables to /dev/null plus `cat` of as many bytes as
// the command writes into a file. Command and floor run in alternating pairs,
// so that both see the same load; the median ratio of the pairs counts.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bench/benchsupport.hpp"
#include "childrun/childrun.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace fs = std::filesystem;

namespace {

using benchsupport::filesstarting;
using benchsupport::fixed;
using benchsupport::loadaverage;
using benchsupport::median;
using benchsupport::say;

constexpr double targetratio = 3.0;
constexpr double reportseconds = 2.0;  // the report's target, in wall time
constexpr double targetmib = 64.0;

using benchoptions = benchsupport::runoptions;  // runs: the pairs of each command

// One command of the companion: its arguments, and the file it writes its data
// to (standard output unless it names one with -o).
struct command {
    std::string name;
    std::vector<std::string> argv;
    fs::path written;                // the data the command writes; its standard output when stdout is set
    bool stdoutdata = true;          // the data is its standard output
    std::vector<std::string> reads;  // the tables it reads, for its floor
    double seconds = 0;              // a target in wall seconds instead of the ratio, when not 0
};

struct timed {
    double wall = 0;
    long peakkib = 0;
};

timed runtimed(const std::vector<std::string>& argv, const fs::path& dir, const fs::path& out, bool search) {
    childrun::invocation launch = benchsupport::launchof(argv, dir, out, search);
    launch.keeperrors = true;  // the companion's reports are not the bench's
    const childrun::runresult r = childrun::run(launch);
    if (!r.started || r.status != 0)
        throw std::runtime_error(argv[0] + " " + (argv.size() > 1 ? argv[1] : "") + " failed (exit status " +
                                 std::to_string(r.status) + ") " + r.failure + r.err.substr(0, 2000));
    return {r.seconds, r.maxrsskib};
}

// The tables of the outlook in run/, written by the tool from generated
// scenario files (Mich-Huron, the years from 1950, from 1 June 2024), which are
// removed then; the tables are read once so that the cache is warm.
std::vector<std::string> writetables(const benchoptions& opt, const fs::path& run) {
    fs::create_directories(run);
    std::int32_t written = 0;
    std::string error;
    if (!scenariofiles::writescenarios(scenariofiles::benchrequest(opt.years, opt.days, run), written, error))
        throw std::runtime_error(error);
    (void)runtimed({opt.tool.string(), "MHU"}, run, "/dev/null", false);
    for (const std::string& name : filesstarting(run, "REROVE")) fs::remove(run / name);
    std::vector<std::string> tables = filesstarting(run, "mhDNBS_");
    if (tables.size() != static_cast<std::size_t>(opt.years))
        throw std::runtime_error("the tool wrote " + std::to_string(tables.size()) + " tables");
    say("  " + std::to_string(tables.size()) + " tables, " + std::to_string(benchsupport::readall(run, tables)) +
        " bytes");
    return tables;
}

// Whether the companion lists the subcommand in its help (it may not have it yet).
bool accepts(const benchoptions& opt, const fs::path& run, const std::string& subcommand) {
    childrun::invocation launch = benchsupport::launchof({opt.outlook.string(), "--help"}, run, "", false);
    launch.keeperrors = true;
    const childrun::runresult r = childrun::run(launch);
    return r.started && r.status == 0 && r.out.find("\n  " + subcommand + " ") != std::string::npos;
}

std::vector<command> commandsof(const benchoptions& opt, const fs::path& work, const std::vector<std::string>& tables,
                                bool traces) {
    const std::string tool = opt.outlook.string();
    const std::string highlight = tables[tables.size() / 2].substr(7, 4);
    std::vector<command> list = {
        {"summary", {tool, "summary", "--lake", "MHU"}, work / "summary.csv", true, tables},
        {"summary --period outlook",
         {tool, "summary", "--period", "outlook", "--lake", "MHU"},
         work / "outlook.csv",
         true,
         tables},
        {"plot --traces",
         {tool, "plot", "--traces", "--highlight", highlight, "-o", (work / "chart.svg").string(), "--lake", "MHU"},
         work / "chart.svg",
         false,
         tables},
        {"dump", {tool, "dump", tables.front()}, work / "dump.csv", true, {tables.front()}},
    };
    if (traces) list.push_back({"traces", {tool, "traces", "--lake", "MHU"}, work / "traces.csv", true, tables});
    // The report page: the check of the directory, 13 charts and the monthly tables.
    list.push_back({"report",
                    {tool, "report", "-o", (work / "report.html").string(), "--lake", "MHU"},
                    work / "report.html",
                    false,
                    tables,
                    reportseconds});
    return list;
}

struct round {
    std::vector<double> tool, floor, ratio;
    long peakkib = 0;
    std::uintmax_t bytes = 0;
};

// The floor of a command: its tables read to /dev/null, and its bytes (a copy
// of what it wrote) copied into a file.
double floorrun(const fs::path& run, const command& c, const fs::path& copy, const fs::path& into) {
    std::vector<std::string> readtables = {"cat"};
    readtables.insert(readtables.end(), c.reads.begin(), c.reads.end());
    return runtimed(readtables, run, "/dev/null", true).wall + runtimed({"cat", copy.string()}, run, into, true).wall;
}

round measure(const benchoptions& opt, const fs::path& work, const command& c) {
    const fs::path run = work / "run";
    const fs::path out = c.stdoutdata ? c.written : fs::path("/dev/null");
    (void)runtimed(c.argv, run, out, false);
    round m;
    m.bytes = fs::file_size(c.written);
    const fs::path copy = work / "copy.bytes";
    fs::copy_file(c.written, copy, fs::copy_options::overwrite_existing);
    for (int i = 0; i < opt.runs; ++i) {
        double floor = i % 2 == 1 ? floorrun(run, c, copy, work / "floor.out") : 0.0;
        const timed t = runtimed(c.argv, run, out, false);
        if (i % 2 == 0) floor = floorrun(run, c, copy, work / "floor.out");
        m.tool.push_back(t.wall);
        m.floor.push_back(floor);
        m.ratio.push_back(t.wall / floor);
        m.peakkib = std::max(m.peakkib, t.peakkib);
    }
    return m;
}

bool report(const command& c, const round& m, const std::string& loadbefore) {
    const double ratio = median(m.ratio);
    const double mib = static_cast<double>(m.peakkib) / 1024.0;
    const bool met = (c.seconds > 0 ? median(m.tool) <= c.seconds : ratio <= targetratio) && mib < targetmib;
    say("  " + c.name + ": " + fixed(median(m.tool), 4) + " s, floor " + fixed(median(m.floor), 4) + " s, ratio " +
        fixed(ratio, 2) + " (range " + benchsupport::spread(m.ratio) + "), peak " + fixed(mib, 1) + " MiB, " +
        std::to_string(m.bytes) + " bytes written; load " + loadbefore + (met ? "" : "   MISSED"));
    return met;
}

int bench(const benchoptions& opt, const fs::path& work) {
    say("bench_outlook: Mich-Huron, " + std::to_string(opt.years) + " scenario years of " + std::to_string(opt.days) +
        " days, in " + work.string() + "; " + std::to_string(opt.runs) + " pairs a command (target: ratio " +
        fixed(targetratio, 1) + " or less, peak below " + fixed(targetmib, 0) + " MiB)");
    const std::vector<std::string> tables = writetables(opt, work / "run");
    const bool traces = accepts(opt, work / "run", "traces");
    if (!traces) say("  traces: not timed, " + opt.outlook.filename().string() + " has no such command");
    bool met = true;
    for (const command& c : commandsof(opt, work, tables, traces)) {
        const std::string load = loadaverage();
        met = report(c, measure(opt, work, c), load) && met;
    }
    say("  load average after: " + loadaverage() + "; the peaks cannot read below this bench's own, " +
        fixed(benchsupport::ownpeakmib(), 1) + " MiB");
    return opt.check && !met ? 1 : 0;
}

void usage() {
    say("Usage: bench_outlook [--outlook PATH] [--tool PATH] [--work DIR] [--pairs N] [--years N] [--days N]");
    say("                     [--keep] [--check]");
    say("Times rerove_outlook summary, summary --period outlook, plot --traces, dump and");
    say("traces (when it has it) on the tables of a generated outlook (default: 75 years of");
    say("20000 days, the largest the tool writes) against their floor, cat of the tables");
    say("read plus cat of as many bytes as the command writes, in alternating pairs.");
    say("  --outlook PATH  the companion to time (default: " + std::string(RT_OUTLOOK_PATH) + ")");
    say("  --tool PATH     the tool that writes the tables (default: " + std::string(RT_TOOL_PATH) + ")");
    say("  --work DIR      work directory, created, must be empty, kept (default: a fresh");
    say("                  directory under the temporary directory, removed afterwards)");
    say("  --pairs N       timed pairs of command and floor for each command (default 11)");
    say("  --years N       scenario years, 1 to 75;  --days N  span length, 2 to 20000");
    say("  --keep          keep the default work directory");
    say("  --check         exit status 1 when a target is missed");
}

}  // namespace

int main(int argc, char** argv) {
    const benchsupport::runwords words{
        .runs = "--pairs", .leastdays = 2, .work = true, .tool = true, .outlook = true, .usage = usage};
    const benchoptions opt{.runs = 11, .tool = RT_TOOL_PATH, .outlook = RT_OUTLOOK_PATH};
    return benchsupport::runbench(argc, argv, "bench_outlook", words, opt, bench);
}
