// The dry run of rerove_tivorn in a directory: the tool's own discovery, common
// years and span, followed step by step in the tool's order, but writing nothing
// and reporting every finding instead of stopping at the first failure.
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <system_error>

#include "errorprocess/errorprocess.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/input/input.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;
namespace subs = rerove_tivorn_subs;

// The lines of the report and the first message the tool would fail with.
struct findings {
    std::vector<std::string> lines;
    std::optional<std::string> failure;
    void say(std::string line) { lines.push_back(std::move(line)); }
    void fail(std::string message) {
        if (!failure) failure = std::move(message);
    }
};

// One lake part: its suffix and the years its listed files name, in listing order.
struct partlist {
    std::int32_t part = 0;
    std::string suffix;
    std::vector<std::int32_t> years;
};

// The first word of the argument, as the tool's command line splits it.
std::string firstword(std::string_view argument) {
    const std::size_t start = argument.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    return std::string(argument.substr(start, argument.find(' ', start) - start));
}

// Lists one part as the tool does (its name pattern, byte order), reporting
// names without a year and a count above the limit.
partlist listpart(std::int32_t part, const fs::path& dir, findings& f) {
    partlist list{part, subs::partcode(part), {}};
    std::vector<std::string> names;
    if (iolayer::listfiles(dir.string(), subs::scenariopattern(part), names) != iolayer::Status::ok) {
        throw readerror(dir.string() + ": cannot be listed");
    }
    for (const std::string& name : names) {
        const std::optional<std::int32_t> year = subs::scenarioyear(name);
        if (year)
            list.years.push_back(*year);
        else
            f.say("  skipped " + name + ": no year in its name (the tool warns and skips it)");
    }
    f.say("Part ." + list.suffix + ": " +
          (list.years.empty() ? std::string("no scenario file") : counted(list.years.size(), "scenario file")) +
          (list.years.empty() ? "" : ", years " + yearruns(list.years)));
    if (list.years.size() > static_cast<std::size_t>(subs::maxscen)) {
        f.say("  more than " + std::to_string(subs::maxscen) + " years: the tool takes at most " +
              std::to_string(subs::maxscen) + " per part");
        f.fail(std::string(subs::messages::toomanyyears));
    }
    return list;
}

// Names that look like scenario files but that the lake's patterns do not take.
void reportnearmisses(const std::vector<partlist>& lists, const fs::path& dir, findings& f) {
    std::vector<std::string> names;
    if (iolayer::listfiles(dir.string(), "*", names) != iolayer::Status::ok) return;
    std::map<std::string, std::size_t> others;
    for (const std::string& name : names) {
        std::string lower = name;
        keldautil::small(lower);
        if (!lower.starts_with("rerove") || lower.size() != 14 || lower[10] != '.') continue;
        const std::string suffix = lower.substr(11);
        const auto ours =
            std::find_if(lists.begin(), lists.end(), [&](const partlist& l) { return l.suffix == suffix; });
        if (ours == lists.end()) {
            ++others[suffix];
        } else if (!iolayer::wildcardmatch(subs::scenariopattern(ours->part), name)) {
            f.say("  skipped " + name + ": not spelt " + subs::scenariopattern(ours->part) +
                  " (names are case-sensitive)");
        }
    }
    for (const auto& [suffix, count] : others) {
        f.say("  ignored " + counted(count, "scenario file") + " of part ." + suffix + " (another lake's)");
    }
}

// Years some part has but that are not scenario years, and why.
void reportdropped(const std::vector<partlist>& lists, const std::vector<std::int32_t>& years, findings& f) {
    std::set<std::int32_t> all;
    for (const partlist& l : lists) all.insert(l.years.begin(), l.years.end());
    for (const std::int32_t year : all) {
        if (std::find(years.begin(), years.end(), year) != years.end()) continue;
        std::string missing;
        for (const partlist& l : lists) {
            if (std::find(l.years.begin(), l.years.end(), year) != l.years.end()) continue;
            missing += (missing.empty() ? "" : ", ") + subs::scenariofile(year, l.part);
        }
        if (missing.empty())
            f.say("Year " + std::to_string(year) + " dropped: 9999 marks removed years in the tool");
        else
            f.say("Year " + std::to_string(year) + " dropped: " + missing +
                  (missing.find(',') == std::string::npos ? " is" : " are") + " missing");
    }
}

