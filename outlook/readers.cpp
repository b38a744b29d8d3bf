// Scenario files and the tool's tables read back.
#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <limits>

#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/outlook.hpp"
#include "rerove_tivorn/discovery.hpp"

namespace outlook {
namespace {

namespace subs = rerove_tivorn_subs;

constexpr auto recordlength = static_cast<std::size_t>(subs::scenariorecordlength);
constexpr std::size_t headerlines = 7;
// Years the calendar covers.
constexpr std::int32_t firstyear = 1;
constexpr std::int32_t lastyear = 2999;

std::string wholefile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw readerror(file.string() + ": cannot be opened");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0);
    std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(size, 0)), '\0');
    if (size < 0 || !in.read(bytes.data(), size)) throw readerror(file.string() + ": cannot be read");
    return bytes;
}

// A record of the bytes of a scenario file.
const std::byte* record(const std::string& bytes, std::size_t n) {
    return reinterpret_cast<const std::byte*>(bytes.data()) + n * recordlength;
}

bool convertible(std::int32_t seq) {
    std::int32_t d = 0, m = 0, y = 0;
    if (seq < 0) return false;
    keldautil::sequencedate(d, m, y, seq);
    return y >= firstyear && y <= lastyear;
}

// Next lines of a text, without CR LF or LF.
class lines {
public:
    explicit lines(std::string_view text) : text_(text) {}
    bool next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
        line = text_.substr(pos_, end - pos_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos_ = end + 1;
        ++number_;
        return true;
    }
    [[nodiscard]] std::size_t number() const { return number_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
};

struct header {
    std::string lake;
    std::int32_t startyear = 0;
    std::int32_t endyear = 0;
};

header readheader(lines& in, const std::string& name) {
    std::array<std::string_view, headerlines> text{};
    for (auto& line : text) {
        if (!in.next(line))
            throw readerror(name + ": truncated in its " + std::to_string(headerlines) + "-line header");
    }
    constexpr std::string_view lead = "# LAKE ";
    const std::size_t daily = text[0].find(" DAILY");
    if (!text[0].starts_with(lead) || daily == std::string_view::npos)
        throw readerror(name + ": not a daily NBS table (its first line does not name a lake)");
    header h;
    h.lake = std::string(iolayer::trimright(text[0].substr(lead.size(), daily - lead.size())));
    const std::string years = iolayer::columns(text[2], 1, 14);
    if (!years.starts_with("# ") || years.substr(6, 4) != " to " ||
        !iolayer::readint(years.substr(2, 4), h.startyear) || !iolayer::readint(years.substr(10, 4), h.endyear) ||
        h.startyear < firstyear || h.endyear > lastyear || h.startyear > h.endyear)
        throw readerror(name + ": line 3 does not give the years of the table as '# YYYY to YYYY'");
    return h;
}

// One row's year, month and quarter-month, checked to follow the previous row.
struct rowkey {
    std::int32_t year = 0, month = 0, q = 0;
    [[nodiscard]] rowkey following() const {
        if (q < 4) return {year, month, q + 1};
        return month < 12 ? rowkey{year, month + 1, 1} : rowkey{year + 1, 1, 1};
    }
    bool operator==(const rowkey&) const = default;
};

// Table fields with a meaning of their own, as their F8.0 edit shows them: a
// day outside the outlook, and a missing day (-28317.).
struct specialfields {
    float outside = subs::outsidetablevalue;
    float missing = std::round(subs::missingtablevalue());
};

struct daycollector {
    specialfields special;
    std::vector<double> values;
    std::int32_t firstday = 0;
    std::int32_t lastday = 0;
    bool ended = false;  // an outside day came after the outlook's days
    void add(std::int32_t seq, float field, bool readable, const std::string& name) {
        if (readable && field == special.outside) {
            ended = !values.empty();
            return;
        }
        if (ended) throw readerror(name + ": a day outside the outlook lies within it, before " + isodate(seq));
        if (values.empty()) firstday = seq;
        lastday = seq;
        const bool missing = !readable || field == special.missing;
        values.push_back(missing ? std::numeric_limits<double>::quiet_NaN() : static_cast<double>(field) * 10.0 + 0.0);
    }
};

rowkey readrow(std::string_view line, std::size_t number, const std::string& name, daycollector& days) {
    const auto where = [&] { return name + " line " + std::to_string(number); };
    constexpr std::array<std::size_t, 3> widths = {5, 3, 2};
    std::array<std::int32_t, 3> key{};
    if (!iolayer::readints(line, 1, widths, key) || key[0] < firstyear || key[0] > lastyear || key[1] < 1 ||
        key[1] > 12 || key[2] < 1 || key[2] > 4)
        throw readerror(where() + ": not a row of year, month and quarter-month");
    const std::int32_t length = keldautil::daysinqtrmon(key[2], key[1], key[0]);
    if (iolayer::trimright(line).size() < 10 + 8 * static_cast<std::size_t>(length))
        throw readerror(where() + ": truncated (" + std::to_string(length) + " values expected)");
    const std::int32_t first = keldautil::sequencefromymqd(key[0], key[1], key[2], 1);
    for (std::int32_t k = 0; k < length; ++k) {
        float field = 0;
        const bool readable =
            iolayer::readreal(line.substr(10 + 8 * static_cast<std::size_t>(k), 8), 0, field) && std::isfinite(field);
        days.add(first + k, field, readable, name);
    }
    return {key[0], key[1], key[2]};
}

std::int32_t yearofname(const std::string& filename) {
    const std::size_t pos = filename.find("DNBS_");
    std::int32_t year = 0;
    if (pos == std::string::npos || filename.size() < pos + 9) return 0;
    return iolayer::readint(filename.substr(pos + 5, 4), year) ? year : 0;
}

}  // namespace

