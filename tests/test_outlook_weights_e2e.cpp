// rerove_outlook weights run on historical traces of the monthly record and on
// bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <sstream>

#include "calendar_support.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "tool_support.hpp"

namespace fs = std::filesystem;
using childrun::runresult;
using testsupport::scenarioday;
using testsupport::seqof;

namespace {

runresult weights(const std::vector<std::string>& args, const fs::path& dir) {
    std::vector<std::string> all = {"weights"};
    all.insert(all.end(), args.begin(), args.end());
    return testsupport::runprogram(RT_OUTLOOK_PATH, all, dir, "rerove_outlook");
}

// The weights of a year,weight CSV, checked for its header and years.
std::vector<double> weightsofcsv(const std::string& csv, std::size_t years) {
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "year,weight");
    std::vector<double> w;
    while (std::getline(in, line)) w.push_back(std::stod(line.substr(line.find(',') + 1)));
    EXPECT_EQ(w.size(), years);
    return w;
}

// Mich-Huron traces of 1950 to 2014 over a year from 1 June 2025, and the
// tool's tables of them, made once for the suite.
class WeightsOfTraces : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string tmpl = (fs::temp_directory_path() / "rtweightsXXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        scenariofiles::scenariorequest request;
        std::string error;
        const std::string set = (dir_ / "set").string();
        const std::vector<std::string_view> args = {"--record", RT_RECORD_PATH, "-d",         set,
                                                    "MHU",      "1950-2014",    "06/01/2025", "365"};
        ASSERT_TRUE(scenariofiles::parsearguments(args, request, error)) << error;
        std::int32_t written = 0;
        ASSERT_TRUE(scenariofiles::writescenarios(request, written, error)) << error;
        dir_ /= "set";
        const runresult tool = testsupport::runtool({"MHU"}, dir_);
        ASSERT_EQ(tool.status, 0) << tool.out;
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(dir_.parent_path(), ec);
    }
    static inline fs::path dir_;
};

struct tracecase {
    std::string climate;
    int status;
    std::vector<std::string> report;  // lines or parts of lines of standard error
    std::string why;
};

const std::string head = "first_date,last_date,variable,below,near,above\n";
const std::string bounded = "first_date,last_date,variable,below,near,above,lower,upper\n";

TEST_F(WeightsOfTraces, ClimateOutlooksOfEveryVariable) {
    const std::vector<tracecase> cases = {
        {head + "2025-06-01,2025-08-31,precip,0.25,0.35,0.40\n2025-09-01,2025-11-30,evap,0.40,0.35,0.25\n"
                "2025-12-01,2026-05-31,nbs,0.2,0.3,0.5\n",
         0,
         {"c.csv line 2: precip 2025-06-01 to 2025-08-31: asked 0.25 0.35 0.40, got 0.25 0.35 0.40\n",
          "c.csv line 3: evap 2025-09-01 to 2025-11-30: asked 0.40 0.35 0.25, got 0.40 0.35 0.25\n",
          "c.csv line 4: nbs 2025-12-01 to 2026-05-31: asked 0.20 0.30 0.50, got 0.20 0.30 0.50\n",
          "effective number of scenarios: "},
         "three seasons, each met"},
        {bounded + "2025-06-01,2026-05-31,runoff,30,40,30,,\n2025-06-01,2025-06-30,precip,50,30,20,60,100\n",
         0,
         {"c.csv line 2: runoff 2025-06-01 to 2026-05-31: asked 0.30 0.40 0.30, got 0.30 0.40 0.30\n"},
         "percentages, by ranks and by bounds"},
        {head + "2025-06-01,2025-08-31,precip,0.6,0.2,0.2\n2025-06-01,2025-08-31,precip,0.2,0.2,0.6\n",
         3,
         {"asked 0.60 0.20 0.20, got 0.40 0.20 0.40 (missed by 0.200)\n",
          "some probabilities could not be met within 0.001; these are the closest weights\n"},
         "two rows asking opposite things meet halfway"},
    };
    for (const tracecase& c : cases) {
        testsupport::writefile(dir_ / "c.csv", c.climate);
        const runresult run = weights({"--climate", "c.csv", "--position", "hazen"}, dir_);
        EXPECT_EQ(run.status, c.status) << c.why << "\n" << run.err;
        for (const std::string& part : c.report)
            EXPECT_NE(run.err.find(part), std::string::npos) << c.why << "\n" << run.err;
        const std::vector<double> w = weightsofcsv(run.out, 65);
        EXPECT_NEAR(std::accumulate(w.begin(), w.end(), 0.0), 1.0, 1e-12) << c.why;
        EXPECT_GE(*std::min_element(w.begin(), w.end()), 0.0) << c.why;
    }
}

