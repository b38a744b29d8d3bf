// rerove_outlook verify run on the tool's tables of the historical traces of the
// monthly record: Mich-Huron, 1950 to 2014, a year from 1 June 2025.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>

#include "make_scenarios/scenariofiles.hpp"
#include "tool_support.hpp"

namespace fs = std::filesystem;
using childrun::runresult;

namespace {

// measure -> value of verify's output.
std::map<std::string, std::string> measures(const std::string& csv) {
    std::map<std::string, std::string> out;
    std::stringstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "measure,value");
    while (std::getline(in, line)) {
        const std::size_t comma = line.find(',');
        out[line.substr(0, comma)] = line.substr(comma + 1);
    }
    return out;
}

class OutlookVerify : public ::testing::Test {
protected:
    // Record traces of a lake in dir, and the tool's tables of them.
    static void writeset(const std::string& lake, const std::string& years, const std::string& start,
                         const std::string& days, const std::string& dir) {
        scenariofiles::scenariorequest request;
        std::string error;
        const std::vector<std::string_view> args = {"--record", RT_RECORD_PATH, "-d", dir, lake, years, start, days};
        ASSERT_TRUE(scenariofiles::parsearguments(args, request, error)) << error;
        std::int32_t written = 0;
        ASSERT_TRUE(scenariofiles::writescenarios(request, written, error)) << error;
        const runresult run = testsupport::runtool({lake}, scratch->path() / dir);
        ASSERT_EQ(run.status, 0) << run.out;
    }
    static void SetUpTestSuite() {
        scratch = std::make_unique<testsupport::scratchdir>();
        writeset("MHU", "1950-2014", "06/01/2025", "365", "mhu");
        writeset("MHU", "1950-1952", "06/01/2025", "200", "short");
        writeset("SUP", "1950-1952", "06/01/2025", "365", "sup");
        const runresult dump = outlook({"dump", "mhu/mhDNBS_1950.txt"});
        testsupport::writefile(scratch->path() / "obs.csv", dump.out);
    }
    static void TearDownTestSuite() { scratch.reset(); }
    static runresult outlook(const std::vector<std::string>& args) {
        return testsupport::runprogram(RT_OUTLOOK_PATH, args, scratch->path(), "rerove_outlook");
    }
    static std::unique_ptr<testsupport::scratchdir> scratch;
};

std::unique_ptr<testsupport::scratchdir> OutlookVerify::scratch;

