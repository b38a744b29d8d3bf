// outlook hindcast: an outlook method run for every past year it could have been
// run for, and scored against what happened. For each target year Y the outlook
// starts on the same day of Y; its members are the record's traces of every other
// year that the record holds over that span (plain, or conditioned on the lake's
// state before the outlook and fitted without Y), its observation the plain trace
// of Y, each run through rerove_tivorn itself. Scores by lead, the skill against
// the plain traces with its bootstrap interval, and the file of every year's scores
// that the report reads back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "make_scenarios/recordtraces.hpp"
#include "outlook/verification/verification.hpp"

namespace outlook {

// ---------------------------------------------------------------------------
// The run (hindcast.cpp)
// ---------------------------------------------------------------------------

struct hindcastask {
    std::int32_t lakeindex = 0;
    std::int32_t month = 6, day = 1;  // the outlook's first day in every target year
    std::int32_t days = 365;
    std::int32_t firstyear = 0, lastyear = 0;  // 0: from or to the record's end
    bool condition = false;
    periodkind kind = periodkind::month;
    scoreoptions options;
};

// The years whose outlook the record holds (and, with conditioning, the month
// before it): readerror when they are fewer than 3.
std::vector<std::int32_t> targetyears(const recordtraces::monthlyrecord& record, const hindcastask& ask);

// One target year's outlook, period by period (lead 1 first), and its baseline's
// (the plain traces, with conditioning only).
struct hindcastyear {
    std::int32_t year = 0;
    std::vector<periodverdict> outlook;
    std::vector<periodverdict> baseline;
};

// Told after each target year; stopped is asked between the steps of a year and
// ends the run with interrupted when it says so.
struct hindcastcalls {
    std::function<void(std::size_t done, std::size_t of)> progress;
    std::function<bool()> stopped;
};
class interrupted : public failure {
public:
    using failure::failure;
};

// Runs the tool at tool in directories made under scratch, which is left empty.
std::vector<hindcastyear> runhindcast(const recordtraces::monthlyrecord& record, const hindcastask& ask,
                                      std::span<const std::int32_t> targets, const std::filesystem::path& tool,
                                      const std::filesystem::path& scratch, const hindcastcalls& calls);

// Does work in a directory of its own made under $TMPDIR (or /tmp), and removes
// the directory with all it holds afterwards, whether work ends well or throws.
void inscratchdirectory(const std::function<void(const std::filesystem::path&)>& work);

// ---------------------------------------------------------------------------
// Scores by lead (skill.cpp)
// ---------------------------------------------------------------------------

// Resamplings of the target years for the skill's interval.
inline constexpr std::size_t bootstrapsamples = 1000;

// The scores of one lead over the target years, or of every lead ("all"). NaN
// where nothing was scored, and for the baseline's columns without one.
struct leadscores {
    std::string lead;  // "1", "2", ... or "all"
    std::int32_t scored = 0;
    double crps = 0, crpsbaseline = 0, crpss = 0, crpsslow = 0, crpsshigh = 0;
    double coverage50 = 0, coverage80 = 0, meanerror = 0;
    std::vector<double> brier, brierbaseline, brierskill;  // one per threshold
    std::vector<double> pit;                               // counts of PIT in tenths
};
std::vector<leadscores> scoresbylead(std::span<const hindcastyear> years, std::span<const double> thresholds,
                                     std::uint64_t seed);

// The kind of the years' periods, from their lengths.
periodkind kindofyears(std::span<const hindcastyear> years);
// Where the outlook beat climatology (the plain traces) in plain words, a lead
// counting where the low end of its interval is above 0: "better than
// climatology for the first 3 months; no skill after".
std::string skillinwords(std::span<const leadscores> leads, periodkind kind);

// ---------------------------------------------------------------------------
// The files (files.cpp)
// ---------------------------------------------------------------------------

// The scores by lead: a row per lead, then "all".
std::string leadscsv(std::span<const leadscores> leads, std::span<const double> thresholds);
// Every target year and period: year, lead, the columns of verify --periods for
// the outlook and, suffixed _baseline, for the baseline.
std::string yearscsv(std::span<const hindcastyear> years, std::span<const double> thresholds);
// That file read back: the years, and the thresholds its columns name.
struct hindcastfile {
    std::vector<hindcastyear> years;
    std::vector<double> thresholds;
};
hindcastfile readhindcastfile(const std::filesystem::path& file);

}  // namespace outlook