// The header of one scenario file, read as the tool reads it, and its size.
struct headercheck {
    std::string name;
    std::int32_t year = 0;
    subs::HeaderStatus status = subs::HeaderStatus::notopened;
    subs::DayRange days;
    std::uintmax_t bytes = 0;
    bool valid() const { return status == subs::HeaderStatus::ok && days.last >= days.first; }
};

headercheck readscenarioheader(const fs::path& dir, std::int32_t year, std::int32_t part) {
    headercheck c;
    c.name = subs::scenariofile(year, part);
    c.year = year;
    const std::int32_t unit = keldautil::getfreeunitnumber();
    c.status = subs::openscenario(unit, (dir / c.name).string(), c.days);
    if (c.status == subs::HeaderStatus::ok) (void)iolayer::closeunit(unit);  // only the header is wanted
    std::error_code ec;
    c.bytes = fs::file_size(dir / c.name, ec);
    if (ec) c.bytes = 0;
    return c;
}

// The span pass of the tool: every part of every year, in its order.
std::vector<headercheck> readscenarioheaders(const std::vector<partlist>& lists, const std::vector<std::int32_t>& years,
                                             const fs::path& dir, findings& f) {
    std::vector<headercheck> files;
    for (const std::int32_t year : years) {
        for (const partlist& l : lists) {
            headercheck c = readscenarioheader(dir, year, l.part);
            if (c.status == subs::HeaderStatus::notopened) {
                f.say(c.name + ": cannot be opened");
                f.fail(subs::messages::erroropening(c.name));
            } else if (c.status == subs::HeaderStatus::notread) {
                f.say(c.name + ": too short for its header (" + counted(c.bytes, "byte") + "; the header takes " +
                      std::to_string(subs::scenariorecordlength) + ")");
                f.fail(subs::messages::errorreading(c.name));
            } else if (!c.valid()) {
                f.say(c.name + ": its header's last day " + isodate(c.days.last) + " is before its first day " +
                      isodate(c.days.first));
                f.fail(subs::messages::invaliddataperiod(c.name));
            }
            files.push_back(std::move(c));
        }
    }
    return files;
}

// The outlook span of the readable headers, as the tool forms it.
std::optional<subs::DayRange> reportspan(const std::vector<headercheck>& files, findings& f) {
    std::vector<subs::DayRange> headers;
    for (const headercheck& c : files) {
        if (c.valid()) headers.push_back(c.days);
    }
    if (headers.empty()) return std::nullopt;
    const subs::DayRange span = subs::outlookspan(headers);
    const std::int64_t days = subs::spandays(span);
    f.say("Outlook span: " + isodate(span.first) + " to " + isodate(span.last) + ", " +
          counted(static_cast<std::size_t>(days), "day"));
    if (days > subs::maxdays) {
        f.say("  longer than the " + std::to_string(subs::maxdays) + " days the tool holds");
        f.fail(subs::messages::spantoolong(days));
    }
    return span;
}

// The assembly pass of the tool: each file's start date, then its day records.
void reportassembly(const std::vector<headercheck>& files, subs::DayRange span, findings& f) {
    for (const headercheck& c : files) {
        if (!c.valid()) continue;
        const bool startok = c.days.first == span.first;
        if (!startok) {
            f.say(c.name + ": starts on " + isodate(c.days.first) + ", not on the outlook's first day " +
                  isodate(span.first));
            f.fail(subs::messages::inconsistentstart(c.name));
        }
        const std::int64_t wanted = static_cast<std::int64_t>(c.days.last) - c.days.first + 1;
        const auto records = static_cast<std::int64_t>(c.bytes / subs::scenariorecordlength);
        const std::int64_t held = std::max<std::int64_t>(records - 1, 0);
        if (held < wanted) {
            f.say(c.name + ": too short for its header: it holds " + std::to_string(held) + " of the " +
                  counted(static_cast<std::size_t>(wanted), "day") + " from " + isodate(c.days.first) + " to " +
                  isodate(c.days.last));
            if (startok) f.fail(subs::messages::errorreading(c.name));
        }
    }
}

