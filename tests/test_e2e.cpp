// The built tool, run in scratch directories and compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "calendar_support.hpp"
#include "tool_support.hpp"

namespace fs = std::filesystem;
using testsupport::scenarioday;
using testsupport::runtool;
using testsupport::seqof;
using testsupport::scratchdir;
using testsupport::snapshot;
using testsupport::writeconstant;
using testsupport::writescenario;

namespace {

const std::string errorint = " This ERROR.INT file created by MIRT forecast package\r\n";
const std::string usage =
    " USAGE: Rerove_TIVORN lakename\n"
    "    lakename = SUP, MHU, STC, ERI, ONT\n"
    "    Can specify one of those.\n";
const std::string maintrace = " [traceback] : Rerove_TIVORN Main...\n";
const std::string assemblytrace = " [traceback] : GetDailyOtlkNBS...\n";
const std::string writertrace = " [traceback] : WrtTIVORN_Otlk_Daily...\n";

// 12 mm runoff, 30 mm precipitation and 5 mm evaporation a day: 1241.613 thousand
// cubic feet per second over Lake Superior, 3515.86 tens of cubic metres per second.
constexpr scenarioday typical{12.0F, 30.0F, 5.0F};
constexpr scenarioday missing{-1.0F, 30.0F, 5.0F};
constexpr scenarioday dry{0.0F, 0.0F, 0.0F};

std::string header(std::string_view lake8, std::int32_t y1, std::int32_t y2) {
    return "# LAKE " + std::string(lake8) + " DAILY NET BASIN SUPPLIES (CMS*10)\r\n" +
           "#                [e.g. 149 = 1490 cms]\r\n" + "# " + std::to_string(y1) + " to " + std::to_string(y2) +
           "\r\n" + "# Fortran format: I5, I3, I2, 12F8.0\r\n" + "INTERVAL: Daily\r\n" + "UNITS: 10m3s\r\n" +
           "#  YR  M Q       1       2       3       4       5       6       7       8\r\n";
}

std::vector<std::string> argsof(const fs::path& file) {
    std::istringstream in(testsupport::readfile(file));
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

}  // namespace

// ---------------------------------------------------------------------------
// Reference runs
// ---------------------------------------------------------------------------

class Golden : public ::testing::TestWithParam<std::string> {};

// Every folder under the golden data directory is a reference run, by name. A run
// whose whole outcome is known bytes belongs there; the cases below compute their
// inputs or check properties.
std::vector<std::string> goldenruns() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(RT_GOLDEN_DIR)) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_P(Golden, MatchesEveryByte) {
    const fs::path root = fs::path(RT_GOLDEN_DIR) / GetParam();
    scratchdir dir;
    if (fs::exists(root / "input")) {
        for (const auto& entry : fs::directory_iterator(root / "input")) {
            fs::copy_file(entry.path(), dir.path() / entry.path().filename());
            fs::permissions(dir.path() / entry.path().filename(), fs::perms::owner_read | fs::perms::owner_write);
        }
    }
    const auto result = runtool(argsof(root / "args"), dir.path());
    EXPECT_EQ(result.out, testsupport::readfile(root / "stdout"));
    EXPECT_EQ(result.status, std::stoi(testsupport::readfile(root / "exit_status")));
    EXPECT_EQ(snapshot(dir.path()), snapshot(root / "expected"));
}

