// rerove_outlook run on the tables that rerove_tivorn writes in a scratch directory.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <cmath>
#include <sstream>

#include "calendar_support.hpp"
#include "outlook/outlook.hpp"
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

// The report's sections of weights and verification, and no page on bad input.
TEST_F(OutlookRun, ReportWithWeightsAndVerification) {
    testsupport::writefile("w.csv", "year,weight\n1950,1\n1951,1\n1952,2\n1953,0\n");
    const runresult dumped = outlook({"dump", "spDNBS_1950.txt"});
    testsupport::writefile("obs.csv", dumped.out);
    const runresult run = outlook({"report", "-o", "page.html", "--weights", "w.csv", "--observed", "obs.csv"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const std::string page = testsupport::readfile("page.html");
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(page.substr(page.find("<html")).c_str()));
    for (const char* id : {"check", "fanchart", "exceedance-1", "monthly-flow", "monthly-depth", "weights-table",
                           "verification-table", "pit-histogram"})
        EXPECT_TRUE(doc.select_node(("//*[@id='" + std::string(id) + "']").c_str())) << id;
    EXPECT_TRUE(doc.select_node("//td[.='Periods scored']"));
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"report", "-o", "bad.html", "--weights", "nothere.csv"},
                                               {"report", "-o", "bad.html", "--observed", "w.csv"},
                                               {"report", "-o", "bad.html", "elsewhere"}}) {
        const runresult bad = outlook(args);
        EXPECT_EQ(bad.status, 1) << args[4];
        EXPECT_NE(bad.err.find("rerove_outlook: "), std::string::npos);
        EXPECT_FALSE(fs::exists("bad.html"));
    }
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
             {{"summary", "--lake", "XYZ"}, "--lake: 'XYZ' is not SUP, MHU, STC, ERI or ONT"},
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

