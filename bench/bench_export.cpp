// bench_export: times `rerove_outlook export` on the largest outlook the tool
// writes (Mich-Huron, 75 tables of a 20000-day span) as whole processes started
// directly (posix_spawn, never through a shell): NetCDF against its floor, `cat`
// of the 75 tables to /dev/null, in alternating pairs (the median ratio counts),
// and PI-XML and CSV by their wall time.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "bench/benchsupport.hpp"
#include "errorprocess/errorprocess.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "outlook/outlook.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace fs = std::filesystem;

namespace {

using benchsupport::fixed;
using benchsupport::median;
using benchsupport::say;

constexpr double targetratio = 4.0;      // NetCDF export over the floor
constexpr double targetpiseconds = 1.5;  // PI-XML export, wall

using benchoptions = benchsupport::runoptions;

// Scenario files and the tool's tables in dir (by the tool's own library); the
// scenario files are removed again. The tables' names.
std::vector<std::string> writetables(const benchoptions& opt, const fs::path& dir) {
    std::int32_t written = 0;
    std::string error;
    if (!scenariofiles::writescenarios(scenariofiles::benchrequest(opt.years, opt.days, dir), written, error))
        throw std::runtime_error(error);
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    std::int32_t firstday = 0, lastday = 0;
    std::vector<std::int32_t> scenarios(static_cast<std::size_t>(rerove_tivorn_subs::maxscen) + 1);
    rerove_tivorn_subs::getdailyotlknbs(2, firstday, lastday, scenarios);
    if (errorprocess::errorlevel == 0) rerove_tivorn_subs::wrttivorn_otlk_daily(2, firstday, lastday, scenarios);
    fs::current_path(previous);
    if (errorprocess::errorlevel != 0) throw std::runtime_error("the tool's library failed to write the tables");
    std::vector<std::string> tables;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("REROVE")) fs::remove(entry.path());
        if (name.starts_with("mhDNBS_")) tables.push_back(name);
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

double run(const std::vector<std::string>& argv, const fs::path& dir, bool search) {
    childrun::invocation launch = benchsupport::launchof(argv, dir, "/dev/null", search);
    launch.keeperrors = true;  // the export's report line
    const childrun::runresult r = childrun::run(launch);
    if (!r.started || r.status != 0)
        throw std::runtime_error(argv[0] + " failed (exit status " + std::to_string(r.status) + ") " + r.failure +
                                 r.err);
    return r.seconds;
}

std::vector<std::string> exportof(std::string_view format, std::string_view file) {
    return {RT_OUTLOOK_PATH, "export", "--format", std::string(format), "-o", std::string(file)};
}

bool measure(const benchoptions& opt, const fs::path& dir, const std::vector<std::string>& tables) {
    std::vector<std::string> floorcommand = {"cat"};
    floorcommand.insert(floorcommand.end(), tables.begin(), tables.end());
    (void)run(floorcommand, dir, true);  // warm
    // What the tables' reading alone costs: summary of the whole outlook reads them
    // as export does and writes one line.
    const std::vector<std::string> reading = {RT_OUTLOOK_PATH, "summary", "--period", "outlook"};
    std::vector<double> netcdf, floor, ratio, pixml, csv, read;
    for (int i = 0; i < opt.runs; ++i) {
        const double before = i % 2 == 1 ? run(floorcommand, dir, true) : 0.0;
        netcdf.push_back(run(exportof("netcdf", "out.nc"), dir, false));
        floor.push_back(i % 2 == 1 ? before : run(floorcommand, dir, true));
        ratio.push_back(netcdf.back() / floor.back());
        pixml.push_back(run(exportof("pi-xml", "out.xml"), dir, false));
        csv.push_back(run(exportof("csv", "out.csv"), dir, false));
        read.push_back(run(reading, dir, false));
    }
    const double r = median(ratio);
    const double pi = median(pixml);
    say("  netcdf  " + fixed(median(netcdf), 4) + " s, floor " + fixed(median(floor), 4) + " s: median ratio of " +
        std::to_string(ratio.size()) + " pairs " + fixed(r, 2) + " (range " + benchsupport::spread(ratio) +
        "; target " + fixed(targetratio, 1) + ")" + (r <= targetratio ? "" : "   MISSED") + "  " +
        std::to_string(fs::file_size(dir / "out.nc")) + " bytes");
    say("  pi-xml  " + fixed(pi, 4) + " s (target " + fixed(targetpiseconds, 1) + " s)" +
        (pi <= targetpiseconds ? "" : "   MISSED") + "  " + std::to_string(fs::file_size(dir / "out.xml")) + " bytes");
    say("  csv     " + fixed(median(csv), 4) + " s  " + std::to_string(fs::file_size(dir / "out.csv")) + " bytes");
    say("  of which reading the tables (summary --period outlook) " + fixed(median(read), 4) + " s");
    return r <= targetratio && pi <= targetpiseconds;
}

// The tables in work, then the exports timed on them; exit status 1 for a
// missed target under --check.
int bench(const benchoptions& opt, const fs::path& work) {
    const std::vector<std::string> tables = writetables(opt, work);
    std::uintmax_t bytes = 0;
    for (const std::string& t : tables) bytes += fs::file_size(work / t);
    say("bench_export: Mich-Huron, " + std::to_string(tables.size()) + " tables of " + std::to_string(opt.days) +
        " days, " + std::to_string(bytes) + " bytes, medians of " + std::to_string(opt.runs) + " runs");
    return !measure(opt, work, tables) && opt.check ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const benchoptions opt{.runs = 7};
    return benchsupport::runbench(argc, argv, "bench_export", {.runs = "--pairs", .leastdays = 2}, opt, bench);
}
