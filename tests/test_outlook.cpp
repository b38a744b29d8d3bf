// The companion program's library: tables and scenario files read back, the
// ensemble statistics and the fan chart.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <array>
#include <bit>
#include <cmath>
#include <limits>

#include "calendar_support.hpp"
#include "errorprocess/errorprocess.hpp"
#include "outlook/outlook.hpp"
#include "scenario_support.hpp"
#include "support.hpp"

namespace fs = std::filesystem;
using testsupport::seqof;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
const std::string fill8 = "-99999.";

std::string header(std::int32_t y1, std::int32_t y2) {
    return "# LAKE Superior DAILY NET BASIN SUPPLIES (CMS*10)\r\n#                [e.g. 149 = 1490 cms]\r\n# " +
           std::to_string(y1) + " to " + std::to_string(y2) +
           "\r\n# Fortran format: I5, I3, I2, 12F8.0\r\nINTERVAL: Daily\r\nUNITS: 10m3s\r\n"
           "#  YR  M Q       1       2       3       4       5       6       7       8\r\n";
}

// A row of a quarter-month: the given 8-column fields, the rest of its days outside.
std::string row(std::int32_t y, std::int32_t m, std::int32_t q, std::int32_t length,
                std::vector<std::string> fields = {}) {
    std::string line = iolayer::formati(y, 5) + iolayer::formati(m, 3) + iolayer::formati(q, 2);
    fields.resize(static_cast<std::size_t>(length), fill8);
    for (const auto& f : fields)
        line += iolayer::padded(std::string(8 - std::min<std::size_t>(f.size(), 8), ' ') + f, 8);
    return line + "\r\n";
}

// 29 November to 2 December 2024: 1490., missing, asterisks, -12.
std::string smalltable() {
    return header(2024, 2024) + row(2024, 11, 1, 8) + row(2024, 11, 2, 7) + row(2024, 11, 3, 8) +
           row(2024, 11, 4, 7, {fill8, fill8, fill8, fill8, fill8, "1490.", "-28317."}) +
           row(2024, 12, 1, 8, {"********", "-12."}) + row(2024, 12, 2, 7) + row(2024, 12, 3, 8) + row(2024, 12, 4, 8);
}

void expectvalues(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (std::isnan(want[i]))
            EXPECT_TRUE(std::isnan(got[i])) << i;
        else
            EXPECT_DOUBLE_EQ(got[i], want[i]) << i;
    }
}

TEST(OutlookTable, DaysOfTheOutlookWithMissingAndUnreadableValues) {
    const outlook::table t = outlook::parsetable(smalltable(), "spDNBS_1950.txt");
    EXPECT_EQ(t.lake, "Superior");
    EXPECT_EQ(t.firstday, seqof(29, 11, 2024));
    EXPECT_EQ(t.lastday, seqof(2, 12, 2024));
    expectvalues(t.values, {14900, nan, nan, -120});
    EXPECT_EQ(outlook::tablecsv(t), "date,nbs_m3s\n2024-11-29,14900\n2024-11-30,\n2024-12-01,\n2024-12-02,-120\n");
}

TEST(OutlookTable, YearFromTheFileNameAndLakeListing) {
    testsupport::scratchdir dir;
    testsupport::writefile("spDNBS_1950.txt", smalltable());
    testsupport::writefile("spDNBS_1951.txt", smalltable());
    testsupport::writefile("mhDNBS_1950.txt", smalltable());
    const auto files = outlook::tablesoflake(1, ".");
    ASSERT_EQ(files.size(), 2U);
    EXPECT_EQ(files[1].filename(), "spDNBS_1951.txt");
    EXPECT_EQ(outlook::readtable(files[1]).year, 1951);
    EXPECT_TRUE(outlook::looksliketable(files[0]));
}

