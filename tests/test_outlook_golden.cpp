// The reference runs of rerove_outlook (tests/data/golden-outlook): each folder is
// one run whose every output byte is known. Its README says what a folder holds.
// With RT_GOLDEN_UPDATE=1 in the environment a run writes what it gave into its
// folder instead of comparing, for a change of output that is meant.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include "tool_support.hpp"

namespace fs = std::filesystem;
using testsupport::readfile;
using testsupport::scratchdir;

namespace {

// The reports' and exports' moment of making, fixed.
constexpr const char* sourcedateepoch = "1765324800";  // 2025-12-10 00:00 UTC
constexpr std::string_view workdirmark = "@WORKDIR@";

std::vector<std::string> wordsof(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w == "@RECORD@" ? std::string(RT_RECORD_PATH) : w);
    return words;
}

std::string programof(const std::string& name) {
    if (name == "make_scenarios") return RT_MAKE_SCENARIOS_PATH;
    if (name == "rerove_tivorn") return RT_TOOL_PATH;
    if (name == "rerove_outlook") return RT_OUTLOOK_PATH;
    return {};
}

// Every regular file under dir, by its path from dir.
std::map<std::string, std::string> filesunder(const fs::path& dir) {
    std::map<std::string, std::string> files;
    if (!fs::exists(dir)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) files[fs::relative(entry.path(), dir).string()] = readfile(entry.path());
    }
    return files;
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); !from.empty() && at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// What one run gave, the working directory's path written as @WORKDIR@.
struct outcome {
    std::string out, err;
    int status = -1;
    std::map<std::string, std::string> files;  // created or changed; NetCDF as its ncdump text
};

// Runs the setup lines of a case: PROGRAM ARGS... [> FILE], in the working directory.
void setup(const fs::path& file, const fs::path& dir) {
    std::istringstream lines(readfile(file));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> words = wordsof(line);
        if (words.empty()) continue;
        std::string output;
        if (words.size() >= 3 && words[words.size() - 2] == ">") {
            output = words.back();
            words.resize(words.size() - 2);
        }
        const std::string program = programof(words.front());
        ASSERT_FALSE(program.empty()) << file << ": no program " << words.front();
        const auto result = testsupport::runprogram(program, {words.begin() + 1, words.end()}, dir, words.front());
        ASSERT_TRUE(result.status == 0 || words.front() == "rerove_tivorn") << line << "\n" << result.out << result.err;
        if (!output.empty()) testsupport::writefile(dir / output, result.out);
    }
}

outcome runcase(const fs::path& root, const fs::path& dir) {
    if (fs::exists(root / "input")) fs::copy(root / "input", dir, fs::copy_options::recursive);
    if (fs::exists(root / "setup")) setup(root / "setup", dir);
    const std::map<std::string, std::string> before = filesunder(dir);
    ::setenv("SOURCE_DATE_EPOCH", sourcedateepoch, 1);
    const auto result =
        testsupport::runprogram(RT_OUTLOOK_PATH, wordsof(readfile(root / "args")), dir, "rerove_outlook");
    const std::string where = dir.string();
    outcome o{replaced(result.out, where, workdirmark), replaced(result.err, where, workdirmark), result.status, {}};
    for (auto& [name, bytes] : filesunder(dir)) {
        const auto old = before.find(name);
        if (old != before.end() && old->second == bytes) continue;
        if (name.ends_with(".nc")) {
            const auto dump = testsupport::runprogram(RT_NCDUMP, {name}, dir, "ncdump");
            o.files[name + ".cdl"] = dump.out;
        } else {
            o.files[name] = replaced(bytes, where, workdirmark);
        }
    }
    return o;
}

void update(const fs::path& root, const outcome& o) {
    testsupport::writefile(root / "stdout", o.out);
    testsupport::writefile(root / "stderr", o.err);
    testsupport::writefile(root / "exit_status", std::to_string(o.status) + "\n");
    fs::remove_all(root / "expected");
    for (const auto& [name, bytes] : o.files) {
        fs::create_directories((root / "expected" / name).parent_path());
        testsupport::writefile(root / "expected" / name, bytes);
    }
}

std::vector<std::string> goldenruns() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(RT_OUTLOOK_GOLDEN_DIR)) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class OutlookGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(OutlookGolden, MatchesEveryByte) {
    const fs::path root = fs::path(RT_OUTLOOK_GOLDEN_DIR) / GetParam();
    if (std::string_view(RT_NCDUMP).empty() && fs::exists(root / "args") &&
        readfile(root / "args").find(".nc") != std::string::npos)
        GTEST_SKIP() << "no ncdump to read the NetCDF file with";
    scratchdir dir;
    const outcome o = runcase(root, dir.path());
    if (HasFatalFailure()) return;
    const char* updating = std::getenv("RT_GOLDEN_UPDATE");
    if (updating != nullptr && std::string_view(updating) == "1") {
        update(root, o);
        GTEST_SKIP() << "written into " << root;
    }
    EXPECT_EQ(o.out, readfile(root / "stdout"));
    EXPECT_EQ(o.err, readfile(root / "stderr"));
    EXPECT_EQ(o.status, std::stoi(readfile(root / "exit_status")));
    const std::map<std::string, std::string> expected = filesunder(root / "expected");
    for (const auto& [name, bytes] : expected) {
        const auto got = o.files.find(name);
        if (got == o.files.end())
            ADD_FAILURE() << name << " was not written";
        else
            EXPECT_EQ(got->second, bytes) << name;
    }
    for (const auto& [name, bytes] : o.files) EXPECT_TRUE(expected.contains(name)) << name << " was written too";
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Runs, OutlookGolden, ::testing::ValuesIn(goldenruns()),
                         [](const ::testing::TestParamInfo<std::string>& run) {
                             std::string name = run.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });
