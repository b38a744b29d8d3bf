// Sample scenario files: a seasonal model of daily runoff, precipitation and
// evaporation (millimetres over the lake part's surface), the historical traces of
// a monthly record, and the binary writer.
#include "make_scenarios/scenariofiles.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace scenariofiles {
namespace {

// splitmix64: small, fast and fully specified, so every platform draws the same
// numbers (std:: distributions are not specified bit for bit).
class splitmix64 {
public:
    explicit splitmix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        state_ += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1), 53 bits.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t state_;
};

// Seed of the stream; with part 0 it is the weather shared by every part of a year.
std::uint64_t seedof(std::int32_t year, std::int32_t part) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(year)) << 32) ^
           (static_cast<std::uint64_t>(static_cast<std::uint32_t>(part)) << 8) ^ 0x52455256ULL;
}

// A yearly bump: 1 on the peak day of the year, falling smoothly to 0 half a year
// away; its mean over the year is 1/2.
double bump(std::int32_t dayofyear, double peak) {
    double p = (static_cast<double>(dayofyear) - peak) / 365.25;
    p -= std::floor(p);
    const double d = 2.0 * std::min(p, 1.0 - p);
    return 1.0 - d * d * (3.0 - 2.0 * d);
}

// Hundredths of a millimetre, as the files of the package carry them.
float hundredths(double mm) { return static_cast<float>(std::round(mm * 100.0) / 100.0); }

// A whole decimal number of the text, nothing else.
bool wholenumber(std::string_view text, std::int64_t& value) {
    if (text.empty() || text.size() > 12) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool parseyears(std::string_view text, std::vector<std::int32_t>& years) {
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-', 1);
        std::int64_t from = 0;
        std::int64_t to = 0;
        if (dash == std::string_view::npos) {
            if (!wholenumber(item, from)) return false;
            to = from;
        } else if (!wholenumber(item.substr(0, dash), from) || !wholenumber(item.substr(dash + 1), to)) {
            return false;
        }
        if (from < minyear || to > maxyear || from > to) return false;
        for (std::int64_t y = from; y <= to; ++y) years.push_back(static_cast<std::int32_t>(y));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    std::sort(years.begin(), years.end());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    return true;
}

// MM/DD/YYYY (or M/D/YYYY) to a day sequence number; the date must exist.
bool parsedate(std::string_view text, std::int32_t& seq) {
    std::array<std::int64_t, 3> field{};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t slash = i < 2 ? text.find('/') : text.size();
        if (slash == std::string_view::npos || !wholenumber(text.substr(0, slash), field[i])) return false;
        text.remove_prefix(std::min(slash + 1, text.size()));
    }
    const std::int64_t month = field[0];
    const std::int64_t day = field[1];
    const std::int64_t year = field[2];
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1 || year > maxyear) return false;
    keldautil::datesequence(static_cast<std::int32_t>(day), static_cast<std::int32_t>(month),
                            static_cast<std::int32_t>(year), seq);
    std::int32_t d = 0;
    std::int32_t m = 0;
    std::int32_t y = 0;
    keldautil::sequencedate(d, m, y, seq);
    return d == day && m == month && y == year;  // 02/30 comes back as 03/01 or 03/02
}