TEST(OutlookTable, BadOrTruncatedTablesAreRefusedWithTheirName) {
    const std::string good = smalltable();
    const std::string cut = good.substr(0, good.find(" 2024 12 1") + 20);  // within a row
    const std::string norows = good.substr(0, good.find(" 2024 12 4"));    // within a month
    std::string gap = good;
    gap.erase(gap.find(" 2024 11 3"), row(2024, 11, 3, 8).size());
    std::string inside = good;
    inside.replace(inside.find("-28317."), 7, fill8);  // outside day between outlook days
    for (const auto& [text, why] :
         std::vector<std::pair<std::string, std::string>>{{header(2024, 2024).substr(0, 80), "header"},
                                                          {cut, "truncated"},
                                                          {norows, "truncated"},
                                                          {gap, "consecutive"},
                                                          {inside, "within"},
                                                          {"# something else\n", "header"},
                                                          {header(2024, 2024), "truncated"}}) {
        try {
            outlook::parsetable(text, "x.txt");
            ADD_FAILURE() << "accepted: " << why;
        } catch (const outlook::readerror& e) {
            EXPECT_NE(std::string(e.what()).find("x.txt"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(why == "header" ? "header" : why), std::string::npos) << e.what();
        }
    }
}

// What a table field means as iolayer::readreal reads it.
struct fieldreading {
    bool readable = false;
    float value = 0;
    bool operator==(const fieldreading& o) const {
        return readable == o.readable &&
               (!readable || std::bit_cast<std::uint32_t>(value) == std::bit_cast<std::uint32_t>(o.value));
    }
};

fieldreading byreadreal(std::string_view field) {
    fieldreading r;
    r.readable = iolayer::readreal(field, 0, r.value) && std::isfinite(r.value);
    return r;
}

TEST(OutlookTableField, TheToolsShapesReadInOneWordAndOthersAsReadrealReadsThem) {
    // Whether the one-word reading takes the field; either way the value is readreal's.
    for (const auto& [field, quick] : std::vector<std::pair<std::string, bool>>{
             {"    108.", true},  {"  -2831.", true},  {" -28317.", true},  {" -99999.", true},
             {"9999999.", true},  {"-999999.", true},  {"      0.", true},  {"     -0.", true},
             {"********", false}, {"        ", false}, {"       .", false}, {"      -.", false},
             {"   -4.  ", false}, {" 1 2 3 .", false}, {"    +12.", false}, {"    12.5", false},
             {"  - 12. ", false}, {"   - 12.", false}, {" --12.  ", false}, {"   1e3.", false},
             {"  12-3.", false},  {"  1.2e3 ", false}, {"12.3.   ", false}, {std::string("  1\0  2.", 8), false}}) {
        fieldreading fast;
        EXPECT_EQ(outlook::quickf80(field, fast.value), quick) << "[" << field << "]";
        fast.readable = quick;
        if (quick) {
            EXPECT_EQ(fast, byreadreal(field)) << "[" << field << "]";
        }
        fieldreading either;
        either.readable = outlook::readtablefield(field, either.value);
        EXPECT_EQ(either, byreadreal(field)) << "[" << field << "]";
    }
    // Every width of number the F8.0 edit writes, to the same bits as readreal.
    for (std::int64_t v = -999999; v <= 9999999; v += 97) {
        const std::string field = iolayer::formatf(static_cast<double>(v), 8, 0);
        fieldreading fast{true, 0};
        ASSERT_TRUE(outlook::quickf80(field, fast.value)) << field;
        ASSERT_EQ(fast, byreadreal(field)) << field;
    }
}

TEST(OutlookTableField, ARowReadsAsItsFieldsWholeOrOneByOne) {
    const std::string row = "    108.********  -2831.        -28317.    12.5 -99999.     -0.";
    const std::string after(64, ' ');
    // With 64 bytes to read the row is read at once; at the end of a text field by field.
    for (const std::string& text : {row + after, row, row.substr(0, 56)}) {
        const std::size_t n = text.size() < 64 ? text.size() / 8 : 8;
        std::array<float, 8> values{};
        std::array<bool, 8> readable{};
        outlook::readtablefields(text, std::span(values).first(n), std::span(readable).first(n));
        for (std::size_t k = 0; k < n; ++k) {
            const fieldreading got{readable[k], values[k]};
            EXPECT_EQ(got, byreadreal(row.substr(8 * k, 8))) << k << " of " << text.size();
        }
    }
}

TEST(OutlookTable, TablesReadTogetherKeepTheirOrderAndTheFirstFailure) {
    testsupport::scratchdir dir;
    std::vector<fs::path> files;
    for (int k = 0; k < 6; ++k) {
        files.emplace_back("spDNBS_" + std::to_string(1950 + k) + ".txt");
        testsupport::writefile(files.back().string(), k == 3 || k == 5 ? "# something else\n" : smalltable());
    }
    const auto good = std::span(files).first(3);
    const std::vector<outlook::table> tables = outlook::readtables(good);
    ASSERT_EQ(tables.size(), 3U);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(tables[k].year, 1950 + static_cast<std::int32_t>(k));
    try {
        (void)outlook::readtables(files);
        ADD_FAILURE() << "accepted";
    } catch (const outlook::readerror& e) {
        EXPECT_NE(std::string(e.what()).find("spDNBS_1953.txt"), std::string::npos) << e.what();
    }
}

std::string scenariobytes(std::int32_t first, std::int32_t last, std::size_t records) {
    std::vector<testsupport::scenarioday> days;
    for (std::size_t k = 0; k < records; ++k) days.push_back({1.5F + static_cast<float>(k), 0.1F, -0.25F});
    return testsupport::scenariobytes(first, last, days, "20241129");
}

TEST(OutlookScenarioFile, DaysAsCsvAndDamagedFilesRefused) {
    testsupport::scratchdir dir;
    const std::int32_t first = seqof(29, 11, 2024);
    testsupport::writefile("REROVE1950.sup", scenariobytes(first, first + 1, 2));
    EXPECT_FALSE(outlook::looksliketable("REROVE1950.sup"));
    EXPECT_EQ(outlook::scenariocsv(outlook::readscenariofile("REROVE1950.sup")),
              "# first day 2024-11-29, last day 2024-11-30\ndate,runoff_mm,precip_mm,evap_mm\n"
              "2024-11-29,1.5,0.1,-0.25\n2024-11-30,2.5,0.1,-0.25\n");

    testsupport::writefile("short", scenariobytes(first, first + 4, 3));
    testsupport::writefile("tiny", std::string(10, '\0'));
    testsupport::writefile("backwards", scenariobytes(first, first - 1, 3));
    for (const auto& [name, why] : std::vector<std::pair<std::string, std::string>>{{"short", "truncated"},
                                                                                    {"tiny", "too short"},
                                                                                    {"backwards", "not a span"},
                                                                                    {"absent", "cannot be opened"}}) {
        try {
            outlook::readscenariofile(name);
            ADD_FAILURE() << "accepted " << name;
        } catch (const outlook::readerror& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
        }
    }
}

// Exceedance values by hand: the m-th largest of n is exceeded with m/(n+1).
TEST(OutlookStatistics, WeibullExceedanceForOneToFourValuesWithTies) {
    struct row {
        std::vector<double> descending;
        double p, want;
    };
    for (const auto& c : std::vector<row>{{{7}, 0.9, 7},
                                          {{7}, 0.1, 7},
                                          {{3, 1}, 0.5, 2},
                                          {{3, 1}, 0.9, 1},
                                          {{3, 1}, 0.1, 3},
                                          {{4, 2, 1}, 0.5, 2},
                                          {{4, 2, 1}, 0.25, 4},
                                          {{4, 2, 1}, 0.6, 1.6},
                                          {{10, 3, 2, 1}, 0.5, 2.5},
                                          {{10, 3, 2, 1}, 0.25, 8.25},
                                          {{10, 3, 2, 1}, 0.75, 1.25},
                                          {{10, 3, 2, 1}, 0.9, 1},
                                          {{5, 5, 5, 1}, 0.5, 5},
                                          {{5, 5, 5, 1}, 0.75, 2}}) {
        const std::vector<double> ascending(c.descending.rbegin(), c.descending.rend());
        EXPECT_NEAR(outlook::exceededvalue(ascending, {}, c.p, outlook::positionrule::weibull), c.want, 1e-12)
            << c.descending.size() << " " << c.p;
    }
    EXPECT_TRUE(std::isnan(outlook::exceededvalue({}, {}, 0.5, outlook::positionrule::weibull)));
}

outlook::ensemble smallensemble() {
    outlook::ensemble e;
    e.lake = "Superior";
    e.firstday = seqof(29, 11, 2024);
    e.lastday = seqof(10, 12, 2024);
    e.years = {1950, 1951, 1952};
    e.values.assign(3, std::vector<double>(12, 0.0));
    for (std::size_t d = 0; d < 12; ++d) {
        e.values[0][d] = 100;
        e.values[1][d] = static_cast<double>(d);  // 0 .. 11
        e.values[2][d] = -50;
    }
    e.values[2][5] = nan;  // 4 December: scenario 1952 misses the first quarter-month of December
    return e;
}

TEST(OutlookStatistics, PeriodsCutToTheOutlook) {
    const std::int32_t first = seqof(29, 11, 2024), last = seqof(10, 12, 2024);
    const auto qm = outlook::periodsof(outlook::periodkind::quartermonth, first, last);
    ASSERT_EQ(qm.size(), 3U);
    EXPECT_EQ(qm[0].last, seqof(30, 11, 2024));
    EXPECT_EQ(qm[1].first, seqof(1, 12, 2024));
    EXPECT_EQ(qm[1].last, seqof(8, 12, 2024));
    EXPECT_EQ(qm[2].last, last);
    EXPECT_EQ(outlook::periodsof(outlook::periodkind::month, first, last).size(), 2U);
    EXPECT_EQ(outlook::periodsof(outlook::periodkind::outlook, first, last).size(), 1U);
    EXPECT_EQ(outlook::periodofname("month"), outlook::periodkind::month);
    EXPECT_FALSE(outlook::periodofname("week"));
}

TEST(OutlookStatistics, AMissingDayLeavesTheScenarioWithoutAValueForItsPeriod) {
    const outlook::ensemble e = smallensemble();
    const auto periods = outlook::periodsof(outlook::periodkind::quartermonth, e.firstday, e.lastday);
    const outlook::analysis a;
    const outlook::periodset set = outlook::periodsetof(a, e, {});
    expectvalues(set.values[1], {0.5, 5.5, 10.5});
    expectvalues(set.values[2], {-50, nan, -50});
    const auto stats = outlook::summarise(set, a);
    EXPECT_EQ(stats[1].count, 2);
    EXPECT_EQ(stats[1].missing, 1);
    EXPECT_EQ(outlook::summarycsv(stats, a, false),
              "first_date,last_date,scenarios,missing,min_m3s,exceed90_m3s,exceed50_m3s,exceed10_m3s,mean_m3s,max_m3s\n"
              "2024-11-29,2024-11-30,3,0,-50,-50,0.5,100,16.833333333333332,100\n"
              "2024-12-01,2024-12-08,2,1,5.5,5.5,52.75,100,52.75,100\n"
              "2024-12-09,2024-12-10,3,0,-50,-50,10.5,100,20.166666666666668,100\n");
}

TEST(OutlookStatistics, TablesOfDifferentOutlooksAreNotMixed) {
    outlook::table a, b;
    a.firstday = 10, a.lastday = 20, b.firstday = 10, b.lastday = 21;
    a.values.resize(11), b.values.resize(12);
    EXPECT_THROW(outlook::makeensemble({a, b}), outlook::readerror);
    EXPECT_THROW(outlook::makeensemble({}), outlook::readerror);
    EXPECT_EQ(outlook::makeensemble({a, a}).values.size(), 2U);
}

TEST(OutlookCsv, ShortestTextReadsBack) {
    EXPECT_EQ(outlook::shortest(0.1), "0.1");
    EXPECT_EQ(outlook::shortest(0.1F), "0.1");
    EXPECT_EQ(outlook::shortest(-0.0), "0");
    EXPECT_EQ(outlook::shortest(35160.0), "35160");
    EXPECT_EQ(outlook::shortest(nan), "");
    EXPECT_EQ(outlook::isodate(seqof(1, 2, 1950)), "1950-02-01");
}

// Elements of a parsed chart whose class attribute is cls.
std::size_t count(const pugi::xml_document& doc, const std::string& element, const std::string& cls) {
    const std::string query = "//*[local-name()='" + element + "'][@class='" + cls + "']";
    return doc.select_nodes(query.c_str()).size();
}

pugi::xml_document parsed(const std::string& svg) {
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_string(svg.c_str());
    EXPECT_TRUE(result) << result.description();
    EXPECT_STREQ(doc.document_element().name(), "svg");
    return doc;
}

TEST(OutlookChart, BandsLinesAndTicksOfASmallOutlook) {
    outlook::ensemble e = smallensemble();
    const auto periods = outlook::periodsof(outlook::periodkind::quartermonth, e.firstday, e.lastday);
    const auto doc = parsed(outlook::fanchart(e, periods, {true, 1951}));
    EXPECT_EQ(count(doc, "polygon", "band90"), 1U);
    EXPECT_EQ(count(doc, "polygon", "band75"), 1U);
    EXPECT_EQ(count(doc, "polyline", "median"), 1U);
    EXPECT_EQ(count(doc, "polyline", "trace"), 4U);  // 1952 is broken by its missing period
    EXPECT_EQ(count(doc, "polyline", "highlight"), 1U);
    EXPECT_EQ(count(doc, "line", "zero"), 1U);
    EXPECT_EQ(count(doc, "line", "xtick"), 3U);  // 1 December and both ends of the span
    EXPECT_GE(count(doc, "line", "ytick"), 3U);
    EXPECT_NE(std::string(doc.select_node("//*[@class='title']").node().child_value()).find("3 scenarios"),
              std::string::npos);
    EXPECT_THROW(outlook::fanchart(e, periods, {false, 1999}), outlook::optionerror);

    // A period that no scenario has splits the bands and the median.
    for (auto& scenario : e.values) scenario[5] = nan;
    const auto gap = parsed(outlook::fanchart(e, periods, {}));
    EXPECT_EQ(count(gap, "polygon", "band90"), 2U);
    EXPECT_EQ(count(gap, "polyline", "median"), 2U);
    EXPECT_EQ(count(gap, "polyline", "trace"), 0U);
}

TEST(OutlookChart, OneScenarioOfNegativeSuppliesOnly) {
    outlook::ensemble e = smallensemble();
    e.years = {1952};
    e.values = {std::vector<double>(12, -3000.0)};
    const auto periods = outlook::periodsof(outlook::periodkind::outlook, e.firstday, e.lastday);
    const auto doc = parsed(outlook::fanchart(e, periods, {true, std::nullopt}));
    EXPECT_EQ(count(doc, "polyline", "median"), 1U);
    EXPECT_EQ(count(doc, "polyline", "trace"), 1U);
    EXPECT_EQ(count(doc, "line", "zero"), 0U);  // the axis holds -3000 only
    for (const auto& label : doc.select_nodes("//*[@class='ylabel']"))
        EXPECT_LT(std::stod(label.node().child_value()), 0.0);
}

TEST(OutlookChart, LargestOutlookStaysSmallAndYearsAreLabelled) {
    outlook::ensemble e;
    e.lake = "Mich-Hur";
    e.firstday = seqof(1, 6, 2024);
    e.lastday = e.firstday + 19999;
    for (std::int32_t s = 0; s < 75; ++s) {
        e.years.push_back(1950 + s);
        std::vector<double> v(20000);
        for (std::size_t d = 0; d < v.size(); ++d)
            v[d] = 3000 * std::sin(0.0172 * static_cast<double>(d) + s) + 500 * s;
        e.values.push_back(std::move(v));
    }
    const auto periods = outlook::periodsof(outlook::periodkind::quartermonth, e.firstday, e.lastday);
    const std::string svg = outlook::fanchart(e, periods, {true, 2000});
    EXPECT_LT(svg.size(), 2'000'000U);
    const auto doc = parsed(svg);
    EXPECT_EQ(count(doc, "polyline", "trace"), 75U);
    for (const auto& trace : doc.select_nodes("//*[@class='trace']")) {
        const std::string points = trace.node().attribute("points").value();
        EXPECT_LE(std::count(points.begin(), points.end(), ' ') + 1, 900);  // a point per pixel column at most
    }
    EXPECT_EQ(count(doc, "line", "xtick"), 55U);  // Januaries 2025 to 2079
    EXPECT_NE(std::string(doc.select_node("//*[@class='title']").node().child_value()).find("Mich-Huron"),
              std::string::npos);
    EXPECT_GE(count(doc, "text", "year"), 5U);
}

TEST(OutlookChart, RoundTicksCoverTheRange) {
    for (const auto& [lo, hi] :
         std::vector<std::pair<double, double>>{{-3380, -1750}, {0, 1}, {-2.5e4, 3.1e4}, {7, 7.01}}) {
        const auto ticks = outlook::roundticks(lo, hi, 6);
        ASSERT_GE(ticks.size(), 2U);
        EXPECT_LE(ticks.front(), lo);
        EXPECT_GE(ticks.back(), hi);
        EXPECT_LE(ticks.size(), 13U);
        const double step = ticks[1] - ticks[0];
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
        EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 || std::abs(mantissa - 5) < 1e-9)
            << step;
    }
}

}  // namespace

// The dry run keeps the shared steps' console lines and error state to itself.
TEST(Check, SharedStepsNeitherPrintNorLeaveAFailure) {
    testsupport::scratchdir dir;
    const std::int32_t first = seqof(25, 12, 2999);  // a span past the calendar's end
    testsupport::writescenario(dir.path() / "REROVE1950.sup", first, first + 10,
                               std::vector<testsupport::scenarioday>(11));
    errorprocess::errorlevel = 0;
    ::testing::internal::CaptureStdout();
    const outlook::checkoutcome outcome = outlook::checkrun("sup", dir.path());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(errorprocess::errorlevel, 0);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.report.find("the first message it prints: Bad parameter in routine DaysInMonth\n"),
              std::string::npos)
        << outcome.report;
    EXPECT_THROW((void)outlook::checkrun("sup", dir.path() / "REROVE1950.sup"), outlook::readerror);
}
