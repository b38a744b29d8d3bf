// Running the built tool in a scratch directory.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "scenario_support.hpp"
#include "support.hpp"
#include "childrun/childrun.hpp"

namespace testsupport {

// Runs that must begin at one moment (the sharing tests) are started here with
// fork and a gate; every other run goes through childrun.

// A started run of the tool: its process and the read end of its standard output.
struct startedchild {
    pid_t pid = -1;
    int out = -1;
};

// A pipe that holds started children back until its write end is closed, so
// that several runs begin at the same moment.
struct startgate {
    int read = -1;
    int write = -1;
};

// Starts the program at path with the given arguments in dir (no shell), under
// the given command name, once the gate (if any) opens. The pipe is not inherited
// by runs started later, so that each run's output ends when that run does.
inline startedchild startprogram(const std::string& tool, const std::vector<std::string>& args,
                                 const std::filesystem::path& dir, const std::string& command, startgate gate = {}) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {};
    std::vector<std::string> words = {command};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const std::string where = dir.string();
    ::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        if (gate.read >= 0) {
            ::close(gate.write);
            char c = 0;
            while (::read(gate.read, &c, 1) < 0 && errno == EINTR) {}
        }
        if (::chdir(where.c_str()) != 0) ::_exit(127);
        ::execv(tool.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return {};
    }
    return {pid, fds[0]};
}

// Starts the tool as startprogram does.
inline startedchild starttool(const std::vector<std::string>& args, const std::filesystem::path& dir,
                              const std::string& command = "rerove_tivorn", startgate gate = {}) {
    return startprogram(RT_TOOL_PATH, args, dir, command, gate);
}

// Waits for a started run and gives its exit status (-1 when it did not exit).
inline int waittool(startedchild child) {
    int wstatus = 0;
    if (child.pid < 0 || ::waitpid(child.pid, &wstatus, 0) != child.pid) return -1;
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}

// Runs the program at path with the given arguments in dir (no shell), under the
// given command name, and collects its standard output and exit status.
inline childrun::runresult runprogram(const std::string& tool, const std::vector<std::string>& args,
                                      const std::filesystem::path& dir, const std::string& command) {
    childrun::invocation launch;
    launch.program = tool;
    launch.argv = {command};
    launch.argv.insert(launch.argv.end(), args.begin(), args.end());
    launch.cwd = dir;
    launch.keeperrors = true;
    return childrun::run(launch);
}

// Runs the tool as runprogram does.
inline childrun::runresult runtool(const std::vector<std::string>& args, const std::filesystem::path& dir,
                                   const std::string& command = "rerove_tivorn") {
    return runprogram(RT_TOOL_PATH, args, dir, command);
}

// Runs the tool once for each argument list in dir, all let go at one moment,
// and collects every run's output as it comes (no run waits on a full pipe).
inline std::vector<childrun::runresult> runtogether(const std::vector<std::vector<std::string>>& runs,
                                                    const std::filesystem::path& dir) {
    int gatefds[2] = {-1, -1};
    const startgate gate = ::pipe2(gatefds, O_CLOEXEC) == 0 ? startgate{gatefds[0], gatefds[1]} : startgate{};
    std::vector<startedchild> children;
    children.reserve(runs.size());
    for (const auto& args : runs) children.push_back(starttool(args, dir, "rerove_tivorn", gate));
    if (gate.read >= 0) {
        ::close(gate.read);
        ::close(gate.write);  // all at once
    }
    std::vector<childrun::runresult> results(runs.size());
    std::vector<pollfd> open;
    open.reserve(children.size());
    for (const startedchild& c : children) open.push_back({c.out, POLLIN, 0});
    const auto running = [&] {
        return std::any_of(open.begin(), open.end(), [](const pollfd& p) { return p.fd >= 0; });
    };
    while (running()) {
        if (::poll(open.data(), open.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (std::size_t i = 0; i < open.size(); ++i) {
            if (open[i].fd < 0 || open[i].revents == 0) continue;
            char buf[4096];
            const ssize_t n = ::read(open[i].fd, buf, sizeof buf);
            if (n > 0) {
                results[i].out.append(buf, static_cast<std::size_t>(n));
            } else {
                ::close(open[i].fd);
                open[i].fd = -1;
            }
        }
    }
    for (std::size_t i = 0; i < children.size(); ++i) results[i].status = waittool(children[i]);
    return results;
}

// Every regular file of dir (not descending), name -> bytes.
inline std::map<std::string, std::string> snapshot(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.is_regular_file()) files[entry.path().filename().string()] = readfile(entry.path());
    }
    return files;
}

}  // namespace testsupport
