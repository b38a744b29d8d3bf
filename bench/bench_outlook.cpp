// bench_outlook: times what `rerove_outlook summary` and `rerove_outlook plot
// --traces` do on the largest outlook the tool writes (Mich-Huron, 75 tables of
// a 20000-day span): reading the tables, the statistics and their CSV, the fan
// chart and its file. The tables are written by the tool's own library from
// generated scenario files in a fresh directory under TMPDIR.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include <unistd.h>

#include "errorprocess/errorprocess.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/outlook.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"
#include "tools/scenariofiles.hpp"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double targetseconds = 0.5;
constexpr std::uintmax_t targetbytes = 2'000'000;

struct benchoptions {
    int repeat = 5;
    std::int32_t years = rerove_tivorn_subs::maxscen;
    std::int32_t days = rerove_tivorn_subs::maxdays;
    bool check = false;
};

double secondssince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Scenario files and the tool's tables in dir, which becomes the working directory.
void writetables(const benchoptions& opt, const fs::path& dir) {
    const scenariofiles::scenariorequest request = scenariofiles::benchrequest(opt.years, opt.days, dir);
    std::int32_t written = 0;
    std::string error;
    if (!scenariofiles::writescenarios(request, written, error)) throw std::runtime_error(error);
    fs::current_path(dir);
    std::int32_t firstday = 0, lastday = 0;
    std::vector<std::int32_t> scenarios(static_cast<std::size_t>(rerove_tivorn_subs::maxscen) + 1);
    rerove_tivorn_subs::getdailyotlknbs(2, firstday, lastday, scenarios);
    if (errorprocess::errorlevel == 0) rerove_tivorn_subs::wrttivorn_otlk_daily(2, firstday, lastday, scenarios);
    if (errorprocess::errorlevel != 0) throw std::runtime_error("the tool's library failed to write the tables");
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().filename().string().starts_with("REROVE")) fs::remove(entry.path());
    }
}

outlook::ensemble readtables() {
    std::vector<outlook::table> tables;
    for (const auto& file : outlook::tablesoflake("MHU", ".")) tables.push_back(outlook::readtable(file));
    return outlook::makeensemble(std::move(tables));
}

std::size_t summary() {
    const outlook::ensemble e = readtables();
    const auto periods = outlook::periodsof(outlook::periodkind::quartermonth, e.firstday, e.lastday);
    const std::string csv = outlook::summarycsv(outlook::statistics(periods, outlook::periodmeans(e, periods)));
    return csv.size();
}

std::uintmax_t plot() {
    const outlook::ensemble e = readtables();
    const auto periods = outlook::periodsof(outlook::periodkind::quartermonth, e.firstday, e.lastday);
    const std::string svg = outlook::fanchart(e, periods, {true, e.years[e.years.size() / 2]});
    std::ofstream("outlook.svg", std::ios::binary | std::ios::trunc) << svg;
    return fs::file_size("outlook.svg");
}

struct timing {
    double wall = 1e300;  // best wall time, s
    double cpu = 1e300;   // best processor time of this process, s
};

template <class F>
timing best(int repeat, F&& work) {
    timing t;
    for (int i = 0; i < repeat; ++i) {
        const Clock::time_point t0 = Clock::now();
        const std::clock_t c0 = std::clock();
        work();
        t.cpu = std::min(t.cpu, static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC);
        t.wall = std::min(t.wall, secondssince(t0));
    }
    return t;
}

bool parse(int argc, char** argv, benchoptions& opt) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const bool hasvalue = i + 1 < argc;
        if (a == "--check")
            opt.check = true;
        else if (a == "--repeat" && hasvalue)
            opt.repeat = std::max(1, std::atoi(argv[++i]));
        else if (a == "--years" && hasvalue)
            opt.years = std::clamp(std::atoi(argv[++i]), 1, 75);
        else if (a == "--days" && hasvalue)
            opt.days = std::clamp(std::atoi(argv[++i]), 2, 20000);
        else
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    benchoptions opt;
    if (!parse(argc, argv, opt)) {
        std::puts("usage: bench_outlook [--repeat N] [--years N] [--days N] [--check]");
        return 2;
    }
    std::string tmpl = (fs::temp_directory_path() / "bench_outlook_XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) return 1;
    const fs::path work = tmpl;
    int status = 0;
    try {
        writetables(opt, work);
        std::size_t csvbytes = 0;
        std::uintmax_t svgbytes = 0;
        const timing summarytime = best(opt.repeat, [&] { csvbytes = summary(); });
        const timing plottime = best(opt.repeat, [&] { svgbytes = plot(); });
        std::printf("bench_outlook: Mich-Huron, %d tables of %d days, best of %d (target: under %.1f s wall)\n",
                    opt.years, opt.days, opt.repeat, targetseconds);
        std::printf("  summary  %.3f s wall, %.3f s processor  (%zu bytes of CSV)\n", summarytime.wall, summarytime.cpu,
                    csvbytes);
        std::printf("  plot     %.3f s wall, %.3f s processor  (%ju bytes of SVG with traces; target under %ju)\n",
                    plottime.wall, plottime.cpu, svgbytes, targetbytes);
        const bool met = summarytime.wall < targetseconds && plottime.wall < targetseconds && svgbytes < targetbytes;
        if (opt.check && !met) status = 1;
    } catch (const std::exception& e) {
        std::printf("bench_outlook: %s\n", e.what());
        status = 1;
    }
    std::error_code ec;
    fs::current_path(fs::temp_directory_path(), ec);
    fs::remove_all(work, ec);
    return status;
}
