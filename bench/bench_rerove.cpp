// bench_rerove: times rerove_tivorn on the largest run it accepts (Mich-Huron,
// 75 scenario years, 20000 days: 225 input files of 20001 records) against its
// I/O floor, `cat` of the 225 scenario files to /dev/null plus `cat` of the 75
// tables it writes into one file, all as whole processes started directly
// (posix_spawn, never through a shell). Runs alternate tool and floor, so that
// both see the same load; the median ratio of the pairs counts.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "bench/benchsupport.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"
#include "childrun/childrun.hpp"
#include "make_scenarios/scenariofiles.hpp"

namespace fs = std::filesystem;

namespace {

using benchsupport::filesstarting;
using benchsupport::fixed;
using benchsupport::loadaverage;
using benchsupport::number;
using benchsupport::readall;
using benchsupport::say;

constexpr double targetratio = 2.0;
constexpr double goalratio = 1.5;
constexpr double targetmib = 64.0;
constexpr std::int32_t maxyears = rerove_tivorn_subs::maxscen;  // the tool's most scenario years
constexpr std::int32_t maxspan = rerove_tivorn_subs::maxdays;   // the tool's most days

struct benchoptions {
    fs::path tool = RT_TOOL_PATH;
    fs::path work;
    std::int32_t pairs = 11;
    std::int32_t years = maxyears;
    std::int32_t days = maxspan;
    bool keep = false;
    bool check = false;
};

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

int usageerror(const std::string& why) {
    say("bench_rerove: " + why);
    say("Try bench_rerove --help");
    return 2;
}

// The work directory: a fresh one under the temporary directory, or the
// caller's, which must be empty. Absolute: the children run inside it.
fs::path makework(const benchoptions& opt) {
    fs::path work = opt.work;
    if (work.empty()) {
        std::string tmpl = (fs::temp_directory_path() / "bench_rerove_XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("cannot make a work directory");
        work = tmpl;
    } else {
        fs::create_directories(work);
        if (!fs::is_empty(work)) throw std::runtime_error("work directory " + work.string() + " is not empty");
    }
    return fs::absolute(work);
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
    const std::uintmax_t inbytes = readall(c.run, inputs);
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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
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
    for (int i = 0; i < opt.pairs; ++i) {
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
        fixed(*std::min_element(m.ratio.begin(), m.ratio.end()), 2) + " to " +
        fixed(*std::max_element(m.ratio.begin(), m.ratio.end()), 2) + "; target " + fixed(targetratio, 1) + ", goal " +
        fixed(goalratio, 1) + ")   peak " + fixed(mib, 1) + " MiB (target < " + fixed(targetmib, 0) + ")" +
        (ratio <= targetratio && mib < targetmib ? "" : "   MISSED"));
    return ratio <= targetratio && mib < targetmib;
}

int bench(const benchoptions& opt) {
    const fs::path work = makework(opt);
    struct removeonexit {
        fs::path dir;
        ~removeonexit() {
            std::error_code ec;
            if (!dir.empty()) fs::remove_all(dir, ec);
        }
    } cleanup{opt.work.empty() && !opt.keep ? work : fs::path()};
    const commands c = prepare(opt, work);
    say("  load average before: " + loadaverage());
    const bool met = report("new tables", measure(opt, c, true));
    (void)report("tables replaced", measure(opt, c, false));
    struct rusage self {};
    ::getrusage(RUSAGE_SELF, &self);
    // Linux charges a spawned child with the spawning process's peak as well.
    say("  load average after: " + loadaverage() + "; the peaks cannot read below this bench's own, " +
        fixed(static_cast<double>(self.ru_maxrss) / 1024.0, 1) + " MiB");
    return opt.check && !met ? 1 : 0;
}

// Reads the command line into opt. Gives -1 to go on, or the exit status.
int parseoptions(const std::vector<std::string_view>& args, benchoptions& opt) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        const bool hasvalue = i + 1 < args.size();
        if (a == "-h" || a == "--help") {
            usage();
            return 0;
        }
        if (a == "--keep") {
            opt.keep = true;
        } else if (a == "--check") {
            opt.check = true;
        } else if (a == "--tool" && hasvalue) {
            opt.tool = fs::absolute(std::string(args[++i]));  // the tool runs in the work directory
        } else if (a == "--work" && hasvalue) {
            opt.work = std::string(args[++i]);
        } else if (a == "--pairs" && hasvalue) {
            if (!number(args[++i], 1, 1000, opt.pairs)) return usageerror("--pairs takes 1 to 1000");
        } else if (a == "--years" && hasvalue) {
            if (!number(args[++i], 1, maxyears, opt.years)) return usageerror("--years takes 1 to 75");
        } else if (a == "--days" && hasvalue) {
            if (!number(args[++i], 1, maxspan, opt.days)) return usageerror("--days takes 1 to 20000");
        } else {
            return usageerror("unknown or incomplete argument " + std::string(a));
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    benchoptions opt;
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (const int status = parseoptions(args, opt); status >= 0) return status;
    try {
        return bench(opt);
    } catch (const std::exception& e) {
        say(std::string("bench_rerove: ") + e.what());
        return 1;
    }
}
