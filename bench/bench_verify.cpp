// bench_verify: times `rerove_outlook verify --leave-one-out` by quarter-month on
// the largest outlook the tool writes (Mich-Huron, 75 tables of a 20000-day
// span), as whole processes started directly (posix_spawn, never through a
// shell), with their peak resident memory. The tables are written by the tool
// itself from generated scenario files in a fresh directory under TMPDIR.
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

using benchsupport::fixed;
using benchsupport::say;

constexpr double targetseconds = 2.0;
constexpr double targetmib = 128.0;

using benchoptions = benchsupport::runoptions;

childrun::runresult runin(const std::vector<std::string>& argv, const fs::path& dir, const fs::path& out) {
    const childrun::runresult r = childrun::run(benchsupport::launchof(argv, dir, out, false));
    if (!r.started || r.status != 0)
        throw std::runtime_error(argv[0] + " failed (exit status " + std::to_string(r.status) + ") " + r.failure);
    return r;
}

void writetables(const benchoptions& opt, const fs::path& dir) {
    std::int32_t written = 0;
    std::string error;
    if (!scenariofiles::writescenarios(scenariofiles::benchrequest(opt.years, opt.days, dir), written, error))
        throw std::runtime_error(error);
    runin({RT_TOOL_PATH, "MHU"}, dir, dir / "tool.log");
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().filename().string().starts_with("REROVE")) fs::remove(entry.path());
    }
}

// The runs' wall times, sorted, and their largest peak.
struct timings {
    std::vector<double> wall;
    long peakkib = 0;
};

timings timeverify(const benchoptions& opt, const fs::path& dir) {
    const std::vector<std::string> argv = {RT_OUTLOOK_PATH, "verify", "--leave-one-out", "--lake",      "MHU",
                                           "--threshold",   "5000",   "--periods",       "periods.csv", "."};
    timings t;
    for (int i = 0; i < opt.runs; ++i) {
        const childrun::runresult r = runin(argv, dir, dir / "pooled.csv");
        t.wall.push_back(r.seconds);
        t.peakkib = std::max(t.peakkib, r.maxrsskib);
    }
    std::sort(t.wall.begin(), t.wall.end());
    return t;
}

// The tables in work, then the runs of verify on them; exit status 1 for a
// missed target under --check.
int bench(const benchoptions& opt, const fs::path& work) {
    writetables(opt, work);
    const timings t = timeverify(opt, work);
    const double mib = static_cast<double>(t.peakkib) / 1024.0;
    const double median = t.wall[t.wall.size() / 2];
    say("bench_verify: Mich-Huron, " + std::to_string(opt.years) + " tables of " + std::to_string(opt.days) +
        " days, leave-one-out by quarter-month, " + std::to_string(opt.runs) + " runs");
    say("  wall best " + fixed(t.wall.front(), 3) + " s, median " + fixed(median, 3) + " s (target < " +
        fixed(targetseconds, 1) + ")   peak " + fixed(mib, 1) + " MiB (target < " + fixed(targetmib, 0) + ")");
    say("  the peak cannot read below this bench's own, " + fixed(benchsupport::ownpeakmib(), 1) + " MiB");
    return opt.check && (median >= targetseconds || mib >= targetmib) ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const benchsupport::runwords words{.runs = "--repeat", .leastyears = 2, .leastdays = 2};
    return benchsupport::runbench(argc, argv, "bench_verify", words, benchoptions{.runs = 5}, bench);
}