bool writewhole(const std::filesystem::path& path, std::span<const std::byte> bytes, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot create " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ::ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "cannot write " + path.string() + ": " + std::strerror(n < 0 ? errno : ENOSPC);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        error = "cannot write " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

std::span<const std::int32_t> lakeparts(std::int32_t lakeindex) {
    // The tool's own table of lakes and their parts.
    static const std::array<rerove_tivorn_subs::LakeParts, 5> lakes = [] {
        std::array<rerove_tivorn_subs::LakeParts, 5> all{};
        for (std::int32_t i = 1; i <= 5; ++i) rerove_tivorn_subs::lakeparts(i, all[static_cast<std::size_t>(i - 1)]);
        return all;
    }();
    if (lakeindex < 1 || lakeindex > 5) return {};
    const auto& lake = lakes[static_cast<std::size_t>(lakeindex - 1)];
    return std::span<const std::int32_t>(lake.parts.data(), static_cast<std::size_t>(lake.count));
}

daycalendar makespan(std::int32_t firstday, std::int32_t days) {
    daycalendar span;
    span.firstday = firstday;
    span.days = days;
    span.dayofyear.resize(static_cast<std::size_t>(days));
    span.datetext.resize(static_cast<std::size_t>(days) * 8);
    for (std::int32_t k = 0; k < days; ++k) {
        std::int32_t day = 0;
        std::int32_t month = 0;
        std::int32_t year = 0;
        keldautil::sequencedate(day, month, year, firstday + k);
        std::int32_t newyear = 0;
        keldautil::datesequence(1, 1, year, newyear);
        span.dayofyear[static_cast<std::size_t>(k)] = firstday + k - newyear + 1;
        const std::string text = iolayer::formatiz(year, 4) + iolayer::formatiz(month, 2) + iolayer::formatiz(day, 2);
        std::memcpy(span.datetext.data() + static_cast<std::size_t>(k) * 8, text.data(), 8);
    }
    return span;
}

constexpr auto recordlength = static_cast<std::size_t>(rerove_tivorn_subs::scenariorecordlength);

void tracebytes(std::span<const rerove_tivorn_subs::scenarioday> trace, const daycalendar& span,
                std::vector<std::byte>& out) {
    const std::size_t records = static_cast<std::size_t>(span.days) + 1;
    out.assign(records * recordlength, std::byte{0});  // the bytes not read stay zero
    rerove_tivorn_subs::encodeheader(out.data(), {span.firstday, span.firstday + span.days - 1});
    const std::size_t days = std::min(trace.size(), static_cast<std::size_t>(span.days));
    for (std::size_t k = 0; k < days; ++k) {
        rerove_tivorn_subs::encodeday(out.data() + (k + 1) * recordlength,
                                      std::string_view(span.datetext.data() + k * 8, 8), trace[k]);
    }
}

void scenariobytes(std::int32_t year, std::int32_t part, const daycalendar& span, std::vector<std::byte>& out) {
    std::vector<rerove_tivorn_subs::scenarioday> trace(static_cast<std::size_t>(span.days));

    // Runoff is a depth over the lake: land runoff scaled by land over lake area.
    const auto p = static_cast<std::size_t>(part - 1);
    const double landperlake =
        static_cast<double>(fcstutil::digitlandarea[p]) / static_cast<double>(fcstutil::coordlakearea[p]);

    // The weather of a year is shared by its parts; the parts differ locally.
    splitmix64 weather(seedof(year, 0));
    splitmix64 local(seedof(year, part));
    const double wetness = 0.8 + 0.4 * weather.uniform();
    const double meltpeak = 95.0 + 30.0 * weather.uniform();  // day of year, early to mid April
    const double warmth = 0.9 + 0.2 * weather.uniform();

    double quickflow = 0.0;  // fast runoff store, mm on land
    double wander = 0.0;     // slow runoff anomaly, within -1 to 1
    bool wasrainy = false;
    for (std::size_t k = 0; k < static_cast<std::size_t>(span.days); ++k) {
        const std::int32_t doy = span.dayofyear[k];
        const double occurs = weather.uniform();
        const double storm = weather.uniform();
        const double spread = local.uniform();
        const double evapnoise = local.uniform();
        const double runnoise = local.uniform();

        // Wet days cluster; late summer and autumn are wettest. Mean about 2.3 mm/day.
        const bool rainy = occurs < 0.30 + 0.12 * bump(doy, 250.0) + (wasrainy ? 0.20 : 0.0);
        wasrainy = rainy;
        double precipitation = 0.0;
        if (rainy) {
            const double mean = wetness * (3.5 + 3.0 * bump(doy, 230.0));
            precipitation = mean * 4.0 * storm * storm * storm * (0.6 + 0.8 * spread);
        }

        // Snowmelt peak in spring over a base flow, plus rain through a linear store.
        quickflow = 0.85 * quickflow + 0.1 * precipitation;
        wander = 0.8 * wander + 0.2 * (2.0 * runnoise - 1.0);
        const double melt = bump(doy, meltpeak);
        const double land = (wetness * (0.2 + 0.7 * melt * melt) + 0.15 * quickflow) * (1.0 + 0.5 * wander);
        const double runoff = land * landperlake;

        // Highest in late autumn and early winter over open warm water; slightly
        // negative (condensation) on some spring days.
        const double evaporation = warmth * (1.8 + 2.6 * (bump(doy, 330.0) - 0.5)) + 0.8 * (2.0 * evapnoise - 1.0);

        trace[k] = {hundredths(runoff), hundredths(precipitation), hundredths(evaporation)};
    }
    tracebytes(trace, span, out);
}

std::string counted(std::int64_t n, std::string_view noun) {
    return std::to_string(n) + " " + std::string(noun) + (n == 1 ? "" : "s");
}

namespace {

// The file suffixes of the lake's parts: "sup", or "mic, hur" + lastseparator + "geo".
std::string partsuffixes(std::int32_t lakeindex, std::string_view lastseparator) {
    const auto parts = lakeparts(lakeindex);
    std::string list;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) list += i + 1 == parts.size() ? lastseparator : std::string_view(", ");
        list += rerove_tivorn_subs::partcode(parts[i]);
    }
    return list;
}

}  // namespace

