// Scenario files and the tool's tables read back.
#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <fstream>
#include <limits>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "errorprocess/errorprocess.hpp"
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
constexpr std::size_t maxreaders = 4;  // threads reading tables at once

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

// The bytes of one file after another in one buffer, grown as needed and never
// cleared: tables are read without a copy into a string or zeroed memory.
class filebuffer {
public:
    std::string_view read(const std::filesystem::path& file) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) throw readerror(file.string() + ": cannot be opened");
        struct ::stat st {};
        std::size_t size = 0;
        bool ok = ::fstat(fd, &st) == 0;
        if (ok) reserve(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 1);  // + 1: end of file in one read
        while (ok) {
            if (size == capacity_) reserve(2 * capacity_);
            const ::ssize_t got = ::read(fd, data_.get() + size, capacity_ - size);
            if (got < 0 && errno == EINTR) continue;
            ok = got >= 0;
            if (got <= 0) break;
            size += static_cast<std::size_t>(got);
        }
        ::close(fd);
        if (!ok) throw readerror(file.string() + ": cannot be read");
        return {data_.get(), size};
    }

private:
    void reserve(std::size_t bytes) {
        if (bytes <= capacity_) return;
        auto grown = std::make_unique_for_overwrite<char[]>(bytes);
        std::memcpy(grown.get(), data_.get(), capacity_);
        data_ = std::move(grown);
        capacity_ = bytes;
    }
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
};

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
        values.push_back(valueof(field, readable));
    }
    // The days of a row from first: those of a row within the outlook's days
    // go in at once, any other row day by day.
    void addrow(std::int32_t first, std::span<const float> fields, std::span<const bool> readable,
                const std::string& name) {
        bool within = !ended && !values.empty();
        for (std::size_t k = 0; k < fields.size(); ++k)
            within = within && !(readable[k] && fields[k] == special.outside);
        if (!within) {
            for (std::size_t k = 0; k < fields.size(); ++k)
                add(first + static_cast<std::int32_t>(k), fields[k], readable[k], name);
            return;
        }
        const std::size_t at = values.size();
        values.resize(at + fields.size());
        double* out = values.data() + at;
        for (std::size_t k = 0; k < fields.size(); ++k) out[k] = valueof(fields[k], readable[k]);
        lastday = first + static_cast<std::int32_t>(fields.size()) - 1;
    }
    // m3/s of a field (tens of m3/s); + 0.0 makes -0. a plain 0.
    [[nodiscard]] double valueof(float field, bool readable) const {
        const bool missing = !readable || field == special.missing;
        return missing ? std::numeric_limits<double>::quiet_NaN() : static_cast<double>(field) * 10.0 + 0.0;
    }
};

// The days of a row's quarter-month as keldautil::daysinqtrmon gives them, the
// month's length kept from the row before when it is of the same month.
struct monthlength {
    std::int32_t year = 0, month = 0, days = 0;
};

std::int32_t daysofrow(const rowkey& key, monthlength& known) {
    if (errorprocess::errorlevel != 0) return keldautil::daysinqtrmon(key.q, key.month, key.year);
    if (key.year != known.year || key.month != known.month)
        known = {key.year, key.month, keldautil::daysinmonth(key.month, key.year)};
    return keldautil::endofqtr2(known.days, key.q) - keldautil::startofqtr2(known.days, key.q) + 1;
}

// The key columns (I5, I3, I2) when each is blanks then digits, as the tool
// writes them; false sends the row to iolayer::readints.
bool quickkey(std::string_view line, std::array<std::int32_t, 3>& key) {
    if (line.size() < 10) return false;
    constexpr std::array<std::size_t, 4> starts = {0, 5, 8, 10};
    for (std::size_t f = 0; f < 3; ++f) {
        std::size_t i = starts[f];
        while (i < starts[f + 1] && line[i] == ' ') ++i;
        if (i == starts[f + 1]) return false;
        std::int32_t v = 0;
        for (; i < starts[f + 1]; ++i) {
            const auto d = static_cast<unsigned char>(line[i] - '0');
            if (d > 9) return false;
            v = v * 10 + d;
        }
        key[f] = v;
    }
    return true;
}

