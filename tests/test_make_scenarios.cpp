#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "calendar_support.hpp"
#include "keldautil/keldautil.hpp"
#include "support.hpp"
#include "make_scenarios/scenariofiles.hpp"

using namespace scenariofiles;
using testsupport::seqof;

namespace {

std::uint32_t word(const std::vector<std::byte>& b, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v |= std::to_integer<std::uint32_t>(b[at + i]) << (8 * i);
    return v;
}
std::int32_t intat(const std::vector<std::byte>& b, std::size_t at) { return static_cast<std::int32_t>(word(b, at)); }
float realat(const std::vector<std::byte>& b, std::size_t at) { return std::bit_cast<float>(word(b, at)); }

std::uint64_t fnv1a(const std::vector<std::byte>& b) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const std::byte c : b) h = (h ^ std::to_integer<std::uint64_t>(c)) * 0x100000001b3ULL;
    return h;
}

bool parse(std::vector<std::string_view> args, scenariorequest& request, std::string& error) {
    return parsearguments(args, request, error);
}

}  // namespace

TEST(ScenarioFiles, PartsOfTheLakes) {
    ASSERT_EQ(lakeparts(2).size(), 3U);
    EXPECT_EQ(lakeparts(2)[2], 4);
    EXPECT_EQ(lakeparts(3)[0], 5);
    EXPECT_TRUE(lakeparts(6).empty());
}

TEST(ScenarioFiles, HeaderAndRecordLayout) {
    const std::int32_t first = seqof(28, 2, 2024);
    const daycalendar span = makespan(first, 300);
    std::vector<std::byte> b;
    scenariobytes(1950, 3, span, b);
    ASSERT_EQ(b.size(), 301U * 24U);
    EXPECT_EQ(intat(b, 0), first);
    EXPECT_EQ(intat(b, 4), first + 299);
    for (std::size_t i = 8; i < 24; ++i) EXPECT_EQ(b[i], std::byte{0});
    // Record k + 1 is day first + k - 1 and carries its date as text.
    const auto text = [&](std::size_t record) {
        return std::string(reinterpret_cast<const char*>(b.data()) + (record - 1) * 24, 8);
    };
    EXPECT_EQ(text(2), "20240228");
    EXPECT_EQ(text(3), "20240229");
    EXPECT_EQ(text(4), "20240301");
    EXPECT_EQ(text(301), "20241223");
    for (std::size_t r = 2; r <= 301; ++r) {
        for (std::size_t i = 20; i < 24; ++i) EXPECT_EQ(b[(r - 1) * 24 + i], std::byte{0});
    }
}

TEST(ScenarioFiles, ValuesAreValidAndSeasonal) {
    // Twenty years from 1 January, every lake part.
    const std::int32_t first = seqof(1, 1, 2001);
    const daycalendar span = makespan(first, 7305);
    std::vector<std::byte> b;
    for (std::int32_t part = 1; part <= 7; ++part) {
        scenariobytes(1975, part, span, b);
        double runoff[13] = {};
        double evaporation[13] = {};
        int count[13] = {};
        int wet = 0;
        for (std::size_t k = 0; k < 7305; ++k) {
            const std::size_t at = (k + 1) * 24;
            const float r = realat(b, at + 8);
            const float p = realat(b, at + 12);
            const float e = realat(b, at + 16);
            ASSERT_TRUE(std::isfinite(r) && std::isfinite(p) && std::isfinite(e));
            // Never a missing-day mark: runoff and precipitation >= 0, evaporation >= -980 mm.
            ASSERT_GE(r, 0.0F);
            ASSERT_GE(p, 0.0F);
            ASSERT_GT(e, -5.0F);
            ASSERT_LT(r, 100.0F);
            ASSERT_LT(p, 100.0F);
            ASSERT_LT(e, 10.0F);
            const int month = std::stoi(std::string(reinterpret_cast<const char*>(b.data()) + at + 4, 2));
            runoff[month] += r;
            evaporation[month] += e;
            ++count[month];
            if (p > 0.0F) ++wet;
        }
        const auto mean = [&](const double* sum, int m) { return sum[m] / count[m]; };
        EXPECT_GT(mean(runoff, 4), 1.5 * mean(runoff, 10)) << "part " << part;
        EXPECT_GT(mean(evaporation, 12), 2.0 * mean(evaporation, 5)) << "part " << part;
        EXPECT_GT(wet, 7305 / 4);
        EXPECT_LT(wet, 7305 * 3 / 4);
    }
}

TEST(ScenarioFiles, SameRequestSameBytes) {
    const daycalendar span = makespan(seqof(1, 6, 2024), 300);
    std::vector<std::byte> a;
    std::vector<std::byte> b;
    scenariobytes(1950, 2, span, a);
    scenariobytes(1950, 2, makespan(seqof(1, 6, 2024), 300), b);
    EXPECT_EQ(a, b);
    // Pinned: any change of the model or of the generator shows here.
    EXPECT_EQ(fnv1a(a), 0x1e68060d488dfeb2ULL);
    scenariobytes(1951, 2, span, b);
    EXPECT_NE(a, b);
    scenariobytes(1950, 3, span, b);
    EXPECT_NE(a, b);
}