// The options of the analysis, worked by hand on 1950 (35160 m3/s) and 1951 (0).
TEST_F(OutlookRun, SummaryLevelsThresholdsAndWeights) {
    const runresult run = outlook({"summary", "--period", "month", "--levels", "75,2.5", "--threshold", "-100",
                                   "--threshold=20000", "spDNBS_1950.txt", "spDNBS_1951.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "first_date,last_date,scenarios,missing,min_m3s,exceed75_m3s,exceed2.5_m3s,mean_m3s,max_m3s,"
              "above_-100_m3s,above_20000_m3s\n2024-11-29,2024-11-30,2,0,0,0,35160,17580,35160,1,0.5\n"
              "2024-12-01,2024-12-02,2,0,0,0,35160,17580,35160,1,0.5\n");
    // Weights 3 and 1 of 1950 and 1951; 1952 (missing a day) and 1953 weigh 0.
    testsupport::writefile("w.csv", "year,weight\n1950,3\n1951,1\n1952,0\n1953,0\n1990,1\n");
    const runresult weighted =
        outlook({"summary", "--period", "outlook", "--levels", "90,10", "--weights", "w.csv", "-o", "s.csv"});
    EXPECT_EQ(weighted.status, 0) << weighted.err;
    EXPECT_EQ(weighted.out, "");
    EXPECT_EQ(weighted.err, "rerove_outlook: warning: w.csv: the weights list years without a table: 1990\n");
    EXPECT_EQ(testsupport::readfile("s.csv"),
              "first_date,last_date,scenarios,missing,min_m3s,exceed90_m3s,exceed10_m3s,mean_m3s,max_m3s,"
              "effective_scenarios\n2024-11-29,2024-12-02,2,1,0,0,35160,26370,35160,1.6\n");
}

TEST_F(OutlookRun, TracesByPeriodAndYear) {
    const runresult run = outlook({"traces", "--period", "month", "--position", "hazen"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "first_date,last_date,year,value_m3s,rank,weight,exceedance\n"
              "2024-11-29,2024-11-30,1950,35160,1,0.25,0.125\n2024-11-29,2024-11-30,1951,0,4,0.25,0.875\n"
              "2024-11-29,2024-11-30,1952,35160,1,0.25,0.125\n2024-11-29,2024-11-30,1953,35160,1,0.25,0.125\n"
              "2024-12-01,2024-12-02,1950,35160,1,0.3333333333333333,0.16666666666666663\n"
              "2024-12-01,2024-12-02,1951,0,3,0.3333333333333333,0.8333333333333334\n"
              "2024-12-01,2024-12-02,1952,,,,\n"
              "2024-12-01,2024-12-02,1953,35160,1,0.3333333333333333,0.16666666666666663\n");
}

TEST_F(OutlookRun, ExceedanceChartOfAPeriod) {
    testsupport::writefile("w.csv", "year,weight\n1950,1\n1951,2\n1952,1\n1953,0\n");
    for (const bool weighted : {false, true}) {
        std::vector<std::string> args = {"plot", "--kind", "exceedance", "--at", "2024-12-02", "-o", "x.svg"};
        if (weighted) args.insert(args.end(), {"--weights", "w.csv"});
        const runresult run = outlook(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "x.svg: exceedance chart of 4 scenarios, 2024-12-01 to 2024-12-02\n");
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file("x.svg"));
        EXPECT_EQ(doc.select_nodes("//circle[@class='scenario']").size(), 3U);  // 1952 misses a day
        EXPECT_EQ(doc.select_nodes("//text[@class='yearlabel']").size(), 3U);
        EXPECT_EQ(doc.select_nodes("//polyline[@class='equalcurve']").size(), 1U);
        EXPECT_EQ(doc.select_nodes("//polyline[@class='weightedcurve']").size(), weighted ? 1U : 0U);
        const std::string title = doc.select_node("//text[@class='title']").node().child_value();
        EXPECT_EQ(title.find("(weighted)") != std::string::npos, weighted) << title;
    }
    EXPECT_EQ(outlook({"plot", "--weights", "w.csv", "--levels", "95,60,40,5", "-o", "fan.svg"}).status, 0);
    pugi::xml_document fan;
    ASSERT_TRUE(fan.load_file("fan.svg"));
    EXPECT_NE(std::string(fan.select_node("//text[@class='title']").node().child_value()).find("(weighted)"),
              std::string::npos);
    EXPECT_STREQ(fan.select_node("//text[@class='legend']").node().child_value(), "95 % to 5 % exceedance");
}

// Each kind of bad input: status 1, nothing on standard output, no file, the
// message naming what is wrong.
TEST_F(OutlookRun, BadAnalysisOptions) {
    testsupport::writefile("bad.csv", "year,weight\n1950,heavy\n");
    const std::vector<std::string> chart = {"plot", "-o", "c.svg"};
    const auto plot = [&](std::vector<std::string> more) {
        more.insert(more.begin(), chart.begin(), chart.end());
        return more;
    };
    for (const auto& [args, text] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"summary", "--stat", "median"}, "--stat: 'median' is not mean"},
             {{"summary", "--position", "beard"}, "--position: 'beard' is not weibull"},
             {{"summary", "--levels", "0"}, "--levels: '0' is not a percentage strictly between 0 and 100"},
             {{"summary", "--levels", "50,100"}, "'100' is not a percentage"},
             {{"summary", "--levels", "90,,10"}, "'' is not a percentage"},
             {{"summary", "--levels", "50,50.0"}, "--levels: 50 is given twice"},
             {{"summary", "--threshold", "5", "--threshold", "5.0"}, "--threshold: 5 is given twice"},
             {{"summary", "--threshold", "x"}, "--threshold: 'x' is not a number"},
             {{"traces", "--weights", "nothere.csv"}, "nothere.csv: cannot be opened"},
             {{"summary", "--weights", "bad.csv", "-o", "c.svg"}, "bad.csv line 2: the weight 'heavy' is not a number"},
             {plot({"--levels", "90,50"}), "--levels: 4 percentages are needed, 2 given"},
             {plot({"--kind", "exceedance"}), "--kind exceedance needs --at YYYY-MM-DD"},
             {plot({"--kind", "exceedance", "--at", "2024-12-03"}),
              "--at 2024-12-03 is outside the outlook, 2024-11-29 to 2024-12-02"},
             {plot({"--kind", "exceedance", "--at", "2024-11-31"}), "--at: '2024-11-31' is not a date YYYY-MM-DD"},
             {plot({"--at", "2024-11-30"}), "--at is for --kind exceedance"},
             {plot({"--kind", "pie"}), "pie"}}) {
        const runresult run = outlook(args);
        EXPECT_EQ(run.status, 1) << text;
        EXPECT_EQ(run.out, "") << text;
        EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists("c.svg")) << text;
    }
}

