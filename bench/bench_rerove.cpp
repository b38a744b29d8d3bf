// bench_rerove: times rerove_tivorn on the largest run it accepts (Mich-Huron,
// 75 scenario years, 20000 days: 225 input files of 20001 records) against its
// I/O floor, `cat` of the 225 scenario files to /dev/null plus `cat` of the 75
// tables it writes into one file, all as whole processes started directly
// (posix_spawn, never through a shell). Runs alternate tool and floor, so that
// both see the same load; the median ratio of the pairs counts.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <sys/resource.h>

#include "bench/benchsupport.hpp"
#include "childrun/childrun.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace fs = std::filesystem;

namespace {

using benchsupport::filesstarting;
using benchsupport::fixed;
using benchsupport::median;
using benchsupport::say;

constexpr double targetratio = 2.0;
constexpr double goalratio = 1.5;
constexpr double targetmib = 64.0;

using benchoptions = benchsupport::runoptions;  // runs: the pairs of each round

// What the bench runs: in run/, the tool and the two halves of its floor.
struct commands {
    fs::path run, log, copy;
    std::vector<std::string> tool, readinput, copytables;
};

// One timed process: wall seconds and processor seconds in user and system mode.
struct timed {
    double wall = 0, user = 0, sys = 0;
    long peakkib = 0;
};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }

// Runs argv (searched in PATH when search is set) in dir, standard output into
// the file out; its processor time from the children's usage.
timed runtimed(const std::vector<std::string>& argv, const fs::path& dir, const fs::path& out, bool search) {
    struct rusage before {};
    ::getrusage(RUSAGE_CHILDREN, &before);
    const childrun::runresult r = childrun::run(benchsupport::launchof(argv, dir, out, search));
    if (!r.started || r.status != 0)
        throw std::runtime_error(argv[0] + " failed (exit status " + std::to_string(r.status) + ") " + r.failure);
    struct rusage after {};
    ::getrusage(RUSAGE_CHILDREN, &after);
    return {r.seconds, seconds(after.ru_utime) - seconds(before.ru_utime),
            seconds(after.ru_stime) - seconds(before.ru_stime), r.maxrsskib};
}