// Years whose files end before the span: their last days are written as missing.
void reportshortyears(const std::vector<headercheck>& files, subs::DayRange span, findings& f) {
    for (auto it = files.begin(); it != files.end();) {
        const auto next = std::find_if(it, files.end(), [&](const headercheck& c) { return c.year != it->year; });
        std::string ends;
        std::int32_t last = span.last;
        for (auto c = it; c != next; ++c) {
            if (!c->valid() || c->days.last >= span.last) continue;
            ends += (ends.empty() ? "" : ", ") + c->name + " ends on " + isodate(c->days.last);
            last = std::min(last, c->days.last);
        }
        if (last < span.last) {
            f.say("Year " + std::to_string(it->year) + ": " + ends + "; its last " +
                  counted(static_cast<std::size_t>(span.last - last), "day") + " (" + isodate(last + 1) + " to " +
                  isodate(span.last) + ") would be written as missing");
        }
        it = next;
    }
}

// The tables the tool would write: one per scenario year of 1 or more.
std::vector<std::string> tablesof(std::int32_t lakeindex, const std::vector<std::int32_t>& years) {
    std::set<std::string> names;
    for (const std::int32_t year : years) {
        if (year > 0) names.insert(subs::tablefile(lakeindex, year));
    }
    return {names.begin(), names.end()};
}

// The table writer's calendar over the span: a failure there is the tool's
// first once its assembly has gone through.
void reportcalendar(subs::DayRange span, findings& f) {
    const errorprocess::ConsoleCapture calendar;
    if (subs::tablecalendar(span.first, span.last)) return;
    f.say("The outlook span does not fit the tables' calendar (it runs to 31 December 2999)");
    const std::string& text = calendar.text();
    f.fail(text.substr(1, text.find('\n') - 1));
}

// Discovery, common years, span and assembly of the lake in dir, as the tool
// does them; gives the scenario years.
std::vector<std::int32_t> surveylake(std::int32_t lakeindex, const fs::path& dir, findings& f) {
    subs::LakeParts lake;
    (void)subs::lakeparts(lakeindex, lake);
    std::error_code ec;
    const fs::path where = fs::canonical(dir, ec);
    f.say("Lake " + subs::lakename(lakeindex) + " in " + (ec ? dir : where).string());
    if (::access(dir.c_str(), W_OK) != 0) {
        f.say(dir.string() + ": not writable; the tool cannot write its listing " + std::string(subs::listingfile) +
              " there");
        f.fail(subs::messages::erroropening(subs::listingfile));
    }
    std::vector<partlist> lists;
    lists.reserve(static_cast<std::size_t>(lake.count));
    for (std::int32_t j = 1; j <= lake.count; ++j) lists.push_back(listpart(lake.parts[subs::at(j)], dir, f));
    reportnearmisses(lists, dir, f);
    if (f.failure) return {};
    std::vector<std::vector<std::int32_t>> yearlists;
    yearlists.reserve(lists.size());
    for (const partlist& l : lists) yearlists.push_back(l.years);
    std::vector<std::int32_t> years = subs::commonyears(yearlists);
    reportdropped(lists, years, f);
    if (years.empty()) {
        f.say("No scenario year is common to all parts");
        return years;
    }
    f.say("Scenario years (" + std::to_string(years.size()) + "): " + yearruns(years));
    for (const std::int32_t year : years) {
        if (year <= 0) f.say("Year " + std::to_string(year) + " is assembled, but the tool writes no table for it");
    }
    const std::vector<headercheck> files = readscenarioheaders(lists, years, dir, f);
    if (const std::optional<subs::DayRange> span = reportspan(files, f)) {
        reportassembly(files, *span, f);
        reportshortyears(files, *span, f);
        const bool writes = std::any_of(years.begin(), years.end(), [](std::int32_t y) { return y > 0; });
        if (!f.failure && writes) reportcalendar(*span, f);
    }
    return years;
}