INSTANTIATE_TEST_SUITE_P(ReferenceRuns, Golden, ::testing::ValuesIn(goldenruns()),
                         [](const ::testing::TestParamInfo<std::string>& run) {
                             std::string name = run.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

// ---------------------------------------------------------------------------
// Command line and lakes
// ---------------------------------------------------------------------------

TEST(CommandLine, LakeCodesInAnyCase) {
    scratchdir dir;
    for (const char* arg : {"sup", "SUP", "Sup", "Superior"}) {
        const auto result = runtool({arg, "ignored", "words"}, dir.path());
        EXPECT_EQ(result.out, " Processing Superior\n") << arg;
        EXPECT_EQ(result.status, 0);
    }
    const auto result = runtool({"mhu"}, dir.path());
    EXPECT_EQ(result.out, " Processing Mich-Huron\n");
    EXPECT_EQ(snapshot(dir.path()).size(), 0U);  // no tables, no listing, no ERROR.INT
}

TEST(CommandLine, LongProgramPathDoesNotCrowdOutTheLakeCode) {
    scratchdir dir;
    const auto result = runtool({"ont"}, dir.path(), "/opt/" + std::string(120, 'd') + "/bin/rerove_tivorn");
    EXPECT_EQ(result.out, " Processing Ontario\n");
    EXPECT_EQ(result.status, 0);
}

TEST(CommandLine, RefusedCodes) {
    scratchdir dir;
    auto result = runtool({"Mich"}, dir.path());
    EXPECT_EQ(result.out, " Invalid lake code: Mic\n" + usage + maintrace);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(testsupport::readfile("ERROR.INT"), errorint);
    result = runtool({"er"}, dir.path());
    EXPECT_EQ(result.out, " Invalid lake code: er\n" + usage + maintrace);
    result = runtool({std::string(40, 'x')}, dir.path());
    EXPECT_EQ(result.out, " Invalid lake code: xxx\n" + usage + maintrace);
    EXPECT_EQ(result.status, 1);
}

TEST(Lakes, EachLakeNamesItsTables) {
    struct lakecase {
        const char* arg;
        const char* suffix;
        const char* table;
        const char* name8;
        const char* processing;
    };
    const std::int32_t first = seqof(1, 6, 2010);
    for (const lakecase& l : {lakecase{"sup", "sup", "spDNBS_1961.txt", "Superior", "Superior"},
                              lakecase{"stc", "stc", "scDNBS_1961.txt", "Stclair ", "Stclair"},
                              lakecase{"eri", "eri", "erDNBS_1961.txt", "Erie    ", "Erie"},
                              lakecase{"ont", "ont", "onDNBS_1961.txt", "Ontario ", "Ontario"}}) {
        scratchdir dir;
        writeconstant(std::string("REROVE1961.") + l.suffix, first, first + 29, dry);
        const auto result = runtool({l.arg}, dir.path());
        EXPECT_EQ(result.out, std::string(" Processing ") + l.processing + "\n");
        ASSERT_EQ(result.status, 0);
        const std::string table = testsupport::readfile(l.table);
        EXPECT_TRUE(table.starts_with(header(l.name8, 2010, 2010))) << l.arg;
        EXPECT_EQ(snapshot(dir.path()).size(), 2U);
    }
}

// ---------------------------------------------------------------------------
// Whole tables derived by hand
// ---------------------------------------------------------------------------

TEST(Tables, SpanWithinOneMonth) {
    scratchdir dir;
    std::vector<scenarioday> days(10, typical);
    days[2] = missing;
    days[3] = dry;
    writescenario("REROVE1950.sup", seqof(1, 6, 2010), seqof(10, 6, 2010), days);
    const auto result = runtool({"SUP"}, dir.path());
    EXPECT_EQ(result.out, " Processing Superior\n");
    EXPECT_EQ(result.status, 0);
    const std::string fill = " -99999.";
    const std::string v = "   3516.";
    EXPECT_EQ(testsupport::readfile("spDNBS_1950.txt"),
              header("Superior", 2010, 2010) +                                                     //
                  " 2010  6 1" + v + v + " -28317." + "      0." + v + v + v + v + "\r\n" +        // 1-8
                  " 2010  6 2" + v + v + fill + fill + fill + fill + fill + "\r\n" +               // 9-15
                  " 2010  6 3" + fill + fill + fill + fill + fill + fill + fill + fill + "\r\n" +  // 16-23
                  " 2010  6 4" + fill + fill + fill + fill + fill + fill + fill + "\r\n");         // 24-30
    EXPECT_FALSE(fs::exists("DLYLIST.TMP"));
}

TEST(Tables, RowLengthsFollowTheMonths) {
    scratchdir dir;
    // 1 January 2000 to 31 March 2001: a leap February, then a common one.
    writeconstant("REROVE2000.eri", seqof(1, 1, 2000), seqof(31, 3, 2001), dry);
    ASSERT_EQ(runtool({"ERI"}, dir.path()).status, 0);
    std::istringstream in(testsupport::readfile("erDNBS_2000.txt"));
    std::vector<std::size_t> lengths;
    std::vector<std::string> keys;
    std::size_t n = 0;
    for (std::string line; std::getline(in, line); ++n) {
        ASSERT_TRUE(line.ends_with("\r"));
        if (n < 7) continue;
        lengths.push_back(line.size() - 1);
        keys.push_back(line.substr(0, 10));
    }
    ASSERT_EQ(lengths.size(), 15U * 4);
    EXPECT_EQ(keys.front(), " 2000  1 1");
    EXPECT_EQ(keys.back(), " 2001  3 4");
    const std::vector<std::size_t> jan = {74, 66, 74, 74}, febleap = {66, 66, 66, 74}, feb = {66, 66, 66, 66},
                                   apr = {74, 66, 74, 66};
    EXPECT_EQ(std::vector<std::size_t>(lengths.begin(), lengths.begin() + 4), jan);
    EXPECT_EQ(std::vector<std::size_t>(lengths.begin() + 4, lengths.begin() + 8), febleap);
    EXPECT_EQ(std::vector<std::size_t>(lengths.begin() + 12, lengths.begin() + 16), apr);
    EXPECT_EQ(std::vector<std::size_t>(lengths.begin() + 52, lengths.begin() + 56), feb);
}

// ---------------------------------------------------------------------------
// Rounding near half a unit
// ---------------------------------------------------------------------------

// Each day below lands within a few units in the last place of x.5 in the table,
// so that rounding once more or once less anywhere from the millimetres of the
// file to the tens of cubic metres per second moves its printed value. The days
// were found once by a search over values in hundredths of a millimetre, every
// step of the conversions computed in single and double precision apart from the
// tool; the comments give the single-precision table value before printing.
// Below 2^22 tens of cubic metres per second, dividing by ten and multiplying by
// 0.1F always print alike, hence the flows of tens of metres a day.

namespace {
// Runs the tool on the lake in the current directory and checks its console and
// its one table, of June 2010 with values on the first four days only.
void expectfourjunedays(const std::string& lake, const std::string& out, const std::string& table,
                        std::string_view lake8, const std::string& values) {
    const auto result = runtool({lake}, fs::current_path());
    EXPECT_EQ(result.out, out);
    EXPECT_EQ(result.status, 0);
    const std::string fill = " -99999.";
    std::string rows = " 2010  6 1" + values + fill + fill + fill + fill + "\r\n";
    for (const int q : {2, 3, 4}) {
        rows += " 2010  6 " + std::to_string(q);
        for (int i = 0; i < (q == 3 ? 8 : 7); ++i) rows += fill;
        rows += "\r\n";
    }
    EXPECT_EQ(testsupport::readfile(table), header(lake8, 2010, 2010) + rows);
}
}  // namespace

TEST(Rounding, OnePartLakeNearHalves) {
    scratchdir dir;
    writescenario("REROVE1950.sup", seqof(1, 6, 2010), seqof(4, 6, 2010),
                  {{45.68F, 0.61F, 16.05F},       // 2873.5 exactly: rounded once after r + p - e
                   {22.81F, 45.47F, 46.68F},      // 2052.4998, one unit below the half
                   {5.72F, 75801.08F, 7.43F},     // 7202695.0, one unit below the half
                   {7.71F, 29.95F, 85029.06F}});  // -8076151.0, out of range
    expectfourjunedays("sup",
                       " Processing Superior\n"
                       "  NBS value out of range for (Y-M-Q-D) 2010-06-1-4 = -8076151.0\n",  // a blank of its own
                       "spDNBS_1950.txt", "Superior", "   2874.   2052.7202695.********");
}

TEST(Rounding, ThreePartLakeNearHalves) {
    scratchdir dir;
    const std::int32_t first = seqof(1, 6, 2010);
    // Four days of each part: Michigan, Huron and Georgian Bay.
    writescenario(
        "REROVE1950.mic", first, first + 3,
        {{7.01F, 34.74F, 24.14F}, {44.24F, 12.94F, 46.43F}, {15.67F, 41.38F, 27.26F}, {32.27F, 43894.04F, 24.54F}});
    writescenario(
        "REROVE1950.hur", first, first + 3,
        {{19.18F, 0.2F, 20.42F}, {20.48F, 48.51F, 4.34F}, {22.44F, 46.35F, 16.8F}, {19.07F, 44188.88F, 47.97F}});
    writescenario(
        "REROVE1950.geo", first, first + 3,
        {{37.05F, 9.16F, 26.34F}, {30.58F, 25.05F, 46.19F}, {39.14F, 45.79F, 12.12F}, {12.71F, 43922.74F, 31.9F}});
    // 1650.5 exactly: the area-weighted sums over the parts are rounded once each;
    // 3554.4995, two units below the half; 6040.5 exactly: rounded once after
    // r + p - e; 5972483.0, one unit below the half.
    expectfourjunedays("mhu", " Processing Mich-Huron\n", "mhDNBS_1950.txt", "Mich-Hur",
                       "   1651.   3554.   6041.5972483.");
}

// ---------------------------------------------------------------------------
// Discovery
// ---------------------------------------------------------------------------

TEST(Discovery, OnlyYearsEveryPartHas) {
    scratchdir dir;
    const std::int32_t first = seqof(1, 6, 2010);
    for (const char* name : {"REROVE1950.mic", "REROVE1951.mic", "REROVE1952.mic", "REROVE1950.hur", "REROVE1951.hur",
                             "REROVE1951.geo", "REROVE1952.geo"})
        writeconstant(name, first, first + 9, typical);
    fs::create_directory("REROVE1953.mic");  // a directory is no scenario file
    const auto result = runtool({"mhu"}, dir.path());
    EXPECT_EQ(result.out, " Processing Mich-Huron\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(fs::exists("mhDNBS_1951.txt"));
    EXPECT_FALSE(fs::exists("mhDNBS_1950.txt"));
    EXPECT_FALSE(fs::exists("mhDNBS_1952.txt"));
    EXPECT_FALSE(fs::exists("DLYLIST.TMP"));
}

TEST(Discovery, SeventyFiveYearsAcceptedSeventySixRefused) {
    scratchdir dir;
    const std::int32_t first = seqof(1, 6, 2010);
    for (std::int32_t y = 1901; y <= 1975; ++y) writeconstant("REROVE" + std::to_string(y) + ".ont", first, first, dry);
    auto result = runtool({"ont"}, dir.path());
    EXPECT_EQ(result.out, " Processing Ontario\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(fs::exists("onDNBS_1975.txt"));

    writeconstant("REROVE1976.ont", first, first, dry);
    writeconstant("REROVE1977.ont", first, first, dry);
    result = runtool({"ont"}, dir.path());
    EXPECT_EQ(result.out,
              " Processing Ontario\n"
              " Too many outlook years available for Rerove_TIVORN!\n"
              " Either increase parameter \"MaxScen\" ..OR..\n"
              " reduce the number of outlook years used!\n"
              "  There were 76 years available, but MaxScen is only 75\n" +
                  assemblytrace + maintrace);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(fs::exists("DLYLIST.TMP"));  // left as it was when the limit was hit
    EXPECT_EQ(testsupport::readfile("ERROR.INT"), errorint);
}

TEST(Discovery, ASignWithoutDigitsIsNoYear) {
    scratchdir dir;
    writeconstant("REROVE+   .sup", seqof(1, 6, 2010), seqof(8, 6, 2010), dry);
    writeconstant("REROVE -  .sup", seqof(1, 6, 2010), seqof(8, 6, 2010), dry);
    writeconstant("REROVE1950.sup", seqof(1, 6, 2010), seqof(8, 6, 2010), dry);
    const auto result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.out,
              " Processing Superior\n"
              " Rerove_TIVORN: Skipping REROVE -  .sup (no year in its name)\n"
              " Rerove_TIVORN: Skipping REROVE+   .sup (no year in its name)\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(fs::exists("spDNBS_1950.txt"));
    EXPECT_FALSE(fs::exists("ERROR.INT"));
}

// ---------------------------------------------------------------------------
// Failures
// ---------------------------------------------------------------------------

TEST(Failures, ErrorFileReplacesADanglingLink) {
    scratchdir dir;
    fs::create_symlink("gone/ERROR.INT", "ERROR.INT");
    auto result = runtool({}, dir.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("ERROR.INT")));
    EXPECT_EQ(testsupport::readfile("ERROR.INT"), errorint);

    // A directory of that name cannot be replaced: the console says so.
    fs::remove("ERROR.INT");
    fs::create_directory("ERROR.INT");
    result = runtool({"xyz"}, dir.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out.substr(result.out.size() - 26), " Error creating ERROR.INT\n");
    EXPECT_TRUE(fs::is_directory("ERROR.INT"));
}

TEST(Failures, TruncatedFiles) {
    scratchdir dir;
    writescenario("REROVE1950.sup", seqof(1, 6, 2010), seqof(8, 6, 2010), std::vector<scenarioday>(5, dry));
    auto result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.out,
              " Processing Superior\n Rerove_TIVORN: Error reading REROVE1950.sup\n" + assemblytrace + maintrace);
    EXPECT_EQ(result.status, 1);
    EXPECT_FALSE(fs::exists("spDNBS_1950.txt"));

    testsupport::writefile("REROVE1950.sup", std::string(20, '\0'));  // not even a header
    result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.out,
              " Processing Superior\n Rerove_TIVORN: Error reading REROVE1950.sup\n" + assemblytrace + maintrace);
    testsupport::writefile("REROVE1950.sup", "");
    result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.status, 1);
}