std::string readtext(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void removetables(const fs::path& dir) {
    for (const std::string& name : filesstarting(dir, "mhDNBS_")) fs::remove(dir / name);
}

void usage() {
    say("Usage: bench_rerove [--tool PATH] [--work DIR] [--pairs N] [--years N] [--days N] [--keep] [--check]");
    say("Times rerove_tivorn MHU on generated scenario files (default: 75 years of 20000");
    say("days, the largest run the tool accepts) against its floor, cat of the input to");
    say("/dev/null plus cat of its tables into one file, in alternating pairs.");
    say("  --tool PATH   the tool to time (default: " + std::string(RT_TOOL_PATH) + ")");
    say("  --work DIR    work directory, created, must be empty, kept (default: a fresh");
    say("                directory under the temporary directory, removed afterwards)");
    say("  --pairs N     timed pairs of tool and floor in each of the two rounds (default 11)");
    say("  --years N     scenario years, 1 to 75;  --days N  span length, 1 to 20000");
    say("  --keep        keep the default work directory");
    say("  --check       exit status 1 when a target is missed");
}

// Writes the input into run (Mich-Huron, the years from 1950, from 1 June
// 2024), warms it, and runs the tool once to check that it completes and to
// learn its tables. Gives what the pairs run.
commands prepare(const benchoptions& opt, const fs::path& work) {
    commands c{work / "run", work / "tool.out", work / "copy", {opt.tool.string(), "MHU"}, {"cat"}, {"cat"}};
    fs::create_directories(c.run);
    std::int32_t written = 0;
    std::string error;
    if (!scenariofiles::writescenarios(scenariofiles::benchrequest(opt.years, opt.days, c.run), written, error))
        throw std::runtime_error(error);
    const std::vector<std::string> inputs = filesstarting(c.run, "REROVE");
    const std::uintmax_t inbytes = benchsupport::readall(c.run, inputs);
    c.readinput.insert(c.readinput.end(), inputs.begin(), inputs.end());
    (void)runtimed(c.tool, c.run, c.log, false);
    const std::string printed = readtext(c.log);
    const std::vector<std::string> tables = filesstarting(c.run, "mhDNBS_");
    if (printed != " Processing Mich-Huron\n" || tables.size() != static_cast<std::size_t>(opt.years))
        throw std::runtime_error("the tool did not complete the run: " + std::to_string(tables.size()) +
                                 " tables; it printed: " + printed.substr(0, 2000));
    c.copytables.insert(c.copytables.end(), tables.begin(), tables.end());
    std::uintmax_t outbytes = 0;
    for (const std::string& t : tables) outbytes += fs::file_size(c.run / t);
    say("bench_rerove: Mich-Huron, " + std::to_string(opt.years) + " scenario years of " + std::to_string(opt.days) +
        " days, in " + work.string());
    say("  input " + std::to_string(inputs.size()) + " files, " + std::to_string(inbytes) + " bytes; output " +
        std::to_string(tables.size()) + " tables, " + std::to_string(outbytes) + " bytes");
    return c;
}

// The pairs of one round, each tool run and floor run in turn.
struct round {
    std::vector<double> tool, floor, ratio, user, sys;
    long peakkib = 0;
};

// A floor run: the input read, the tables copied into one file.
double floorrun(const commands& c, bool fresh) {
    if (fresh) fs::remove(c.copy);
    return runtimed(c.readinput, c.run, "/dev/null", true).wall + runtimed(c.copytables, c.run, c.copy, true).wall;
}

// Pairs of tool and floor, the one or the other first in turn. Fresh: the
// tables and the copy are removed before each run (outside the timing), so
// that both write new files; else each run replaces the files of the last.
round measure(const benchoptions& opt, const commands& c, bool fresh) {
    round m;
    for (int i = 0; i < opt.runs; ++i) {
        double floor = i % 2 == 1 ? floorrun(c, fresh) : 0.0;
        if (fresh) removetables(c.run);
        const timed tool = runtimed(c.tool, c.run, c.log, false);
        if (i % 2 == 0) floor = floorrun(c, fresh);
        m.tool.push_back(tool.wall);
        m.user.push_back(tool.user);
        m.sys.push_back(tool.sys);
        m.floor.push_back(floor);
        m.ratio.push_back(tool.wall / floor);
        m.peakkib = std::max(m.peakkib, tool.peakkib);
    }
    return m;
}

// Says a round's medians; false when a target is missed.
bool report(std::string_view name, const round& m) {
    const double ratio = median(m.ratio);
    const double mib = static_cast<double>(m.peakkib) / 1024.0;
    say("  " + std::string(name) + ": tool " + fixed(median(m.tool), 4) + " s (user " + fixed(median(m.user), 3) +
        " s, system " + fixed(median(m.sys), 3) + " s), floor " + fixed(median(m.floor), 4) + " s");
    say("    median ratio of " + std::to_string(m.ratio.size()) + " pairs " + fixed(ratio, 2) + " (range " +
        benchsupport::spread(m.ratio) + "; target " + fixed(targetratio, 1) + ", goal " + fixed(goalratio, 1) +
        ")   peak " + fixed(mib, 1) + " MiB (target < " + fixed(targetmib, 0) + ")" +
        (ratio <= targetratio && mib < targetmib ? "" : "   MISSED"));
    return ratio <= targetratio && mib < targetmib;
}

int bench(const benchoptions& opt, const fs::path& work) {
    const commands c = prepare(opt, work);
    say("  load average before: " + benchsupport::loadaverage());
    const bool met = report("new tables", measure(opt, c, true));
    (void)report("tables replaced", measure(opt, c, false));
    say("  load average after: " + benchsupport::loadaverage() + "; the peaks cannot read below this bench's own, " +
        fixed(benchsupport::ownpeakmib(), 1) + " MiB");
    return opt.check && !met ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const benchsupport::runwords words{.runs = "--pairs", .work = true, .tool = true, .usage = usage};
    const benchoptions opt{.runs = 11, .tool = RT_TOOL_PATH};
    return benchsupport::runbench(argc, argv, "bench_rerove", words, opt, bench);
}
