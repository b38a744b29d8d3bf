// What the tool shares with a check of a directory: scenario records, file
// names, the years of listed names, the common years, the table values.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "iolayer/iolayer.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

using namespace rerove_tivorn_subs;

namespace {

using record = std::array<std::byte, scenariorecordlength>;

std::uint32_t wordat(const record& r, std::size_t offset) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v |= std::to_integer<std::uint32_t>(r[offset + i]) << (8 * i);
    return v;
}

}  // namespace

TEST(ScenarioRecord, HeaderAndDayBytesAndTheirDecoding) {
    record header;
    header.fill(std::byte{0x5A});
    encodeheader(header.data(), {733194, -7});
    EXPECT_EQ(wordat(header, 0), 733194U);
    EXPECT_EQ(wordat(header, 4), static_cast<std::uint32_t>(-7));
    for (std::size_t i = 8; i < header.size(); ++i) EXPECT_EQ(header[i], std::byte{0x5A}) << i;
    EXPECT_EQ(decodeheader(header.data()).first, 733194);
    EXPECT_EQ(decodeheader(header.data()).last, -7);

    record day;
    day.fill(std::byte{0x5A});
    encodeday(day.data(), "2024", {12.5F, -0.0F, -980.25F});
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(day.data()), 8), std::string("2024\0\0\0\0", 8));
    EXPECT_EQ(wordat(day, 8), std::bit_cast<std::uint32_t>(12.5F));
    EXPECT_EQ(wordat(day, 12), std::bit_cast<std::uint32_t>(-0.0F));
    EXPECT_EQ(wordat(day, 16), std::bit_cast<std::uint32_t>(-980.25F));
    for (std::size_t i = 20; i < day.size(); ++i) EXPECT_EQ(day[i], std::byte{0x5A}) << i;
    const scenarioday back = decodeday(day.data());
    EXPECT_EQ(back.runoff, 12.5F);
    EXPECT_TRUE(std::signbit(back.precip));
    EXPECT_EQ(back.evap, -980.25F);
    encodeday(day.data(), "20240601 and more", {});
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(day.data()), 8), "20240601");
}

TEST(ScenarioFileNames, ScenarioAndTableNames) {
    EXPECT_EQ(scenariofile(1950, 1), "REROVE1950.sup");
    EXPECT_EQ(scenariofile(2024, 4), "REROVE2024.geo");
    EXPECT_EQ(scenariofile(950, 7), "REROVE 950.ont");
    EXPECT_EQ(scenariopattern(3), "REROVE????.hur");
    EXPECT_EQ(tablefile(1, 1950), "spDNBS_1950.txt");
    EXPECT_EQ(tablefile(2, 950), "mhDNBS_ 950.txt");
    EXPECT_EQ(tablefile(4, 12345), "erDNBS_****.txt");
    EXPECT_EQ(tablepattern(5), "onDNBS_????.txt");
}

TEST(ScenarioFileNames, TemporaryTablesMatchNoOtherName) {
    EXPECT_EQ(tabletemporary("mhDNBS_1950.txt", 4242), "mhDNBS_1950.4242.tmp");
    EXPECT_EQ(tabletemporary("erDNBS_****.txt", 7), "erDNBS_****.7.tmp");
    EXPECT_EQ(temporarypattern(3), "scDNBS_????.*.tmp");
    for (std::int32_t lake = 1; lake <= 5; ++lake) {
        const std::string temporary = tabletemporary(tablefile(lake, 1950), 123456);
        EXPECT_TRUE(iolayer::wildcardmatch(temporarypattern(lake), temporary)) << temporary;
        EXPECT_FALSE(iolayer::wildcardmatch(listingfile, temporary));
        for (std::int32_t other = 1; other <= 5; ++other) {
            EXPECT_FALSE(iolayer::wildcardmatch(tablepattern(other), temporary)) << temporary;
            EXPECT_EQ(iolayer::wildcardmatch(temporarypattern(other), temporary), other == lake) << temporary;
        }
        for (std::int32_t part = 1; part <= 7; ++part)
            EXPECT_FALSE(iolayer::wildcardmatch(scenariopattern(part), temporary)) << temporary;
    }
}

TEST(ScenarioFileNames, YearOfAListedName) {
    for (const auto& [name, year] : std::initializer_list<std::pair<std::string_view, std::optional<std::int32_t>>>{
             {"REROVE1950.sup", 1950},
             {"   REROVE1950.sup", 1950},        // leading blanks removed
             {"REROVE1950.sup.and-more", 1950},  // only the first 15 characters count
             {"REROVE0950.sup", 950},
             {"REROVE 950.sup", 950},
             {"REROVE-950.sup", -950},
             {"REROVE9999.sup", 9999},  // the removal mark: listed, never a scenario
             {"REROVE    .sup", 0},     // a blank field reads as 0
             {"REROVE", 0},
             {"REROVE19x0.sup", std::nullopt},
             {"REROVE+   .sup", std::nullopt},
             {"REROVE1-50.sup", std::nullopt}}) {
        EXPECT_EQ(scenarioyear(name), year) << name;
    }
}

TEST(CommonYears, YearsEveryPartHasAscending) {
    using lists = std::vector<std::vector<std::int32_t>>;
    for (const auto& [parts, years] : std::initializer_list<std::pair<lists, std::vector<std::int32_t>>>{
             {{}, {}},
             {{{}}, {}},
             {{{1952, 1950, 1951}}, {1950, 1951, 1952}},
             {{{1950, 1951, 1952}, {1950, 1951}, {1951, 1952}}, {1951}},
             {{{1950, 1951}, {1951, 1950}, {}}, {}},
             {{{1951, 1950}, {1950, 1951, 1960}, {1960, 1951, 1950}}, {1950, 1951}},
             {{{9999, 1950}}, {1950}},
             {{{9999}, {9999}}, {}},
             {{{1950, -950}, {-950, 1950}}, {-950, 1950}},
             {{{950, 950}, {950}}, {950, 950}}}) {
        EXPECT_EQ(commonyears(parts), years) << parts.size() << " parts";
    }
}

TEST(TableValues, OutsideTheOutlookAndMissing) {
    EXPECT_EQ(outsidetablevalue, -99999.0F);
    EXPECT_EQ(missingtablevalue(), -28316.5625F);  // missingnbs as every day is converted
}