TEST(ScenarioFiles, Arguments) {
    scenariorequest r;
    std::string error;
    ASSERT_TRUE(parse({"-d", "out", "mhu", "1953,1950-1951,1950", "6/1/2024", "300", "--omit", "HUR:1951"}, r, error))
        << error;
    EXPECT_EQ(r.lakeindex, 2);
    EXPECT_EQ(r.years, (std::vector<std::int32_t>{1950, 1951, 1953}));
    EXPECT_EQ(r.firstday, seqof(1, 6, 2024));
    EXPECT_EQ(r.days, 300);
    EXPECT_EQ(r.dir, std::filesystem::path("out"));
    ASSERT_EQ(r.omissions.size(), 1U);
    EXPECT_EQ(r.omissions[0].part, 3);
    EXPECT_EQ(r.omissions[0].year, 1951);
    EXPECT_FALSE(r.help);

    ASSERT_TRUE(parse({"--help"}, r, error));
    EXPECT_TRUE(r.help);

    for (const std::vector<std::string_view>& bad : std::vector<std::vector<std::string_view>>{
             {},
             {"MHU", "1950", "06/01/2024"},
             {"MHU", "1950", "06/01/2024", "300", "extra"},
             {"XYZ", "1950", "06/01/2024", "300"},
             {"MHU", "0", "06/01/2024", "300"},
             {"MHU", "10000", "06/01/2024", "300"},
             {"MHU", "1952-1950", "06/01/2024", "300"},
             {"MHU", "1950,", "06/01/2024", "300"},
             {"MHU", "19x0", "06/01/2024", "300"},
             {"MHU", "1950", "02/29/2023", "300"},
             {"MHU", "1950", "13/01/2024", "300"},
             {"MHU", "1950", "2024-06-01", "300"},
             {"MHU", "1950", "06/01/2024", "0"},
             {"MHU", "1950", "06/01/2024", "100001"},
             {"MHU", "1950", "06/01/2024", "3e2"},
             {"MHU", "1950", "12/31/9999", "2"},
             {"--omit", "sup", "MHU", "1950", "06/01/2024", "300"},
             {"--omit", "mic:x", "MHU", "1950", "06/01/2024", "300"},
             {"-d"},
             {"--bogus", "MHU", "1950", "06/01/2024", "300"},
         }) {
        error.clear();
        EXPECT_FALSE(parse(bad, r, error)) << (bad.empty() ? "(none)" : bad[0]);
        EXPECT_FALSE(error.empty());
    }
}

TEST(ScenarioFiles, MessagesNameThePartsAndCountDays) {
    const std::vector<std::string> usage = usagetext();
    for (const char* line : {"            SUP  sup", "            MHU  mic, hur, geo", "            STC  stc",
                             "            ERI  eri", "            ONT  ont"})
        EXPECT_NE(std::find(usage.begin(), usage.end(), line), usage.end()) << line;

    scenariorequest r;
    std::string error;
    EXPECT_FALSE(parse({"--omit", "sup", "mhu", "1950", "06/01/2024", "300"}, r, error));
    EXPECT_EQ(error, "bad --omit sup (PART[:YEAR]; the parts of MHU: mic, hur or geo; YEAR 1 to 9999)");
    EXPECT_FALSE(parse({"--omit", "hur", "Sup", "1950", "06/01/2024", "300"}, r, error));
    EXPECT_EQ(error, "bad --omit hur (PART[:YEAR]; the parts of SUP: sup; YEAR 1 to 9999)");
    EXPECT_FALSE(parse({"MHU"}, r, error));
    EXPECT_EQ(error, "expected LAKE YEARS START DAYS, got 1 argument");
    EXPECT_FALSE(parse({"MHU", "1950"}, r, error));
    EXPECT_EQ(error, "expected LAKE YEARS START DAYS, got 2 arguments");

    ASSERT_TRUE(parse({"-d", "out", "ont", "1950", "06/01/2024", "1"}, r, error));
    EXPECT_EQ(summary(r, 1), "Wrote 1 scenario file of 1 day to out");
    ASSERT_TRUE(parse({"ont", "1950", "06/01/2024", "300"}, r, error));
    EXPECT_EQ(summary(r, 0), "Wrote 0 scenario files of 300 days to .");
}

TEST(ScenarioFiles, WritesEveryFileOfTheRequest) {
    testsupport::scratchdir scratch;
    scenariorequest r;
    std::string error;
    ASSERT_TRUE(
        parse({"-d", "sub/dir", "MHU", "1950-1952", "01/10/2008", "40", "--omit", "hur:1951", "--omit", "geo:1952"}, r,
              error));
    std::int32_t written = 0;
    ASSERT_TRUE(writescenarios(r, written, error)) << error;
    EXPECT_EQ(written, 7);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("sub/dir")) {
        names.push_back(entry.path().filename().string());
        EXPECT_EQ(entry.file_size(), 41U * 24U);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"REROVE1950.geo", "REROVE1950.hur", "REROVE1950.mic", "REROVE1951.geo",
                                               "REROVE1951.mic", "REROVE1952.hur", "REROVE1952.mic"}));
    std::vector<std::byte> expected;
    scenariobytes(1951, 4, makespan(r.firstday, 40), expected);
    const std::string onfile = testsupport::readfile("sub/dir/REROVE1951.geo");
    ASSERT_EQ(onfile.size(), expected.size());
    EXPECT_EQ(std::memcmp(onfile.data(), expected.data(), expected.size()), 0);

    // A directory that cannot be made is a failure with a reason.
    testsupport::writefile("plain", "x");
    r.dir = "plain/below";
    EXPECT_FALSE(writescenarios(r, written, error));
    EXPECT_NE(error.find("plain/below"), std::string::npos);
}
