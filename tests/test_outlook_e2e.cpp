// rerove_outlook run on the tables that rerove_tivorn writes in a scratch directory.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "calendar_support.hpp"
#include "tool_support.hpp"

namespace fs = std::filesystem;
using testsupport::scenarioday;
using childrun::runresult;
using testsupport::scratchdir;
using testsupport::seqof;

namespace {

runresult outlook(const std::vector<std::string>& args, const fs::path& dir = ".") {
    return testsupport::runprogram(RT_OUTLOOK_PATH, args, dir, "rerove_outlook");
}

// 12 mm runoff, 30 mm precipitation and 5 mm evaporation over Lake Superior:
// 3515.86 tens of m3/s, written 3516., read back as 35160 m3/s.
constexpr scenarioday typical{12.0F, 30.0F, 5.0F};
constexpr scenarioday dry{0.0F, 0.0F, 0.0F};
constexpr scenarioday missing{-1.0F, 30.0F, 5.0F};

// Superior, 29 November to 2 December 2024 (quarter-months 29-30 Nov and 1-2 Dec):
// 1950 and 1953 typical, 1951 dry, 1952 typical but for a missing 1 December.
class OutlookRun : public ::testing::Test {
protected:
    void SetUp() override {
        const std::int32_t first = seqof(29, 11, 2024);
        for (const std::int32_t year : {1950, 1953}) testsupport::writeconstant(file(year), first, first + 3, typical);
        testsupport::writeconstant(file(1951), first, first + 3, dry);
        testsupport::writescenario(file(1952), first, first + 3, {typical, typical, missing, typical});
        const runresult tool = testsupport::runtool({"SUP"}, dir_.path());
        ASSERT_EQ(tool.status, 0) << tool.out;
    }
    static std::string file(std::int32_t year) { return "REROVE" + std::to_string(year) + ".sup"; }
    scratchdir dir_;
};

TEST_F(OutlookRun, DumpsATableAndAScenarioFileAsCsv) {
    const runresult table = outlook({"dump", "spDNBS_1952.txt"});
    EXPECT_EQ(table.status, 0);
    EXPECT_EQ(table.out, "date,nbs_m3s\n2024-11-29,35160\n2024-11-30,35160\n2024-12-01,\n2024-12-02,35160\n");
    const runresult scenario = outlook({"dump", "REROVE1951.sup"});
    EXPECT_EQ(scenario.status, 0);
    EXPECT_EQ(scenario.out,
              "# first day 2024-11-29, last day 2024-12-02\ndate,runoff_mm,precip_mm,evap_mm\n2024-11-29,0,0,0\n"
              "2024-11-30,0,0,0\n2024-12-01,0,0,0\n2024-12-02,0,0,0\n");
}

const std::string summaryheader =
    "first_date,last_date,scenarios,missing,min_m3s,exceed90_m3s,exceed50_m3s,exceed10_m3s,mean_m3s,max_m3s\n";

// Statistics by hand for one to four scenarios, with ties and a missing day.
TEST_F(OutlookRun, SummaryOfOneToFourScenarios) {
    EXPECT_EQ(outlook({"summary", "--period", "outlook", "spDNBS_1950.txt"}).out,
              summaryheader + "2024-11-29,2024-12-02,1,0,35160,35160,35160,35160,35160,35160\n");
    EXPECT_EQ(outlook({"summary", "--period", "month", "spDNBS_1950.txt", "spDNBS_1951.txt"}).out,
              summaryheader + "2024-11-29,2024-11-30,2,0,0,0,17580,35160,17580,35160\n" +
                  "2024-12-01,2024-12-02,2,0,0,0,17580,35160,17580,35160\n");
    EXPECT_EQ(outlook({"summary", "spDNBS_1950.txt", "spDNBS_1951.txt", "spDNBS_1952.txt"}).out,
              summaryheader + "2024-11-29,2024-11-30,3,0,0,0,35160,35160,23440,35160\n" +
                  "2024-12-01,2024-12-02,2,1,0,0,17580,35160,17580,35160\n");
    const runresult all = outlook({"summary", "--lake", "sup"});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out, summaryheader + "2024-11-29,2024-11-30,4,0,0,0,35160,35160,26370,35160\n" +
                           "2024-12-01,2024-12-02,3,1,0,0,35160,35160,23440,35160\n");
}

