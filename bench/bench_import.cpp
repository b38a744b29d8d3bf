// bench_import: times `rerove_outlook import` of the largest case the tool takes
// (Mich-Huron, 75 years of 3 parts over 20000 days: 225 scenario files), from CSV
// and from PI-XML, against its floor: `cat` of the input to a copy, then `cat` of
// the 225 files it writes to a copy. Whole processes started directly
// (posix_spawn, never through a shell), import and floor in alternating pairs;
// the median ratio of the pairs counts, and the import's peak resident memory
// against the document's size.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/benchsupport.hpp"
#include "childrun/childrun.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "outlook/outlook.hpp"

namespace fs = std::filesystem;

namespace {

using benchsupport::fixed;
using benchsupport::say;
using benchoptions = benchsupport::runoptions;  // runs: pairs

constexpr double targetratio = 4.0;
constexpr double targetmemory = 6.0;  // peak resident memory over the document's size

// The scenario files of the case into dir/made, and the same traces as in.csv
// and in.xml in dir: run in a child of its own (--write-input), so that the
// bench's own peak, which Linux charges its children with, stays small.
int writeinput(const fs::path& dir, std::int32_t years, std::int32_t days) {
    std::int32_t written = 0;
    std::string error;
    if (!scenariofiles::writescenarios(scenariofiles::benchrequest(years, days, dir / "made"), written, error)) {
        say("bench_import: " + error);
        return 1;
    }
    outlook::importedtraces t;
    t.lakeindex = 2;
    for (std::int32_t y = 0; y < years; ++y) t.years.push_back(1950 + y);
    const auto parts = scenariofiles::lakeparts(2);
    t.parts.assign(parts.begin(), parts.end());
    for (const std::int32_t year : t.years) {
        for (const std::int32_t part : t.parts) {
            outlook::scenariodata s =
                outlook::readscenariofile(dir / "made" / rerove_tivorn_subs::scenariofile(year, part));
            t.firstday = s.firstday;
            t.traces.push_back(std::move(s.days));
        }
    }
    t.days = days;
    outlook::writefile(dir / "in.csv", outlook::importcsvtext(t));
    outlook::writefile(dir / "in.xml", outlook::importpixmltext(t));
    return 0;
}

std::string bytesof(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One pair: the import of input into out, and the floor: cat of the input, then
// of the files made, each to a copy; their wall seconds and the import's peak.
// What each run wrote is written back to the disk before the next starts.
struct pair {
    double import = 0, floor = 0;
    long peakkib = 0;
};

pair timepair(const benchoptions& opt, const fs::path& work, const std::string& format, const std::string& input,
              const std::vector<std::string>& made, const fs::path& out, bool floorfirst) {
    pair p;
    const auto floor = [&] {
        fs::remove(work / "copy.in");
        fs::remove(work / "copy.files");
        std::vector<std::string> files = {"cat"};
        files.insert(files.end(), made.begin(), made.end());
        p.floor = benchsupport::ranwell({"cat", input}, work, work / "copy.in", true).seconds +
                  benchsupport::ranwell(files, work / "made", work / "copy.files", true).seconds;
        ::sync();  // outside the timing: the next run does not pay for writing back this one's copies
    };
    if (floorfirst) floor();
    fs::create_directory(out);
    const childrun::runresult r = benchsupport::ranwell(
        {opt.outlook.string(), "import", "--format", format, "--lake", "MHU", "-d", out.filename().string(), input},
        work, "/dev/null", false);
    p.import = r.seconds;
    p.peakkib = r.maxrsskib;
    ::sync();
    if (!floorfirst) floor();
    return p;
}

bool measure(const benchoptions& opt, const fs::path& work, const std::string& format, const std::string& input) {
    const std::vector<std::string> made = benchsupport::filesstarting(work / "made", "REROVE");
    // Each import into a directory of its own, kept to the end: on ext4 a file
    // made beside many that were freed a moment before costs a search for its
    // inode, which the import would pay for the bench's clearing of the run before.
    const auto out = [&](std::int32_t i) { return work / ("out." + format + "." + std::to_string(i)); };
    (void)timepair(opt, work, format, input, made, out(0), false);  // warms the caches
    for (const std::string& name : made) {
        if (bytesof(out(0) / name) != bytesof(work / "made" / name))
            throw std::runtime_error(format + ": " + name + " is not the file make_scenarios wrote");
    }
    std::vector<double> ratios, imports, floors;
    long peak = 0;
    for (std::int32_t i = 0; i < opt.runs; ++i) {
        const pair p = timepair(opt, work, format, input, made, out(i + 1), i % 2 == 1);
        ratios.push_back(p.import / p.floor), imports.push_back(p.import), floors.push_back(p.floor);
        peak = std::max(peak, p.peakkib);
    }
    const double ratio = benchsupport::median(ratios);
    const double size = static_cast<double>(fs::file_size(work / input));
    const double memory = static_cast<double>(peak) * 1024.0 / size;
    const bool met = ratio <= targetratio && memory < targetmemory;
    say("  " + format + ": " + fixed(size / 1048576.0, 1) + " MiB in, import " +
        fixed(benchsupport::median(imports), 3) + " s, floor " + fixed(benchsupport::median(floors), 3) + " s, ratio " +
        fixed(ratio, 2) + " (range " + benchsupport::spread(ratios) + "), peak " +
        fixed(static_cast<double>(peak) / 1024.0, 1) + " MiB, " + fixed(memory, 2) + " times the document; load " +
        benchsupport::loadaverage() + (met ? "" : "   MISSED"));
    return met;
}

int bench(const benchoptions& opt, const fs::path& work) {
    (void)benchsupport::ranwell(
        {"/proc/self/exe", "--write-input", work.string(), std::to_string(opt.years), std::to_string(opt.days)}, work,
        "/dev/null", false);
    say("bench_import: Mich-Huron, " + std::to_string(opt.years) + " years of 3 parts over " +
        std::to_string(opt.days) + " days (" + std::to_string(3 * opt.years) + " files); " + std::to_string(opt.runs) +
        " pairs (target: ratio " + fixed(targetratio, 1) + " or less, peak below " + fixed(targetmemory, 0) +
        " times the document); the bench's own peak " + fixed(benchsupport::ownpeakmib(), 1) + " MiB");
    const bool csv = measure(opt, work, "csv", "in.csv");
    const bool pixml = measure(opt, work, "pi-xml", "in.xml");
    return opt.check && !(csv && pixml) ? 1 : 0;
}

void usage() {
    say("Usage: bench_import [--pairs N] [--years N] [--days N] [--outlook PATH] [--keep] [--check]");
    say("Times rerove_outlook import of Mich-Huron (N years from 1950, default 75, of N days from 1 June 2024,");
    say("default 20000) from CSV and from PI-XML against cat of the input and of the files it writes, in");
    say("alternating pairs (default 5, after one that warms the caches and checks the files' bytes).");
}

}  // namespace

int main(int argc, char** argv) {
    std::int32_t years = 0, days = 0;
    if (argc == 5 && std::string_view(argv[1]) == "--write-input" && benchsupport::number(argv[3], 1, 75, years) &&
        benchsupport::number(argv[4], 1, 20000, days))
        return writeinput(argv[2], years, days);
    const benchsupport::runwords words{.runs = "--pairs", .outlook = true, .usage = usage};
    benchoptions opt{.runs = 5, .outlook = RT_OUTLOOK_PATH};
    return benchsupport::runbench(argc, argv, "bench_import", words, opt, bench);
}
