// Advisory locks on shared files, over flock: unlike record locks, a flock lock
// belongs to its own open file description and is not lost when another
// descriptor of the same file is closed.
#include "iolayer/iolayer.hpp"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace iolayer {
namespace {

// Each retry means a holder deleted or replaced the file while we waited; a name
// that keeps changing under us ends the attempt instead of looping forever.
constexpr int maxattempts = 1000;

bool sameinode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

Status FileLock::lock(std::string_view path) {
    unlock();
    if (path.empty() || path.find('\0') != std::string_view::npos) return Status::error;
    const std::string name(path);
    for (int attempt = 0; attempt < maxattempts; ++attempt) {
        // Read-only and non-blocking: the lock needs no access beyond opening, and a
        // FIFO of that name must not stall the open (it is refused below).
        const int fd = ::open(name.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return Status::error;
        }
        struct stat locked {};
        int rc = ::fstat(fd, &locked);
        if (rc == 0 && S_ISREG(locked.st_mode)) {
            while ((rc = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {}
        } else {
            rc = -1;
        }
        if (rc != 0) {
            ::close(fd);
            return Status::error;
        }
        struct stat named {};
        if (::stat(name.c_str(), &named) == 0 && sameinode(named, locked)) {
            fd_ = fd;
            return Status::ok;
        }
        ::close(fd);  // the file we waited for is gone: lock the one the name has now
    }
    return Status::error;
}

void FileLock::unlock() {
    if (fd_ < 0) return;
    (void)::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace iolayer
