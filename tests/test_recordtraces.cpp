// Historical traces of a monthly record: reading the record, the years that fit
// an outlook, the daily shares and the files make_scenarios --record writes (the
// traces themselves are held against the record in test_record_tables.cpp).
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "calendar_support.hpp"
#include "support.hpp"
#include "tools/recordtraces.hpp"
#include "tools/scenariofiles.hpp"

using namespace recordtraces;
using testsupport::seqof;

namespace {

// A record of one lake (index 1) with every month of the years from and to.
Record everymonth(std::int32_t from, std::int32_t to) {
    Record record;
    for (std::int32_t n = monthnumber(from, 1); n <= monthnumber(to, 12); ++n) record.lakes[0][n] = {};
    return record;
}

// The record's file text read back, or the reason it is refused.
std::string readback(const std::string& text, Record& record) {
    testsupport::ScratchDir scratch;
    testsupport::writefile("record.csv", text);
    std::string error;
    return readrecord("record.csv", record, error) ? "" : error;
}

}  // namespace

TEST(RecordTraces, ReadsColumnsByHeaderName) {
    Record record;
    ASSERT_EQ(readback("\xEF\xBB\xBFnote,runoff_mm,evap_mm,month,year,lake,precip_mm\r\n"
                       "x, 28.13,107.98,1,1950,SUP,94.36\r\n"
                       "\r\n"
                       "y,0,-12.5,12,2015,mhu,0.01\r\n",
                       record),
              "");
    const Totals& sup = record.lakes[0].at(monthnumber(1950, 1));
    EXPECT_EQ(sup.runoff, 2813);
    EXPECT_EQ(sup.precipitation, 9436);
    EXPECT_EQ(sup.evaporation, 10798);
    const Totals& mhu = record.lakes[1].at(monthnumber(2015, 12));
    EXPECT_EQ(mhu.evaporation, -1250);  // condensation stays negative
    EXPECT_EQ(mhu.precipitation, 1);
    EXPECT_EQ(record.lakes[0].size() + record.lakes[1].size(), 2U);
}

TEST(RecordTraces, RefusesWhatItCannotUse) {
    const std::string header = "lake,year,month,precip_mm,evap_mm,runoff_mm\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "cannot read the record record.csv: it is empty"},
        {"lake,year,month,precip_mm,evap_mm\nSUP,1950,1,1,1\n", "record.csv: the header has no column runoff_mm"},
        {header + "SUP,1950,1,1,1,1\nXYZ,1950,2,1,1,1\n", "record.csv line 3: bad lake 'XYZ'"},
        {header + "SUP,1950,13,1,1,1\n", "record.csv line 2: bad month '13'"},
        {header + "SUP,1950,1,1,nan,1\n", "record.csv line 2: bad evap_mm 'nan'"},
        {header + "SUP,1950,1,1,1\n", "record.csv line 2: bad runoff_mm ''"},
        {header + "SUP,1950,1,-1,1,1\n", "record.csv line 2: bad precip_mm '-1'"},
        {header + "SUP,1950,1,1,1,1\nsup,1950,1,2,2,2\n", "record.csv line 3: a second row for sup 1950-01"},
    };
    for (const auto& [text, reason] : cases) {
        Record record;
        EXPECT_EQ(readback(text, record), reason) << text;
    }
    Record record;
    std::string error;
    EXPECT_FALSE(readrecord("/nonexistent/record.csv", record, error));
    EXPECT_EQ(error, "cannot read the record /nonexistent/record.csv: No such file or directory");
    EXPECT_FALSE(readrecord("/", record, error));
    EXPECT_EQ(error, "cannot read the record /: Is a directory");
}

TEST(RecordTraces, YearsThatFitTheOutlook) {
    const Record record = everymonth(1950, 1952);
    const std::int32_t june = seqof(1, 6, 2025);
    EXPECT_EQ(fittingyears(record, 1, june, 365), (std::vector<std::int32_t>{1950, 1951}));
    EXPECT_EQ(fittingyears(record, 1, seqof(1, 1, 2024), 366), (std::vector<std::int32_t>{1950, 1951, 1952}));
    EXPECT_TRUE(fittingyears(record, 2, june, 365).empty());

    std::string error;
    const std::vector<std::int32_t> fine = {1950, 1951};
    EXPECT_TRUE(checkyears(record, 1, fine, june, 365, error));
    const std::vector<std::int32_t> late = {1951, 1952, 1960};
    EXPECT_FALSE(checkyears(record, 1, late, june, 365, error));
    EXPECT_EQ(error,
              "the record has no whole trace for scenario years 1952, 1960 (1952 needs 1952-06 to 1953-05, the record "
              "has no 1953-01); the years that fit: 1950-1951");
    EXPECT_FALSE(checkyears(record, 2, fine, june, 365, error));
    EXPECT_NE(error.find("; no year fits this outlook"), std::string::npos) << error;
}

TEST(RecordTraces, MakeScenariosWritesTheTraceForEveryPart) {
    testsupport::ScratchDir scratch;
    testsupport::writefile("record.csv",
                           "lake,year,month,precip_mm,evap_mm,runoff_mm\n"
                           "MHU,1960,1,31.00,-3.10,62.00\nMHU,1960,2,28.00,2.80,0\n");
    scenariofiles::Request request;
    std::string error;
    const std::vector<std::string_view> args = {"--record", "record.csv", "-d",         "out",
                                                "MHU",      "1960",       "01/30/2027", "3"};
    ASSERT_TRUE(scenariofiles::parsearguments(args, request, error)) << error;
    ASSERT_TRUE(request.record.has_value());
    std::int32_t written = 0;
    ASSERT_TRUE(scenariofiles::writescenarios(request, written, error)) << error;
    EXPECT_EQ(written, 3);
    const auto real = [](const std::string& bytes, std::size_t at) {
        std::uint32_t word = 0;
        std::memcpy(&word, bytes.data() + at, 4);
        return std::bit_cast<float>(word);
    };
    const std::string mic = testsupport::readfile("out/REROVE1960.mic");
    ASSERT_EQ(mic.size(), 4U * 24U);
    EXPECT_EQ(mic.substr(48, 8), "20270131");
    const std::vector<float> expected = {2.0F, 1.0F, -0.1F, 2.0F, 1.0F, -0.1F, 0.0F, 1.0F, 0.1F};
    for (std::size_t k = 0; k < 9; ++k) EXPECT_FLOAT_EQ(real(mic, 32 + (k / 3) * 24 + (k % 3) * 4), expected[k]) << k;
    EXPECT_EQ(testsupport::readfile("out/REROVE1960.hur"), mic);
    EXPECT_EQ(testsupport::readfile("out/REROVE1960.geo"), mic);
}