TEST_F(OutlookVerify, LeaveOneOutOfTheRecordTracesByMonth) {
    const runresult run = outlook(
        {"verify", "--leave-one-out", "--period", "month", "--threshold", "5000", "--periods", "periods.csv", "mhu"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    auto m = measures(run.out);
    EXPECT_EQ(m["scored"], "780");  // 65 years of 12 months
    EXPECT_EQ(m["not_scored"], "0");
    EXPECT_EQ(m.count("crpss"), 0U);
    EXPECT_NEAR(std::stod(m["coverage50"]), 0.5, 0.05);
    EXPECT_NEAR(std::stod(m["coverage80"]), 0.8, 0.05);
    EXPECT_LT(std::stod(m["fair_crps"]), std::stod(m["crps"]));
    // 64 others: ranks 1 to 65, each once a month.
    double pit = 0;
    for (int k = 1; k <= 10; ++k) pit += std::stod(m["pit_" + std::to_string(k)]);
    EXPECT_EQ(pit, 780);
    for (int k = 1; k <= 65; ++k) EXPECT_NEAR(std::stod(m["rank_" + std::to_string(k)]), 12, 1e-9) << k;
    EXPECT_EQ(m.count("rank_66"), 0U);
    const double brier = std::stod(m["brier_5000"]);
    EXPECT_NEAR(std::stod(m["brier_5000_reliability"]) - std::stod(m["brier_5000_resolution"]) +
                    std::stod(m["brier_5000_uncertainty"]) + std::stod(m["brier_5000_within"]),
                brier, 1e-12);
    const std::string periods = testsupport::readfile(scratch->path() / "periods.csv");
    EXPECT_EQ(std::count(periods.begin(), periods.end(), '\n'), 781);
    EXPECT_TRUE(periods.starts_with(
        "outlook,first_date,last_date,observed,mean_error,median_abs_error,crps,fair_crps,rank,pit,in50,in80,"
        "brier_5000\n1950,2025-06-01,2025-06-30,"));
}

// The table of 1950 as what happened, against the outlook that holds it, itself
// as the baseline, and with weights.
TEST_F(OutlookVerify, AgainstAnObservationWithBaselineAndWeights) {
    const runresult run = outlook({"verify", "--observed", "obs.csv", "--period", "month", "--baseline", "mhu", "mhu"});
    ASSERT_EQ(run.status, 0) << run.err;
    auto m = measures(run.out);
    EXPECT_EQ(m["scored"], "12");
    EXPECT_EQ(m["crpss"], "0");
    testsupport::writefile(
        scratch->path() / "w.csv", "year,weight\n" + [] {
            std::string rows;
            for (int y = 1950; y <= 2014; ++y) rows += std::to_string(y) + (y == 1950 ? ",10\n" : ",1\n");
            return rows;
        }());
    const runresult weighted =
        outlook({"verify", "--observed", "obs.csv", "--weights", "w.csv", "--bootstrap", "20", "mhu", "mhu"});
    ASSERT_EQ(weighted.status, 0) << weighted.err;
    m = measures(weighted.out);
    EXPECT_EQ(m["scored"], "96");  // twice the 48 quarter-months of the year
    EXPECT_EQ(m["fair_crps"], "");
    EXPECT_GT(std::stod(m["crpss"]), 0);  // more weight on what happened
    EXPECT_EQ(m.count("rank_1"), 0U);
    // The outlooks are resampled whole: two alike give every resample their scores.
    EXPECT_EQ(std::make_pair(m["crps_low"], m["crps_high"]), std::make_pair(m["crps"], m["crps"]));
    EXPECT_EQ(std::make_pair(m["crpss_low"], m["crpss_high"]), std::make_pair(m["crpss"], m["crpss"]));
}

// The measures of verify's output in their order.
std::vector<std::string> names(const std::string& csv) {
    std::vector<std::string> out;
    std::stringstream in(csv);
    for (std::string line; std::getline(in, line);) out.push_back(line.substr(0, line.find(',')));
    return out;
}

// Resampled years: each interval's rows right after its measure, the same bytes
// for the same seed, and without --bootstrap the same rows but the intervals'.
TEST_F(OutlookVerify, BootstrapIntervalsOfTheLeftOutYears) {
    const std::vector<std::string> args = {"verify", "--leave-one-out", "--period", "month", "--threshold",
                                           "5000",   "--baseline",      "mhu",      "mhu"};
    std::vector<std::string> resampled = args;
    resampled.insert(resampled.end(), {"--bootstrap", "200", "--seed", "3"});
    const runresult run = outlook(resampled), again = outlook(resampled), plain = outlook(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(again.out, run.out);
    const std::vector<std::string> rows = names(run.out);
    const std::vector<std::string> head(rows.begin(), rows.begin() + 18);
    EXPECT_EQ(head,
              (std::vector<std::string>{"measure", "scored", "not_scored", "crps", "crps_low", "crps_high", "fair_crps",
                                        "crpss", "crpss_low", "crpss_high", "coverage50", "coverage80", "brier_5000",
                                        "brier_5000_low", "brier_5000_high", "brier_5000_reliability",
                                        "brier_5000_resolution", "brier_5000_uncertainty"}));
    EXPECT_EQ(rows[18], "brier_5000_within");
    EXPECT_EQ(rows[19], "roc_area_5000");
    auto m = measures(run.out);
    for (const std::string name : {"crps", "brier_5000"}) {
        EXPECT_LT(std::stod(m[name + "_low"]), std::stod(m[name])) << name;
        EXPECT_GT(std::stod(m[name + "_high"]), std::stod(m[name])) << name;
    }
    EXPECT_EQ(m["crpss_low"], "0");  // the baseline is the same years
    EXPECT_GT(std::stod(m["roc_area_5000"]), 0.5);
    std::string kept;  // the output without the intervals' rows
    std::stringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(0, line.find(','));
        if (!name.ends_with("_low") && !name.ends_with("_high")) kept += line + "\n";
    }
    EXPECT_EQ(kept, plain.out);
    resampled.back() = "4";
    EXPECT_NE(measures(outlook(resampled).out)["crps_low"], measures(run.out)["crps_low"]);
}

TEST_F(OutlookVerify, BadInputAndNothingToScore) {
    testsupport::writefile(scratch->path() / "bad.csv", "date,nbs_m3s\n2025-06-01,1\n2025-06-31,2\n");
    testsupport::writefile(scratch->path() / "twice.csv", "date,nbs_m3s\n2025-06-01,1\n2025-06-01,2\n");
    testsupport::writefile(scratch->path() / "old.csv", "date,nbs_m3s\n1990-06-01,1\n");
    struct badcase {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    for (const badcase& c : std::vector<badcase>{
             {{"--observed", "bad.csv", "mhu"}, 1, "bad.csv line 3: '2025-06-31' is not a date YYYY-MM-DD"},
             {{"--observed", "twice.csv", "mhu"}, 1, "twice.csv line 3: 2025-06-01 is listed again (first on line 2)"},
             {{"--observed", "obs.csv", "mhu", "sup"}, 1, "the outlooks are not of one lake: sup is of Superior"},
             {{"--observed", "obs.csv", "--baseline", "short", "mhu"}, 1, "the baseline short covers 2025-06-01 to"},
             {{"--leave-one-out", "mhu", "short"}, 1, "--leave-one-out takes one outlook, not 2"},
             {{"--leave-one-out", "--observed", "obs.csv", "mhu"}, 1, "--leave-one-out and --observed exclude"},
             {{"mhu"}, 1, "nothing to verify against: give --observed FILE, or --leave-one-out"},
             {{"--leave-one-out", "--threshold", "5", "--threshold", "5", "mhu"}, 1, "--threshold: 5 is given twice"},
             {{"--leave-one-out", "--period", "week", "mhu"}, 1, "--period: 'week' is not quarter-month"},
             {{"--observed", "missing.csv", "--bootstrap", "0", "mhu", "mhu"},
              1,
              "--bootstrap: '0' is not a whole number of resamples, 1 or more"},
             {{"--leave-one-out", "--bootstrap", "9", "--seed", "-1", "mhu"},
              1,
              "--seed: '-1' is not a whole number from 0 to 2^64 - 1"},
             {{"--leave-one-out", "--seed", "2", "mhu"}, 1, "--seed is the seed of --bootstrap, which is not given"},
             {{"--observed", "obs.csv", "--bootstrap", "9", "mhu"}, 1, "--bootstrap with --observed resamples the"},
             {{"--observed", "old.csv", "mhu"}, 2, "nothing to score: of 48 periods, 48 not observed on every day"}}) {
        std::vector<std::string> args = {"verify", "--periods", "p.csv"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const runresult run = outlook(args);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_EQ(run.out, "") << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(scratch->path() / "p.csv")) << c.message;
    }
}

}  // namespace
