// rerove_outlook hindcast: an outlook method run for every past year of the
// record, scored by lead against what happened and against the plain traces.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <iostream>

#include "outlook/app/app.hpp"
#include "outlook/hindcast/hindcast.hpp"
#include "outlook/output/output.hpp"
#include "outlook/tool/tool.hpp"

namespace outlook::app {
namespace {

struct hindcastoptions {
    std::string record;
    sharedoptions shared = [] {
        sharedoptions s;
        s.period = "month";
        return s;
    }();
    std::string start;
    std::string days;
    std::string years;
    bool condition = false;
    std::string seed;  // empty: 1
    std::string output;
};

CLI::App* add(CLI::App& program, hindcastoptions& o) {
    CLI::App* command = program.add_subcommand(
        "hindcast", "The outlook of every past year of a monthly record, scored by lead against what happened");
    command->add_option("--record", o.record, "the monthly record, a CSV as make_scenarios --record takes it")
        ->required();
    sharedhelp help;
    help.lake = "SUP, MHU, STC, ERI or ONT";
    help.period = "month (default), quarter-month or outlook";
    help.threshold = "a Brier score of exceeding X m3/s (repeatable)";
    addshared(*command, o.shared, {option::lake}, help);
    command->add_option("--start", o.start, "MM-DD: the outlook's first day in every target year")->required();
    command->add_option("--days", o.days, "the outlook's length in days, 1 to 20000")->required();
    command->add_option("--years", o.years, "Y1-Y2: the target years (default: every year the record can score)");
    command->add_flag("--condition", o.condition, "traces that start from the lake's state, against the plain ones");
    addshared(*command, o.shared, {option::period, option::threshold}, help);
    command->add_option("--seed", o.seed, "the seed of the bootstrap of the skill's interval (default 1)");
    command->add_option("-o,--output", o.output, "a CSV of the scores of every target year and period");
    command->footer(
        "Each target year Y's outlook starts on MM-DD of Y; its members are the traces of\n"
        "every other year the record holds over that span, run through rerove_tivorn,\n"
        "and it is scored against the trace of Y. With --condition the members start\n"
        "from the month before the outlook, fitted without Y, and the plain traces are\n"
        "the baseline. Standard output: a row of scores per lead, then 'all'; crpss_low\n"
        "and crpss_high bound the skill by 1000 resamplings of the target years.\n"
        "See docs/hindcast.md.\n" +
        std::string(exitnote));
    return command;
}

// A whole number from low to high, or optionerror naming the option.
std::int64_t wholein(std::string_view name, const std::string& text, std::int64_t low, std::int64_t high) {
    const std::optional<double> v = finitenumber(text);
    if (!v || *v != std::floor(*v) || *v < static_cast<double>(low) || *v > static_cast<double>(high))
        throw optionerror(std::string(name) + ": '" + text + "' is not a whole number from " + std::to_string(low) +
                          " to " + std::to_string(high));
    return static_cast<std::int64_t>(*v);
}

hindcastask askof(const hindcastoptions& o, const checkedoptions& c) {
    hindcastask ask;
    if (c.lakeindex == 0) throw optionerror("--lake: a hindcast is of one lake; name it");
    ask.lakeindex = c.lakeindex;
    const std::optional<std::int32_t> start = o.start.size() == 5 ? dayofisodate("2000-" + o.start) : std::nullopt;
    if (!start) throw optionerror("--start: '" + o.start + "' is not a day of the year MM-DD");
    ask.month = static_cast<std::int32_t>(wholein("--start", o.start.substr(0, 2), 1, 12));
    ask.day = static_cast<std::int32_t>(wholein("--start", o.start.substr(3), 1, 31));
    ask.days = static_cast<std::int32_t>(wholein("--days", o.days, 1, rerove_tivorn_subs::maxdays));
    if (!o.years.empty()) {
        const std::size_t dash = o.years.find('-');
        if (dash == std::string::npos) throw optionerror("--years: '" + o.years + "' is not Y1-Y2");
        ask.firstyear = static_cast<std::int32_t>(wholein("--years", o.years.substr(0, dash), 1, 9999));
        ask.lastyear = static_cast<std::int32_t>(wholein("--years", o.years.substr(dash + 1), ask.firstyear, 9999));
    }
    ask.condition = o.condition;
    ask.kind = c.a.kind;
    ask.options = {c.a.rule, c.a.thresholds};
    return ask;
}

// The signal that asked the run to stop, 0 while none did.
volatile std::sig_atomic_t stopsignal = 0;

// Catches the signals that end a run from outside while it lives, so that the
// scratch directory goes before the program does.
class stopsignals {
public:
    stopsignals() {
        for (const int s : signals) previous_[index(s)] = std::signal(s, [](int caught) { stopsignal = caught; });
    }
    ~stopsignals() {
        for (const int s : signals) std::signal(s, previous_[index(s)]);
    }
    stopsignals(const stopsignals&) = delete;
    stopsignals& operator=(const stopsignals&) = delete;
    // Ends the program by the signal that stopped it, as it would have ended.
    [[noreturn]] static void endbysignal() {
        std::signal(stopsignal, SIG_DFL);
        std::raise(stopsignal);
        std::_Exit(128 + stopsignal);
    }

private:
    static constexpr std::array<int, 3> signals = {SIGINT, SIGTERM, SIGHUP};
    static std::size_t index(int s) {
        return static_cast<std::size_t>(std::find(signals.begin(), signals.end(), s) - signals.begin());
    }
    std::array<void (*)(int), 3> previous_{};
};

int runscored(const hindcastoptions& o, const hindcastask& ask, std::uint64_t seed) {
    recordtraces::monthlyrecord record;
    std::string error;
    if (!recordtraces::readrecord(o.record, record, error)) throw readerror(error);
    const std::vector<std::int32_t> targets = targetyears(record, ask);
    const std::filesystem::path tool = toolprogram();
    std::vector<hindcastyear> years;
    const hindcastcalls calls{
        [](std::size_t done, std::size_t of) { tell("year " + std::to_string(done) + " of " + std::to_string(of)); },
        [] { return stopsignal != 0; }};
    inscratchdirectory(
        [&](const std::filesystem::path& scratch) { years = runhindcast(record, ask, targets, tool, scratch, calls); });
    const std::vector<leadscores> leads = scoresbylead(years, ask.options.thresholds, seed);
    if (!o.output.empty()) writefile(o.output, yearscsv(years, ask.options.thresholds));
    std::cout << leadscsv(leads, ask.options.thresholds);
    tell(counted(targets.size(), "target year") + " scored" +
         (ask.condition ? ": " + skillinwords(leads, ask.kind) : std::string()));
    return 0;
}

int run(const hindcastoptions& o) {
    const checkedoptions c = checkshared(o.shared);
    const hindcastask ask = askof(o, c);
    const std::uint64_t seed = checkedseed(o.seed);
    const stopsignals catching;
    try {
        return runscored(o, ask, seed);
    } catch (const failure&) {
        if (stopsignal != 0) stopsignals::endbysignal();
        throw;
    }
}

}  // namespace

subcommand hindcastcommand(CLI::App& program) { return made<hindcastoptions>(program, add, run); }

}  // namespace outlook::app