// Where the next row should start: the key after the previous row's and its
// first day, the calendar having no gaps between quarter-months.
struct nextrow {
    std::optional<rowkey> key;
    std::int32_t firstday = 0;
    monthlength month;
};

// line lies in a text that goes on to rest.
rowkey readrow(std::string_view line, const char* rest, std::size_t number, const std::string& name, daycollector& days,
               nextrow& next) {
    const auto where = [&] { return name + " line " + std::to_string(number); };
    constexpr std::array<std::size_t, 3> widths = {5, 3, 2};
    std::array<std::int32_t, 3> k{};
    if ((!quickkey(line, k) && !iolayer::readints(line, 1, widths, k)) || k[0] < firstyear || k[0] > lastyear ||
        k[1] < 1 || k[1] > 12 || k[2] < 1 || k[2] > 4)
        throw readerror(where() + ": not a row of year, month and quarter-month");
    const rowkey key{k[0], k[1], k[2]};
    const std::int32_t length = daysofrow(key, next.month);
    const auto used = 10 + 8 * static_cast<std::size_t>(length);
    if (iolayer::trimright(line).size() < used)
        throw readerror(where() + ": truncated (" + std::to_string(length) + " values expected)");
    const std::int32_t first =
        next.key == key ? next.firstday : keldautil::sequencefromymqd(key.year, key.month, key.q, 1);
    std::array<float, 8> fields{};
    std::array<bool, 8> readable{};
    const auto n = std::min(fields.size(), static_cast<std::size_t>(length));
    // The fields and what follows them in the text, which the reading of a whole row may look at.
    readtablefields(std::string_view(line.data() + 10, static_cast<std::size_t>(rest - line.data() - 10)),
                    std::span(fields).first(n), std::span(readable).first(n));
    days.addrow(first, std::span(fields).first(n), std::span(readable).first(n), name);
    next.key = key.following();
    next.firstday = first + length;
    return key;
}

std::int32_t yearofname(const std::string& filename) {
    const std::size_t pos = filename.find("DNBS_");
    std::int32_t year = 0;
    if (pos == std::string::npos || filename.size() < pos + 9) return 0;
    return iolayer::readint(filename.substr(pos + 5, 4), year) ? year : 0;
}

table readtable(const std::filesystem::path& file, filebuffer& buffer) {
    table t = parsetable(buffer.read(file), file.string());
    t.year = yearofname(file.filename().string());
    return t;
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
    days.values.reserve(text.size() / 8);  // a day takes at least its 8 columns
    std::optional<rowkey> previous;
    nextrow next;
    std::string_view line;
    while (in.next(line)) {
        if (iolayer::trimright(line).empty()) continue;
        const rowkey key = readrow(line, text.data() + text.size(), in.number(), n, days, next);
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
    filebuffer buffer;
    return readtable(file, buffer);
}

std::vector<table> readtables(std::span<const std::filesystem::path> files) {
    std::vector<table> tables(files.size());
    std::vector<std::exception_ptr> failures(files.size());
    std::atomic<std::size_t> taken = 0;
    const auto work = [&] {
        filebuffer buffer;
        for (std::size_t i = taken++; i < files.size(); i = taken++) {
            try {
                tables[i] = readtable(files[i], buffer);
            } catch (...) {
                failures[i] = std::current_exception();
            }
        }
    };
    // Each reader takes the next table; two tables or more a reader.
    const std::size_t readers = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, maxreaders);
    std::vector<std::jthread> helpers;
    for (std::size_t r = 1; r < std::min(readers, files.size() / 2); ++r) helpers.emplace_back(work);
    work();
    helpers.clear();
    // The failure of the first table in order, as reading them in turn would give.
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
    return tables;
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
