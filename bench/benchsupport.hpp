// What the benchmarks print with: whole lines, flushed, and fixed-point numbers.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "childrun/childrun.hpp"

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

// What the benches of one subcommand take: how many runs (runsword: --pairs or
// --repeat), the outlook's years and days, --check and --keep.
struct runoptions {
    std::int32_t runs = 5;
    std::int32_t years = 75;
    std::int32_t days = 20000;
    bool check = false;
    bool keep = false;
};

// False for an argument it does not take or a number out of its range.
inline bool parseruns(int argc, char** argv, std::string_view runsword, std::int32_t leastyears, std::int32_t leastdays,
                      runoptions& opt) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const bool hasvalue = i + 1 < argc;
        if (a == "--check") {
            opt.check = true;
        } else if (a == "--keep") {
            opt.keep = true;
        } else if (a == runsword && hasvalue) {
            if (!number(argv[++i], 1, 1000, opt.runs)) return false;
        } else if (a == "--years" && hasvalue) {
            if (!number(argv[++i], leastyears, 75, opt.years)) return false;
        } else if (a == "--days" && hasvalue) {
            if (!number(argv[++i], leastdays, 20000, opt.days)) return false;
        } else {
            return false;
        }
    }
    return true;
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

// Runs body in a new directory under TMPDIR named for the bench, and removes the
// directory after it unless keep is set. A failure is said, with the bench's
// name, and gives exit status 1.
inline int inscratch(const std::string& bench, bool keep,
                     const std::function<int(const std::filesystem::path&)>& body) {
    std::string name = (std::filesystem::temp_directory_path() / (bench + "_XXXXXX")).string();
    if (::mkdtemp(name.data()) == nullptr) {
        say(bench + ": cannot make a directory under " + std::filesystem::temp_directory_path().string());
        return 1;
    }
    const std::filesystem::path work = name;
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

}  // namespace benchsupport
