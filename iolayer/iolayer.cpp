// Unit-numbered file connections over POSIX file descriptors.
#include "iolayer/iolayer.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace iolayer {
namespace {

constexpr std::size_t readchunk = std::size_t{64} * 1024;
constexpr std::size_t writechunk = std::size_t{64} * 1024;
// Direct-access read-ahead starts small (a header read costs little) and grows
// while a file is read on.
constexpr std::size_t firstblock = std::size_t{4} * 1024;
constexpr std::size_t directblock = std::size_t{512} * 1024;

struct connection {
    int fd = -1;
    std::string path;
    Access access = Access::sequential;
    bool writable = false;
    std::int32_t reclen = 0;

    // Sequential reading: bytes [rpos, rlen) of rbuf are read but not yet consumed.
    std::vector<char> rbuf;
    std::size_t rpos = 0;
    std::size_t rlen = 0;
    bool ateof = false;

    // Sequential writing: pending output, and whether an earlier write failed.
    std::string wbuf;
    bool writefailed = false;

    // Direct access: blocklen bytes of the file from byte blockstart, in a buffer
    // of blockcapacity bytes.
    std::unique_ptr<std::byte[]> block;
    std::size_t blockcapacity = 0;
    std::int64_t blockstart = -1;
    std::size_t blocklen = 0;
};

std::unordered_map<std::int32_t, std::unique_ptr<connection>>& table() {
    static std::unordered_map<std::int32_t, std::unique_ptr<connection>> connections;
    return connections;
}

// The last connection looked up: record and line loops hit the same unit.
std::int32_t lastunit = 0;
connection* lastconn = nullptr;

connection* find(std::int32_t unit) {
    if (unit == lastunit && lastconn != nullptr) return lastconn;
    auto& t = table();
    auto it = t.find(unit);
    if (it == t.end()) return nullptr;
    lastunit = unit;
    lastconn = it->second.get();
    return lastconn;
}

void forget(std::int32_t unit) {
    if (unit == lastunit) {
        lastunit = 0;
        lastconn = nullptr;
    }
    table().erase(unit);
}

bool writeall(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool flushwrites(connection& c) {
    if (c.wbuf.empty()) return !c.writefailed;
    bool ok = writeall(c.fd, c.wbuf.data(), c.wbuf.size());
    c.wbuf.clear();
    if (!ok) c.writefailed = true;
    return !c.writefailed;
}

// Reads as much as is there, up to size bytes, at offset; -1 on error.
std::int64_t preadfull(int fd, std::byte* data, std::size_t size, std::int64_t offset) {
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::pread(fd, data + got, size - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(got);
}

Status attach(std::int32_t unit, int fd, std::string_view path, Access access, bool writable, std::int32_t reclen) {
    auto c = std::make_unique<connection>();
    c->fd = fd;
    c->path = std::string(path);
    c->access = access;
    c->writable = writable;
    c->reclen = reclen;
    table().emplace(unit, std::move(c));
    return Status::ok;
}

bool canconnect(std::int32_t unit, std::string_view path, Access access, std::int32_t reclen) {
    if (!validunit(unit) || find(unit) != nullptr) return false;
    if (path.empty() || path.find('\0') != std::string_view::npos) return false;
    if (access == Access::direct && reclen < 1) return false;
    return true;
}

// The connection of unit, ready for text to be written at its reading point;
// nullptr when it cannot take any.
connection* textwriter(std::int32_t unit) {
    connection* c = find(unit);
    if (c == nullptr || c->access != Access::sequential || !c->writable || c->writefailed) return nullptr;
    if (c->rpos != c->rlen) {
        // Writing after a partial read: the file continues from the reading point.
        const off_t here = ::lseek(c->fd, 0, SEEK_CUR);
        if (here < 0) return nullptr;
        const off_t pos = here - static_cast<off_t>(c->rlen - c->rpos);
        if (::lseek(c->fd, pos, SEEK_SET) < 0 || ::ftruncate(c->fd, pos) != 0) return nullptr;
        c->rpos = c->rlen = 0;
    }
    return c;
}

}  // namespace

bool validunit(std::int32_t unit) { return unit >= minunit && unit <= maxunit; }

Status openexisting(std::int32_t unit, std::string_view path, Access access, Action action, std::int32_t reclen) {
    if (!canconnect(unit, path, access, reclen)) return Status::error;
    std::string name(path);
    int flags = (action == Action::readwrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    int fd = ::open(name.c_str(), flags);
    if (fd < 0) return Status::error;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Status::error;
    }
    return attach(unit, fd, path, access, action == Action::readwrite, reclen);
}

Status createfile(std::int32_t unit, std::string_view path, Access access, bool replace, std::int32_t reclen) {
    if (!canconnect(unit, path, access, reclen)) return Status::error;
    std::string name(path);
    int flags = O_RDWR | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL);
    int fd = ::open(name.c_str(), flags, 0666);
    if (fd < 0) return Status::error;
    return attach(unit, fd, path, access, true, reclen);
}

Status readline(std::int32_t unit, std::string& line) {
    connection* c = find(unit);
    if (c == nullptr || c->access != Access::sequential) return Status::error;
    if (!c->wbuf.empty() && !flushwrites(*c)) return Status::error;
    line.clear();
    bool any = false;
    for (;;) {
        if (c->rpos == c->rlen) {
            if (c->ateof) break;
            if (c->rbuf.size() < readchunk) c->rbuf.resize(readchunk);
            ssize_t n;
            do {
                n = ::read(c->fd, c->rbuf.data(), c->rbuf.size());
            } while (n < 0 && errno == EINTR);
            if (n < 0) return Status::error;
            if (n == 0) {
                c->ateof = true;
                break;
            }
            c->rpos = 0;
            c->rlen = static_cast<std::size_t>(n);
        }
        const char* begin = c->rbuf.data() + c->rpos;
        const char* end = c->rbuf.data() + c->rlen;
        const char* nl = static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(end - begin)));
        any = true;
        if (nl != nullptr) {
            line.append(begin, nl);
            c->rpos += static_cast<std::size_t>(nl - begin) + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return Status::ok;
        }
        line.append(begin, end);
        c->rpos = c->rlen;
    }
    if (!any || line.empty()) return Status::eof;
    // A last line without a line end still counts as a line.
    if (line.back() == '\r') line.pop_back();
    return Status::ok;
}

