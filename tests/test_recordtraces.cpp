// Historical traces of a monthly record: reading the record and the years that fit
// an outlook (the traces themselves, as the tool reads them, are held against the
// record in test_record_tables.cpp).
#include <gtest/gtest.h>

#include "calendar_support.hpp"
#include "support.hpp"
#include "make_scenarios/recordtraces.hpp"

using namespace recordtraces;
using testsupport::seqof;

namespace {

// A record of one lake (index 1) with every month of the years from and to.
monthlyrecord everymonth(std::int32_t from, std::int32_t to) {
    monthlyrecord record;
    for (std::int32_t n = monthnumber(from, 1); n <= monthnumber(to, 12); ++n) record.lakes[0][n] = {};
    return record;
}

// The record's file text read back, or the reason it is refused.
std::string readback(const std::string& text, monthlyrecord& record) {
    testsupport::scratchdir scratch;
    testsupport::writefile("record.csv", text);
    std::string error;
    return readrecord("record.csv", record, error) ? "" : error;
}

}  // namespace

TEST(RecordTraces, ReadsColumnsByHeaderName) {
    monthlyrecord record;
    ASSERT_EQ(readback("\xEF\xBB\xBFnote,runoff_mm,evap_mm,month,year,lake,precip_mm\r\n"
                       "x, 28.13,107.98,1,1950,SUP,94.36\r\n"
                       "\r\n"
                       "y,0,-12.5,12,2015,mhu,0.01\r\n",
                       record),
              "");
    const monthtotals& sup = record.lakes[0].at(monthnumber(1950, 1));
    EXPECT_EQ(sup.runoff, 2813);
    EXPECT_EQ(sup.precipitation, 9436);
    EXPECT_EQ(sup.evaporation, 10798);
    const monthtotals& mhu = record.lakes[1].at(monthnumber(2015, 12));
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
        monthlyrecord record;
        EXPECT_EQ(readback(text, record), reason) << text;
    }
    monthlyrecord record;
    std::string error;
    EXPECT_FALSE(readrecord("/nonexistent/record.csv", record, error));
    EXPECT_EQ(error, "cannot read the record /nonexistent/record.csv: No such file or directory");
    EXPECT_FALSE(readrecord("/", record, error));
    EXPECT_EQ(error, "cannot read the record /: Is a directory");
}

TEST(RecordTraces, YearsThatFitTheOutlook) {
    const monthlyrecord record = everymonth(1950, 1952);
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