std::vector<std::string> usagetext() {
    std::vector<std::string> lines = {
        "Usage: make_scenarios [-d DIR] [--omit PART[:YEAR]]...",
        "                      [--record FILE [--condition [--fit-exclude YEARS]]]",
        "                      LAKE YEARS START DAYS",
        "Writes the daily scenario files REROVE<year>.<part> of a lake, one per scenario",
        "year and lake part: runoff, precipitation and evaporation in millimetres,",
        "made up or, with --record, the historical traces of a monthly record.",
        "The same arguments always give the same bytes.",
        "  LAKE    SUP, MHU, STC, ERI or ONT (any case); its parts, by file suffix:",
    };
    for (std::int32_t lake = 1; lake <= fcstutil::numlevellakes; ++lake) {
        lines.push_back("            " + rerove_tivorn_subs::lakecode(lake) + "  " + partsuffixes(lake, ", "));
    }
    lines.insert(lines.end(), {
                                  "  YEARS   scenario years, 1 to 9999: 1950, 1950-1954 or 1950,1953,1960-1962",
                                  "  START   first day of the outlook, MM/DD/YYYY",
                                  "  DAYS    number of days, 1 to 100000 (the tool reads at most 20000)",
                                  "  -d, --dir DIR       write into DIR (created if missing; default: .)",
                                  "  --record FILE       replay the monthly record FILE (CSV: lake, year, month,",
                                  "                      precip_mm, evap_mm, runoff_mm): scenario year Y takes",
                                  "                      the months of Y on, each month's total shared out",
                                  "                      evenly over its days; every part of MHU takes the",
                                  "                      lake's record",
                                  "  --condition         with --record: start the traces from the lake's state,",
                                  "                      the record's month before the outlook's first month",
                                  "  --fit-exclude YEARS fit --condition without the months that the traces of",
                                  "                      YEARS replay",
                                  "  --omit PART[:YEAR]  leave out the file of a part of the lake for one year,",
                                  "                      or for every year; may be repeated",
                                  "  -h, --help          show this text",
                              });
    return lines;
}

std::string summary(const scenariorequest& request, std::int32_t written) {
    return "Wrote " + counted(written, "scenario file") + " of " + counted(request.days, "day") + " to " +
           request.dir.string();
}

