// rerove_outlook check against what rerove_tivorn then does in a copy of the
// same directory: exit status, tables written and the first failure message.
#include <gtest/gtest.h>

#include "calendar_support.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "tool_support.hpp"

namespace fs = std::filesystem;
using childrun::runresult;
using testsupport::scratchdir;
using testsupport::seqof;

namespace {

// The lines of a console text, each without the tool's leading blank.
std::vector<std::string> linesof(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        if (line.starts_with(' ')) line.erase(0, 1);
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// The first line the tool printed that is neither its greeting nor a warning of
// a skipped name.
std::string firstfailure(const std::string& out) {
    for (const std::string& line : linesof(out)) {
        if (line.starts_with("Processing ") || line.starts_with("Rerove_TIVORN: Skipping ")) continue;
        return line;
    }
    return {};
}

std::size_t tablecount(const std::map<std::string, std::string>& files) {
    return static_cast<std::size_t>(std::count_if(files.begin(), files.end(), [](const auto& f) {
        return f.first.find("DNBS_") != std::string::npos && f.first.ends_with(".txt");
    }));
}

class Check : public ::testing::Test {
protected:
    // Writes scenario files as make_scenarios does.
    void make(std::int32_t lakeindex, std::int32_t firstyear, std::int32_t lastyear, std::int32_t days,
              std::vector<scenariofiles::scenariorequest::omittedfile> omissions = {}) {
        scenariofiles::scenariorequest request;
        request.lakeindex = lakeindex;
        for (std::int32_t y = firstyear; y <= lastyear; ++y) request.years.push_back(y);
        request.firstday = first;
        request.days = days;
        request.dir = set();
        request.omissions = std::move(omissions);
        std::int32_t written = 0;
        std::string error;
        ASSERT_TRUE(scenariofiles::writescenarios(request, written, error)) << error;
    }

    fs::path set() const { return dir_.path() / "set"; }

    // Runs check on the set, then the tool on a copy of it, and holds the two
    // against each other. Gives the check's report.
    std::string compare(const std::string& lake, int expectedstatus) {
        fs::create_directories(set());
        const auto before = testsupport::snapshot(set());
        const runresult check =
            testsupport::runprogram(RT_OUTLOOK_PATH, {"check", lake, set().string()}, dir_.path(), "rerove_outlook");
        EXPECT_EQ(testsupport::snapshot(set()), before) << "check changed the directory";
        EXPECT_EQ(check.status, expectedstatus) << check.out;

        const fs::path copy = dir_.path() / "copy";
        fs::remove_all(copy);
        fs::copy(set(), copy);
        const runresult tool = testsupport::runtool({lake}, copy);
        const std::size_t tables = tablecount(testsupport::snapshot(copy)) - tablecount(before);
        const std::vector<std::string> lines = linesof(check.out);
        const std::string last = lines.empty() ? "" : lines.back();
        const std::string run = "rerove_tivorn " + lake + " would ";
        if (tool.status != 0) {
            EXPECT_EQ(check.status, 1);
            EXPECT_EQ(last, run + "fail; the first message it prints: " + firstfailure(tool.out)) << tool.out;
        } else if (tables == 0) {
            EXPECT_EQ(check.status, 2);
            EXPECT_EQ(last, run + "succeed and write nothing");
        } else {
            EXPECT_EQ(check.status, 0);
            EXPECT_TRUE(last.starts_with(run + "write " + std::to_string(tables) + " table")) << last;
        }
        return check.out;
    }

    static bool has(const std::string& report, std::string_view text) { return report.find(text) != std::string::npos; }

    const std::int32_t first = seqof(1, 6, 2024);
    scratchdir dir_;
};

TEST_F(Check, GoodSetWritesEveryYear) {
    make(2, 1950, 1952, 40);
    const std::string report = compare("MHU", 0);
    EXPECT_TRUE(has(report, "Part .hur: 3 scenario files, years 1950-1952\n")) << report;
    EXPECT_TRUE(has(report, "Outlook span: 2024-06-01 to 2024-07-10, 40 days\n")) << report;
    EXPECT_TRUE(has(report, "would write 3 tables, mhDNBS_<year>.txt for 1950-1952\n")) << report;
}

TEST_F(Check, EmptyDirectoryAndWrongLakeWriteNothing) {
    fs::create_directories(set());
    EXPECT_TRUE(has(compare("SUP", 2), "Part .sup: no scenario file\n"));
    make(2, 1950, 1951, 5);
    const std::string report = compare("sup", 2);
    EXPECT_TRUE(has(report, "ignored 2 scenario files of part .hur (another lake's)")) << report;
    // A part of the lake without a single file leaves no common year.
    fs::remove(set() / "REROVE1950.geo");
    fs::remove(set() / "REROVE1951.geo");
    EXPECT_TRUE(has(compare("MHU", 2), "No scenario year is common to all parts\n"));
}

TEST_F(Check, UnknownLakeCodeFailsAsTheToolDoes) {
    make(1, 1950, 1950, 5);
    EXPECT_TRUE(has(compare("xyz", 1), "Invalid lake code: xyz\n"));
    EXPECT_TRUE(has(compare("Superiority", 0), "would write 1 table, spDNBS_<year>.txt for 1950\n"));
}

TEST_F(Check, YearMissingFromOnePartIsDroppedAndNamed) {
    make(2, 1950, 1953, 10, {{3, 1951}});
    const std::string report = compare("MHU", 0);
    EXPECT_TRUE(has(report, "Year 1951 dropped: REROVE1951.hur is missing\n")) << report;
    EXPECT_TRUE(has(report, "Scenario years (3): 1950, 1952-1953\n")) << report;
}

TEST_F(Check, SkippedNamesAreExplained) {
    make(1, 1950, 1951, 5);
    testsupport::writefile(set() / "REROVEabcd.sup", "x");
    fs::copy_file(set() / "REROVE1950.sup", set() / "REROVE1952.SUP");
    const std::string report = compare("SUP", 0);
    EXPECT_TRUE(has(report, "skipped REROVEabcd.sup: no year in its name")) << report;
    EXPECT_TRUE(has(report, "skipped REROVE1952.SUP: not spelt REROVE????.sup")) << report;
}

TEST_F(Check, InconsistentStartDatesAreListedWithBothDates) {
    make(2, 1950, 1952, 10);
    testsupport::writeconstant(set() / "REROVE1951.geo", first + 2, first + 9, {1, 1, 1});
    testsupport::writeconstant(set() / "REROVE1952.mic", first + 1, first + 9, {1, 1, 1});
    const std::string report = compare("MHU", 1);
    EXPECT_TRUE(has(report, "REROVE1951.geo: starts on 2024-06-03, not on the outlook's first day 2024-06-01\n"));
    EXPECT_TRUE(has(report, "REROVE1952.mic: starts on 2024-06-02, not on the outlook's first day 2024-06-01\n"));
    EXPECT_TRUE(has(report, "first message it prints: Error!! REROVE1951.geo inconsistent forecast start date\n"));
}

TEST_F(Check, MoreThan75YearsFail) {
    make(1, 1900, 1975, 2);
    const std::string report = compare("SUP", 1);
    EXPECT_TRUE(has(report, "Part .sup: 76 scenario files, years 1900-1975\n")) << report;
    EXPECT_TRUE(has(report, "Too many outlook years available for Rerove_TIVORN!\n")) << report;
    fs::remove(set() / "REROVE1975.sup");
    compare("SUP", 0);
}

TEST_F(Check, TruncatedFilesFailAndShortSpansAreMissingDays) {
    make(1, 1950, 1953, 10);
    // Ends two days before the others, by its header: written with missing days.
    testsupport::writeconstant(set() / "REROVE1953.sup", first, first + 7, {1, 1, 1});
    std::string report = compare("SUP", 0);
    EXPECT_TRUE(has(report,
                    "Year 1953: REROVE1953.sup ends on 2024-06-08; its last 2 days (2024-06-09 to "
                    "2024-06-10) would be written as missing\n"))
        << report;
    // Cut inside its day records, and too short for a header at all.
    fs::resize_file(set() / "REROVE1951.sup", rerove_tivorn_subs::scenariorecordlength * 6 + 5);
    report = compare("SUP", 1);
    EXPECT_TRUE(has(report,
                    "REROVE1951.sup: too short for its header: it holds 5 of the 10 days from 2024-06-01 to "
                    "2024-06-10\n"))
        << report;
    fs::resize_file(set() / "REROVE1952.sup", 10);
    report = compare("SUP", 1);
    EXPECT_TRUE(has(report, "REROVE1952.sup: too short for its header (10 bytes; the header takes 24)\n")) << report;
    EXPECT_TRUE(has(report, "first message it prints: Rerove_TIVORN: Error reading REROVE1952.sup\n")) << report;
}

TEST_F(Check, TablesLeftByStoppedRunsOfTheLakeAreRemoved) {
    make(1, 1950, 1950, 5);
    for (const char* name : {"spDNBS_1950.4242.tmp", "mhDNBS_1950.17.tmp", "spDNBS_1950.tmp"})
        testsupport::writefile(set() / name, "part of a table");
    const std::string report = compare("SUP", 0);
    EXPECT_TRUE(has(report, "spDNBS_1950.4242.tmp: a table left by a stopped run; the tool would remove it\n"))
        << report;
    EXPECT_FALSE(has(report, "mhDNBS_1950.17.tmp")) << report;  // another lake's
    EXPECT_FALSE(has(report, "spDNBS_1950.tmp")) << report;     // not a name the tool writes
    const fs::path copy = dir_.path() / "copy";
    EXPECT_FALSE(fs::exists(copy / "spDNBS_1950.4242.tmp"));
    EXPECT_TRUE(fs::exists(copy / "mhDNBS_1950.17.tmp") && fs::exists(copy / "spDNBS_1950.tmp"));
}

TEST_F(Check, ANameTheToolCannotOpenFails) {
    // Year 950 is listed from REROVE0950.sup but looked for as "REROVE 950.sup".
    make(1, 1950, 1950, 5);
    fs::copy_file(set() / "REROVE1950.sup", set() / "REROVE0950.sup");
    const std::string report = compare("SUP", 1);
    EXPECT_TRUE(has(report, "first message it prints: Rerove_TIVORN: Error opening REROVE 950.sup\n")) << report;
}

TEST_F(Check, ASpanPastTheCalendarFailsInTheWriter) {
    // Damaged headers: the assembly goes through, the first table does not.
    fs::create_directories(set());
    testsupport::writeconstant(set() / "REROVE1950.sup", seqof(25, 12, 2999), seqof(4, 1, 3000), {1, 1, 1});
    const std::string report = compare("SUP", 1);
    EXPECT_TRUE(has(report, "first message it prints: Bad parameter in routine DaysInMonth\n")) << report;
}

TEST_F(Check, NotADirectoryIsAFailureOfCheckItself) {
    const runresult check =
        testsupport::runprogram(RT_OUTLOOK_PATH, {"check", "SUP", "nowhere"}, dir_.path(), "rerove_outlook");
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err, "rerove_outlook: nowhere: not a directory\n");
    EXPECT_EQ(check.out, "");
}

}  // namespace