// Tables of the lake in dir that a successful run would leave as they are.
void reportleftovers(std::int32_t lakeindex, const std::vector<std::string>& written, const fs::path& dir,
                     findings& f) {
    for (const fs::path& table : tablesoflake(lakeindex, dir)) {
        const std::string name = table.filename().string();
        if (!std::binary_search(written.begin(), written.end(), name)) {
            f.say(name + ": from an earlier run; the tool would leave it as it is");
        }
    }
}

// Temporary tables of the lake in dir, left by runs that were stopped: the tool
// removes them at its start, before anything can fail.
void reportstopped(std::int32_t lakeindex, const fs::path& dir, findings& f) {
    std::vector<std::string> names;
    if (lakeindex < 1 ||
        iolayer::listfiles(dir.string(), subs::temporarypattern(lakeindex), names) != iolayer::Status::ok)
        return;
    for (const std::string& name : names) f.say(name + ": a table left by a stopped run; the tool would remove it");
}

// The last line and the exit status.
checkoutcome verdict(findings& f, std::string_view argument, std::int32_t lakeindex,
                     const std::vector<std::int32_t>& years, const fs::path& dir) {
    const std::string run = "rerove_tivorn " + std::string(argument);
    reportstopped(lakeindex, dir, f);
    if (f.failure) {
        f.say(run + " would fail; the first message it prints: " + *f.failure);
        return {1, {}};
    }
    const std::vector<std::string> tables = tablesof(lakeindex, years);
    reportleftovers(lakeindex, tables, dir, f);
    if (tables.empty()) {
        f.say(run + " would succeed and write nothing");
        return {2, {}};
    }
    std::vector<std::int32_t> written;
    for (const std::int32_t year : years) {
        if (year > 0) written.push_back(year);
    }
    std::string pattern = subs::tablepattern(lakeindex);
    pattern.replace(pattern.find("????"), 4, "<year>");
    f.say(run + " would write " + counted(tables.size(), "table") + ", " + pattern + " for " + yearruns(written));
    return {0, {}};
}

}  // namespace

checkoutcome checkrun(std::string_view argument, const std::filesystem::path& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) throw readerror(dir.string() + ": not a directory");
    checkoutcome outcome;
    std::string shared;
    findings f;
    {
        // The shared steps report failures through the error state and the
        // console; here they become part of the report, and the state is reset.
        errorprocess::ConsoleCapture capture;
        const std::string word = firstword(argument);
        const std::int32_t lakeindex = word.empty() ? 0 : subs::lakeindexof(word);
        std::vector<std::int32_t> years;
        if (word.empty()) {
            f.say("No lake code given");
            f.fail(std::string(subs::messages::usage[0]));
        } else if (lakeindex == 0) {
            f.say("Unknown lake code " + word + ": the tool takes SUP, MHU, STC, ERI or ONT (any case)");
            f.fail(subs::messages::invalidlakecode(word.substr(0, 3)));
        } else {
            years = surveylake(lakeindex, dir, f);
        }
        shared = capture.text();
        if (!shared.empty()) f.say("Messages of the shared steps:\n" + shared.substr(0, shared.size() - 1));
        outcome = verdict(f, word, lakeindex, years, dir);
    }
    for (const std::string& line : f.lines) outcome.report += line + "\n";
    return outcome;
}

std::vector<std::int32_t> scenarioyears(std::int32_t lakeindex, const std::filesystem::path& dir) {
    subs::LakeParts lake;
    if (!subs::lakeparts(lakeindex, lake)) throw std::invalid_argument("no lake of index " + std::to_string(lakeindex));
    findings f;  // what the tool would report is not wanted here, only whether it fails
    std::vector<std::vector<std::int32_t>> yearlists;
    for (std::int32_t j = 1; j <= lake.count; ++j) yearlists.push_back(listpart(lake.parts[subs::at(j)], dir, f).years);
    if (f.failure) throw readerror(dir.string() + ": " + *f.failure);
    return subs::commonyears(yearlists);
}

}  // namespace outlook