Status writeline(std::int32_t unit, std::string_view text) {
    connection* c = textwriter(unit);
    if (c == nullptr) return Status::error;
    c->wbuf.append(text);
    c->wbuf.append("\r\n");
    if (c->wbuf.size() >= writechunk && !flushwrites(*c)) return Status::error;
    return Status::ok;
}

Status writelines(std::int32_t unit, std::string_view lines, std::size_t& taken) {
    taken = 0;
    connection* c = textwriter(unit);
    if (c == nullptr) return Status::error;
    while (taken < lines.size()) {
        // writeline hands its pending output over once a line brings it to
        // writechunk bytes: the first line end at or after this position.
        const std::size_t from = taken + (writechunk - c->wbuf.size()) - 1;
        const std::size_t lineend = from < lines.size() ? lines.find('\n', from) : std::string_view::npos;
        if (lineend == std::string_view::npos) {
            c->wbuf.append(lines.substr(taken));
            taken = lines.size();
            break;
        }
        const std::string_view chunk = lines.substr(taken, lineend + 1 - taken);
        taken = lineend + 1;
        if (c->wbuf.empty()) {
            // Straight from the caller's text: the same bytes in the same write.
            if (!writeall(c->fd, chunk.data(), chunk.size())) c->writefailed = true;
        } else {
            c->wbuf.append(chunk);
            (void)flushwrites(*c);  // a failure is kept in writefailed
        }
        if (c->writefailed) return Status::error;
    }
    return Status::ok;
}

Status readrecord(std::int32_t unit, std::int32_t n, std::span<std::byte> out) {
    connection* c = find(unit);
    if (c == nullptr || c->access != Access::direct || n < 1) return Status::error;
    const auto reclen = static_cast<std::size_t>(c->reclen);
    if (out.size() > reclen) return Status::error;
    const std::int64_t offset = (static_cast<std::int64_t>(n) - 1) * c->reclen;
    const bool cached = c->blockstart >= 0 && offset >= c->blockstart &&
                        offset + c->reclen <= c->blockstart + static_cast<std::int64_t>(c->blocklen);
    if (!cached) {
        std::size_t want = c->blockcapacity == 0 ? firstblock : std::min(c->blockcapacity * 8, directblock);
        want = std::max(want - want % reclen, reclen);
        if (want > c->blockcapacity) {
            c->block = std::make_unique_for_overwrite<std::byte[]>(want);
            c->blockcapacity = want;
        }
        std::int64_t got = preadfull(c->fd, c->block.get(), want, offset);
        if (got < 0) {
            c->blockstart = -1;
            return Status::error;
        }
        c->blockstart = offset;
        c->blocklen = static_cast<std::size_t>(got);
        if (c->blocklen < reclen) return Status::error;
    }
    std::memcpy(out.data(), c->block.get() + (offset - c->blockstart), out.size());
    return Status::ok;
}

