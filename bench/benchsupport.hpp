// What the benchmarks print with: whole lines, flushed, and fixed-point numbers.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/childrun.hpp"

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

}  // namespace benchsupport
