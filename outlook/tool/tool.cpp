// rerove_tivorn started directly in a directory and waited for.
#include "outlook/tool/tool.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX has programs declare it

namespace outlook {
namespace {

namespace fs = std::filesystem;

// Reads the pipe to its end, straight into the text it gives.
std::string drained(int fd) {
    constexpr std::size_t block = 1 << 16;
    std::string out;
    std::size_t got = 0;
    while (true) {
        out.resize(got + block);
        const ::ssize_t n = ::read(fd, out.data() + got, block);
        if (n > 0) got += static_cast<std::size_t>(n);
        if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    out.resize(got);
    return out;
}

int exitstatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw failure(std::string("rerove_tivorn cannot be waited for: ") + std::strerror(errno));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

fs::path toolprogram() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path beside = self.parent_path() / "rerove_tivorn";
        if (::access(beside.c_str(), X_OK) == 0) return beside;
    }
    const fs::path built = RT_BUILT_TOOL;
    if (::access(built.c_str(), X_OK) == 0) return built;
    throw unavailable("no rerove_tivorn beside this program or at " + built.string());
}

toolrun runtool(const fs::path& program, std::string_view lakecode, const fs::path& dir) {
    const std::string name = "rerove_tivorn";
    std::string lake(lakecode);
    std::vector<char*> argv = {const_cast<char*>(name.c_str()), lake.data(), nullptr};
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0) throw failure(std::string("no pipe for rerove_tivorn: ") + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    toolrun run;
    if (rc == 0) run.console = drained(fds[0]);
    ::close(fds[0]);
    if (rc != 0) throw failure(program.string() + " cannot be started: " + std::strerror(rc));
    run.status = exitstatus(pid);
    return run;
}

}  // namespace outlook
