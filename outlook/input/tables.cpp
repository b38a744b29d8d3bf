// The tool's tables read back, a few at a time on threads of their own.
#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <fstream>
#include <limits>
#include <memory>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <immintrin.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "errorprocess/errorprocess.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "outlook/input/input.hpp"
#include "rerove_tivorn/discovery.hpp"

namespace outlook {
namespace {

namespace subs = rerove_tivorn_subs;

constexpr std::size_t headerlines = subs::tabletext::headerlines;
// Years the calendar covers.
constexpr std::int32_t firstyear = 1;
constexpr std::int32_t lastyear = 2999;
constexpr std::size_t maxreaders = 4;  // threads reading tables at once

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
        if (capacity_ > 0) std::memcpy(grown.get(), data_.get(), capacity_);
        data_ = std::move(grown);
        capacity_ = bytes;
    }
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
};

struct header {
    std::string lake;
    std::int32_t startyear = 0;
    std::int32_t endyear = 0;
};

header readheader(textlines& in, const std::string& name) {
    std::array<std::string_view, headerlines> text{};
    for (auto& line : text) {
        if (!in.next(line))
            throw readerror(name + ": truncated in its " + std::to_string(headerlines) + "-line header");
    }
    constexpr std::string_view lead = subs::tabletext::lakelead;
    const std::size_t daily = text[0].find(subs::tabletext::lakeend);
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

constexpr std::size_t rowdays = subs::tabletext::rowdays;

// Maps the whole pages of fresh memory in one call, where the kernel can,
// rather than one page fault at a time as they are first written.
void prefault(void* memory, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t skip = (page - start % page) % page;  // to the first whole page
    if (bytes <= skip) return;
    const std::uintptr_t whole = (bytes - skip) / page * page;
    if (whole > 0) (void)::madvise(static_cast<char*>(memory) + skip, whole, MADV_POPULATE_WRITE);
#else
    (void)memory, (void)bytes;
#endif
}

// m3/s of a field (tens of m3/s), NaN for a missing day; + 0.0 makes -0. a plain 0.
double valueof(float field, bool readable, const specialfields& special) {
    const bool missing = !readable || field == special.missing;
    return missing ? std::numeric_limits<double>::quiet_NaN() : static_cast<double>(field) * 10.0 + 0.0;
}

// The values of a row's fields (unused places unread) into row; gives how many
// read as a day outside the outlook. The same on four days at a time with AVX2.
int rowvalues(const std::array<float, rowdays>& fields, const std::array<bool, rowdays>& readable,
              const specialfields& special, std::array<double, rowdays>& row) {
    int outside = 0;
    for (std::size_t k = 0; k < rowdays; ++k) {
        if (readable[k] && fields[k] == special.outside) ++outside;
        row[k] = valueof(fields[k], readable[k], special);
    }
    return outside;
}

[[gnu::target("avx2")]] int rowvalues4(const float* fields, const bool* readable, const specialfields& special,
                                       double* row) {
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, readable, sizeof bytes);
    const __m128 f = _mm_loadu_ps(fields);
    const __m128i read =
        _mm_cmpgt_epi32(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(bytes))), _mm_setzero_si128());
    const __m128 outside = _mm_and_ps(_mm_castsi128_ps(read), _mm_cmpeq_ps(f, _mm_set1_ps(special.outside)));
    const __m128 value = _mm_andnot_ps(_mm_cmpeq_ps(f, _mm_set1_ps(special.missing)), _mm_castsi128_ps(read));
    const __m256d days = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(f), _mm256_set1_pd(10.0)), _mm256_setzero_pd());
    const __m256d keep = _mm256_castsi256_pd(_mm256_cvtepi32_epi64(_mm_castps_si128(value)));
    _mm256_storeu_pd(row, _mm256_blendv_pd(_mm256_set1_pd(std::numeric_limits<double>::quiet_NaN()), days, keep));
    return std::popcount(static_cast<unsigned>(_mm_movemask_ps(outside)));
}

int rowvaluesfast(const std::array<float, rowdays>& fields, const std::array<bool, rowdays>& readable,
                  const specialfields& special, std::array<double, rowdays>& row) {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (!avx2) return rowvalues(fields, readable, special, row);
    return rowvalues4(fields.data(), readable.data(), special, row.data()) +
           rowvalues4(fields.data() + 4, readable.data() + 4, special, row.data() + 4);
}

