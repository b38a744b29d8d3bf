// Traces conditioned on the month before the outlook: the fit worked by hand on a
// small record, the plain traces it leaves as they are, and what it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "calendar_support.hpp"
#include "childrun/childrun.hpp"
#include "make_scenarios/recordtraces.hpp"
#include "support.hpp"

using namespace recordtraces;
using testsupport::seqof;

namespace {

// Superior, 2000 to 2011. Every month varies over the years; June and July repeat
// four-year cycles worked by hand (mm):
//   evaporation June 12, 8: mu 10, s 2, z 1, -1. July 37, 31, 29, 23: mu 30, s 5,
//     z 1.4, 0.2, -0.2, -1.4; r of July = (1.4 - 0.2 - 0.2 + 1.4) / 4 = 0.6.
//   runoff June 12, 8 and July 24, 16: logarithms of two values, z = 1, -1, r = 1.
//   precipitation as evaporation.
monthlyrecord handrecord() {
    monthlyrecord record;
    for (std::int32_t year = 2000; year <= 2011; ++year) {
        for (std::int32_t month = 1; month <= 12; ++month) {
            const std::int64_t vary = 1000 + 100 * ((year * 7 + month * 3) % 5);
            monthtotals totals{vary, vary + 500, vary - 300};
            const auto cycle = static_cast<std::size_t>(year - 2000) % 4;
            if (month == 6) totals = {cycle % 2 ? 800 : 1200, cycle % 2 ? 800 : 1200, cycle % 2 ? 800 : 1200};
            const std::int64_t julyevap = std::array<std::int64_t, 4>{3700, 3100, 2900, 2300}[cycle];
            if (month == 7) totals = {cycle % 2 ? 1600 : 2400, julyevap, julyevap};
            record.lakes[0][monthnumber(year, month)] = totals;
        }
    }
    return record;
}

const std::int32_t july2005 = seqof(1, 7, 2005);

std::string csvof(const monthlyrecord& record) {
    std::string text = "lake,year,month,precip_mm,evap_mm,runoff_mm\n";
    for (const auto& [number, t] : record.lakes[0]) {
        char line[100];
        std::snprintf(line, sizeof line, "SUP,%d,%d,%.2f,%.2f,%.2f\n", number / 12, number % 12 + 1,
                      static_cast<double>(t.precipitation) / 100, static_cast<double>(t.evaporation) / 100,
                      static_cast<double>(t.runoff) / 100);
        text += line;
    }
    return text;
}

}  // namespace

TEST(ConditionedTraces, AMonthWorkedByHand) {
    const monthlyrecord record = handrecord();
    conditioning fit;
    std::string error;
    ASSERT_TRUE(fitconditioning(record, 1, july2005, 31, {}, fit, error)) << error;
    EXPECT_EQ(fit.fittingmonths, 144);
    EXPECT_NEAR(fit.evaporation.mu[5], 10.0, 1e-12);
    EXPECT_NEAR(fit.evaporation.s[5], 2.0, 1e-12);
    EXPECT_NEAR(fit.evaporation.mu[6], 30.0, 1e-12);
    EXPECT_NEAR(fit.evaporation.s[6], 5.0, 1e-12);
    EXPECT_NEAR(fit.evaporation.r[6], 0.6, 1e-12);
    EXPECT_NEAR(fit.runoff.mu[5], std::log(std::sqrt(96.0)), 1e-12);
    EXPECT_NEAR(fit.runoff.s[5], std::log(1.5) / 2, 1e-12);
    EXPECT_NEAR(fit.runoff.r[6], 1.0, 1e-12);
    // June 2005 is the second of its cycle: 8 mm, one s below.
    EXPECT_NEAR(fit.evaporation.z0, -1.0, 1e-12);
    EXPECT_NEAR(fit.runoff.z0, -1.0, 1e-12);
    EXPECT_EQ(fit.runoff.mu[0], 0.0);  // January: not used by this outlook

    // July 2000: evaporation z 1.4 -> 0.6 * -1 + 0.8 * 1.4 = 0.52 -> 30 + 5 * 0.52 = 32.6 mm;
    // runoff with phi 1 takes z0: exp(mu - s) of July = 16 mm.
    const auto days = conditionedtrace(record, fit, 1, 2000, july2005, 31);
    ASSERT_EQ(days.size(), 31U);
    EXPECT_FLOAT_EQ(days[30].evap, static_cast<float>(32.6 / 31));
    EXPECT_FLOAT_EQ(days[0].runoff, static_cast<float>(16.0 / 31));
}

