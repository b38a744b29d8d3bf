// The advisory lock on a shared file: who else can lock it, and when.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "support.hpp"

namespace fs = std::filesystem;
using iolayer::FileLock;
using iolayer::Status;
using testsupport::scratchdir;

namespace {

// Whether another holder could take the lock on the file the name stands for
// now; a descriptor of its own competes even within this process.
bool lockablebyothers(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

std::uint64_t inodeof(const std::string& name) {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_ino) : 0;
}

// Whether the system lists a process waiting for a flock lock on the inode.
bool someonewaitson(std::uint64_t inode) {
    std::ifstream locks("/proc/locks");
    std::string tail(1, ':');  // maj:min:inode, then a blank
    tail.append(std::to_string(inode)).push_back(' ');
    for (std::string line; std::getline(locks, line);) {
        if (line.find("->") != std::string::npos && line.find("FLOCK") != std::string::npos &&
            line.find(tail) != std::string::npos)
            return true;
    }
    return false;
}

}  // namespace

TEST(FileLock, HeldUntilReleasedWhateverElseTheFileGoesThrough) {
    scratchdir dir;
    FileLock lock;
    ASSERT_EQ(lock.lock("LIST.TMP"), Status::ok);
    EXPECT_TRUE(lock.held());
    EXPECT_EQ(testsupport::readfile("LIST.TMP"), "");  // made, empty, for the holder to fill
    EXPECT_FALSE(lockablebyothers("LIST.TMP"));

    // Units opened and closed on the same file do not take the lock with them.
    ASSERT_EQ(iolayer::createfile(11, "LIST.TMP", iolayer::Access::sequential), Status::ok);
    ASSERT_EQ(iolayer::writeline(11, "REROVE1950.sup"), Status::ok);
    ASSERT_EQ(iolayer::closeunit(11), Status::ok);
    ASSERT_EQ(iolayer::openexisting(12, "LIST.TMP", iolayer::Access::sequential, iolayer::Action::read), Status::ok);
    ASSERT_EQ(iolayer::closeunit(12), Status::ok);
    EXPECT_FALSE(lockablebyothers("LIST.TMP"));
    EXPECT_EQ(testsupport::readfile("LIST.TMP"), "REROVE1950.sup\r\n");  // taking the lock empties nothing

    lock.unlock();
    EXPECT_FALSE(lock.held());
    EXPECT_TRUE(lockablebyothers("LIST.TMP"));
    lock.unlock();  // twice is harmless

    {
        FileLock scoped;
        ASSERT_EQ(scoped.lock("LIST.TMP"), Status::ok);
        EXPECT_FALSE(lockablebyothers("LIST.TMP"));
    }
    EXPECT_TRUE(lockablebyothers("LIST.TMP"));
}

TEST(FileLock, GoesWithTheProcessThatHeldIt) {
    scratchdir dir;
    const pid_t pid = ::fork();
    if (pid == 0) {
        FileLock lock;
        const bool locked = lock.lock("LIST.TMP") == Status::ok;
        ::_exit(locked ? 0 : 1);  // no destructor runs: only the process's end can release it
    }
    int wstatus = 0;
    ASSERT_EQ(::waitpid(pid, &wstatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
    EXPECT_TRUE(lockablebyothers("LIST.TMP"));
}

TEST(FileLock, WaiterStartsOverWhenTheHolderDeletesTheFile) {
    scratchdir dir;
    FileLock first;
    ASSERT_EQ(first.lock("LIST.TMP"), Status::ok);
    const std::uint64_t old = inodeof("LIST.TMP");

    FileLock second;
    Status got = Status::error;
    std::thread waiter([&] { got = second.lock("LIST.TMP"); });
    // Let the waiter queue on the first file before it goes (at most a few seconds).
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!someonewaitson(old) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    fs::remove("LIST.TMP");
    testsupport::writefile("LIST.TMP", "another run's listing\r\n");  // a newcomer's file of the same name
    first.unlock();
    waiter.join();

    ASSERT_EQ(got, Status::ok);
    EXPECT_NE(inodeof("LIST.TMP"), old);
    EXPECT_FALSE(lockablebyothers("LIST.TMP"));  // the lock is on the file the name has now
    EXPECT_EQ(testsupport::readfile("LIST.TMP"), "another run's listing\r\n");
}

TEST(FileLock, RefusedWhereNoRegularFileCanBe) {
    scratchdir dir;
    FileLock lock;
    fs::create_directory("LIST.TMP");
    EXPECT_EQ(lock.lock("LIST.TMP"), Status::error);
    EXPECT_FALSE(lock.held());
    ASSERT_EQ(::mkfifo("PIPE.TMP", 0600), 0);
    EXPECT_EQ(lock.lock("PIPE.TMP"), Status::error);  // refused at once, not stalled in the open
    EXPECT_EQ(lock.lock("nodir/LIST.TMP"), Status::error);
    EXPECT_FALSE(fs::exists("nodir"));
    EXPECT_EQ(lock.lock(""), Status::error);
    EXPECT_EQ(lock.lock(std::string_view("A\0B", 3)), Status::error);
    EXPECT_FALSE(fs::exists("A"));

    // A failed attempt lets go of what was held before.
    ASSERT_EQ(lock.lock("OTHER.TMP"), Status::ok);
    EXPECT_EQ(lock.lock("LIST.TMP"), Status::error);
    EXPECT_FALSE(lock.held());
    EXPECT_TRUE(lockablebyothers("OTHER.TMP"));
}
