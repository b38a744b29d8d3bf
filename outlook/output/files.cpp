// Files the companion writes: made whole under a temporary name in the file's own
// directory and renamed over it, so that a reader sees the old file or the new one,
// never a file cut short, and a failure leaves nothing behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "outlook/output/output.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;

std::string cannotwrite(const fs::path& file, int error) {
    return file.string() + ": cannot be written (" + std::strerror(error) + ")";
}

// Where the file really goes: the end of a link is replaced, not the link.
fs::path targetof(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(file, ec))) return file;
    const fs::path target = fs::weakly_canonical(file, ec);
    return ec ? file : target;
}

// A new, empty file beside target, its name not taken before (O_EXCL); the
// descriptor is closed again unless keep is set. Its bits are those of a new file
// (0666 less the umask), or those of the file it replaces.
struct temporary {
    fs::path path;
    int fd = -1;
};

temporary maketemporary(const fs::path& target, const fs::path& file) {
    static unsigned serial = 0;
    const fs::path dir = target.parent_path();
    std::string stem = ".";
    stem += target.filename().string();
    stem += '.';
    stem += std::to_string(::getpid());
    stem += '.';
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary made;
        made.path = dir / (stem + std::to_string(serial++) + ".tmp");
        made.fd = ::open(made.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (made.fd >= 0) {
            std::error_code ec;
            const fs::file_status old = fs::status(target, ec);
            if (fs::is_regular_file(old)) ::fchmod(made.fd, static_cast<mode_t>(old.permissions()));
            return made;
        }
        if (errno != EEXIST) throw writeerror(cannotwrite(file, errno));
    }
    throw writeerror(cannotwrite(file, EEXIST));
}

void discard(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

void writeall(int fd, std::string_view bytes, const fs::path& file) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw writeerror(cannotwrite(file, n < 0 ? errno : ENOSPC));
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void rename(const temporary& made, const fs::path& target, const fs::path& file) {
    if (::rename(made.path.c_str(), target.c_str()) != 0) {
        const int error = errno;
        discard(made.path);
        throw writeerror(cannotwrite(file, error));
    }
}

}  // namespace

void writefile(const fs::path& file, std::string_view bytes) {
    const fs::path target = targetof(file);
    const temporary made = maketemporary(target, file);
    try {
        writeall(made.fd, bytes, file);
    } catch (...) {
        ::close(made.fd);
        discard(made.path);
        throw;
    }
    if (::close(made.fd) != 0) {
        const int error = errno;
        discard(made.path);
        throw writeerror(cannotwrite(file, error));
    }
    rename(made, target, file);
}

void writefile(const fs::path& file, const std::function<void(const fs::path&)>& write) {
    const fs::path target = targetof(file);
    const temporary made = maketemporary(target, file);
    ::close(made.fd);  // the writer opens it by name
    try {
        write(made.path);
    } catch (...) {
        discard(made.path);
        throw;
    }
    rename(made, target, file);
}

}  // namespace outlook
