// A run of the adapter: the work directory cleared, the traces imported, the tool
// run, its tables exported over the run's days and every step said in the
// diagnostics.
#include <algorithm>
#include <cmath>
#include <limits>
#include <system_error>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "outlook/adapter/adapter.hpp"
#include "outlook/input/input.hpp"
#include "outlook/output/output.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;
namespace subs = rerove_tivorn_subs;

void removefile(const fs::path& file) {
    std::error_code ec;
    fs::remove(file, ec);
    if (ec) throw writeerror(file.string() + ": cannot be removed (" + ec.message() + ")");
}

// The tables of the run exported over its days; a warning when those reach
// beyond the outlook.
void exporttables(const runrequest& r, std::vector<diagline>& lines) {
    const ensemble e = makeensemble(readtables(tablesoflake(r.lakeindex, r.workdir)));
    if (r.firstday < e.firstday || r.lastday > e.lastday)
        lines.push_back({diaglevel::warning, "the run's days " + isodate(r.firstday) + " to " + isodate(r.lastday) +
                                                 " reach beyond the outlook's, " + isodate(e.firstday) + " to " +
                                                 isodate(e.lastday) + ": those days are missing (NaN)"});
    writefile(r.output, exportpixml(overdays(e, r.firstday, r.lastday), r.lakeindex, {}));
    lines.push_back({diaglevel::info, r.output.string() + ": " + counted(e.years.size(), "scenario year") + " of " +
                                          counted(static_cast<std::size_t>(r.lastday - r.firstday + 1), "day") +
                                          " as pi-xml"});
}

// The run itself; its exit status.
int runin(const runrequest& r, std::vector<diagline>& lines) {
    clearrun(r.lakeindex, r.workdir);
    const importedtraces traces = readtraces(importformat::pixml, r.inputs, r.lakeindex, r.names);
    writeimport(traces, r.workdir);
    lines.push_back({diaglevel::info, importsummary(traces)});
    const toolrun tool = runtool(toolprogram(), subs::lakecode(r.lakeindex), r.workdir);
    const std::vector<diagline> said = toollines(tool, r.workdir);
    lines.insert(lines.end(), said.begin(), said.end());
    if (tool.status != 0) return 1;
    exporttables(r, lines);
    return 0;
}

}  // namespace

void clearrun(std::int32_t lakeindex, const fs::path& dir) {
    std::vector<std::string> patterns = {subs::tablepattern(lakeindex)};
    for (const std::int32_t part : scenariofiles::lakeparts(lakeindex)) patterns.push_back(subs::scenariopattern(part));
    for (const std::string& pattern : patterns) {
        std::vector<std::string> names;
        if (!fs::is_directory(dir) || iolayer::listfiles(dir.string(), pattern, names) != iolayer::Status::ok)
            throw readerror(dir.string() + ": not a directory that can be listed");
        for (const std::string& name : names) removefile(dir / name);
    }
    removefile(dir / fcstutil::errorfilename);
}

std::vector<diagline> toollines(const toolrun& run, const fs::path& dir) {
    const diaglevel level = run.status == 0 ? diaglevel::info : diaglevel::error;
    std::vector<diagline> lines;
    textlines console(run.console);
    for (std::string_view line; console.next(line);) {
        if (line.starts_with(' ')) line.remove_prefix(1);
        if (!line.empty()) lines.push_back({level, std::string(line)});
    }
    if (run.status == 0) return lines;
    lines.push_back({level, run.status < 0 ? std::string("rerove_tivorn was ended by a signal")
                                           : "rerove_tivorn ended with exit status " + std::to_string(run.status)});
    std::error_code ec;
    if (fs::exists(dir / fcstutil::errorfilename, ec))
        lines.push_back({level, "rerove_tivorn left " + (dir / fcstutil::errorfilename).string()});
    return lines;
}

ensemble overdays(const ensemble& e, std::int32_t first, std::int32_t last) {
    ensemble out = e;
    out.firstday = first;
    out.lastday = last;
    const std::int32_t from = std::max(first, e.firstday);
    const std::int32_t to = std::min(last, e.lastday);
    for (std::size_t s = 0; s < e.values.size(); ++s) {
        out.values[s].assign(static_cast<std::size_t>(last - first + 1), std::numeric_limits<double>::quiet_NaN());
        for (std::int32_t day = from; day <= to; ++day)
            out.values[s][static_cast<std::size_t>(day - first)] =
                e.values[s][static_cast<std::size_t>(day - e.firstday)];
    }
    return out;
}

adapteroutcome runadapter(const fs::path& runfile) {
    adapteroutcome o;
    try {
        const runrequest r = readrunfile(runfile, o.diagnostics);
        o.status = runin(r, o.lines);
    } catch (const failure& e) {
        o.lines.push_back({diaglevel::error, e.what()});
        o.status = 1;
    }
    if (!o.diagnostics.empty()) writefile(o.diagnostics, diagnosticsxml(o.lines));
    return o;
}

}  // namespace outlook
