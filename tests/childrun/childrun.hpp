// childrun: starts a program directly (posix_spawn, never through a shell) in a
// directory of its own and waits for it, for the tests and the benchmark.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace childrun {

struct invocation {
    std::string program;            // the file run; searched in PATH when search is set
    std::vector<std::string> argv;  // argv[0] is the command name the program sees
    std::filesystem::path cwd;      // working directory of the child
    std::filesystem::path output;   // standard output goes here; empty: into runresult::out
    bool witherrors = false;        // standard error goes with standard output
    bool keeperrors = false;        // standard error into runresult::err (unless witherrors)
    bool search = false;
};

struct runresult {
    bool started = false;
    int status = -1;       // exit status; -1 when killed by a signal
    double seconds = 0.0;  // wall time from start to reaping
    long maxrsskib = 0;    // peak resident set of the child, KiB
    std::string out;       // standard output, when invocation::output is empty
    std::string err;       // standard error, when invocation::keeperrors is set
    std::string failure;   // why the child did not start or could not be waited for
};

runresult run(const invocation& launch);

}  // namespace childrun