Status readrecords(std::int32_t unit, std::int32_t first, std::int32_t count, std::span<std::byte> out) {
    connection* c = find(unit);
    if (c == nullptr || c->access != Access::direct || first < 1 || count < 1) return Status::error;
    const auto bytes = static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(c->reclen);
    if (out.size() != bytes) return Status::error;
    const std::int64_t offset = (static_cast<std::int64_t>(first) - 1) * c->reclen;
    const auto size = static_cast<std::int64_t>(bytes);
    if (c->blockstart >= 0 && offset >= c->blockstart &&
        offset + size <= c->blockstart + static_cast<std::int64_t>(c->blocklen)) {
        std::memcpy(out.data(), c->block.get() + (offset - c->blockstart), out.size());
        return Status::ok;
    }
    // Straight into the caller's buffer: one read for the whole run of records.
    const std::int64_t got = preadfull(c->fd, out.data(), out.size(), offset);
    return got == size ? Status::ok : Status::error;
}

Status writerecord(std::int32_t unit, std::int32_t n, std::span<const std::byte> data) {
    connection* c = find(unit);
    if (c == nullptr || c->access != Access::direct || !c->writable || n < 1) return Status::error;
    const auto reclen = static_cast<std::size_t>(c->reclen);
    if (data.size() > reclen) return Status::error;
    if (data.size() == reclen) return writerecords(unit, n, data);
    std::vector<std::byte> record(reclen, std::byte{0});
    std::copy(data.begin(), data.end(), record.begin());
    return writerecords(unit, n, record);
}

Status writerecords(std::int32_t unit, std::int32_t n, std::span<const std::byte> data) {
    connection* c = find(unit);
    if (c == nullptr || c->access != Access::direct || !c->writable || n < 1) return Status::error;
    const auto reclen = static_cast<std::size_t>(c->reclen);
    if (data.size() % reclen != 0) return Status::error;
    // The last record written must have a number.
    const auto records = static_cast<std::int64_t>(data.size() / reclen);
    if (static_cast<std::int64_t>(n) - 1 + records > std::numeric_limits<std::int32_t>::max()) return Status::error;
    const std::int64_t offset = (static_cast<std::int64_t>(n) - 1) * c->reclen;
    c->blockstart = -1;
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t w = ::pwrite(c->fd, data.data() + done, data.size() - done,
                             static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return Status::error;
        done += static_cast<std::size_t>(w);
    }
    return Status::ok;
}

Status closeunit(std::int32_t unit, Disposition disposition) {
    connection* c = find(unit);
    if (c == nullptr) return Status::error;
    bool ok = flushwrites(*c);
    if (::close(c->fd) != 0) ok = false;
    if (disposition == Disposition::remove && ::unlink(c->path.c_str()) != 0) ok = false;
    forget(unit);
    return ok ? Status::ok : Status::error;
}

Status inquireunit(std::int32_t unit, bool& isopen) {
    if (!validunit(unit)) return Status::error;
    isopen = find(unit) != nullptr;
    return Status::ok;
}

bool fileexists(std::string_view path) {
    if (path.empty() || path.find('\0') != std::string_view::npos) return false;
    struct stat st {};
    return ::stat(std::string(path).c_str(), &st) == 0;
}

Status listfiles(std::string_view dir, std::string_view pattern, std::vector<std::string>& names) {
    names.clear();
    std::error_code ec;
    const std::filesystem::path where = dir.empty() ? std::filesystem::path(".") : std::filesystem::path(dir);
    std::filesystem::directory_iterator it(where, ec);
    if (ec) return Status::error;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return Status::error;
        std::error_code fec;
        if (!it->is_regular_file(fec)) continue;
        std::string name = it->path().filename().string();
        if (wildcardmatch(pattern, name)) names.push_back(std::move(name));
    }
    if (ec) return Status::error;
    std::sort(names.begin(), names.end());
    return Status::ok;
}

bool wildcardmatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace iolayer