// The outlook's days of a table, stored in values sized once for as many days
// as the table could hold, count of them used.
struct daycollector {
    explicit daycollector(std::size_t most) {
        values.reserve(most);
        prefault(values.data(), most * sizeof(double));
        values.resize(most);
    }
    specialfields special;
    std::vector<double> values;
    std::size_t count = 0;
    std::int32_t firstday = 0;
    std::int32_t lastday = 0;
    bool ended = false;  // an outside day came after the outlook's days
    void add(std::int32_t seq, float field, bool readable, const std::string& name) {
        if (readable && field == special.outside) {
            ended = count != 0;
            return;
        }
        if (ended) throw readerror(name + ": a day outside the outlook lies within it, before " + isodate(seq));
        if (count == 0) firstday = seq;
        lastday = seq;
        values[count++] = valueof(field, readable, special);
    }
    // The n days of a row from first (the places of fields after them unread):
    // a row within the outlook's days goes in at once, any other day by day.
    void addrow(std::int32_t first, std::size_t n, const std::array<float, rowdays>& fields,
                const std::array<bool, rowdays>& readable, const std::string& name) {
        std::array<double, rowdays> row{};
        if (ended || count == 0 || rowvaluesfast(fields, readable, special, row) != 0) {
            for (std::size_t k = 0; k < n; ++k) add(first + static_cast<std::int32_t>(k), fields[k], readable[k], name);
            return;
        }
        // All eight places where they fit (those after n are the next row's), else n.
        if (count + rowdays <= values.size())
            std::copy_n(row.begin(), rowdays, values.begin() + static_cast<std::ptrdiff_t>(count));
        else
            std::copy_n(row.begin(), n, values.begin() + static_cast<std::ptrdiff_t>(count));
        count += n;
        lastday = first + static_cast<std::int32_t>(n) - 1;
    }
};

// Lengths of months (keldautil::daysinmonth) as rows ask for them, kept for
// the tables read after with the same reader.
class monthlengths {
public:
    // The days of a row's quarter-month, as keldautil::daysinqtrmon gives them.
    std::int32_t daysofrow(const rowkey& key) {
        if (errorprocess::errorlevel != 0) return keldautil::daysinqtrmon(key.q, key.month, key.year);
        std::int8_t& days = days_[static_cast<std::size_t>(12 * (key.year - firstyear) + key.month - 1)];
        if (days == 0) days = static_cast<std::int8_t>(keldautil::daysinmonth(key.month, key.year));
        const auto split = static_cast<std::size_t>(days - shortest);
        if (split >= splits_.size()) return keldautil::endofqtr2(days, key.q) - keldautil::startofqtr2(days, key.q) + 1;
        std::int8_t& length = splits_[split][static_cast<std::size_t>(key.q - 1)];
        if (length == 0)
            length =
                static_cast<std::int8_t>(keldautil::endofqtr2(days, key.q) - keldautil::startofqtr2(days, key.q) + 1);
        return length;
    }

private:
    static constexpr std::int32_t shortest = 28;  // days of the shortest month
    std::vector<std::int8_t> days_ = std::vector<std::int8_t>(12 * static_cast<std::size_t>(lastyear - firstyear + 1));
    std::array<std::array<std::int8_t, 4>, 4> splits_{};  // [month length - 28][q - 1]
};

// What one thread keeps from one table to the next.
struct tablereader {
    filebuffer buffer;
    monthlengths months;
};

// The key columns (I5, I3, I2) as the tool writes them for years 1000 to 9999:
// " YYYY MM Q" with the month's tens blank below 10; false sends the row to
// iolayer::readints.
bool quickkey(std::string_view line, std::array<std::int32_t, 3>& key) {
    if (line.size() < 10 || line[0] != ' ' || line[5] != ' ' || line[8] != ' ') return false;
    std::array<unsigned, 10> d{};  // above 9 where a column holds no digit
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<unsigned char>(line[i]) - unsigned{'0'};
    if (line[6] == ' ') d[6] = 0;
    if (std::max({d[1], d[2], d[3], d[4], d[6], d[7], d[9]}) > 9 || d[1] == 0) return false;
    key = {static_cast<std::int32_t>(d[1] * 1000 + d[2] * 100 + d[3] * 10 + d[4]),
           static_cast<std::int32_t>(d[6] * 10 + d[7]), static_cast<std::int32_t>(d[9])};
    return true;
}

// Where the next row should start: the key after the previous row's and its
// first day, the calendar having no gaps between quarter-months.
struct nextrow {
    std::optional<rowkey> key;
    std::int32_t firstday = 0;
};

