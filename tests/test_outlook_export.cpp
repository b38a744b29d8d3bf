// The exports of an outlook: the writers on a small ensemble, files written whole,
// and rerove_outlook export on the tool's tables, read back with pugixml, ncdump
// and xarray.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include <pugixml.hpp>

#include "calendar_support.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "outlook/outlook.hpp"
#include "tool_support.hpp"

namespace fs = std::filesystem;
using childrun::runresult;
using testsupport::seqof;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Superior, 29 November to 1 December 2024; years out of order, one missing day.
outlook::ensemble smallensemble() {
    outlook::ensemble e;
    e.lake = "Superior";
    e.lakeindex = 1;
    e.firstday = seqof(29, 11, 2024);
    e.lastday = e.firstday + 2;
    e.years = {1953, 1950};
    e.values = {{1, nan, 3.5}, {10, 20, 30.25}};
    return e;
}

std::string prefix(const std::string& text, std::string_view expected) { return text.substr(0, expected.size()); }

std::vector<std::string> names(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir)) found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
}

TEST(ExportWriters, CsvByDateThenYear) {
    const outlook::ensemble e = smallensemble();
    EXPECT_EQ(outlook::exportcsv(e, 1, {}),
              "date,year,nbs_m3s\n2024-11-29,1950,10\n2024-11-29,1953,1\n2024-11-30,1950,20\n2024-11-30,1953,\n"
              "2024-12-01,1950,30.25\n2024-12-01,1953,3.5\n");
    const std::vector<double> weights = {0.75, 0.25};  // 1953, 1950
    const std::string_view start = "date,year,nbs_m3s,weight\n2024-11-29,1950,10,0.25\n2024-11-29,1953,1,0.75\n";
    EXPECT_EQ(prefix(outlook::exportcsv(e, 1, weights), start), start);
}

TEST(ExportWriters, PiXmlSeriesPerYearHeaderInOrder) {
    const std::string text = outlook::exportpixml(smallensemble(), 1, {});
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(text.c_str()));
    const pugi::xml_node root = doc.child("TimeSeries");
    EXPECT_STREQ(root.attribute("xmlns").value(), "http://www.wldelft.nl/fews/PI");
    EXPECT_NE(std::string(root.attribute("xsi:schemaLocation").value()).find("pi_timeseries.xsd"), std::string::npos);
    EXPECT_STREQ(root.first_child().name(), "timeZone");
    EXPECT_STREQ(root.first_child().text().get(), "0.0");
    const std::vector<std::string> order = {
        "type",      "locationId", "parameterId",  "ensembleId", "ensembleMemberIndex", "timeStep",
        "startDate", "endDate",    "forecastDate", "missVal",    "stationName",         "units"};
    const std::vector<std::vector<std::string>> values = {{"10", "20", "30.25"}, {"1", "NaN", "3.5"}};
    std::size_t count = 0;
    for (const pugi::xml_node series : root.children("series")) {
        std::vector<std::string> fields;
        for (const pugi::xml_node field : series.child("header").children()) fields.emplace_back(field.name());
        EXPECT_EQ(fields, order);
        const pugi::xml_node header = series.child("header");
        EXPECT_STREQ(header.child("type").text().get(), "mean");
        EXPECT_STREQ(header.child("locationId").text().get(), "SUP");
        EXPECT_STREQ(header.child("stationName").text().get(), "Lake Superior");
        EXPECT_STREQ(header.child("endDate").attribute("date").value(), "2024-12-01");
        EXPECT_STREQ(header.child("forecastDate").attribute("date").value(), "2024-11-29");
        EXPECT_EQ(header.child("ensembleMemberIndex").text().as_int(), count == 0 ? 1950 : 1953);
        std::vector<std::string> events;
        for (const pugi::xml_node event : series.children("event"))
            events.emplace_back(event.attribute("value").value());
        EXPECT_EQ(events, values[std::min<std::size_t>(count, 1)]);
        ++count;
    }
    EXPECT_EQ(count, 2U);
}

TEST(ExportWriters, RefusedInputs) {
    const outlook::ensemble e = smallensemble();
    const std::vector<double> two = {1, 1};
    const std::vector<double> one = {1};
    EXPECT_THROW((void)outlook::exportpixml(e, 1, two), outlook::optionerror);
    EXPECT_THROW((void)outlook::exportcsv(e, 1, one), std::invalid_argument);
    EXPECT_THROW((void)outlook::exportcsv(e, 6, {}), std::invalid_argument);
    EXPECT_THROW(outlook::writenetcdf("x.nc", e, 0, {}), std::invalid_argument);
}