// The historical traces of the record: the summary of depths accumulated over
// Mich-Huron against sums of the tables' days.
TEST(OutlookRecord, AccumulatedDepthsAreSumsOfTheTables) {
    scratchdir dir;
    const runresult made = testsupport::runprogram(
        RT_MAKE_SCENARIOS_PATH, {"--record", RT_RECORD_PATH, "-d", ".", "MHU", "1950-1954", "06/01/2025", "365"}, ".",
        "make_scenarios");
    ASSERT_EQ(made.status, 0) << made.out;
    ASSERT_EQ(testsupport::runtool({"MHU"}, ".").status, 0);
    const runresult run = outlook({"summary", "--period", "month", "--stat", "accumulated", "--lake", "MHU"});
    ASSERT_EQ(run.status, 0) << run.err;
    // Each scenario's depth accumulated to the end of each month, in mm.
    const double mm = outlook::depthofdayflow(2);
    std::vector<std::vector<double>> depths;
    for (const fs::path& file : outlook::tablesoflake(2, ".")) {
        const outlook::table t = outlook::readtable(file);
        std::vector<double> atmonthend;
        double sum = 0;
        for (std::size_t d = 0; d < t.values.size(); ++d) {
            sum += t.values[d] * mm;
            std::int32_t day = 0, month = 0, year = 0;
            keldautil::sequencedate(day, month, year, t.firstday + static_cast<std::int32_t>(d) + 1);
            if (day == 1) atmonthend.push_back(sum);
        }
        depths.push_back(atmonthend);
    }
    ASSERT_EQ(depths.size(), 5U);
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "first_date,last_date,scenarios,missing,min_mm,exceed90_mm,exceed50_mm,exceed10_mm,mean_mm,max_mm");
    for (std::size_t month = 0; std::getline(lines, line); ++month) {
        ASSERT_LT(month, depths[0].size());
        std::vector<double> v;
        for (const auto& d : depths) v.push_back(d[month]);
        std::sort(v.begin(), v.end());
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string x; std::getline(fields, x, ',');) f.push_back(x);
        ASSERT_EQ(f.size(), 10U) << line;
        // Weibull, 5 values: 90 % and 10 % exceeded clamp to the extremes.
        const double mean = (v[0] + v[1] + v[2] + v[3] + v[4]) / 5;
        for (const auto& [at, want] : std::vector<std::pair<std::size_t, double>>{
                 {4, v[0]}, {5, v[0]}, {6, v[2]}, {7, v[4]}, {8, mean}, {9, v[4]}})
            EXPECT_NEAR(std::stod(f[at]), want, 1e-9 * std::max(1.0, std::abs(want))) << line;
        EXPECT_GT(std::stod(f[9]) - std::stod(f[4]), 1.0);  // the traces differ
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
    for (const char* option : {"--stat", "--levels", "--position", "--threshold", "--weights"})
        EXPECT_NE(summary.out.find(option), std::string::npos) << option;
    EXPECT_EQ(outlook({"traces", "--help"}).status, 0);
    EXPECT_EQ(outlook({"plot", "--help"}).status, 0);
    EXPECT_EQ(outlook({"dump", "--help"}).status, 0);
}

}  // namespace