TEST(Failures, InvalidAndOverlongPeriods) {
    scratchdir dir;
    writeconstant("REROVE1950.sup", seqof(1, 6, 2010), seqof(8, 6, 2010), dry);
    writescenario("REROVE1951.sup", seqof(8, 6, 2010), seqof(1, 6, 2010), {});
    auto result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.out, " Processing Superior\n Rerove_TIVORN: Invalid data period in REROVE1951.sup\n" +
                              assemblytrace + maintrace);
    EXPECT_EQ(result.status, 1);

    writescenario("REROVE1951.sup", seqof(1, 6, 2010), seqof(1, 6, 2010) + 20000, {});
    result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.out,
              " Processing Superior\n Rerove_TIVORN: Outlook period of 20001 days exceeds the limit of 20000 days\n" +
                  assemblytrace + maintrace);
    EXPECT_EQ(result.status, 1);
    EXPECT_FALSE(fs::exists("spDNBS_1950.txt"));
}

TEST(Failures, SpanOfTwentyThousandDaysAcceptedOneMoreRefused) {
    scratchdir dir;
    // 31 March 2006 to 31 December 2060: 20000 days, the most dlyotlk holds.
    const std::int32_t last = seqof(31, 12, 2060);
    std::vector<scenarioday> days(20000, dry);
    days.front() = typical;
    days.back() = typical;
    writescenario("REROVE1950.sup", last - 19999, last, days);
    auto result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.out, " Processing Superior\n");
    EXPECT_EQ(result.status, 0);
    const std::string table = testsupport::readfile("spDNBS_1950.txt");
    const std::string fill = " -99999.", zero = "      0.";
    EXPECT_TRUE(table.starts_with(header("Superior", 2006, 2060) + " 2006  3 1" + fill));
    EXPECT_NE(table.find(" 2006  3 4" + fill + fill + fill + fill + fill + fill + fill + "   3516.\r\n"),
              std::string::npos);
    EXPECT_TRUE(table.ends_with(" 2060 12 4" + zero + zero + zero + zero + zero + zero + zero + "   3516.\r\n"));

    days.insert(days.begin(), dry);
    writescenario("REROVE1950.sup", last - 20000, last, days);
    result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.out,
              " Processing Superior\n Rerove_TIVORN: Outlook period of 20001 days exceeds the limit of 20000 days\n" +
                  assemblytrace + maintrace);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(testsupport::readfile("ERROR.INT"), errorint);
}