TEST(ConditionedTraces, NoStateAndNoCorrelationLeaveThePlainTraces) {
    monthlyrecord record;
    std::string error;
    ASSERT_TRUE(readrecord(RT_RECORD_PATH, record, error)) << error;
    const std::int32_t first = seqof(15, 6, 2000);
    conditioning fit;
    ASSERT_TRUE(fitconditioning(record, 2, first, 400, {}, fit, error)) << error;
    for (componentfit* component : {&fit.runoff, &fit.precipitation, &fit.evaporation}) {
        component->z0 = 0;
        component->r.fill(0);
    }
    for (const std::int32_t year : {1950, 1983, 2013}) {
        const auto plain = trace(record, 2, year, first, 400);
        const auto conditioned = conditionedtrace(record, fit, 2, year, first, 400);
        ASSERT_EQ(conditioned.size(), plain.size());
        for (std::size_t k = 0; k < plain.size(); ++k) {
            ASSERT_FLOAT_EQ(conditioned[k].runoff, plain[k].runoff) << year << " day " << k;
            ASSERT_FLOAT_EQ(conditioned[k].precip, plain[k].precip) << year << " day " << k;
            ASSERT_FLOAT_EQ(conditioned[k].evap, plain[k].evap) << year << " day " << k;
        }
    }
}

TEST(ConditionedTraces, FitExcludeLeavesOutEveryMonthOfTheTrace) {
    // From 15 June 2005 for a year: the trace of 2000 replays 2000-06 to 2001-06.
    conditioning fit;
    std::string error;
    const std::vector<std::int32_t> excluded = {2000};
    ASSERT_TRUE(fitconditioning(handrecord(), 1, seqof(15, 6, 2005), 365, excluded, fit, error)) << error;
    EXPECT_EQ(fit.fittingmonths, 144 - 13);
}

TEST(ConditionedTraces, RefusedByTheLibraryAndTheProgram) {
    using change = std::function<void(std::map<std::int32_t, monthtotals>&)>;
    struct refusal {
        change edit;
        std::vector<std::int32_t> excluded;
        std::string error;  // empty: accepted
    };
    const std::vector<refusal> cases = {
        {[](auto& m) { m[monthnumber(2003, 6)].runoff = 0; },
         {},
         "runoff of June: the total of 2003-06 is not above 0 mm and has no logarithm"},
        {[](auto& m) { m[monthnumber(2003, 1)].runoff = 0; }, {}, ""},  // January is not used
        {[](auto& m) {
             for (std::int32_t y = 2000; y <= 2011; ++y) m[monthnumber(y, 7)].evaporation = 3000;
         },
         {},
         "evaporation of July: the standard deviation over its 12 fitting months is 0"},
        {[](auto&) {},
         {2000, 2001, 2002},
         "runoff of July: 9 years with June and July in the fit, the correlation needs 10"},
        {[](auto& m) {
             for (std::int32_t y = 2000; y <= 2010; ++y) m[monthnumber(y, 6)].runoff = 1000;
         },
         {2011},
         "runoff of July: the 11 years with June and July in the fit do not vary"},
    };
    for (const refusal& c : cases) {
        monthlyrecord record = handrecord();
        c.edit(record.lakes[0]);
        conditioning fit;
        std::string error;
        EXPECT_EQ(fitconditioning(record, 1, july2005, 31, c.excluded, fit, error), c.error.empty());
        EXPECT_EQ(error, c.error);

        testsupport::scratchdir scratch;
        testsupport::writefile("record.csv", csvof(record));
        std::vector<std::string> argv = {"make_scenarios", "--record", "record.csv", "--condition"};
        for (const std::int32_t year : c.excluded) argv.insert(argv.end(), {"--fit-exclude", std::to_string(year)});
        argv.insert(argv.end(), {"-d", "set", "SUP", "2000-2010", "07/01/2005", "31"});
        const childrun::runresult run = childrun::run({RT_MAKE_SCENARIOS_PATH, argv, scratch.path(), {}, true});
        EXPECT_EQ(run.status, c.error.empty() ? 0 : 2) << run.out;
        EXPECT_NE(run.out.find(c.error.empty() ? "Wrote 11 scenario files" : c.error), std::string::npos) << run.out;
        if (!c.error.empty()) continue;
        // The file holds the conditioned July 2000 worked by hand above.
        const std::string bytes = testsupport::readfile("set/REROVE2000.sup");
        float evaporation = 0;
        ASSERT_EQ(bytes.size(), 32U * 24U);  // a header and 31 days
        std::memcpy(&evaporation, bytes.data() + 24 + 16, 4);
        EXPECT_FLOAT_EQ(evaporation, static_cast<float>(32.6 / 31));
    }
}

TEST(ConditionedTraces, UsageErrorsOfTheProgram) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--condition", "MHU", "1950-2014", "06/01/2025", "365"},
         "the record has no 2025-05, the month before the outlook, to condition the traces on"},
        {{"--fit-exclude", "1950", "MHU", "1950", "06/01/2000", "31"}, "--fit-exclude needs --condition"},
    };
    for (const auto& [args, error] : cases) {
        testsupport::scratchdir scratch;
        std::vector<std::string> argv = {"make_scenarios", "--record", RT_RECORD_PATH, "-d", "set"};
        argv.insert(argv.end(), args.begin(), args.end());
        const childrun::runresult run = childrun::run({RT_MAKE_SCENARIOS_PATH, argv, scratch.path(), {}, true});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, " make_scenarios: " + error + "\n Try make_scenarios --help\n");
        EXPECT_FALSE(std::filesystem::exists(scratch.path() / "set"));
    }
}
