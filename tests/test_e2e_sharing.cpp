// Runs for different lakes started together in one working directory: each must
// print and write exactly what it does with the directory to itself.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "calendar_support.hpp"
#include "tool_support.hpp"
#include "make_scenarios/scenariofiles.hpp"

namespace fs = std::filesystem;
using childrun::runresult;
using testsupport::scratchdir;
using testsupport::snapshot;

namespace {

using Files = std::map<std::string, std::string>;

// Rounds of runs started together: at most this many, and none begun after the
// time is up (the sanitizer build runs far slower).
constexpr int maxrounds = 40;
constexpr auto maxtime = std::chrono::seconds(3);

struct lakecase {
    std::string code;
    std::int32_t lakeindex = 0;
    std::vector<std::int32_t> years;
    std::vector<scenariofiles::scenariorequest::omittedfile> omissions;
};

// Year sets that overlap but differ, so that a run working from another lake's
// listing asks for files that are not there or writes other tables.
const lakecase superior{"sup", 1, {1950, 1951, 1952, 1953, 1954, 1955, 1956, 1957, 1958, 1959, 1960}, {}};
// Huron lacks 1947 and Georgian Bay 1953: nine years are common to all parts.
const lakecase michhuron{
    "mhu", 2, {1945, 1946, 1947, 1948, 1949, 1950, 1951, 1952, 1953, 1954, 1955}, {{6, 1947}, {7, 1953}}};
const lakecase erie{"eri", 4, {1957, 1958, 1959, 1960, 1961, 1962, 1963, 1964, 1965, 1966, 1967}, {}};

void writelake(const lakecase& lake, const fs::path& dir) {
    scenariofiles::scenariorequest request;
    request.lakeindex = lake.lakeindex;
    request.years = lake.years;
    request.firstday = testsupport::seqof(1, 6, 2010);
    request.days = 120;
    request.dir = dir;
    request.omissions = lake.omissions;
    std::int32_t written = 0;
    std::string error;
    ASSERT_TRUE(scenariofiles::writescenarios(request, written, error)) << error;
}

// What a run printed and the files it added to the directory.
struct runoutcome {
    runresult result;
    Files added;
};

Files addedto(const Files& before, const Files& after) {
    Files added;
    for (const auto& [name, bytes] : after) {
        if (!before.contains(name)) added[name] = bytes;
    }
    return added;
}

// The names whose contents differ, or that only one side has.
std::string differingnames(const Files& expected, const Files& actual) {
    std::string names;
    for (const auto& [name, bytes] : expected) {
        const auto it = actual.find(name);
        if (it == actual.end())
            names += " -" + name;
        else if (it->second != bytes)
            names += " ~" + name;
    }
    for (const auto& [name, bytes] : actual) {
        if (!expected.contains(name)) names += " +" + name;
    }
    return names;
}

void removeall(const Files& files) {
    for (const auto& [name, bytes] : files) fs::remove(name);
}

// Starts the lakes' runs together, round after round, in a directory that holds
// the scenario files of all of them, and compares every run with its run alone.
void runrounds(const std::vector<lakecase>& lakes) {
    scratchdir dir;
    for (const lakecase& lake : lakes) writelake(lake, dir.path());
    const Files scenarios = snapshot(dir.path());

    std::vector<runoutcome> alone;
    std::vector<std::vector<std::string>> commands;
    Files expected = scenarios;
    for (const lakecase& lake : lakes) {
        runoutcome outcome{testsupport::runtool({lake.code}, dir.path()), {}};
        ASSERT_EQ(outcome.result.status, 0) << lake.code << ":\n" << outcome.result.out;
        outcome.added = addedto(scenarios, snapshot(dir.path()));
        ASSERT_FALSE(outcome.added.empty()) << lake.code;
        removeall(outcome.added);
        expected.insert(outcome.added.begin(), outcome.added.end());
        alone.push_back(outcome);
        commands.push_back({lake.code});
    }

    int rounds = 0, failed = 0;
    std::string first;
    const auto until = std::chrono::steady_clock::now() + maxtime;
    for (; rounds < maxrounds && std::chrono::steady_clock::now() < until; ++rounds) {
        const std::vector<runresult> results = testsupport::runtogether(commands, dir.path());
        std::string faults;
        for (std::size_t i = 0; i < lakes.size(); ++i) {
            if (results[i].status != alone[i].result.status || results[i].out != alone[i].result.out)
                faults += lakes[i].code + " printed:\n" + results[i].out + "exit status " +
                          std::to_string(results[i].status) + "\n";
        }
        const Files now = snapshot(dir.path());
        if (now != expected) faults += "files:" + differingnames(expected, now) + "\n";
        if (!faults.empty() && failed++ == 0) first = "round " + std::to_string(rounds + 1) + ":\n" + faults;
        removeall(addedto(scenarios, now));
    }
    ::testing::Test::RecordProperty("rounds", rounds);
    EXPECT_EQ(failed, 0) << "of " << rounds << " rounds; the first:\n" << first;
}

}  // namespace

TEST(SharedDirectory, TwoLakesAtOnce) { runrounds({superior, michhuron}); }

TEST(SharedDirectory, ThreeLakesAtOnce) { runrounds({superior, michhuron, erie}); }
