// bench_weights: times `rerove_outlook weights` as a whole process on 75
// Mich-Huron scenario years (225 scenario files and 75 tables) and a climate
// outlook of 20 rows, five of each variable, spread over the span. The
// scenario files come from the generator of make_scenarios, the tables from a
// run of rerove_tivorn, both in a fresh directory under TMPDIR; every process
// is started directly (posix_spawn, never through a shell).
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "bench/benchsupport.hpp"
#include "childrun/childrun.hpp"
#include "keldautil/keldautil.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace fs = std::filesystem;

namespace {

using benchsupport::fixed;
using benchsupport::say;

constexpr double targetseconds = 1.0;
constexpr std::int32_t rows = 20;

using benchoptions = benchsupport::runoptions;

std::string isoof(std::int32_t seq) {
    std::int32_t d = 0, m = 0, y = 0;
    keldautil::sequencedate(d, m, y, seq);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

// 20 rows over consecutive stretches of the span, the variables in turn, with
// probabilities leaning one way or the other.
std::string climatetext(std::int32_t firstday, std::int32_t days) {
    constexpr std::array<std::string_view, 4> variables = {"precip", "evap", "runoff", "nbs"};
    std::string text = "first_date,last_date,variable,below,near,above\n";
    const std::int32_t stretch = std::max(1, days / rows);
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::int32_t first = firstday + r * stretch;
        const std::int32_t last = std::min(first + stretch - 1, firstday + days - 1);
        const std::string_view odds = r % 3 == 0 ? "0.25,0.35,0.40" : r % 3 == 1 ? "0.40,0.35,0.25" : "0.30,0.40,0.30";
        text += isoof(first) + "," + isoof(last) + "," + std::string(variables[static_cast<std::size_t>(r % 4)]) + "," +
                std::string(odds) + "\n";
    }
    return text;
}

void prepare(const benchoptions& opt, const fs::path& dir) {
    const scenariofiles::scenariorequest request = scenariofiles::benchrequest(opt.years, opt.days, dir);
    std::int32_t written = 0;
    std::string error;
    if (!scenariofiles::writescenarios(request, written, error)) throw std::runtime_error(error);
    const childrun::runresult tool =
        childrun::run(benchsupport::launchof({RT_TOOL_PATH, "MHU"}, dir, dir / "tool.out", false));
    if (!tool.started || tool.status != 0) throw std::runtime_error("rerove_tivorn MHU failed " + tool.failure);
    std::ofstream(dir / "climate.csv", std::ios::binary) << climatetext(request.firstday, opt.days);
}

// Best and median wall time of the weights, and the exit status of the last.
int timeweights(const benchoptions& opt, const fs::path& dir) {
    const std::vector<std::string> argv = {RT_OUTLOOK_PATH, "weights", "--climate", "climate.csv", "-o", "w.csv"};
    std::vector<double> seconds;
    int status = 0;
    childrun::invocation launch = benchsupport::launchof(argv, dir, dir / "weights.out", false);
    launch.keeperrors = true;  // the report of each run is not wanted
    for (int i = 0; i < opt.runs; ++i) {
        const childrun::runresult r = childrun::run(launch);
        if (!r.started || (r.status != 0 && r.status != 3))
            throw std::runtime_error("rerove_outlook weights failed (exit status " + std::to_string(r.status) + ")");
        status = r.status;
        seconds.push_back(r.seconds);
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    say("bench_weights: Mich-Huron, " + std::to_string(opt.years) + " scenario years of " + std::to_string(opt.days) +
        " days, " + std::to_string(rows) + " climate rows, " + std::to_string(opt.runs) + " runs");
    say("  weights " + fixed(seconds.front(), 3) + " s best, " + fixed(median, 3) + " s median wall (target: under " +
        fixed(targetseconds, 1) + " s); exit status " + std::to_string(status));
    return opt.check && median >= targetseconds ? 1 : 0;
}

// The scenario files, tables and climate outlook in work, then the runs of
// weights on them.
int bench(const benchoptions& opt, const fs::path& work) {
    prepare(opt, work);
    return timeweights(opt, work);
}

}  // namespace

int main(int argc, char** argv) {
    const benchsupport::runwords words{.runs = "--repeat", .leastyears = 3, .leastdays = rows};
    return benchsupport::runbench(argc, argv, "bench_weights", words, benchoptions{.runs = 5, .days = 365}, bench);
}