TEST(WholeFiles, ReplacedKeepingBitsAndNothingLeftOnFailure) {
    const testsupport::scratchdir dir;
    testsupport::writefile("out.txt", "old");
    fs::permissions("out.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    outlook::writefile("out.txt", "new");
    EXPECT_EQ(testsupport::readfile("out.txt"), "new");
    EXPECT_EQ(fs::status("out.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    EXPECT_THROW(outlook::writefile("nodir/out.txt", "x"), outlook::writeerror);
    const auto failing = [](const fs::path& temporary) {
        testsupport::writefile(temporary, "part");
        throw outlook::readerror("no");
    };
    EXPECT_THROW(outlook::writefile("out.txt", failing), outlook::readerror);
    {
        const testsupport::filesizelimit full(3000);
        EXPECT_THROW(outlook::writefile("out.txt", std::string(10000, 'x')), outlook::writeerror);
        if (outlook::netcdfavailable()) {
            try {
                outlook::writenetcdf("big.nc", smallensemble(), 1, {});
                ADD_FAILURE() << "a NetCDF file larger than the limit was written";
            } catch (const outlook::writeerror& e) {
                EXPECT_NE(std::string(e.what()).find("big.nc"), std::string::npos) << e.what();
            }
        }
    }
    EXPECT_EQ(testsupport::readfile("out.txt"), "new");
    EXPECT_EQ(names(dir.path()), std::vector<std::string>{"out.txt"});
}

runresult outlookrun(const std::vector<std::string>& args, const fs::path& dir = ".") {
    return testsupport::runprogram(RT_OUTLOOK_PATH, args, dir, "rerove_outlook");
}

// The NetCDF file against the CSV of the same tables, with xarray.
void checkwithxarray(const fs::path& nc, const fs::path& csv) {
    if (std::string(RT_PYTHON_XARRAY).empty()) GTEST_SKIP() << "no python3 with xarray and netCDF4 at configure time";
    const runresult run =
        testsupport::runprogram(RT_PYTHON_XARRAY, {RT_EXPORT_CHECK, nc.string(), csv.string()}, ".", "python3");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
}

// Superior, 29 November to 2 December 2024: 1950 and 1953 typical, 1951 dry,
// 1952 typical but for a missing 1 December (the tool's own tables).
class ExportRun : public ::testing::Test {
protected:
    void SetUp() override {
        const std::int32_t first = seqof(29, 11, 2024);
        const testsupport::scenarioday typical{12.0F, 30.0F, 5.0F}, dry{0.0F, 0.0F, 0.0F}, missing{-1.0F, 30.0F, 5.0F};
        for (const std::int32_t year : {1950, 1953}) testsupport::writeconstant(file(year), first, first + 3, typical);
        testsupport::writeconstant(file(1951), first, first + 3, dry);
        testsupport::writescenario(file(1952), first, first + 3, {typical, typical, missing, typical});
        const runresult tool = testsupport::runtool({"SUP"}, dir_.path());
        ASSERT_EQ(tool.status, 0) << tool.out;
        testsupport::writefile("weights.csv", "year,weight\n1950,1\n1951,2\n1952,0.5\n1953,0.5\n");
    }
    static std::string file(std::int32_t year) { return "REROVE" + std::to_string(year) + ".sup"; }
    testsupport::scratchdir dir_;
};

TEST_F(ExportRun, EachFormatOfTheTables) {
    const runresult csv = outlookrun({"export", "--format", "csv", "--weights", "weights.csv", "-o", "w.csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, "");
    const std::string_view start = "date,year,nbs_m3s,weight\n2024-11-29,1950,35160,1\n2024-11-29,1951,0,2\n";
    EXPECT_EQ(prefix(testsupport::readfile("w.csv"), start), start);
    EXPECT_NE(testsupport::readfile("w.csv").find("2024-12-01,1952,,0.5\n"), std::string::npos);

    ASSERT_EQ(outlookrun({"export", "--format", "pi-xml", "--lake", "sup", "-o", "o.xml", "."}).status, 0);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file("o.xml"));
    EXPECT_EQ(doc.select_nodes("/TimeSeries/series").size(), 4U);
    EXPECT_EQ(doc.select_nodes("//event").size(), 16U);
    EXPECT_STREQ(doc.select_node("//series[3]/event[3]").node().attribute("value").value(), "NaN");

    const runresult nc = outlookrun({"export", "--format", "netcdf", "--weights", "weights.csv", "-o", "w.nc"});
    if (!outlook::netcdfavailable()) {
        EXPECT_EQ(nc.status, 1);
        EXPECT_NE(nc.err.find("without NetCDF"), std::string::npos) << nc.err;
        GTEST_SKIP() << "built without NetCDF";
    }
    ASSERT_EQ(nc.status, 0) << nc.err;
    checkwithxarray("w.nc", "w.csv");
}

TEST_F(ExportRun, BadInputOneMessageNoFile) {
    std::string table = testsupport::readfile("spDNBS_1950.txt");
    testsupport::writefile("cut.txt", table.substr(0, table.size() - 20));
    for (const auto& [args, text] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--format", "pi-xml", "--weights", "weights.csv", "-o", "x"}, "weights"},
             {{"--format", "csv", "-o", "x", "cut.txt"}, "cut.txt"},
             {{"--format", "pi-xml", "-o", "x", "nothere"}, "nothere"},
             {{"--format", "csv", "--weights", "nothere.csv", "-o", "x"}, "nothere.csv"},
             {{"--format", "csv", "-o", "nodir/x"}, "nodir/x"},
             {{"--format", "json", "-o", "x"}, "json"},
             {{"--format", "csv"}, "output"}}) {
        std::vector<std::string> command = {"export"};
        command.insert(command.end(), args.begin(), args.end());
        const runresult run = outlookrun(command);
        EXPECT_EQ(run.status, 1) << text;
        EXPECT_EQ(run.out, "") << text;
        EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
        if (text != "output" && text != "json") {
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        }
    }
    for (const std::string& name : names(".")) EXPECT_TRUE(name != "x" && !name.ends_with(".tmp")) << name;
}

// Historical traces of Mich-Huron over 400 days, through the tool, exported as
// NetCDF and as CSV, and read back.
TEST(ExportRecord, NetcdfOfRealClimateTraces) {
    if (!outlook::netcdfavailable()) GTEST_SKIP() << "built without NetCDF";
    const testsupport::scratchdir scratch;
    scenariofiles::scenariorequest request;
    std::string error;
    const std::vector<std::string_view> args = {"--record",       RT_RECORD_PATH, "MHU",
                                                "1950-1951,1987", "06/15/2024",   "400"};
    ASSERT_TRUE(scenariofiles::parsearguments(args, request, error)) << error;
    std::int32_t written = 0;
    ASSERT_TRUE(scenariofiles::writescenarios(request, written, error)) << error;
    ASSERT_EQ(testsupport::runtool({"MHU"}, scratch.path()).status, 0);
    ASSERT_EQ(outlookrun({"export", "--format", "netcdf", "-o", "mhu.nc"}).status, 0);
    ASSERT_EQ(outlookrun({"export", "--format", "csv", "-o", "mhu.csv"}).status, 0);
    checkwithxarray("mhu.nc", "mhu.csv");

    if (std::string(RT_NCDUMP).empty()) GTEST_SKIP() << "no ncdump at configure time";
    const runresult dump = testsupport::runprogram(RT_NCDUMP, {"-h", "-s", "mhu.nc"}, ".", "ncdump");
    ASSERT_EQ(dump.status, 0) << dump.err;
    for (const char* text : {"time = 400 ;", "realization = 3 ;", "nv = 2 ;", "float nbs(realization, time) ;",
                             "nbs:_FillValue = -9999.f ;", "time:units = \"days since 2024-06-15 00:00:00\" ;",
                             "time:bounds = \"time_bnds\" ;", ":Conventions = \"CF-1.8\" ;", "nbs:_DeflateLevel = 1 ;",
                             ":_Format = \"netCDF-4 classic model\" ;", "double forecast_reference_time ;",
                             "Lake Michigan-Huron, 2024-06-15 to 2025-07-19"})
        EXPECT_NE(dump.out.find(text), std::string::npos) << text << "\n" << dump.out;
}

}  // namespace