// Tables named as files or directories, the current directory by default, data
// on standard output and messages on standard error.
TEST_F(OutlookRun, TablesOfDirectoriesAndTheCurrentOne) {
    const std::string all = outlook({"summary", "--lake", "sup"}).out;
    fs::create_directory("elsewhere");
    const runresult indir = outlook({"summary", ".."}, "elsewhere");
    EXPECT_EQ(indir.status, 0) << indir.err;
    EXPECT_EQ(indir.out, all);
    EXPECT_EQ(indir.err, "");
    EXPECT_EQ(outlook({"summary"}).out, all);
    const runresult empty = outlook({"summary"}, "elsewhere");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "rerove_outlook: .: holds no tables (<xx>DNBS_<year>.txt)\n");
    fs::copy_file("spDNBS_1950.txt", "erDNBS_1950.txt");
    const runresult two = outlook({"summary", "."});
    EXPECT_EQ(two.status, 1);
    EXPECT_EQ(two.err, "rerove_outlook: .: holds tables of SUP and ERI: name the lake with --lake\n");
    EXPECT_EQ(outlook({"summary", "--lake", "SUP", "."}).out, all);
}

TEST_F(OutlookRun, PlotWritesAChartThatParses) {
    const runresult run = outlook({"plot", "--lake", "SUP", "--traces", "--highlight", "1951", "-o", "chart.svg"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "chart.svg: fan chart of 4 scenarios\n");
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file("chart.svg"));
    EXPECT_EQ(doc.select_nodes("//polyline[@class='trace']").size(), 4U);
    EXPECT_EQ(doc.select_nodes("//polyline[@class='highlight']").size(), 1U);
    EXPECT_EQ(doc.select_nodes("//polygon[@class='band90']").size(), 1U);

    const runresult absent = outlook({"plot", "--lake", "SUP", "--highlight", "1999", "-o", "other.svg"});
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.err.find("1999"), std::string::npos);
    EXPECT_FALSE(fs::exists("other.svg"));
}

TEST_F(OutlookRun, FailuresAreNamedAndExitOne) {
    std::string bytes = testsupport::readfile(file(1950));
    testsupport::writefile("REROVE1960.sup", bytes.substr(0, bytes.size() - 30));
    std::string table = testsupport::readfile("spDNBS_1950.txt");
    testsupport::writefile("cut.txt", table.substr(0, table.size() - 20));
    for (const auto& [args, text] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"dump", "REROVE1960.sup"}, "truncated"},
             {{"dump", "cut.txt"}, "truncated"},
             {{"dump", "nothere"}, "cannot be opened"},
             {{"summary", "--lake", "ONT"}, "no tables of ONT"},
             {{"summary", "--lake", "XYZ"}, "unknown lake 'XYZ'"},
             {{"summary", "nothere"}, "nothere: no such table or directory"},
             {{"summary", "--period", "week", "spDNBS_1950.txt"}, "week"},
             {{"plot", "spDNBS_1950.txt"}, "output"},
             {{}, "subcommand"}}) {
        const runresult run = outlook(args);
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
    }
}

TEST(OutlookProgram, VersionAndHelp) {
    EXPECT_EQ(outlook({"--version"}).out, RT_VERSION "\n");
    const runresult help = outlook({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"dump", "summary", "plot"}) EXPECT_NE(help.out.find(command), std::string::npos);
    const runresult summary = outlook({"summary", "--help"});
    EXPECT_EQ(summary.status, 0);
    EXPECT_NE(summary.out.find("Weibull\nplotting position m/(n+1)"), std::string::npos);
    EXPECT_EQ(outlook({"plot", "--help"}).status, 0);
    EXPECT_EQ(outlook({"dump", "--help"}).status, 0);
}

}  // namespace
