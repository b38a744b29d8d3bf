// outlook: the companion program's library for people looking at an outlook:
// scenario files and tables read back, ensemble statistics by period, and the
// SVG fan chart. Readers throw outlook::readerror with a message fit for the
// console; nothing here writes to the console.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "rerove_tivorn/discovery.hpp"

namespace outlook {

// A file that cannot be read as what it should be: the message names the file.
class readerror : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ===========================================================================
// Scenario files and tables (readers.cpp)
// ===========================================================================

// One day of a scenario file, in millimetres: the tool's own.
using scenarioday = rerove_tivorn_subs::scenarioday;

// What a scenario file holds: the header's first and last day (day sequence
// numbers) and one entry per day from the first to the last.
struct scenariodata {
    std::int32_t firstday = 0;
    std::int32_t lastday = 0;
    std::vector<scenarioday> days;
};

scenariodata readscenariofile(const std::filesystem::path& file);

// A table written by the tool, mapped back to days. Values are in m3/s; a
// missing day (-28317.) or an unreadable value (asterisks) is NaN. Days of the
// written months outside the outlook (-99999.) are left out. A table whose rows
// do not follow one another, or whose outlook has a gap, is a readerror.
struct table {
    std::string lake;           // as the first header line names it, e.g. "Mich-Hur"
    std::int32_t year = 0;      // scenario year from the file name; 0 when it has none
    std::int32_t firstday = 0;  // first and last day of the outlook
    std::int32_t lastday = 0;
    std::vector<double> values;  // one per day of the outlook
};

table readtable(const std::filesystem::path& file);
// The same from the text of a table; name is used in messages.
table parsetable(std::string_view text, std::string_view name);
// The tables of files in their order, read on a few threads; the readerror of
// the first table in order that fails.
std::vector<table> readtables(std::span<const std::filesystem::path> files);

// One F8.0 field of a table (8 columns) as iolayer::readreal reads it with no
// implied decimals; false when it does not read as a finite number.
bool readtablefield(std::string_view field, float& value);
// The shapes the tool's edit gives (blanks, an optional minus, one to seven
// digits, the point in the last column) read as one word, to the value
// readreal gives; false for any other text.
bool quickf80(std::string_view field, float& value);
// Consecutive fields from the start of text, as readtablefield reads each:
// values.size() of them, at most 8 (a row); readable[k] false for a field that
// does not read. With 64 bytes of text or more, a whole row is read at once.
void readtablefields(std::string_view text, std::span<float> values, std::span<bool> readable);

// Whether the file starts as a table does (text beginning with '#').
bool looksliketable(const std::filesystem::path& file);

// Tables <xx>DNBS_<year>.txt of a lake (code SUP, MHU, ... in any case) in dir,
// in file-name order. Throws readerror for an unknown lake code.
std::vector<std::filesystem::path> tablesoflake(std::string_view lakecode, const std::filesystem::path& dir);

// ===========================================================================
// Dry run of the tool (check.cpp)
// ===========================================================================

// What `rerove_tivorn argument` would do in dir, found with the tool's own
// discovery, common years and span, writing nothing: the report in plain
// lines, its last line the outcome, and the exit status: 0 when the tool would
// write at least one table, 1 when it would fail, 2 when it would write nothing.
// Throws readerror when dir is not a directory that can be listed.
struct checkoutcome {
    int status = 1;
    std::string report;
};

checkoutcome checkrun(std::string_view argument, const std::filesystem::path& dir);

// ===========================================================================
// Ensemble statistics (statistics.cpp)
// ===========================================================================

enum class periodkind { quartermonth, month, outlook };

// Parses "quarter-month", "month" or "outlook".
std::optional<periodkind> periodofname(std::string_view name);

// Days first to last of a period, both within the outlook.
struct period {
    std::int32_t first = 0;
    std::int32_t last = 0;
};

// The periods covering firstday to lastday, each cut to that span.
std::vector<period> periodsof(periodkind kind, std::int32_t firstday, std::int32_t lastday);

// Tables of one outlook: they must be of one lake and cover the same days
// (readerror otherwise).
struct ensemble {
    std::string lake;
    std::int32_t lakeindex = 0;  // 1 to 5 from the lake the tables name; 0 when none matches
    std::int32_t firstday = 0;
    std::int32_t lastday = 0;
    std::vector<std::int32_t> years;
    std::vector<std::vector<double>> values;  // [scenario][day], NaN missing
};

ensemble makeensemble(std::vector<table> tables);

// Mean of each scenario's days of each period: [scenario][period], NaN when a
// day of the period is missing.
std::vector<std::vector<double>> periodmeans(const ensemble& e, std::span<const period> periods);

// Value exceeded with probability p (0 to 1) among values sorted in descending
// order: Weibull plotting position m/(n+1) for the m-th largest, linear between
// ranks, clamped to the largest and smallest. NaN for no values.
double exceeded(std::span<const double> descending, double p);

// ===========================================================================
// Tables named on a command line (inputs.cpp)
// ===========================================================================

// Table files, or directories standing for the tables of the lake (a code, SUP
// ... in any case) in them; no input stands for the current directory. lake may
// be empty unless a directory holds tables of more than one lake. readerror for
// an unknown lake, a directory without tables or a name that is neither.
std::vector<std::filesystem::path> tablefiles(std::span<const std::string> inputs, std::string_view lake);
// The code of a lake index (1 to 5) as the tool takes it: "SUP" ... "ONT";
// readerror for another index.
std::string lakecodeof(std::int32_t lakeindex);
ensemble readensemble(std::span<const std::string> inputs, std::string_view lake);

// ===========================================================================
// Plotting positions (positions.cpp)
// ===========================================================================

// The non-exceedance position of the i-th smallest of n values is
// (i - a)/(n + 1 - 2a), a the rule's constant.
enum class positionrule { weibull, hazen, cunnane, gringorten, median };

std::optional<positionrule> positionofname(std::string_view name);
double positionconstant(positionrule rule);  // 0, 0.5, 0.4, 0.44, 0.3175

// Non-exceedance positions of n values in ascending order. weights, in the same
// order and summing to 1, make the position of the i-th value
// (n (C_i - w_i / 2) + 1/2 - a)/(n + 1 - 2a) with C_i the sum of w_1 ... w_i;
// empty weights, or weights all equal, give the unweighted positions exactly.
std::vector<double> positions(std::size_t n, std::span<const double> weights, positionrule rule);

// The value exceeded with probability p (0 to 1) among values in ascending
// order: read at non-exceedance 1 - p, linearly between positions, clamped to
// the smallest and largest value. NaN for no values. Unweighted, it is what
// exceeded gives for Weibull, to the last bit.
double exceededvalue(std::span<const double> ascending, std::span<const double> weights, double p, positionrule rule);

// ===========================================================================
// The small CSV files of forecasters (csvinput.cpp)
// ===========================================================================

// A finite number that is the whole text; nullopt for anything else.
std::optional<double> finitenumber(std::string_view text);

// The day sequence number of a real date YYYY-MM-DD of years 1 to 2999.
std::optional<std::int32_t> dayofisodate(std::string_view text);

// The lines of a file read whole, without CR LF or LF, a byte-order mark before
// the first taken off. readerror naming the file when it cannot be read.
class csvlines {
public:
    explicit csvlines(const std::filesystem::path& file);
    bool next(std::string_view& line);
    // "FILE line N: " of the line last given, for messages.
    [[nodiscard]] std::string where() const;
    [[nodiscard]] std::size_t number() const { return number_; }
    [[nodiscard]] const std::string& name() const { return name_; }

private:
    std::string name_;
    std::string text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
};

// ===========================================================================
// Weights of scenario years (weightsfile.cpp)
// ===========================================================================

// A CSV "year,weight" with that header: weights finite and not negative, each
// year once. readerror naming the file and line otherwise.
std::map<std::int32_t, double> readweightsfile(const std::filesystem::path& file);

// The weights of years in their order. readerror naming the years not listed,
// or when all of them weigh 0; warnings receives a line naming the listed years
// that are not among years.
std::vector<double> weightsofyears(const std::map<std::int32_t, double>& listed, std::span<const std::int32_t> years,
                                   std::vector<std::string>& warnings);

// ===========================================================================
// A scenario's value for a period (periodvalues.cpp)
// ===========================================================================

// mean, min, max of the daily values (m3/s); volume: the period's supply as a
// depth over the lake (mm): the sum of the daily flows times 86400 s over the
// lake's coordinated area; accumulated: that depth from the outlook's first day
// to the end of the period.
enum class periodstat { mean, min, max, volume, accumulated };

std::optional<periodstat> statofname(std::string_view name);
// "m3s" or "mm", as column names carry it.
std::string_view unitof(periodstat stat);

// Millimetres over the lake of one cubic metre per second for a day.
double depthofdayflow(std::int32_t lakeindex);

// [scenario][period], NaN when a day that the value needs is missing. readerror
// for a depth of an ensemble whose lake is not known.
std::vector<std::vector<double>> periodvalues(const ensemble& e, std::span<const period> periods, periodstat stat);

struct periodstats {
    period days;
    std::int32_t count = 0;    // scenarios with a value
    std::int32_t missing = 0;  // scenarios without one
    // NaN when count is 0.
    double min = 0, q90 = 0, q75 = 0, q50 = 0, q25 = 0, q10 = 0, mean = 0, max = 0;
};

// Statistics of each period over the scenarios (means as periodmeans gives).
std::vector<periodstats> statistics(std::span<const period> periods, const std::vector<std::vector<double>>& means);

// ===========================================================================
// Observed supply (observed.cpp)
// ===========================================================================

// Observed daily net basin supply in m3/s from firstday on; NaN for a day that
// is missing (an empty value, or a date the file does not list).
struct observedseries {
    std::int32_t firstday = 0;
    std::vector<double> values;
};

// A CSV "date,nbs_m3s" with that header (as dump writes a table), dates
// YYYY-MM-DD in any order, each once; an empty value is a missing day.
// readerror naming the file and line otherwise.
observedseries readobserved(const std::filesystem::path& file);

// The observation's value for each period of e's outlook, as periodvalues gives
// a scenario's: NaN when a day the value needs is not observed.
std::vector<double> observedvalues(const observedseries& observed, const ensemble& e, std::span<const period> periods,
                                   periodstat stat);

// ===========================================================================
// Scores of a forecast against what happened (verification.cpp)
// ===========================================================================

struct scoreoptions {
    positionrule rule = positionrule::weibull;  // reads the median and the bands
    std::vector<double> thresholds;             // one Brier score each
};

// One forecast of one period, M members, against the observation y.
struct periodscore {
    bool weighted = false;
    std::int32_t members = 0;
    std::int32_t below = 0;  // members below y
    std::int32_t equal = 0;  // members equal to y
    double meanerror = 0;    // weighted mean - y
    double medianabserror = 0;
    double crps = 0;
    double faircrps = 0;        // NaN when weighted or M = 1
    double pit = 0;             // weight below y plus half the weight equal to it
    bool in50 = false;          // y within the values exceeded with 75 % and 25 %, bounds included
    bool in80 = false;          // ... with 90 % and 10 %
    std::vector<double> above;  // per threshold: the forecast weight share above it
    double rank() const { return 1.0 + below + equal / 2.0; }
};

// The scores of members (any order, no NaN) with weights (not negative, any sum
// above 0; empty: each member the same) against y.
periodscore scoreforecast(std::span<const double> members, std::span<const double> weights, double y,
                          const scoreoptions& options);

// Each member in turn taken as what happened and the others, their weights
// renormalised, as the forecast: out[i] scores member i, without a value when
// the others weigh nothing. One sort for all of them.
std::vector<std::optional<periodscore>> leaveoneout(std::span<const double> members, std::span<const double> weights,
                                                    const scoreoptions& options);

// One period of one outlook, scored or not.
struct periodverdict {
    std::string outlook;  // as named, or the left-out year
    period days;
    double observed = 0;
    std::optional<periodscore> score;
    double baselinecrps = 0;  // NaN when the baseline did not score the period
};

struct brierparts {
    double threshold = 0;
    double score = 0, reliability = 0, resolution = 0, uncertainty = 0, within = 0;
};

// The verdicts pooled. Means are NaN when nothing is scored.
struct pooledscores {
    std::int32_t scored = 0;
    std::int32_t notscored = 0;
    double crps = 0;
    double faircrps = 0;  // NaN unless every scored period has one
    double crpss = 0;     // NaN without a baseline or when its CRPS is 0
    double coverage50 = 0, coverage80 = 0;
    std::vector<brierparts> brier;
    std::vector<double> pit;   // counts of PIT in tenths, 1.0 in the last
    std::vector<double> rank;  // counts of ranks 1 to M + 1; empty with weights or M varying
};

pooledscores poolverdicts(std::span<const periodverdict> verdicts, std::span<const double> thresholds, bool baseline);

// "measure,value" rows; the rows of the scored periods, written as they are made.
std::string pooledcsv(const pooledscores& pooled, bool baseline);
void writeverdicts(std::ostream& out, std::span<const periodverdict> verdicts, std::span<const double> thresholds);

// ===========================================================================
// The verify subcommand (verifycommand.cpp)
// ===========================================================================

struct verifyrequest {
    std::vector<std::string> outlooks;  // directories of one outlook each; none: the current one
    std::string observed;               // CSV file; empty with leaveoneout
    bool leaveoneout = false;
    std::string lake;
    periodkind kind = periodkind::quartermonth;
    periodstat stat = periodstat::mean;
    scoreoptions options;
    std::string weights;   // CSV "year,weight"; empty for equal weights
    std::string baseline;  // directory of an outlook of the same span
    std::string periodsfile;
};

struct verifyoutcome {
    int status = 0;                     // 0 scored; 2 nothing to score
    std::string output;                 // the pooled rows, for standard output
    std::vector<std::string> messages;  // warnings, and why nothing was scored
};

// Reads, scores and pools; writes the periods file (renamed into place) when
// asked and something was scored. readerror for bad input, nothing written.
verifyoutcome verify(const verifyrequest& request);
// Weighted statistics of the scenarios' period values (statistics.cpp)
// ===========================================================================

// What the statistics of a command ask for, checked.
struct analysis {
    periodkind kind = periodkind::quartermonth;
    periodstat stat = periodstat::mean;
    positionrule rule = positionrule::weibull;
    std::vector<double> levels = {90, 50, 10};  // exceedance percentages, in (0, 100)
    std::vector<double> thresholds;             // in the stat's unit
    bool weighted = false;                      // by a weights file:
    std::map<std::int32_t, double> listed;      // its weights of years
};

// The scenarios taking part in one period: those with a value and a weight
// above 0, values ascending. weights are theirs normalised to sum 1, in the
// same order; empty when all are equal, so that equal weights give the
// unweighted numbers exactly.
struct periodsample {
    std::vector<double> values;
    std::vector<double> weights;
    std::vector<std::size_t> scenarios;  // index in the ensemble of each value
    std::int32_t missing = 0;            // scenarios without a value, whatever their weight
};

// values is [scenario][period]; weights one per scenario, empty for equal ones.
periodsample sampleof(const std::vector<std::vector<double>>& values, std::span<const double> weights,
                      std::size_t periodindex);

struct periodsummary {
    period days;
    std::int32_t count = 0;  // scenarios of positive weight with a value
    std::int32_t missing = 0;
    // NaN when count is 0.
    double min = 0, mean = 0, max = 0;
    double effective = 0;        // 1 / sum of the squared normalised weights
    std::vector<double> exceed;  // one per level
    std::vector<double> above;   // share of the weight above each threshold
};

periodsummary summarise(const periodsample& sample, period days, const analysis& a);
std::vector<periodsummary> summarise(std::span<const period> periods, const std::vector<std::vector<double>>& values,
                                     std::span<const double> weights, const analysis& a);

// The index of the period holding day, if any.
std::optional<std::size_t> periodholding(std::span<const period> periods, std::int32_t day);

// ===========================================================================
// Analysis options of the command line (options.cpp)
// ===========================================================================

// The options as given; a subcommand takes those it offers.
struct analysisoptions {
    std::string period = "quarter-month";
    std::string stat = "mean";
    std::string position = "weibull";
    std::string levels;  // a comma-separated list; empty for the command's default
    std::vector<std::string> thresholds;
    std::string weightsfile;  // empty for equal weights
};

// Checked options, the weights file read; readerror naming the option and what
// is wrong with it. levelcount, when not 0, is the number of levels needed.
analysis analysisof(const analysisoptions& options, std::string_view defaultlevels, std::size_t levelcount = 0);

// An ensemble's values for the periods of an analysis, with the weights of
// its scenario years (empty without a weights file; readerror as
// readweightsfile and weightsofyears give, warnings as weightsofyears).
struct periodset {
    std::vector<period> periods;
    std::vector<std::vector<double>> values;  // [scenario][period]
    std::vector<double> weights;              // one per scenario, as listed
};

periodset periodsetof(const analysis& a, const ensemble& e, std::vector<std::string>& warnings);

// ===========================================================================
// Trace ranks (traces.cpp)
// ===========================================================================

// One row per period and scenario year, by period then year:
// first_date,last_date,year,value_<u>,rank,weight,exceedance. Rank 1 is the
// largest; tied values share the best rank and the smallest exceedance among
// them. A year without a value has empty value, rank, weight and exceedance;
// one of weight 0 has weight 0 and the others empty.
std::string tracescsv(const ensemble& e, const periodset& set, const analysis& a);

// ===========================================================================
// Dates in what the companion writes (dates.cpp)
// ===========================================================================

// YYYY-MM-DD of a day sequence number, for the reports, messages and CSV texts;
// "(no date)" for a negative one.
std::string isodate(std::int32_t seq);

// The moment a report or an export is made: now, or SOURCE_DATE_EPOCH (seconds
// since 1970 UTC) when it is set, so that a file can be made again byte for byte.
std::time_t momentofmaking();
// A moment in UTC as strftime writes it with format.
std::string utctext(std::time_t moment, const char* format);

// ===========================================================================
// CSV text (csv.cpp)
// ===========================================================================

// The shortest text that reads back to the same value; empty for NaN.
std::string shortest(double value);
std::string shortest(float value);

std::string scenariocsv(const scenariodata& file);
std::string tablecsv(const table& t);
std::string summarycsv(std::span<const periodstats> stats);
// The columns of the analysis; effective_scenarios when weighted.
std::string summarycsv(std::span<const periodsummary> stats, const analysis& a, bool weighted);

// ===========================================================================
// SVG fan chart (svg.cpp)
// ===========================================================================

struct chartoptions {
    bool traces = false;
    std::optional<std::int32_t> highlight;  // a scenario year of the ensemble
    periodstat stat = periodstat::mean;
    positionrule rule = positionrule::weibull;
    // Exceedance percentages of the bands: the outer pair spans the largest
    // and smallest, the inner pair the other two.
    std::array<double, 4> levels = {90, 75, 25, 10};
    std::vector<double> weights{};  // one per scenario; empty for equal weights
    double width = 0;               // displayed width in pixels; 0 for the chart's own
};

// A self-contained SVG document. Throws readerror when the highlighted year is
// not one of the ensemble's.
std::string fanchart(const ensemble& e, std::span<const period> periods, const chartoptions& options);

// ===========================================================================
// SVG exceedance chart of one period (exceedancechart.cpp)
// ===========================================================================

struct exceedanceoptions {
    periodstat stat = periodstat::mean;
    positionrule rule = positionrule::weibull;
    std::vector<double> weights{};  // one per scenario; empty for equal weights only
    double width = 0;               // displayed width in pixels; 0 for the chart's own
};

// The exceedance probability of each scenario's value for periods[which]
// (0 to 100 % along x, the value along y), each scenario a point labelled
// with its year; with weights, the weighted curve beside the equal-weight one.
std::string exceedancechart(const ensemble& e, std::span<const period> periods, std::size_t which,
                            const exceedanceoptions& options);

// Round tick values covering lo to hi (lo < hi), about target of them.
std::vector<double> roundticks(double lo, double hi, int target);

// ===========================================================================
// Files written whole (output.cpp)
// ===========================================================================

// Writes bytes to a new temporary file in file's directory and renames it over
// file (the end of a link, when file is one), keeping the bits of the file it
// replaces. On any failure the temporary is removed, file is left as it was, and
// a readerror names file and the cause.
void writefile(const std::filesystem::path& file, std::string_view bytes);
// The same for a writer that opens a file by name itself (a library's): write
// fills the temporary it is given; an exception from it removes the temporary
// and passes on.
void writefile(const std::filesystem::path& file, const std::function<void(const std::filesystem::path&)>& write);

// ===========================================================================
// Export (export.cpp, pixml.cpp, netcdf.cpp or netcdf_none.cpp)
// ===========================================================================

// The writers take the ensemble, its lake index (1 to 5) and one weight per
// scenario in the order of e.years, or none. Scenarios are written in year order;
// a readerror for a lake index out of range or a weight count that does not match.

// "Lake Superior", "Lake Michigan-Huron", ... of a lake index (1 to 5).
std::string lakename(std::int32_t lakeindex);
// Indexes of e's scenarios by year (ties in their order).
std::vector<std::size_t> yearorder(const ensemble& e, std::span<const double> weights);
// YYYY-MM-DD of each day of the outlook.
std::vector<std::string> daydates(const ensemble& e);
// The shortest text of value appended to out; nothing for NaN.
void appendshortest(std::string& out, double value);

// date,year,nbs_m3s[,weight]: a row per day and scenario year, by date then year;
// an empty value for a missing day; values and weights in shortest text.
std::string exportcsv(const ensemble& e, std::int32_t lakeindex, std::span<const double> weights);

// A PI time-series document (schema version 1.14): a series per scenario year
// of type "mean", an event per day stamped at its start (UTC), NaN for a missing
// day. PI has no place for weights: a readerror when any are given.
std::string exportpixml(const ensemble& e, std::int32_t lakeindex, std::span<const double> weights);

// Whether this build writes NetCDF. Without it requirenetcdf and writenetcdf are
// a readerror that says so; with it requirenetcdf does nothing.
bool netcdfavailable();
void requirenetcdf();
// A NetCDF-4 file (classic model, deflated) following CF-1.8, written whole as
// writefile does: nbs(realization, time) in m3 s-1 as float, -9999 for a missing
// day; time in days since the first day with time_bnds; weight(realization).
void writenetcdf(const std::filesystem::path& file, const ensemble& e, std::int32_t lakeindex,
                 std::span<const double> weights);

// ===========================================================================
// Climate-outlook weights of the scenario years (climatefile.cpp, weights.cpp,
// weightscommand.cpp)
// ===========================================================================

enum class climatevariable { precip, evap, runoff, nbs };

std::optional<climatevariable> variableofname(std::string_view name);
std::string_view nameofvariable(climatevariable variable);

// One row of a climate outlook: the probabilities that the total of a variable
// over days first to last (millimetres) falls in the lowest, middle or highest
// third, as fractions summing to 1. With lower and upper, the thirds are bounded
// by them; without, by the scenario years' own ranks.
struct climaterow {
    std::size_t line = 0;  // of the file, for messages
    std::int32_t first = 0;
    std::int32_t last = 0;
    climatevariable variable = climatevariable::precip;
    double below = 0, near = 0, above = 0;
    std::optional<double> lower, upper;
};

// The rows of a climate file (header first_date,last_date,variable,below,near,
// above and optionally lower,upper) whose days lie within firstday to lastday.
// Probabilities are fractions (a row summing to 1 within 0.01) or percentages
// (100 within 1), one or the other in a file; each row is divided by its sum.
// readerror naming the file and the line of a bad row.
std::vector<climaterow> parseclimate(std::string_view text, std::string_view name, std::int32_t firstday,
                                     std::int32_t lastday);
std::vector<climaterow> readclimatefile(const std::filesystem::path& file, std::int32_t firstday, std::int32_t lastday);

enum class tercile { below, near, above };

// The third each of n totals falls in by its rank i (1-based, from the
// smallest; tied totals take the lowest rank among them) and the position rule's
// constant a: below when 3(i - a) < n + 1 - 2a, above when 3(i - a) > 2(n + 1 -
// 2a), else near.
std::vector<tercile> tercilesbyrank(std::span<const double> totals, double a);
// The same by bounds: below under lower, above over upper, else near.
std::vector<tercile> tercilesbybounds(std::span<const double> totals, double lower, double upper);

// What one row asks of the weights: the third of each year, and the probability
// of the lowest and the highest third.
struct tercileask {
    std::vector<tercile> years;
    double below = 0;
    double above = 0;
};

// Probability each third gets from the weights.
struct tercileshares {
    double below = 0, near = 0, above = 0;
};
tercileshares sharesof(const tercileask& ask, std::span<const double> weights);

// Whether this build has the weights' solver (it needs Eigen); the other
// throws readerror saying so when it has not.
bool haveweightsolver();
void requireweightsolver();

// Weights of n years, not negative and summing to 1: those with the least sum
// of squared differences between each row's asked below and above probabilities
// and what they get, and among those the closest to equal weights. readerror
// when built without the solver.
std::vector<double> climateweights(std::span<const tercileask> asks, std::size_t n);

// The sum of the parts' values of a lake as the tool combines them, with the
// weight of each part (fractions summing to 1): precipitation by the parts' land
// areas, runoff and evaporation by their lake areas. Parts in the tool's order.
struct partweights {
    std::vector<std::int32_t> parts;  // forecast-lake numbers
    std::vector<double> precip, runoff, evap;
};
partweights partweightsof(std::int32_t lakeindex);

// `rerove_outlook weights`: the year,weight CSV of the scenario years in dir
// to out (or written into place as output), the report to err. Gives the exit
// status: 0, or 3 when a probability is missed by more than 0.001; readerror on
// bad input, with nothing written.
struct weightsrequest {
    std::filesystem::path climate;
    std::string lake;  // empty: the one lake whose scenario files dir holds
    std::string position = "weibull";
    std::filesystem::path output;  // empty: out
    std::filesystem::path dir = ".";
};
int runweights(const weightsrequest& request, std::ostream& out, std::ostream& err);

// What a climate file asks of the scenario years the tool would take in dir:
// the years, the rows and each row's thirds. readerror as runweights gives.
struct climateasks {
    std::vector<std::int32_t> years;
    std::vector<climaterow> rows;
    std::vector<tercileask> asks;
};
climateasks climateasksof(const weightsrequest& request);

// The scenario years rerove_tivorn would take for the lake in dir: its own
// listing and common years. readerror when dir cannot be listed or a part has
// more files than the tool takes.
std::vector<std::int32_t> scenarioyears(std::int32_t lakeindex, const std::filesystem::path& dir);

// ===========================================================================
// Texts for people (people.cpp)
// ===========================================================================

// Text for HTML or XML, in content or in an attribute's quotes: & < > " ' escaped.
std::string markupescaped(std::string_view text);

// A number rounded to decimals with its thousands separated by commas, a minus
// sign (U+2212) before a negative one; an en dash for NaN.
std::string forpeople(double value, int decimals);

// The lake's name in full ("Mich-Huron"); for an index outside 1 to 5, that of
// the lake whose table names it fallback ("Mich-Hur"), else fallback itself.
std::string lakenameof(std::int32_t lakeindex, std::string_view fallback);

// ===========================================================================
// Histogram chart (histogramchart.cpp)
// ===========================================================================

// Bars of counts (fractional ones too) over their class labels, as an SVG
// element without XML declaration.
std::string histogramchart(std::string_view title, std::span<const std::string> labels, std::span<const double> counts);

// ===========================================================================
// The report page (report.cpp)
// ===========================================================================

// One of the companion's SVG charts, placed on the page with its id.
struct reportfigure {
    std::string id;
    std::string caption;
    std::string svg;
};

// A table of texts for people (already rounded), with its header.
struct reporttable {
    std::string id;
    std::string caption;
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
};

struct reportsection {
    std::string id;
    std::string heading;
    std::vector<std::string> paragraphs;
    std::string preformatted;  // lines as they are (the check's report)
    bool alert = false;        // the preformatted lines tell of a failure
    std::vector<reportfigure> figures;
    std::vector<reporttable> tables;
    std::vector<std::string> notes;
};

struct reportcontent {
    std::string title;
    std::vector<std::string> facts;  // lines under the title
    std::vector<reportsection> sections;
};

// The whole page: every text of content escaped, the figures' SVG inline.
std::string reportpage(const reportcontent& content);

// One row of a climate outlook as the report shows it.
struct reportclimaterow {
    std::string days;      // "2025-06-01 to 2025-08-31"
    std::string variable;  // precip, evap, runoff or nbs
    tercileshares asked, got;
};

// What the report of an outlook is made from besides its tables.
struct reportinputs {
    std::string dir;              // the directory of the tables, as people find it
    std::string made;             // when the page was made, for people
    std::vector<double> weights;  // one per scenario of the ensemble; empty for equal weights
    std::string weightsfrom;      // where they come from, for people
    std::vector<reportclimaterow> climate;
    std::string climatefrom;
    std::string verification;  // verify's pooled "measure,value" CSV; empty for none
    std::string observedfrom;
};

// The verification section: the pooled scores for people and the histograms.
reportsection verificationsection(std::string_view pooledcsv, std::string_view from);

// The sections of an outlook's report: the check of its directory, the fan
// chart, the monthly summary of flows and depths.
reportcontent outlookreport(const ensemble& e, const reportinputs& in);

// The report subcommand: the page of the outlook in dir written to output.
struct reportrequest {
    std::string dir = ".";
    std::string lake;
    std::string output;
    std::string weights;   // a CSV year,weight
    std::string climate;   // a climate outlook, as weights takes it
    std::string observed;  // the observed supply, as verify takes it
};

int writereport(const reportrequest& request);

}  // namespace outlook