TEST(Failures, DatesOutsideTheCalendarStopCleanly) {
    scratchdir dir;
    // A header before the first day of the calendar: the span reaches from it to
    // the latest last day, which starts out as 1 January 999.
    writescenario("REROVE1950.sup", -5, -3, std::vector<scenarioday>(3, dry));
    auto result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.ends_with(assemblytrace + maintrace)) << result.out;
    EXPECT_EQ(testsupport::readfile("ERROR.INT"), errorint);

    // A span that runs into year 3000: the writer stops inside its first table,
    // which is not left behind cut short.
    writescenario("REROVE1950.sup", seqof(30, 12, 2999), seqof(30, 12, 2999) + 3, std::vector<scenarioday>(4, dry));
    result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.ends_with(writertrace + maintrace)) << result.out;
    EXPECT_EQ(snapshot(dir.path()).size(), 2U);  // the scenario file and ERROR.INT

    // Extreme values.
    writescenario("REROVE1950.sup", -2147483647 - 1, 2147483647, {});
    result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.ends_with(assemblytrace + maintrace)) << result.out;
}

TEST(Failures, FullDiskWhileWriting) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    scratchdir dir;
    writeconstant("REROVE1950.sup", seqof(1, 6, 2010), seqof(8, 6, 2010), dry);
    fs::create_symlink("/dev/full", "spDNBS_1950.txt");
    const auto result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.out,
              " Processing Superior\n RerOve_TIVORN: Error writing spDNBS_1950.txt\n" + writertrace + maintrace);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(testsupport::readfile("ERROR.INT"), errorint);
    // A link to a device is written through in place; nothing else is left.
    EXPECT_TRUE(fs::is_symlink("spDNBS_1950.txt"));
    EXPECT_EQ(snapshot(dir.path()).size(), 2U);  // the scenario file and ERROR.INT
}

TEST(Failures, ListingCannotBeWritten) {
    scratchdir dir;
    fs::create_directory("DLYLIST.TMP");
    const auto result = runtool({"sup"}, dir.path());
    EXPECT_EQ(result.out,
              " Processing Superior\n Rerove_TIVORN: Error opening DLYLIST.TMP\n" + assemblytrace + maintrace);
    EXPECT_EQ(result.status, 1);
}
