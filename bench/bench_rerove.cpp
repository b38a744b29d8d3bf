// bench_rerove: times rerove_tivorn on the largest run it accepts (Mich-Huron,
// 75 scenario years, 20000 days: 225 input files of 20001 records) against
// merely reading the same input bytes and writing the same output bytes, and
// reports the tool's peak resident memory. Children are started directly with
// posix_spawn, never through a shell.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

#include "rerove_tivorn/rerove_tivorn.hpp"
#include "tools/childrun.hpp"
#include "tools/scenariofiles.hpp"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double targetratio = 3.0;
constexpr double targetmib = 64.0;
constexpr std::int32_t maxyears = rerove_tivorn_subs::maxscen;  // the tool's most scenario years
constexpr std::int32_t maxspan = rerove_tivorn_subs::maxdays;   // the tool's most days
constexpr std::size_t blocksize = 1 << 20;

struct benchoptions {
    fs::path tool = RT_TOOL_PATH;
    fs::path work;
    int repeat = 3;
    std::int32_t years = maxyears;
    std::int32_t days = maxspan;
    bool keep = false;
    bool check = false;
};

void say(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

double secondssince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Runs argv[0] (searched in PATH when search is set) in directory cwd, with
// standard output and error into the file out.
childrun::runresult runchild(const std::vector<std::string>& argv, const fs::path& cwd, const fs::path& out,
                             bool search) {
    childrun::invocation launch;
    launch.program = argv[0];
    launch.argv = argv;
    launch.cwd = cwd;
    launch.output = out;
    launch.witherrors = true;
    launch.search = search;
    return childrun::run(launch);
}

std::string readtext(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Regular files of dir whose names start with prefix, sorted.
std::vector<fs::path> filesstarting(const fs::path& dir, std::string_view prefix) {
    std::vector<fs::path> found;
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
        if (e.is_regular_file() && e.path().filename().string().starts_with(prefix)) found.push_back(e.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

void removeall(const std::vector<fs::path>& files) {
    for (const fs::path& f : files) {
        std::error_code ec;
        fs::remove(f, ec);
    }
}

// Reads every file once, in blocks, so that the timed runs start on a warm cache.
std::uintmax_t readall(const std::vector<fs::path>& files, std::vector<char>& buffer) {
    std::uintmax_t total = 0;
    for (const fs::path& f : files) {
        const int fd = ::open(f.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ::ssize_t n = 0;
        while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) total += static_cast<std::uintmax_t>(n);
        ::close(fd);
    }
    return total;
}

// Writes files of the given sizes into dir, in large blocks; the wall time.
double writesizes(const fs::path& dir, const std::vector<std::uintmax_t>& sizes, const std::vector<char>& block) {
    const Clock::time_point t0 = Clock::now();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const fs::path p = dir / ("table" + std::to_string(i) + ".txt");
        const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) throw std::runtime_error("cannot create " + p.string() + ": " + std::strerror(errno));
        std::uintmax_t left = sizes[i];
        while (left > 0) {
            const std::size_t chunk = static_cast<std::size_t>(std::min<std::uintmax_t>(left, block.size()));
            const ::ssize_t n = ::write(fd, block.data(), chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw std::runtime_error("cannot write " + p.string() + ": " + std::strerror(errno));
            left -= static_cast<std::uintmax_t>(n);
        }
        ::close(fd);
    }
    return secondssince(t0);
}

bool number(std::string_view text, std::int32_t low, std::int32_t high, std::int32_t& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

void usage() {
    say("Usage: bench_rerove [--tool PATH] [--work DIR] [--repeat N] [--years N] [--days N] [--keep] [--check]");
    say("Times rerove_tivorn MHU on generated scenario files (default: 75 years of 20000");
    say("days, the largest run the tool accepts) against reading the input with cat and");
    say("writing the same number of output bytes; reports the tool's peak memory.");
    say("  --tool PATH   the tool to time (default: " + std::string(RT_TOOL_PATH) + ")");
    say("  --work DIR    work directory, created, must be empty, kept (default: a fresh");
    say("                directory under the temporary directory, removed afterwards)");
    say("  --repeat N    timed runs of each, best one counts (default 3)");
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

// Writes the input into run: Mich-Huron, the years from 1950, from 1 June 2024.
// Gives the wall time it took.
double generate(const benchoptions& opt, const fs::path& run) {
    const scenariofiles::scenariorequest request = scenariofiles::benchrequest(opt.years, opt.days, run);
    const Clock::time_point t0 = Clock::now();
    std::int32_t written = 0;
    std::string error;
    if (!scenariofiles::writescenarios(request, written, error)) throw std::runtime_error(error);
    return secondssince(t0);
}

// The best times of the repeated runs, the tool's peak memory and its tables' sizes.
struct timings {
    double tool = 1e300;
    double read = 1e300;
    double write = 1e300;
    long peakkib = 0;
    std::vector<std::uintmax_t> sizes;
};

// One run of the tool in run, its output into log; false (having said why) when
// it did not complete.
bool timetool(const benchoptions& opt, const fs::path& run, const fs::path& log, timings& t) {
    removeall(filesstarting(run, "mhDNBS_"));
    const childrun::runresult tool = runchild({opt.tool.string(), "MHU"}, run, log, false);
    if (!tool.started) throw std::runtime_error(tool.failure);
    const std::string printed = readtext(log);
    const std::vector<fs::path> tables = filesstarting(run, "mhDNBS_");
    if (tool.status != 0 || printed.find(" Processing Mich-Huron") == std::string::npos ||
        tables.size() != static_cast<std::size_t>(opt.years)) {
        say("bench_rerove: the tool did not complete the run: exit status " + std::to_string(tool.status) + ", " +
            std::to_string(tables.size()) + " tables of " + std::to_string(opt.years) + "; it printed:");
        std::fwrite(printed.data(), 1, std::min<std::size_t>(printed.size(), 4000), stdout);
        return false;
    }
    t.tool = std::min(t.tool, tool.seconds);
    t.peakkib = std::max(t.peakkib, tool.maxrsskib);
    t.sizes.clear();
    for (const fs::path& table : tables) t.sizes.push_back(fs::file_size(table));
    return true;
}

// Says the results; 1 when a target is missed and opt.check is set.
int report(const benchoptions& opt, const timings& t, long selfkib) {
    std::uintmax_t outbytes = 0;
    for (const std::uintmax_t s : t.sizes) outbytes += s;
    const double baseline = t.read + t.write;
    const double ratio = t.tool / baseline;
    const double mib = static_cast<double>(t.peakkib) / 1024.0;
    const bool ratiook = ratio <= targetratio;
    const bool memok = mib < targetmib;

    say("  output           " + std::to_string(t.sizes.size()) + " tables, " + std::to_string(outbytes) + " bytes");
    say("  best of " + std::to_string(opt.repeat) + " runs, wall seconds:");
    say("    rerove_tivorn MHU              " + fixed(t.tool, 3));
    say("    cat input > /dev/null          " + fixed(t.read, 3));
    say("    write output bytes             " + fixed(t.write, 3));
    say("    read + write                   " + fixed(baseline, 3));
    say("  ratio tool / (read + write)      " + fixed(ratio, 2) + "   (target <= " + fixed(targetratio, 0) +
        (ratiook ? ": met)" : ": MISSED)"));
    say("  tool peak resident memory        " + fixed(mib, 1) + " MiB   (target < " + fixed(targetmib, 0) + " MiB" +
        (memok ? ": met)" : ": MISSED)"));
    // Linux charges a spawned child with the spawning process's peak as well.
    say("    (cannot read below the bench's own peak, " + fixed(static_cast<double>(selfkib) / 1024.0, 1) + " MiB)");
    return opt.check && !(ratiook && memok) ? 1 : 0;
}

int bench(const benchoptions& opt) {
    // run/ is the tool's working directory, sink/ takes the baseline's output.
    const fs::path work = makework(opt);
    const fs::path run = work / "run";
    const fs::path sink = work / "sink";
    const fs::path log = work / "tool.out";
    fs::create_directories(run);
    fs::create_directories(sink);
    struct removeonexit {
        fs::path dir;
        ~removeonexit() {
            std::error_code ec;
            if (!dir.empty()) fs::remove_all(dir, ec);
        }
    } cleanup{opt.work.empty() && !opt.keep ? work : fs::path()};

    const double generation = generate(opt, run);
    const std::vector<fs::path> inputs = filesstarting(run, "REROVE");
    std::vector<char> buffer(blocksize, 'x');
    const std::uintmax_t inbytes = readall(inputs, buffer);
    say("bench_rerove: Mich-Huron, " + std::to_string(opt.years) + " scenario years, " + std::to_string(opt.days) +
        " days");
    say("  work directory   " + work.string());
    say("  input            " + std::to_string(inputs.size()) + " files, " + std::to_string(inbytes) +
        " bytes (generated in " + fixed(generation, 3) + " s)");

    std::vector<std::string> catargs = {"cat"};
    for (const fs::path& p : inputs) catargs.push_back(p.filename().string());
    struct rusage self {};
    ::getrusage(RUSAGE_SELF, &self);
    timings t;
    for (int rep = 0; rep < opt.repeat; ++rep) {
        if (!timetool(opt, run, log, t)) return 1;
        const childrun::runresult cat = runchild(catargs, run, "/dev/null", true);
        if (!cat.started || cat.status != 0) throw std::runtime_error("cat failed: " + cat.failure);
        t.read = std::min(t.read, cat.seconds);
        removeall(filesstarting(sink, "table"));
        t.write = std::min(t.write, writesizes(sink, t.sizes, buffer));
    }
    return report(opt, t, self.ru_maxrss);
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
        } else if (a == "--repeat" && hasvalue) {
            std::int32_t n = 0;
            if (!number(args[++i], 1, 100, n)) return usageerror("--repeat takes 1 to 100");
            opt.repeat = n;
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