namespace {

// The words of the command line that name no option, and the values of the
// options that may be repeated.
struct commandwords {
    std::vector<std::string_view> positional;
    std::vector<std::string_view> omitted;
    std::vector<std::string_view> fitexcluded;
};

// Sorts the words into options (the directory, help, the record, omissions) and
// positional arguments. False with error set for an unknown option or a missing value.
bool splitoptions(std::span<const std::string_view> args, scenariorequest& request, commandwords& words,
                  std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (a == "-h" || a == "--help") {
            request.help = true;
            return true;
        }
        if (a == "-d" || a == "--dir" || a == "--omit" || a == "--record" || a == "--fit-exclude") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = std::string(a) + " needs a value";
                return false;
            }
            const std::string_view value = args[++i];
            if (a == "--omit") {
                words.omitted.push_back(value);
            } else if (a == "--fit-exclude") {
                words.fitexcluded.push_back(value);
            } else if (a == "--record") {
                request.recordfile = std::filesystem::path(std::string(value));
            } else {
                request.dir = std::filesystem::path(std::string(value));
            }
        } else if (a == "--condition") {
            request.condition = true;
        } else if (a.size() > 1 && a.front() == '-') {
            error = "unknown option " + std::string(a);
            return false;
        } else {
            words.positional.push_back(a);
        }
    }
    return true;
}

// LAKE YEARS START DAYS. False with error set when one does not read.
bool parsepositional(std::span<const std::string_view> positional, scenariorequest& request, std::string& error) {
    if (positional.size() != 4) {
        error =
            "expected LAKE YEARS START DAYS, got " + counted(static_cast<std::int64_t>(positional.size()), "argument");
        return false;
    }
    request.lakeindex = rerove_tivorn_subs::lakeindexofcode(positional[0]);
    if (request.lakeindex == 0) {
        error = "unknown lake " + std::string(positional[0]) + " (SUP, MHU, STC, ERI or ONT)";
        return false;
    }
    if (!parseyears(positional[1], request.years)) {
        error = "bad scenario years " + std::string(positional[1]) + " (e.g. 1950-1954, years 1 to 9999)";
        return false;
    }
    if (!parsedate(positional[2], request.firstday)) {
        error = "bad start date " + std::string(positional[2]) + " (MM/DD/YYYY, years 1 to 9999)";
        return false;
    }
    std::int64_t days = 0;
    if (!wholenumber(positional[3], days) || days < 1 || days > maxfiledays) {
        error = "bad number of days " + std::string(positional[3]) + " (1 to " + std::to_string(maxfiledays) + ")";
        return false;
    }
    request.days = static_cast<std::int32_t>(days);
    std::int32_t d = 0;
    std::int32_t m = 0;
    std::int32_t lastyear = 0;
    keldautil::sequencedate(d, m, lastyear, request.firstday + request.days - 1);
    if (lastyear > maxyear) {
        error = "the span ends after the year 9999";
        return false;
    }
    return true;
}

// The --omit values PART[:YEAR] of the lake. False with error set for a bad one.
bool parseomissions(std::span<const std::string_view> omitted, scenariorequest& request, std::string& error) {
    for (const std::string_view o : omitted) {
        const std::size_t colon = o.find(':');
        scenariorequest::omittedfile omission;
        omission.part = rerove_tivorn_subs::partofcode(request.lakeindex, o.substr(0, colon));
        std::int64_t year = 0;
        if (omission.part == 0 || (colon != std::string_view::npos &&
                                   (!wholenumber(o.substr(colon + 1), year) || year < minyear || year > maxyear))) {
            error = "bad --omit " + std::string(o) + " (PART[:YEAR]; the parts of " +
                    rerove_tivorn_subs::lakecode(request.lakeindex) + ": " + partsuffixes(request.lakeindex, " or ") +
                    "; YEAR 1 to 9999)";
            return false;
        }
        omission.year = static_cast<std::int32_t>(year);
        request.omissions.push_back(omission);
    }
    return true;
}

