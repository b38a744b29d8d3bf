#include "childrun/childrun.hpp"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX has programs declare it; glibc does only
                        // with _GNU_SOURCE

namespace childrun {
namespace {

using Clock = std::chrono::steady_clock;

// Reads the pipe to its end into out.
void drain(int fd, std::string& out) {
    char buf[4096];
    for (;;) {
        const ::ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
}

// Reads both pipes to their ends (either may be -1), so that the child never
// waits on a full pipe while the other is read.
void drainboth(int outfd, std::string& out, int errfd, std::string& err) {
    std::array<pollfd, 2> fds{{{outfd, POLLIN, 0}, {errfd, POLLIN, 0}}};
    std::array<std::string*, 2> into{&out, &err};
    char buf[4096];
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (std::size_t k = 0; k < fds.size(); ++k) {
            if (fds[k].fd < 0 || fds[k].revents == 0) continue;
            const ::ssize_t n = ::read(fds[k].fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                fds[k].fd = -1;  // poll skips negative descriptors
                continue;
            }
            into[k]->append(buf, static_cast<std::size_t>(n));
        }
    }
}

// Waits for pid; false with failure set when waiting fails.
bool reap(pid_t pid, runresult& result) {
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            result.failure = std::string("wait4: ") + std::strerror(errno);
            return false;
        }
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.maxrsskib = usage.ru_maxrss;
    return true;
}

}  // namespace

runresult run(const invocation& launch) {
    runresult result;
    std::vector<char*> args;
    for (const std::string& a : launch.argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int fds[2] = {-1, -1};
    int errfds[2] = {-1, -1};
    const bool capture = launch.output.empty();
    const bool keeperrors = launch.keeperrors && !launch.witherrors;
    if ((capture && ::pipe2(fds, O_CLOEXEC) != 0) || (keeperrors && ::pipe2(errfds, O_CLOEXEC) != 0)) {
        result.failure = std::string("pipe: ") + std::strerror(errno);
        for (const int fd : {fds[0], fds[1], errfds[0], errfds[1]})
            if (fd >= 0) ::close(fd);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, launch.cwd.c_str());
    if (capture) {
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, launch.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    }
    if (launch.witherrors) posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    if (keeperrors) posix_spawn_file_actions_adddup2(&actions, errfds[1], STDERR_FILENO);
    std::fflush(stdout);
    const Clock::time_point t0 = Clock::now();
    pid_t pid = 0;
    const int rc = launch.search ? posix_spawnp(&pid, launch.program.c_str(), &actions, nullptr, args.data(), environ)
                                 : posix_spawn(&pid, launch.program.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (capture) ::close(fds[1]);
    if (keeperrors) ::close(errfds[1]);
    if (rc == 0 && keeperrors)
        drainboth(fds[0], result.out, errfds[0], result.err);
    else if (rc == 0 && capture)
        drain(fds[0], result.out);
    for (const int fd : {fds[0], errfds[0]})
        if (fd >= 0) ::close(fd);
    if (rc != 0) {
        result.failure = "cannot start " + launch.program + ": " + std::strerror(rc);
        return result;
    }
    if (!reap(pid, result)) return result;
    result.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    result.started = true;
    return result;
}

}  // namespace childrun
