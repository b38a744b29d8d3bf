// A hindcast run: for each target year, the record's traces written as scenario
// files in a scratch directory, rerove_tivorn run there, its tables read back and
// scored against the target year's own trace.
#include <stdlib.h>  // mkdtemp

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "outlook/hindcast/hindcast.hpp"
#include "outlook/input/input.hpp"
#include "outlook/tool/tool.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;
namespace subs = rerove_tivorn_subs;

// The outlook's first day in year, if that date exists.
std::optional<std::int32_t> firstdayin(std::int32_t year, const hindcastask& ask) {
    if (ask.day > keldautil::daysinmonth(ask.month, year)) return std::nullopt;
    std::int32_t seq = 0;
    keldautil::datesequence(ask.day, ask.month, year, seq);
    return seq;
}

// MM-DD of the outlook's first day.
std::string monthday(const hindcastask& ask) {
    return iolayer::formatiz(ask.month, 2) + "-" + iolayer::formatiz(ask.day, 2);
}

const std::map<std::int32_t, recordtraces::monthtotals>& monthsof(const recordtraces::monthlyrecord& record,
                                                                  std::int32_t lakeindex) {
    return record.lakes[static_cast<std::size_t>(lakeindex - 1)];
}

// The years whose traces the record holds over the outlook from firstday.
std::vector<std::int32_t> recordyears(const recordtraces::monthlyrecord& record, const hindcastask& ask,
                                      std::int32_t firstday) {
    return recordtraces::fittingyears(record, ask.lakeindex, firstday, ask.days);
}

// An empty directory at dir.
void emptied(const fs::path& dir) {
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
    if (ec) throw failure(dir.string() + ": cannot be made (" + ec.message() + ")");
}

// The tables of the traces of request.years, made by the tool in request.dir.
std::vector<table> tablesoftraces(const scenariofiles::scenariorequest& request, const fs::path& tool) {
    emptied(request.dir);
    std::int32_t written = 0;
    std::string error;
    if (!scenariofiles::writescenarios(request, written, error)) throw failure(error);
    const toolrun run = runtool(tool, subs::lakecode(request.lakeindex), request.dir);
    if (run.status != 0)
        throw failure("rerove_tivorn failed in " + request.dir.string() + " with exit status " +
                      std::to_string(run.status) + ":\n" + run.console);
    const std::vector<fs::path> files = tablesoflake(request.lakeindex, request.dir);
    return readtables(files);
}

// The tables' ensemble without the target year, and the target year's values as
// what happened.
struct plainrun {
    ensemble members;
    observedseries observed;
};

plainrun splitoff(std::vector<table> tables, std::int32_t year) {
    plainrun out;
    const auto target = std::find_if(tables.begin(), tables.end(), [&](const table& t) { return t.year == year; });
    if (target == tables.end()) throw failure("no table of the target year " + std::to_string(year));
    out.observed = {target->firstday, std::move(target->values)};
    tables.erase(target);
    out.members = makeensemble(std::move(tables));
    return out;
}

std::vector<periodverdict> scored(std::int32_t year, ensemble e, const observedseries& observed,
                                  const hindcastask& ask) {
    const outlookvalues o = valuesof(std::to_string(year), std::move(e), ask.kind, periodstat::mean, {});
    verifyask v;
    v.observed = &observed;
    v.options = ask.options;
    return verify(std::span<const outlookvalues>(&o, 1), v).verdicts;
}

hindcastyear hindcastof(std::int32_t year, scenariofiles::scenariorequest& request, const hindcastask& ask,
                        const fs::path& tool, const fs::path& scratch, const hindcastcalls& calls) {
    const auto stopcheck = [&] {
        if (calls.stopped && calls.stopped()) throw interrupted("interrupted");
    };
    request.firstday = *firstdayin(year, ask);
    request.years = recordyears(*request.record, ask, request.firstday);
    request.dir = scratch / "plain";
    request.fit.reset();
    plainrun plain = splitoff(tablesoftraces(request, tool), year);
    stopcheck();
    hindcastyear h{year, {}, {}};
    if (!ask.condition) {
        h.outlook = scored(year, std::move(plain.members), plain.observed, ask);
        return h;
    }
    recordtraces::conditioning fit;
    std::string error;
    const std::int32_t excluded[] = {year};
    if (!recordtraces::fitconditioning(*request.record, ask.lakeindex, request.firstday, ask.days, excluded, fit,
                                       error))
        throw readerror("the outlook of " + std::to_string(year) + ": " + error);
    request.years.erase(std::find(request.years.begin(), request.years.end(), year));
    request.dir = scratch / "conditioned";
    request.fit = fit;
    std::vector<table> conditioned = tablesoftraces(request, tool);
    stopcheck();
    h.outlook = scored(year, makeensemble(std::move(conditioned)), plain.observed, ask);
    h.baseline = scored(year, std::move(plain.members), plain.observed, ask);
    return h;
}

}  // namespace

std::vector<std::int32_t> targetyears(const recordtraces::monthlyrecord& record, const hindcastask& ask) {
    const auto& months = monthsof(record, ask.lakeindex);
    if (months.empty()) throw readerror("the record holds no month of " + subs::lakecode(ask.lakeindex));
    const std::int32_t first = ask.firstyear != 0 ? ask.firstyear : months.begin()->first / 12;
    const std::int32_t last = ask.lastyear != 0 ? ask.lastyear : months.rbegin()->first / 12;
    std::vector<std::int32_t> targets;
    for (std::int32_t year = first; year <= last; ++year) {
        const std::optional<std::int32_t> day = firstdayin(year, ask);
        if (!day) continue;
        const std::vector<std::int32_t> fits = recordyears(record, ask, *day);
        const bool held = std::binary_search(fits.begin(), fits.end(), year);
        const bool statefound = months.contains(recordtraces::monthnumber(year, ask.month) - 1);
        if (held && (!ask.condition || statefound)) targets.push_back(year);
    }
    if (targets.size() < 3)
        throw readerror("the record holds " + counted(targets.size(), "outlook") + " of " + std::to_string(ask.days) +
                        " days from " + monthday(ask) + " in " + std::to_string(first) + "-" + std::to_string(last) +
                        (ask.condition ? " with the month before it" : "") + "; a hindcast needs 3 or more");
    return targets;
}

std::vector<hindcastyear> runhindcast(const recordtraces::monthlyrecord& record, const hindcastask& ask,
                                      std::span<const std::int32_t> targets, const fs::path& tool,
                                      const fs::path& scratch, const hindcastcalls& calls) {
    scenariofiles::scenariorequest request;
    request.lakeindex = ask.lakeindex;
    request.days = ask.days;
    request.record = record;
    std::vector<hindcastyear> out;
    out.reserve(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) {
        out.push_back(hindcastof(targets[i], request, ask, tool, scratch, calls));
        if (calls.progress) calls.progress(i + 1, targets.size());
    }
    emptied(scratch);
    return out;
}

void inscratchdirectory(const std::function<void(const fs::path&)>& work) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = (fs::path(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") / "rerove_hindcast.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw failure(pattern + ": no scratch directory can be made there");
    const fs::path dir = pattern;
    const auto remove = [&] {
        std::error_code ec;
        fs::remove_all(dir, ec);
    };
    try {
        work(dir);
    } catch (...) {
        remove();
        throw;
    }
    remove();
}

}  // namespace outlook
