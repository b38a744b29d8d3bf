// The hindcast: its scores by lead worked by hand, its file read back, its skill in
// words, and runs of rerove_outlook hindcast on the monthly record that leave no
// scratch directory behind, whether they end well, badly or by a signal.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "outlook/outlook.hpp"
#include "tool_support.hpp"

namespace fs = std::filesystem;

namespace {

// A verdict scored with the given CRPS and PIT, 50 % band hit or not.
outlook::periodverdict verdict(double crps, bool in50, double observed = 10) {
    outlook::periodscore s;
    s.crps = crps;
    s.pit = 0.55;
    s.in50 = in50;
    s.meanerror = crps / 2;
    s.above = {observed > 5 ? 0.75 : 0.25};
    const std::int32_t first = outlook::dayofisodate("2000-06-01").value();
    return {"y", {first, first + 29}, observed, s, std::nan("")};
}

// Three target years of two leads each: the outlook's CRPS 1, 2, 3 at lead 1 and
// 2, 2, 2 at lead 2, the baseline's 2, 4, 6 and 2, 2, 2.
std::vector<outlook::hindcastyear> threeyears() {
    std::vector<outlook::hindcastyear> years;
    for (int k = 1; k <= 3; ++k)
        years.push_back(
            {1950 + k, {verdict(k, k != 2), verdict(2, true, 0)}, {verdict(2.0 * k, false), verdict(2, false, 0)}});
    return years;
}

TEST(HindcastScores, ByLeadWorkedByHand) {
    const std::vector<double> thresholds = {5};
    const auto leads = outlook::scoresbylead(threeyears(), thresholds, 1);
    ASSERT_EQ(leads.size(), 3U);
    EXPECT_EQ(leads[0].lead, "1");
    EXPECT_EQ(leads[2].lead, "all");
    EXPECT_EQ(leads[0].scored, 3);
    EXPECT_DOUBLE_EQ(leads[0].crps, 2);  // (1 + 2 + 3) / 3
    EXPECT_DOUBLE_EQ(leads[0].crpsbaseline, 4);
    EXPECT_DOUBLE_EQ(leads[0].crpss, 0.5);  // 1 - 6 / 12
    EXPECT_DOUBLE_EQ(leads[1].crpss, 0);
    EXPECT_DOUBLE_EQ(leads[2].crpss, 1 - 12.0 / 18);
    EXPECT_DOUBLE_EQ(leads[0].coverage50, 2.0 / 3);
    EXPECT_DOUBLE_EQ(leads[0].meanerror, 1);
    // Lead 1: the share 0.75 above 5 against an exceedance each year, (1 - 0.75)^2.
    EXPECT_DOUBLE_EQ(leads[0].brier[0], 0.0625);
    EXPECT_DOUBLE_EQ(leads[1].brier[0], 0.0625);  // 0.25 against none
    EXPECT_DOUBLE_EQ(leads[0].brierskill[0], 0);
    // Every resampling of lead 2 has the skill 0; those of lead 1 lie within 0 and
    // 2/3 (all of one year: 1 - k / 2k = 0.5).
    EXPECT_DOUBLE_EQ(leads[1].crpsslow, 0);
    EXPECT_DOUBLE_EQ(leads[1].crpsshigh, 0);
    EXPECT_DOUBLE_EQ(leads[0].crpsslow, 0.5);
    EXPECT_DOUBLE_EQ(leads[0].crpsshigh, 0.5);
    // The same seed, the same interval.
    EXPECT_EQ(outlook::scoresbylead(threeyears(), thresholds, 1)[2].crpsslow, leads[2].crpsslow);
}

TEST(HindcastScores, TheYearsFileReadsBackToTheSameScores) {
    const testsupport::scratchdir dir;
    const std::vector<double> thresholds = {5};
    const auto years = threeyears();
    testsupport::writefile("years.csv", outlook::yearscsv(years, thresholds));
    const outlook::hindcastfile back = outlook::readhindcastfile("years.csv");
    EXPECT_EQ(back.thresholds, thresholds);
    ASSERT_EQ(back.years.size(), 3U);
    EXPECT_EQ(back.years[1].year, 1952);
    EXPECT_EQ(outlook::leadscsv(outlook::scoresbylead(back.years, back.thresholds, 1), thresholds),
              outlook::leadscsv(outlook::scoresbylead(years, thresholds, 1), thresholds));
    testsupport::writefile("years.csv", "year,lead\n1950,1\n");
    EXPECT_THROW(outlook::readhindcastfile("years.csv"), outlook::readerror);
}

TEST(HindcastScores, TheSkillInWords) {
    const auto leads = [](std::vector<double> lows) {
        std::vector<outlook::leadscores> out;
        for (std::size_t k = 0; k < lows.size(); ++k) {
            outlook::leadscores l;
            l.lead = std::to_string(k + 1);
            l.crpss = 0.1;
            l.crpsslow = lows[k];
            out.push_back(l);
        }
        out.push_back(out.front());
        out.back().lead = "all";
        return out;
    };
    using outlook::periodkind;
    const std::vector<std::tuple<std::vector<double>, periodkind, std::string>> cases = {
        {{0.1, 0.1, 0.1, -0.1}, periodkind::month, "better than climatology for the first 3 months; no skill after"},
        {{0.1, -0.1}, periodkind::quartermonth, "better than climatology for the first quarter-month; no skill after"},
        {{0.1, -0.1, 0.1},
         periodkind::month,
         "better than climatology for the first month; after that only in month 3 of 3"},
        {{-0.1, 0.1, 0.1},
         periodkind::month,
         "no skill in the first month; better than climatology only in months 2 and 3"},
        {{-0.1, -0.1}, periodkind::month, "no skill over climatology at any lead"},
        {{0.1, 0.1}, periodkind::month, "better than climatology at every lead"},
        {{0.1}, periodkind::outlook, "better than climatology over the outlook"},
    };
    for (const auto& [lows, kind, words] : cases) EXPECT_EQ(outlook::skillinwords(leads(lows), kind), words);
}

// Runs of the program with TMPDIR a directory of the test's own.
class HindcastRuns : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(dir.path() / "tmp");
        ::setenv("TMPDIR", (dir.path() / "tmp").c_str(), 1);
    }
    void TearDown() override { ::unsetenv("TMPDIR"); }
    // Six years of Superior, two months from 1 June, the options given taking the
    // place of these and the others added.
    static std::vector<std::string> small(std::vector<std::string> more = {}) {
        std::vector<std::pair<std::string, std::string>> options = {
            {"--lake", "SUP"}, {"--start", "06-01"}, {"--days", "61"}, {"--years", "1960-1965"}};
        std::vector<std::string> args = {"hindcast", "--record", RT_RECORD_PATH};
        for (auto& [name, value] : options) {
            const auto given = std::find(more.begin(), more.end(), name);
            if (given != more.end() && given + 1 != more.end()) {
                value = *(given + 1);
                more.erase(given, given + 2);
            }
            args.insert(args.end(), {name, value});
        }
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
    [[nodiscard]] bool scratchgone() const { return fs::is_empty(dir.path() / "tmp"); }
    testsupport::scratchdir dir;
};