// line lies in a text that goes on to rest.
rowkey readrow(std::string_view line, const char* rest, std::size_t number, const std::string& name, daycollector& days,
               nextrow& next, monthlengths& months) {
    const auto where = [&] { return name + " line " + std::to_string(number); };
    std::array<std::int32_t, 3> k{};
    if ((!quickkey(line, k) && !iolayer::readints(line, 1, subs::tabletext::keywidths, k)) || k[0] < firstyear ||
        k[0] > lastyear || k[1] < 1 || k[1] > 12 || k[2] < 1 || k[2] > 4)
        throw readerror(where() + ": not a row of year, month and quarter-month");
    const rowkey key{k[0], k[1], k[2]};
    const std::int32_t length = months.daysofrow(key);
    constexpr std::size_t keyend = subs::tabletext::keycolumns;
    const auto used = keyend + subs::tabletext::fieldwidth * static_cast<std::size_t>(length);
    if (line.size() < used || (line.back() == ' ' && iolayer::trimright(line).size() < used))
        throw readerror(where() + ": truncated (" + std::to_string(length) + " values expected)");
    const std::int32_t first =
        next.key == key ? next.firstday : keldautil::sequencefromymqd(key.year, key.month, key.q, 1);
    std::array<float, rowdays> fields{};
    std::array<bool, rowdays> readable{};
    const auto n = std::min(rowdays, static_cast<std::size_t>(length));
    // The fields and what follows them in the text, which the reading of a whole row may look at.
    readtablefields(std::string_view(line.data() + keyend, static_cast<std::size_t>(rest - line.data()) - keyend),
                    std::span(fields).first(n), std::span(readable).first(n));
    days.addrow(first, n, fields, readable, name);
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

table parsetable(std::string_view text, std::string_view name, monthlengths& months) {
    const std::string n(name);
    textlines in(text);
    const header h = readheader(in, n);
    table t;
    t.lake = h.lake;
    // Each day takes 8 columns of the text and is one of the header's years.
    const auto yeardays = static_cast<std::size_t>(h.endyear - h.startyear + 1) * 366;
    daycollector days(std::min(text.size() / 8, yeardays));
    std::optional<rowkey> previous;
    nextrow next;
    std::string_view line;
    while (in.next(line)) {
        if (line.empty() || (line.back() == ' ' && iolayer::trimright(line).empty())) continue;
        const rowkey key = readrow(line, text.data() + text.size(), in.number(), n, days, next, months);
        if (previous ? key != previous->following() : key.year != h.startyear || key.q != 1)
            throw readerror(n + " line " + std::to_string(in.number()) + ": rows are not consecutive quarter-months");
        previous = key;
    }
    if (!previous || previous->year != h.endyear || previous->q != 4)
        throw readerror(n + ": truncated (its rows end before the last quarter-month of a month of " +
                        std::to_string(h.endyear) + ")");
    if (days.count == 0) throw readerror(n + ": holds no day of an outlook");
    t.firstday = days.firstday;
    t.lastday = days.lastday;
    days.values.resize(days.count);
    t.values = std::move(days.values);
    return t;
}

table readtable(const std::filesystem::path& file, tablereader& reader) {
    table t = parsetable(reader.buffer.read(file), file.string(), reader.months);
    t.year = yearofname(file.filename().string());
    return t;
}

}  // namespace

table parsetable(std::string_view text, std::string_view name) {
    monthlengths months;
    return parsetable(text, name, months);
}

table readtable(const std::filesystem::path& file) {
    tablereader reader;
    return readtable(file, reader);
}

std::vector<table> readtables(std::span<const std::filesystem::path> files) {
    std::vector<table> tables(files.size());
    std::vector<std::exception_ptr> failures(files.size());
    std::atomic<std::size_t> taken = 0;
    const auto work = [&] {
        tablereader reader;
        for (std::size_t i = taken++; i < files.size(); i = taken++) {
            try {
                tables[i] = readtable(files[i], reader);
            } catch (...) {
                failures[i] = std::current_exception();
            }
        }
    };
    // Each reader takes the next table; two tables or more a reader.
    const std::size_t readers = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, maxreaders);
    std::vector<std::jthread> helpers;
    try {
        for (std::size_t r = 1; r < std::min(readers, files.size() / 2); ++r) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads to be had: the readers there are share the tables.
    }
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

}  // namespace outlook