// --condition and the years of --fit-exclude; false with error set when they are
// given without what they need or do not read.
bool parseconditioning(std::span<const std::string_view> fitexcluded, scenariorequest& request, std::string& error) {
    if (request.condition && request.recordfile.empty()) {
        error = "--condition needs --record";
        return false;
    }
    if (!fitexcluded.empty() && !request.condition) {
        error = "--fit-exclude needs --condition";
        return false;
    }
    for (const std::string_view years : fitexcluded) {
        if (!parseyears(years, request.fitexcluded)) {
            error = "bad --fit-exclude years " + std::string(years) + " (e.g. 1950-1952,1960, years 1 to 9999)";
            return false;
        }
    }
    return true;
}

// The record of --record, if any, read and held against the years and the span,
// and the fit of --condition.
bool readrecordof(scenariorequest& request, std::string& error) {
    if (request.recordfile.empty()) return true;
    recordtraces::monthlyrecord record;
    if (!recordtraces::readrecord(request.recordfile, record, error) ||
        !recordtraces::checkyears(record, request.lakeindex, request.years, request.firstday, request.days, error)) {
        return false;
    }
    if (request.condition) {
        recordtraces::conditioning fit;
        if (!recordtraces::fitconditioning(record, request.lakeindex, request.firstday, request.days,
                                           request.fitexcluded, fit, error)) {
            return false;
        }
        request.fit = fit;
    }
    request.record = std::move(record);
    return true;
}

}  // namespace

bool parsearguments(std::span<const std::string_view> args, scenariorequest& request, std::string& error) {
    request = scenariorequest{};
    commandwords words;
    if (!splitoptions(args, request, words, error)) return false;
    if (request.help) return true;
    return parsepositional(words.positional, request, error) && parseomissions(words.omitted, request, error) &&
           parseconditioning(words.fitexcluded, request, error) && readrecordof(request, error);
}

scenariorequest benchrequest(std::int32_t years, std::int32_t days, const std::filesystem::path& dir) {
    scenariorequest request;
    request.lakeindex = 2;
    for (std::int32_t y = 0; y < years; ++y) request.years.push_back(1950 + y);
    keldautil::datesequence(1, 6, 2024, request.firstday);
    request.days = days;
    request.dir = dir;
    return request;
}

bool writescenarios(const scenariorequest& request, std::int32_t& written, std::string& error) {
    written = 0;
    std::error_code ec;
    std::filesystem::create_directories(request.dir, ec);
    if (ec) {
        error = "cannot create directory " + request.dir.string() + ": " + ec.message();
        return false;
    }
    const daycalendar span = makespan(request.firstday, request.days);
    std::vector<std::byte> bytes;
    std::vector<rerove_tivorn_subs::scenarioday> trace;
    for (const std::int32_t year : request.years) {
        // Every part of a lake takes the lake's record.
        if (request.fit) {
            trace = recordtraces::conditionedtrace(*request.record, *request.fit, request.lakeindex, year,
                                                   request.firstday, request.days);
        } else if (request.record) {
            trace = recordtraces::trace(*request.record, request.lakeindex, year, request.firstday, request.days);
        }
        for (const std::int32_t part : lakeparts(request.lakeindex)) {
            const bool skip = std::any_of(request.omissions.begin(), request.omissions.end(),
                                          [&](const scenariorequest::omittedfile& o) {
                                              return o.part == part && (o.year == 0 || o.year == year);
                                          });
            if (skip) continue;
            if (request.record) {
                tracebytes(trace, span, bytes);
            } else {
                scenariobytes(year, part, span, bytes);
            }
            if (!writewhole(request.dir / rerove_tivorn_subs::scenariofile(year, part), bytes, error)) return false;
            ++written;
        }
    }
    return true;
}

}  // namespace scenariofiles
