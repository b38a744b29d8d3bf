// Running the built tool in a scratch directory, and writing scenario files.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support.hpp"
#include "tools/childrun.hpp"

namespace testsupport {

struct RunResult {
    std::string out;
    int status = -1;
};

// Runs the tool with the given arguments in dir (no shell), under the given
// command name, and collects its standard output and exit status.
inline RunResult runtool(const std::vector<std::string>& args, const std::filesystem::path& dir,
                         const std::string& command = "rerove_tivorn") {
    childrun::Spec spec;
    spec.program = RT_TOOL_PATH;
    spec.argv = {command};
    spec.argv.insert(spec.argv.end(), args.begin(), args.end());
    spec.cwd = dir;
    const childrun::Result run = childrun::run(spec);
    return {run.out, run.status};
}

// Every regular file of dir (not descending), name -> bytes.
inline std::map<std::string, std::string> snapshot(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.is_regular_file()) files[entry.path().filename().string()] = readfile(entry.path());
    }
    return files;
}

// One day of a scenario file, in millimetres.
struct Day {
    float runoff = 0;
    float precip = 0;
    float evap = 0;
};

// Writes a scenario file: the header with first and last day, then one 24-byte
// record per given day (which may be fewer or more than the header says).
inline void writescenario(const std::filesystem::path& file, std::int32_t first, std::int32_t last,
                          const std::vector<Day>& days) {
    std::string bytes(24 * (days.size() + 1), '\0');
    std::memcpy(bytes.data(), &first, 4);
    std::memcpy(bytes.data() + 4, &last, 4);
    for (std::size_t k = 0; k < days.size(); ++k) {
        char* rec = bytes.data() + 24 * (k + 1);
        std::memcpy(rec, "DAYTEXT ", 8);
        std::memcpy(rec + 8, &days[k].runoff, 4);
        std::memcpy(rec + 12, &days[k].precip, 4);
        std::memcpy(rec + 16, &days[k].evap, 4);
    }
    writefile(file, bytes);
}

// A scenario file with the same values on every day of its header's span.
inline void writeconstant(const std::filesystem::path& file, std::int32_t first, std::int32_t last, Day day) {
    writescenario(file, first, last, std::vector<Day>(static_cast<std::size_t>(last - first + 1), day));
}

}  // namespace testsupport
