// What the benchmarks share: whole lines, flushed, and fixed-point numbers; their
// command lines, medians and own peak; their scratch and work directories.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "childrun/childrun.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace benchsupport {

inline void say(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

inline std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// argv[0] (searched in PATH when search is set) run in cwd, standard output into the file out.
inline childrun::invocation launchof(const std::vector<std::string>& argv, const std::filesystem::path& cwd,
                                     const std::filesystem::path& out, bool search) {
    childrun::invocation launch;
    launch.program = argv[0];
    launch.argv = argv;
    launch.cwd = cwd;
    launch.output = out;
    launch.search = search;
    return launch;
}

// The run of launchof's arguments, its standard error kept; std::runtime_error with
// the start of that text when it does not start or ends with a status but 0.
inline childrun::runresult ranwell(const std::vector<std::string>& argv, const std::filesystem::path& cwd,
                                   const std::filesystem::path& out, bool search) {
    childrun::invocation launch = launchof(argv, cwd, out, search);
    launch.keeperrors = true;
    const childrun::runresult r = childrun::run(launch);
    if (!r.started || r.status != 0)
        throw std::runtime_error(argv[0] + " failed (exit status " + std::to_string(r.status) + ") " + r.failure +
                                 r.err.substr(0, 2000));
    return r;
}

// The load averages of the last 1, 5 and 15 minutes, as the kernel gives them.
inline std::string loadaverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// Names of the regular files of dir that start with prefix, sorted.
inline std::vector<std::string> filesstarting(const std::filesystem::path& dir, std::string_view prefix) {
    std::vector<std::string> found;
    for (const std::filesystem::directory_entry& e : std::filesystem::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file() && name.starts_with(prefix)) found.push_back(name);
    }
    std::sort(found.begin(), found.end());
    return found;
}

// A whole decimal number from low to high.
inline bool number(std::string_view text, std::int32_t low, std::int32_t high, std::int32_t& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

// How many runs a bench may be asked for.
inline constexpr std::int32_t mostruns = 1000;

// What a bench takes besides --check, --keep, --years and --days: the word of
// its count of runs, the least years and days, and the paths it may be given.
// With usage, -h and --help say it and end the bench, and a bad argument is said
// with a pointer to --help; without, a bad argument gets the bench's usage line.
struct runwords {
    std::string_view runs = "--pairs";  // or --repeat
    std::int32_t leastyears = 1;
    std::int32_t leastdays = 1;
    bool work = false;     // --work DIR
    bool tool = false;     // --tool PATH
    bool outlook = false;  // --outlook PATH
    std::function<void()> usage{};
};

// What a bench was asked for. The programs are absolute, as the children run in
// the work directory; work is the caller's, empty for a fresh one.
struct runoptions {
    std::int32_t runs = 5;
    std::int32_t years = rerove_tivorn_subs::maxscen;
    std::int32_t days = rerove_tivorn_subs::maxdays;
    bool check = false;
    bool keep = false;
    std::filesystem::path tool{};
    std::filesystem::path outlook{};
    std::filesystem::path work{};
};

enum class parsed { run, help, refused };

// The value of option word from low to high; else why says the range.
inline bool ranged(std::string_view word, std::string_view text, std::int32_t low, std::int32_t high,
                   std::int32_t& value, std::string& why) {
    if (number(text, low, high, value)) return true;
    why = std::string(word) + " takes " + std::to_string(low) + " to " + std::to_string(high);
    return false;
}

// Reads the command line into opt, up to -h or --help where the bench has them;
// why says what was refused.
inline parsed parseruns(int argc, char** argv, const runwords& words, runoptions& opt, std::string& why) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const bool hasvalue = i + 1 < argc;
        const bool pathword = (a == "--tool" && words.tool) || (a == "--outlook" && words.outlook);
        if (words.usage && (a == "-h" || a == "--help")) return parsed::help;
        if (a == "--check") {
            opt.check = true;
        } else if (a == "--keep") {
            opt.keep = true;
        } else if (a == words.runs && hasvalue) {
            if (!ranged(a, argv[++i], 1, mostruns, opt.runs, why)) return parsed::refused;
        } else if (a == "--years" && hasvalue) {
            if (!ranged(a, argv[++i], words.leastyears, rerove_tivorn_subs::maxscen, opt.years, why))
                return parsed::refused;
        } else if (a == "--days" && hasvalue) {
            if (!ranged(a, argv[++i], words.leastdays, rerove_tivorn_subs::maxdays, opt.days, why))
                return parsed::refused;
        } else if (a == "--work" && words.work && hasvalue) {
            opt.work = argv[++i];
        } else if (pathword && hasvalue) {
            (a == "--tool" ? opt.tool : opt.outlook) = std::filesystem::absolute(argv[++i]);
        } else {
            why = "unknown or incomplete argument " + std::string(a);
            return parsed::refused;
        }
    }
    return parsed::run;
}

