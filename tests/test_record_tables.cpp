// The tool's tables of historical traces held against the monthly record itself:
// for each scenario year and each whole month of the outlook, the mean of the
// table's daily values in m3/s is the month's runoff + precipitation - evaporation
// over the lake's coordinated area, spread over the month's days.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "calendar_support.hpp"
#include "fcstutil/fcstutil.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "outlook/outlook.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"
#include "tool_support.hpp"

namespace fs = std::filesystem;
using testsupport::seqof;

namespace {

// Net basin supply of each month of the record, millimetres over the lake, keyed by
// lake code, year and month; read here on its own, by the header's names.
using MonthKey = std::tuple<std::string, std::int32_t, std::int32_t>;
std::map<MonthKey, double> recordnbs() {
    std::ifstream in(RT_RECORD_PATH);
    std::string line;
    std::map<std::string, std::size_t> at;
    const auto split = [](const std::string& text) {
        std::vector<std::string> fields;
        std::stringstream stream(text);
        for (std::string field; std::getline(stream, field, ',');) fields.push_back(field);
        return fields;
    };
    std::getline(in, line);
    const std::vector<std::string> header = split(line);
    for (std::size_t i = 0; i < header.size(); ++i) at[header[i]] = i;
    std::map<MonthKey, double> nbs;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = split(line);
        nbs[{f[at["lake"]], std::stoi(f[at["year"]]), std::stoi(f[at["month"]])}] =
            std::stod(f[at["runoff_mm"]]) + std::stod(f[at["precip_mm"]]) - std::stod(f[at["evap_mm"]]);
    }
    return nbs;
}

struct recordcase {
    std::string lake;
    std::string years;
    std::string start;  // MM/DD/YYYY
    std::int32_t days;
    std::string why;
};

class RecordTables : public ::testing::TestWithParam<recordcase> {};

// The lake's coordinated area in square metres, over which the tool turns the
// depth into a flow.
double lakearea(std::int32_t lakeindex) {
    rerove_tivorn_subs::LakeParts lake;
    EXPECT_TRUE(rerove_tivorn_subs::lakeparts(lakeindex, lake));
    return static_cast<double>(fcstutil::coordlakearea[static_cast<std::size_t>(lake.fcstlake - 1)]);
}

}  // namespace

TEST_P(RecordTables, MonthlyMeansAreTheRecords) {
    const recordcase& c = GetParam();
    testsupport::scratchdir scratch;
    scenariofiles::scenariorequest request;
    std::string error;
    const std::string days = std::to_string(c.days);
    const std::vector<std::string_view> args = {"--record", RT_RECORD_PATH, "-d",    "set",
                                                c.lake,     c.years,        c.start, days};
    ASSERT_TRUE(scenariofiles::parsearguments(args, request, error)) << error;
    std::int32_t written = 0;
    ASSERT_TRUE(scenariofiles::writescenarios(request, written, error)) << error;
    const childrun::runresult run = testsupport::runtool({c.lake}, scratch.path() / "set");
    ASSERT_EQ(run.status, 0) << run.out;

    static const std::map<MonthKey, double> record = recordnbs();
    const double area = lakearea(request.lakeindex);
    const std::vector<fs::path> tables = outlook::tablesoflake(request.lakeindex, scratch.path() / "set");
    ASSERT_EQ(tables.size(), request.years.size());
    std::int32_t d0 = 0, m0 = 0, y0 = 0;
    keldautil::sequencedate(d0, m0, y0, request.firstday);
    std::size_t months = 0;
    for (const fs::path& file : tables) {
        const outlook::table table = outlook::readtable(file);
        ASSERT_EQ(table.values.size(), static_cast<std::size_t>(c.days));
        // Whole months of the outlook: from each first of a month on.
        for (std::int32_t seq = table.firstday; seq <= table.lastday; ++seq) {
            std::int32_t d = 0, m = 0, y = 0;
            keldautil::sequencedate(d, m, y, seq);
            const std::int32_t n = keldautil::daysinmonth(m, y);
            if (d != 1 || seq + n - 1 > table.lastday) continue;
            double sum = 0;
            for (std::int32_t k = 0; k < n; ++k)
                sum += table.values[static_cast<std::size_t>(seq - table.firstday) + static_cast<std::size_t>(k)];
            const double mm = record.at({c.lake, table.year + y - y0, m});
            const double expected = mm * 0.001 * area / (86400.0 * n);
            // Half a unit of the table's tens of m3/s, and single precision.
            EXPECT_NEAR(sum / n, expected, 5.0 + 1e-5 * std::fabs(expected))
                << c.why << ": " << file.filename() << " " << y << "-" << m;
            ++months;
        }
    }
    EXPECT_GE(months, request.years.size() * 6);
}

INSTANTIATE_TEST_SUITE_P(
    EveryLake, RecordTables,
    ::testing::Values(recordcase{"SUP", "1952,1987,2015", "01/01/2023", 365, "28-day February from a 29-day one"},
                      recordcase{"MHU", "1950-1951,2014", "01/01/2024", 400, "29-day February from a 28-day one"},
                      recordcase{"STC", "1950,1990,2014", "06/15/2025", 200, "start in the middle of a month"},
                      recordcase{"ERI", "1950,1976,2013", "10/01/2027", 600, "two year ends, February of 29 days"},
                      recordcase{"ONT", "1960,2014", "03/10/2026", 400, "start in the middle of a month"}),
    [](const ::testing::TestParamInfo<recordcase>& param) { return param.param.lake; });

TEST(RecordTables, AYearTheRecordCannotReplayIsRefused) {
    testsupport::scratchdir scratch;
    const childrun::runresult run = testsupport::runprogram(
        RT_MAKE_SCENARIOS_PATH, {"--record", RT_RECORD_PATH, "-d", "set", "MHU", "1950-2015", "06/01/2025", "365"},
        scratch.path(), "make_scenarios");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out,
              " make_scenarios: the record has no whole trace for scenario year 2015 (2015 needs 2015-06 to 2016-05, "
              "the record has no 2016-01); the years that fit: 1950-2014\n"
              " Try make_scenarios --help\n");
    EXPECT_FALSE(fs::exists(scratch.path() / "set"));
}
