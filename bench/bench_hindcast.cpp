// bench_hindcast: times `rerove_outlook hindcast --condition` of Mich-Huron over
// its target years, a year from 1 June, by month, against its floor: as many bare
// runs of rerove_tivorn as the hindcast makes (two a target year: the plain and
// the conditioned traces) on directories prepared beforehand with the same
// traces. Whole processes started directly (posix_spawn, never through a shell),
// hindcast and floor in alternating pairs; the median ratio of the pairs counts,
// and the hindcast's peak resident memory.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/benchsupport.hpp"
#include "childrun/childrun.hpp"
#include "make_scenarios/scenariofiles.hpp"

namespace fs = std::filesystem;

namespace {

using benchsupport::fixed;
using benchsupport::median;
using benchsupport::say;

constexpr double targetratio = 3.0;
constexpr double targetmib = 256.0;
constexpr std::int32_t firstyear = 1950;

using benchoptions = benchsupport::runoptions;  // runs: pairs; years: target years from 1950; days: the span

// The hindcast's progress lines on standard error are not the bench's.
childrun::runresult runin(const std::vector<std::string>& argv, const fs::path& dir) {
    return benchsupport::ranwell(argv, dir, "/dev/null", false);
}

// The traces of a target year's runs of the tool, over the span from 1 June 1980:
// plain, of opt.years years from 1950, or conditioned without the last of them.
void prepare(const benchoptions& opt, bool condition, const fs::path& dir) {
    const std::int32_t last = firstyear + opt.years - 1;
    std::vector<std::string> words = {"--record", RT_RECORD_PATH, "-d", dir.string()};
    if (condition) words.insert(words.end(), {"--condition", "--fit-exclude", std::to_string(last)});
    const std::string years = std::to_string(firstyear) + "-" + std::to_string(condition ? last - 1 : last);
    words.insert(words.end(), {"MHU", years, "06/01/1980", std::to_string(opt.days)});
    const std::vector<std::string_view> args(words.begin(), words.end());
    scenariofiles::scenariorequest request;
    std::string error;
    std::int32_t written = 0;
    if (!scenariofiles::parsearguments(args, request, error) || !scenariofiles::writescenarios(request, written, error))
        throw std::runtime_error(error);
}

// One pair: the hindcast, then the floor's runs of the tool; their wall seconds.
struct pair {
    double hindcast = 0, floor = 0;
    long peakkib = 0;
};

pair timepair(const benchoptions& opt, const fs::path& work) {
    const std::string years = std::to_string(firstyear) + "-" + std::to_string(firstyear + opt.years - 1);
    const childrun::runresult h =
        runin({opt.outlook.string(), "hindcast", "--record", RT_RECORD_PATH, "--lake", "MHU", "--start", "06-01",
               "--days", std::to_string(opt.days), "--years", years, "--condition"},
              work);
    pair p{h.seconds, 0, h.maxrsskib};
    for (std::int32_t y = 0; y < opt.years; ++y) {
        for (const char* dir : {"plain", "conditioned"})
            p.floor += runin({opt.tool.string(), "MHU"}, work / dir).seconds;
    }
    return p;
}

int bench(const benchoptions& opt, const fs::path& work) {
    prepare(opt, false, work / "plain");
    prepare(opt, true, work / "conditioned");
    say("bench_hindcast: Mich-Huron, " + std::to_string(opt.years) + " target years from " + std::to_string(firstyear) +
        ", " + std::to_string(opt.days) + " days from 1 June, conditioned, by month; " + std::to_string(opt.runs) +
        " pairs (target: ratio " + fixed(targetratio, 1) + " or less, peak below " + fixed(targetmib, 0) + " MiB)");
    (void)timepair(opt, work);  // a first pair warms the caches
    std::vector<double> ratios, hindcasts, floors;
    long peak = 0;
    for (std::int32_t i = 0; i < opt.runs; ++i) {
        const pair p = timepair(opt, work);
        ratios.push_back(p.hindcast / p.floor), hindcasts.push_back(p.hindcast), floors.push_back(p.floor);
        peak = std::max(peak, p.peakkib);
    }
    const double ratio = median(ratios), mib = static_cast<double>(peak) / 1024.0;
    const bool met = ratio <= targetratio && mib < targetmib;
    say("  hindcast: " + fixed(median(hindcasts), 2) + " s, floor " + fixed(median(floors), 2) + " s (" +
        std::to_string(2 * opt.years) + " runs of the tool), ratio " + fixed(ratio, 2) + " (range " +
        benchsupport::spread(ratios) + "), peak " + fixed(mib, 1) + " MiB; load " + benchsupport::loadaverage() +
        (met ? "" : "   MISSED"));
    return opt.check && !met ? 1 : 0;
}

constexpr std::string_view usagetext =
    "Usage: bench_hindcast [--pairs N] [--years N] [--days N] [--tool PATH] [--outlook PATH] [--keep] [--check]\n"
    "Times rerove_outlook hindcast --condition of Mich-Huron (N target years from 1950, default 65; a span\n"
    "of N days from 1 June, default 365) against as many bare runs of rerove_tivorn on prepared directories,\n"
    "in alternating pairs (default 3, after one that warms the caches).";

void usage() { say(std::string(usagetext)); }

}  // namespace

int main(int argc, char** argv) {
    const benchsupport::runwords words{
        .runs = "--pairs", .leastyears = 3, .leastdays = 1, .tool = true, .outlook = true, .usage = usage};
    benchoptions opt{.runs = 3, .years = 65, .days = 365, .tool = RT_TOOL_PATH, .outlook = RT_OUTLOOK_PATH};
    return benchsupport::runbench(argc, argv, "bench_hindcast", words, opt, bench);
}