TEST_F(HindcastRuns, ConditionedScoresAndNothingLeftBehind) {
    const auto run = testsupport::runprogram(RT_OUTLOOK_PATH, small({"--condition", "-o", "years.csv"}), dir.path(),
                                             "rerove_outlook");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("lead,scored,crps,crps_baseline,crpss,crpss_low,crpss_high,"));
    EXPECT_NE(run.out.find("\n1,6,"), std::string::npos) << run.out;  // six target years at lead 1
    EXPECT_NE(run.out.find("\nall,12,"), std::string::npos);
    EXPECT_NE(run.err.find("year 6 of 6\n"), std::string::npos);
    EXPECT_EQ(outlook::readhindcastfile(dir.path() / "years.csv").years.size(), 6U);
    EXPECT_TRUE(scratchgone());
    // Without --condition the baseline's columns are empty.
    const auto plain = testsupport::runprogram(RT_OUTLOOK_PATH, small(), dir.path(), "rerove_outlook");
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find(",,,,"), std::string::npos);
}

TEST_F(HindcastRuns, BadInputOneMessageExitOneNothingWritten) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"hindcast", "--record", "nothere.csv", "--lake", "SUP", "--start", "06-01", "--days", "61", "-o", "y.csv"},
         "nothere.csv"},
        {small({"--years", "2014-2015", "-o", "y.csv"}), "a hindcast needs 3 or more"},
        {small({"--start", "13-01", "-o", "y.csv"}), "--start: '13-01' is not a day of the year MM-DD"},
        {small({"--days", "0", "-o", "y.csv"}), "--days: '0' is not a whole number from 1 to 20000"},
        {small({"--period", "week", "-o", "y.csv"}), "--period: 'week' is not quarter-month, month or outlook"},
        {small({"--lake", "XYZ", "-o", "y.csv"}), "--lake: 'XYZ' is not SUP, MHU, STC, ERI or ONT"},
        {small({"--condition", "--start", "01-15", "--years", "1950-1952", "-o", "y.csv"}), "with the month before it"},
    };
    for (const auto& [args, message] : cases) {
        const auto run = testsupport::runprogram(RT_OUTLOOK_PATH, args, dir.path(), "rerove_outlook");
        EXPECT_EQ(run.status, 1) << message;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << message;
        EXPECT_FALSE(fs::exists(dir.path() / "y.csv")) << message;
        EXPECT_TRUE(scratchgone()) << message;
    }
}

TEST_F(HindcastRuns, AStoppedRunLeavesNoScratchDirectory) {
    childrun::invocation launch;
    launch.program = RT_OUTLOOK_PATH;
    launch.argv = {"rerove_outlook", "hindcast", "--record", RT_RECORD_PATH, "--lake", "MHU",      "--start",
                   "06-01",          "--days",   "365",      "--condition",  "-o",     "years.csv"};
    launch.cwd = dir.path();
    const pid_t self = ::getpid();
    // A signal in a moment, while it runs: the run ends by that signal.
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            const std::string stat = testsupport::readfile(entry.path() / "stat");
            const std::size_t close = stat.rfind(')');
            if (close == std::string::npos || stat.find("(rerove_outlook)") == std::string::npos) continue;
            if (std::stoi(stat.substr(close + 4, stat.find(' ', close + 4) - close - 4)) == self)
                ::kill(std::stoi(entry.path().filename()), SIGTERM);
        }
    });
    const auto run = childrun::run(launch);
    stopper.join();
    EXPECT_EQ(run.status, -1);  // ended by the signal
    EXPECT_FALSE(fs::exists(dir.path() / "years.csv"));
    EXPECT_TRUE(scratchgone());
}

}  // namespace
