// Runs of the tool stopped with SIGKILL at moments spread over a large run:
// every table name must hold a whole table, this run's or the one it held
// before, and the next run must leave no temporary table behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "calendar_support.hpp"
#include "tool_support.hpp"
#include "make_scenarios/scenariofiles.hpp"

namespace fs = std::filesystem;
using testsupport::scratchdir;

namespace {

using Clock = std::chrono::steady_clock;
using Files = std::map<std::string, std::string>;

// At most this many stopped runs, and none begun after the time is up. The
// sanitizer build runs far slower: it stops fewer, smaller runs.
#ifdef __SANITIZE_ADDRESS__
constexpr std::int32_t years = 10;
constexpr std::int32_t days = 3000;
constexpr int mintries = 8;
#else
constexpr std::int32_t years = 40;
constexpr std::int32_t days = 10000;
constexpr int mintries = 10;
#endif
constexpr int maxtries = 40;
constexpr auto maxtime = std::chrono::seconds(12);

// Two inputs of the same years and span with different values, one in a and
// one in b, so that the tables of a run differ from those of the run before.
void writeinputs(const fs::path& a, const fs::path& b) {
    scenariofiles::scenariorequest request = scenariofiles::benchrequest(years, days, a);
    std::int32_t written = 0;
    std::string error;
    ASSERT_TRUE(scenariofiles::writescenarios(request, written, error)) << error;
    for (std::int32_t& y : request.years) y += years;  // other years: other values
    request.dir = b;
    ASSERT_TRUE(scenariofiles::writescenarios(request, written, error)) << error;
    const std::vector<fs::path> made(fs::directory_iterator(b), fs::directory_iterator{});
    for (const fs::path& file : made) {
        std::string name = file.filename().string();
        name.replace(6, 4, std::to_string(std::stoi(name.substr(6, 4)) - years));
        fs::rename(file, b / name);
    }
}

// Moves the scenario files of from into the working directory and those there
// into to.
void swapinputs(const fs::path& from, const fs::path& to) {
    const std::vector<fs::path> here(fs::directory_iterator("."), fs::directory_iterator{});
    for (const fs::path& file : here) {
        if (file.filename().string().starts_with("REROVE")) fs::rename(file, to / file.filename());
    }
    const std::vector<fs::path> moved(fs::directory_iterator(from), fs::directory_iterator{});
    for (const fs::path& file : moved) fs::rename(file, file.filename());
}

Files tablesof(const fs::path& dir) {
    Files tables;
    for (const auto& [name, bytes] : testsupport::snapshot(dir)) {
        if (name.starts_with("mhDNBS_") && name.ends_with(".txt")) tables[name] = bytes;
    }
    return tables;
}

std::vector<std::string> temporaries(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".tmp") found.push_back(entry.path().filename().string());
    }
    return found;
}

// How long a complete run takes, and how long until it has written its first
// table (its assembly before that).
struct runtimes {
    double whole = 0;
    double firsttable = 0;
};

// A complete run in the working directory: its tables, and its times.
Files completerun(runtimes& times) {
    const auto written = std::chrono::file_clock::now();
    const Clock::time_point t0 = Clock::now();
    const childrun::runresult run = testsupport::runtool({"MHU"}, ".");
    times.whole = std::chrono::duration<double>(Clock::now() - t0).count();
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(temporaries(".").empty());
    const Files tables = tablesof(".");
    auto first = std::chrono::file_clock::now();
    for (const auto& [name, bytes] : tables) first = std::min(first, fs::last_write_time(name));
    times.firsttable = std::clamp(std::chrono::duration<double>(first - written).count(), 0.0, times.whole);
    return tables;
}

// Starts the tool and stops it with SIGKILL after delay.
void stoppedrun(std::chrono::duration<double> delay) {
    const testsupport::startedchild child = testsupport::starttool({"MHU"}, ".");
    ASSERT_GE(child.pid, 0);
    std::this_thread::sleep_for(delay);
    ::kill(child.pid, SIGKILL);
    (void)testsupport::waittool(child);
    ::close(child.out);
}

}  // namespace

TEST(StoppedRuns, EveryTableNameHoldsAWholeTable) {
    scratchdir dir;
    fs::create_directories("a");
    fs::create_directories("b");
    writeinputs("a", "b");
    // Whole tables of both inputs, and the times of a run that replaces tables.
    swapinputs("a", "a");
    runtimes times;
    std::array<Files, 2> whole;
    whole[0] = completerun(times);
    swapinputs("b", "a");
    whole[1] = completerun(times);
    ASSERT_EQ(whole[0].size(), static_cast<std::size_t>(years));

    int tries = 0, thisrun = 0, earlier = 0, mixed = 0, stoppedinside = 0;
    std::set<std::string> leftovers;
    const Clock::time_point start = Clock::now();
    for (; tries < maxtries && (tries < mintries || Clock::now() - start < maxtime); ++tries) {
        const int input = tries % 2;  // the tables hold the other input's
        swapinputs(input == 0 ? "a" : "b", input == 0 ? "b" : "a");
        // Moments spread evenly however many tries there are time for (the
        // fractions of multiples of the golden ratio): every other one from the
        // start to a little past the end of a run, the others while it writes its
        // tables.
        const double moment = std::fmod((tries / 2 + 0.5) * 0.6180339887498949, 1.0);
        const double delay =
            tries % 4 < 2 ? times.whole * 1.2 * moment : times.firsttable + (times.whole - times.firsttable) * moment;
        stoppedrun(std::chrono::duration<double>(delay));
        const Files tables = tablesof(".");
        ASSERT_EQ(tables.size(), whole[input].size());
        int fromthisrun = 0;
        for (const auto& [name, bytes] : tables) {
            const bool complete = bytes == whole[input].at(name);
            ASSERT_TRUE(complete || bytes == whole[1 - input].at(name)) << name << " is not a whole table";
            fromthisrun += complete ? 1 : 0;
        }
        thisrun += fromthisrun;
        earlier += static_cast<int>(tables.size()) - fromthisrun;
        mixed += fromthisrun > 0 && fromthisrun < static_cast<int>(tables.size()) ? 1 : 0;
        const std::vector<std::string> left = temporaries(".");
        stoppedinside += left.empty() ? 0 : 1;
        leftovers.insert(left.begin(), left.end());
    }
    // The next run removes what the stopped ones left.
    swapinputs(tries % 2 == 0 ? "a" : "b", tries % 2 == 0 ? "b" : "a");
    EXPECT_EQ(completerun(times), whole[tries % 2]);
    EXPECT_GT(mixed, 0) << "no run was stopped among its tables";
    // A run stopped in its rename leaves no temporary: its table is whole.
    std::printf(
        "%d runs stopped, %d of them among their tables; tables whole from the stopped run %d, from the run "
        "before %d; stopped with a temporary table %d times, %zu temporaries removed by the next run\n",
        tries, mixed, thisrun, earlier, stoppedinside, leftovers.size());
}