// Says why the command line was refused, as the bench's words have it; exit
// status 2.
inline int refused(const std::string& bench, const runwords& words, const std::string& why) {
    if (words.usage) {
        say(bench + ": " + why);
        say("Try " + bench + " --help");
    } else {
        say("usage: " + bench + " [" + std::string(words.runs) + " N] [--years N] [--days N] [--keep] [--check]");
    }
    return 2;
}

// The median of the values, the mean of the middle two of an even count.
inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The smallest and the largest of the values, "low to high", two decimals.
inline std::string spread(const std::vector<double>& v) {
    return fixed(*std::min_element(v.begin(), v.end()), 2) + " to " + fixed(*std::max_element(v.begin(), v.end()), 2);
}

// The bench's own peak resident memory in MiB. Linux charges a spawned child
// with the spawning process's peak as well: no child's peak reads below it.
inline double ownpeakmib() {
    struct rusage self {};
    ::getrusage(RUSAGE_SELF, &self);
    return static_cast<double>(self.ru_maxrss) / 1024.0;
}

// Reads every file once, in blocks, so that the timed runs start on a warm cache;
// gives the bytes read.
inline std::uintmax_t readall(const std::filesystem::path& dir, const std::vector<std::string>& files) {
    std::vector<char> buffer(1 << 20);
    std::uintmax_t total = 0;
    for (const std::string& f : files) {
        const int fd = ::open((dir / f).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ::ssize_t n = 0;
        while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) total += static_cast<std::uintmax_t>(n);
        ::close(fd);
    }
    return total;
}

// A new directory under TMPDIR named for the bench; empty when it cannot be made.
inline std::filesystem::path freshdirectory(const std::string& bench) {
    std::string name = (std::filesystem::temp_directory_path() / (bench + "_XXXXXX")).string();
    if (::mkdtemp(name.data()) == nullptr) return {};
    return name;
}

// Runs body in a new directory under TMPDIR named for the bench, and removes the
// directory after it unless keep is set. A failure is said, with the bench's
// name, and gives exit status 1.
inline int inscratch(const std::string& bench, bool keep,
                     const std::function<int(const std::filesystem::path&)>& body) {
    const std::filesystem::path work = freshdirectory(bench);
    if (work.empty()) {
        say(bench + ": cannot make a directory under " + std::filesystem::temp_directory_path().string());
        return 1;
    }
    int status = 1;
    try {
        status = body(work);
    } catch (const std::exception& e) {
        say(bench + ": " + e.what());
    }
    std::error_code ec;
    if (keep)
        say("  kept " + work.string());
    else
        std::filesystem::remove_all(work, ec);
    return status;
}

// The work directory of a bench that takes --work: the caller's, made if need
// be, which must be empty, or else a fresh one. Absolute: the children run in it.
inline std::filesystem::path workdirectory(const std::string& bench, const std::filesystem::path& given) {
    std::filesystem::path work = given;
    if (work.empty()) {
        work = freshdirectory(bench);
        if (work.empty()) throw std::runtime_error("cannot make a work directory");
    } else {
        std::filesystem::create_directories(work);
        if (!std::filesystem::is_empty(work))
            throw std::runtime_error("work directory " + work.string() + " is not empty");
    }
    return std::filesystem::absolute(work);
}

// Runs body in the work directory of opt, and removes a fresh one after it
// unless keep is set; the caller's stays. A failure is said, with the bench's
// name, and gives exit status 1.
inline int inwork(const std::string& bench, const runoptions& opt,
                  const std::function<int(const std::filesystem::path&)>& body) {
    struct removal {
        std::filesystem::path dir;
        ~removal() {
            std::error_code ec;
            if (!dir.empty()) std::filesystem::remove_all(dir, ec);
        }
    };
    try {
        const std::filesystem::path work = workdirectory(bench, opt.work);
        const removal cleanup{opt.work.empty() && !opt.keep ? work : std::filesystem::path()};
        return body(work);
    } catch (const std::exception& e) {
        say(bench + ": " + e.what());
        return 1;
    }
}

// The main of a bench: its command line (words) read into opt, then body in its
// directory, a work directory where it takes --work, else a scratch one. Exit
// status 0 after the usage, 2 for a bad argument, 1 for a failure, else body's.
inline int runbench(int argc, char** argv, const std::string& bench, const runwords& words, runoptions opt,
                    const std::function<int(const runoptions&, const std::filesystem::path&)>& body) {
    std::string why;
    switch (parseruns(argc, argv, words, opt, why)) {
        case parsed::help: words.usage(); return 0;
        case parsed::refused: return refused(bench, words, why);
        case parsed::run: break;
    }
    const auto run = [&](const std::filesystem::path& work) { return body(opt, work); };
    return words.work ? inwork(bench, opt, run) : inscratch(bench, opt.keep, run);
}

}  // namespace benchsupport