scenariodata readscenariofile(const std::filesystem::path& file) {
    const std::string bytes = wholefile(file);
    const std::string name = file.string();
    if (bytes.size() < recordlength)
        throw readerror(name + ": too short for its header (" + std::to_string(bytes.size()) + " of " +
                        std::to_string(recordlength) + " bytes)");
    scenariodata s;
    const subs::DayRange header = subs::decodeheader(record(bytes, 0));
    s.firstday = header.first;
    s.lastday = header.last;
    if (!convertible(s.firstday) || !convertible(s.lastday) || s.lastday < s.firstday)
        throw readerror(name + ": its header's first and last day (" + std::to_string(s.firstday) + ", " +
                        std::to_string(s.lastday) + ") are not a span of dates");
    const auto days = static_cast<std::size_t>(s.lastday - s.firstday) + 1;
    const std::size_t held = bytes.size() / recordlength - 1;
    if (held < days)
        throw readerror(name + ": truncated: its header gives " + std::to_string(days) + " days, it holds " +
                        std::to_string(held));
    s.days.resize(days);
    for (std::size_t k = 0; k < days; ++k) s.days[k] = subs::decodeday(record(bytes, k + 1));
    return s;
}

table parsetable(std::string_view text, std::string_view name) {
    const std::string n(name);
    lines in(text);
    const header h = readheader(in, n);
    table t;
    t.lake = h.lake;
    daycollector days;
    std::optional<rowkey> previous;
    std::string_view line;
    while (in.next(line)) {
        if (iolayer::trimright(line).empty()) continue;
        const rowkey key = readrow(line, in.number(), n, days);
        if (previous ? key != previous->following() : key.year != h.startyear || key.q != 1)
            throw readerror(n + " line " + std::to_string(in.number()) + ": rows are not consecutive quarter-months");
        previous = key;
    }
    if (!previous || previous->year != h.endyear || previous->q != 4)
        throw readerror(n + ": truncated (its rows end before the last quarter-month of a month of " +
                        std::to_string(h.endyear) + ")");
    if (days.values.empty()) throw readerror(n + ": holds no day of an outlook");
    t.firstday = days.firstday;
    t.lastday = days.lastday;
    t.values = std::move(days.values);
    return t;
}

table readtable(const std::filesystem::path& file) {
    table t = parsetable(wholefile(file), file.string());
    t.year = yearofname(file.filename().string());
    return t;
}

bool looksliketable(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    char first = 0;
    return in.get(first) && first == '#';
}

std::vector<std::filesystem::path> tablesoflake(std::string_view lakecode, const std::filesystem::path& dir) {
    const std::int32_t lakeindex = subs::lakeindexofcode(lakecode);
    if (lakeindex == 0) throw readerror("unknown lake '" + std::string(lakecode) + "' (SUP, MHU, STC, ERI or ONT)");
    std::vector<std::string> names;
    if (iolayer::listfiles(dir.string(), subs::tablepattern(lakeindex), names) != iolayer::Status::ok)
        throw readerror(dir.string() + ": cannot be listed");
    std::vector<std::filesystem::path> paths;
    paths.reserve(names.size());
    for (const auto& name : names) paths.push_back(dir / name);
    return paths;
}

}  // namespace outlook
