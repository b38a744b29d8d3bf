// rerove_outlook, the program: its subcommands, each one file of one shape, the
// one checker of the options they share, and the one way to standard error. The
// only part of the companion that knows CLI11 or the console.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "outlook/analysis/analysis.hpp"

namespace CLI {
class App;
}

namespace outlook::app {

// ---------------------------------------------------------------------------
// Subcommands (one file each)
// ---------------------------------------------------------------------------

// A subcommand on the program: what the command line chose, and what runs it once
// the command line is read, giving the exit status. Its options live as long as
// run does.
struct subcommand {
    CLI::App* command = nullptr;
    std::function<int()> run;
};

// The subcommand of a file's add and run: add puts it and its options, bound to an
// Options of its own, on the program; run does it with them and gives the exit
// status.
template <typename Options>
subcommand made(CLI::App& program, CLI::App* (*add)(CLI::App&, Options&), int (*run)(const Options&)) {
    auto options = std::make_shared<Options>();
    return {add(program, *options), [options, run] { return run(*options); }};
}

// What adds a subcommand and its options to the program: each in the file of app/
// named for it (checkcommand.cpp, ...).
using subcommandmaker = subcommand(CLI::App& program);
subcommandmaker checkcommand, dumpcommand, summarycommand, tracescommand, plotcommand, exportcommand, weightscommand,
    verifycommand, reportcommand, hindcastcommand;
// The subcommands that write what the tool reads: import, and adapter, which runs it.
subcommandmaker importcommand, adaptercommand;

// ---------------------------------------------------------------------------
// Standard error (messages.cpp): every line the program writes there.
// ---------------------------------------------------------------------------

// A line as it stands ("fan.svg: fan chart of 65 scenarios").
void tell(std::string_view line);
// "rerove_outlook: " and the text: a failure, or why nothing was done.
void complain(std::string_view text);
// "rerove_outlook: warning: " and the text.
void warn(std::string_view text);
void warn(const std::vector<std::string>& warnings);

// ---------------------------------------------------------------------------
// The options subcommands share (options.cpp)
// ---------------------------------------------------------------------------

// The options as given; a subcommand offers those it takes, and the others keep
// their defaults.
struct sharedoptions {
    std::string period = "quarter-month";
    std::string stat = "mean";
    std::string position = "weibull";
    std::string levels;  // a comma-separated list; empty for the subcommand's default
    std::vector<std::string> thresholds;
    std::string weights;  // a CSV year,weight; empty for equal weights
    std::string lake;     // SUP, MHU, STC, ERI or ONT in any case; empty for none
    std::vector<std::string> tables;
};

enum class option { period, stat, position, levels, threshold, weights, lake, tables };

// What the help says of each shared option; a subcommand changes what it must.
struct sharedhelp {
    std::string period = "quarter-month, month or outlook";
    std::string stat = "mean, min, max, volume or accumulated (default mean)";
    std::string position = "plotting position: weibull, hazen, cunnane, gringorten or median (default weibull)";
    std::string levels;  // "exceedance percentages (default ...)" of the subcommand's levels
    std::string threshold = "share of the scenarios above X (repeatable)";
    std::string weights = "a CSV year,weight of the scenario years";
    std::string lake = "SUP, MHU, STC, ERI or ONT: its tables in the directories named";
    std::string tables = "table files <xx>DNBS_<year>.txt of one outlook, or directories";
};

// Adds the options in the order given to command, bound to options.
void addshared(CLI::App& command, sharedoptions& options, std::initializer_list<option> which,
               const sharedhelp& help = {});

// The shared options checked, before any file is read: optionerror naming the
// option and what is wrong with it, in one wording for every subcommand.
// levelcount, when not 0, is the number of levels needed.
struct checkedoptions {
    analysis a;
    std::int32_t lakeindex = 0;  // 0 without --lake
    std::filesystem::path weights;
};
checkedoptions checkshared(const sharedoptions& options, std::string_view defaultlevels = "",
                           std::size_t levelcount = 0);

// The weights of the years from the file the options name, warnings told;
// empty without one.
std::vector<double> weightsof(const checkedoptions& options, std::span<const std::int32_t> years);

// --bootstrap N and --seed S as given, for the subcommands that resample.
struct bootstrapoptions {
    std::string resamples;  // empty: no resampling
    std::string seed;       // empty: 1
};

// Adds --bootstrap and --seed to command, bound to options; what says what is
// resampled ("the outlooks").
void addbootstrap(CLI::App& command, bootstrapoptions& options, std::string_view what);

// Checked before any file is read: N a whole number 1 or more, S a whole number
// of 64 bits, --seed only with --bootstrap; optionerror otherwise.
struct checkedbootstrap {
    std::size_t resamples = 0;  // 0 without --bootstrap
    std::uint64_t seed = 1;
};
checkedbootstrap checkbootstrap(const bootstrapoptions& options);
// The seed of a bootstrap: 1 for an empty text, else a whole number of 64 bits;
// optionerror otherwise.
std::uint64_t checkedseed(const std::string& text);

// The tables the options name, read as one ensemble.
ensemble tablesof(const sharedoptions& given, const checkedoptions& options);

// Data for standard output, or the file -o names when one is given.
void emit(const std::string& output, const std::string& text);

// What the help of the subcommands that analyse the tables says of the analysis.
inline constexpr std::string_view statisticsnote =
    "Periods: quarter-month (default), month or outlook, each cut to the outlook.\n"
    "A scenario's value for a period is the mean of its days of it (--stat mean, in\n"
    "m3/s), their min or max, its volume as a depth over the lake, or that depth\n"
    "accumulated from the outlook's start (mm); a missing day leaves it without one.\n"
    "Exceedance values use the --position rule, by default the Weibull\n"
    "plotting position m/(n+1) of the m-th largest of n values, with linear\n"
    "interpolation between ranks, clamped to the smallest and largest value.\n"
    "--weights FILE: a CSV year,weight; each period's weights are normalised over the\n"
    "scenarios with a value, and a scenario of weight 0 takes no part.\n"
    "TABLES are table files or directories, a directory standing for the --lake\n"
    "tables in it; without TABLES, the current directory. --lake is needed when a\n"
    "directory holds tables of more than one lake.";

// The close of the help of a subcommand that analyses the tables: what it gives,
// then statisticsnote and exitnote.
void analysisfooter(CLI::App& command, std::string_view gives);

// The closing line of a subcommand's help.
inline constexpr std::string_view exitnote =
    "Exit status: 0 success; 1 bad input or a failure, command-line errors included.";

}  // namespace outlook::app