TEST_F(WeightsOfTraces, OutputFileInPlaceOfStandardOutput) {
    testsupport::writefile(dir_ / "c.csv", head + "2025-06-01,2025-08-31,precip,0.25,0.35,0.40\n");
    const runresult run = weights({"--climate", "c.csv", "--lake", "mhu", "-o", "w.csv", "."}, dir_);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    (void)weightsofcsv(testsupport::readfile(dir_ / "w.csv"), 65);
}

// Superior, 29 November to 2 December 2024: 1951 the driest, 1950 the wettest;
// 1952 misses 1 December.
class WeightsBadInput : public ::testing::Test {
protected:
    void SetUp() override {
        const std::int32_t first = seqof(29, 11, 2024);
        const scenarioday typical{12.0F, 30.0F, 5.0F};
        testsupport::writeconstant(file(1950), first, first + 3, {12.0F, 40.0F, 5.0F});
        testsupport::writeconstant(file(1951), first, first + 3, {1.0F, 2.0F, 3.0F});
        testsupport::writescenario(file(1952), first, first + 3, {typical, typical, {-1.0F, 30.0F, 5.0F}, typical});
        ASSERT_TRUE(fs::create_directory(dir_.path() / "empty"));
    }
    static std::string file(std::int32_t year) { return "REROVE" + std::to_string(year) + ".sup"; }
    testsupport::scratchdir dir_;
};

struct badcase {
    std::string climate;
    std::vector<std::string> args;
    std::string message;
};

TEST_F(WeightsBadInput, OneMessageExitOneNothingWritten) {
    const std::string ok = head + "2024-11-29,2024-11-30,precip,0.2,0.3,0.5\n";
    const std::vector<badcase> cases = {
        {ok + "2024-11-29,2024-11-30,rain,0.2,0.3,0.5\n",
         {},
         "c.csv line 3: unknown variable 'rain' (precip, evap, runoff or nbs)"},
        {ok + "2024-11-30,2024-12-01,evap,0.2,0.3,0.5\n",
         {},
         "c.csv line 3: scenario year 1952 has a missing day of evap in 2024-11-30 to 2024-12-01"},
        {head + "2024-11-29,2024-12-03,precip,0.2,0.3,0.5\n",
         {},
         "c.csv line 2: last_date 2024-12-03 is outside the outlook, 2024-11-29 to 2024-12-02"},
        {ok + "2024-11-29,2024-11-30,nbs,0.2,0.3,0.5\n", {}, ".: holds no tables of SUP"},
        {ok, {"--lake", "XYZ"}, "--lake: 'XYZ' is not SUP, MHU, STC, ERI or ONT"},
        {ok, {"--position", "plain"}, "--position: 'plain' is not weibull, hazen"},
        {ok, {"empty"}, "empty: no scenario years of any lake"},
        {ok, {"--lake", "ERI"}, ".: no scenario year common to all parts of Erie"},
    };
    for (const badcase& c : cases) {
        testsupport::writefile(dir_.path() / "c.csv", c.climate);
        std::vector<std::string> args = {"--climate", "c.csv", "-o", "w.csv"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const runresult run = weights(args, dir_.path());
        EXPECT_EQ(run.status, 1) << c.message;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("rerove_outlook: " + c.message)) << run.err << "wanted: " << c.message;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_FALSE(fs::exists(dir_.path() / "w.csv")) << c.message;
    }
    const runresult good = weights({"--climate", "c.csv", "-o", "w.csv"}, dir_.path());
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(testsupport::readfile(dir_.path() / "w.csv").substr(0, 12), "year,weight\n");
}

}  // namespace
