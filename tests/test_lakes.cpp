// The lakes of the tool: their parts, forecast-lake numbers and codes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

#include "fcstutil/fcstutil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

using namespace rerove_tivorn_subs;

TEST(LakeTables, IndexesAndForecastLakeNumbersDiffer) {
    LakeParts l;
    ASSERT_TRUE(lakeparts(2, l));
    EXPECT_EQ(l.fcstlake, 8);
    EXPECT_EQ(l.count, 3);
    EXPECT_EQ(l.parts, (std::array<std::int32_t, 3>{2, 3, 4}));
    // Lake index 2 is Mich-Huron, forecast lake 2 is Michigan.
    EXPECT_EQ(fcstutil::levlkcode3[1], "mhu");
    EXPECT_EQ(fcstutil::lakename3[static_cast<std::size_t>(l.fcstlake - 1)], "mhu");
    EXPECT_EQ(fcstutil::lakename3[1], "mic");
    const std::array<std::int32_t, 5> expected = {1, 8, 5, 6, 7};
    for (std::int32_t i = 1; i <= 5; ++i) {
        ASSERT_TRUE(lakeparts(i, l));
        EXPECT_EQ(l.fcstlake, expected[static_cast<std::size_t>(i - 1)]);
        EXPECT_EQ(fcstutil::lakename3[static_cast<std::size_t>(l.fcstlake - 1)],
                  fcstutil::levlkcode3[static_cast<std::size_t>(i - 1)]);
    }
    EXPECT_FALSE(lakeparts(0, l));
    EXPECT_FALSE(lakeparts(6, l));
    EXPECT_EQ(fcstutil::lakename3[13], "***");
    EXPECT_FALSE(fcstutil::validlake[13]);
    EXPECT_EQ(fcstutil::levlkname10[1].size(), 10U);
    EXPECT_EQ(fcstutil::fulllakename[7], "Lake Michigan-Huron");
    EXPECT_EQ(fcstutil::numsubbasins[7],
              fcstutil::numsubbasins[1] + fcstutil::numsubbasins[2] + fcstutil::numsubbasins[3]);
}

TEST(LakeTables, LakeCodesInAnyCase) {
    for (const auto& [code, lakeindex] : std::initializer_list<std::pair<std::string_view, std::int32_t>>{
             {"sup", 1},
             {"MHU", 2},
             {"Stc", 3},
             {"eRi", 4},
             {"ONT", 5},
             {"ont", 5},
             // Whole codes only: no part's code, no prefix, nothing longer, no blank.
             {"mic", 0},
             {"su", 0},
             {"supe", 0},
             {"SUP ", 0},
             {" sup", 0},
             {"", 0},
             {"s\xc3\xbcp", 0}}) {
        EXPECT_EQ(lakeindexofcode(code), lakeindex) << code;
    }
}

TEST(LakeTables, ToolArgumentByItsFirstThreeCharacters) {
    for (const auto& [argument, lakeindex] : std::initializer_list<std::pair<std::string_view, std::int32_t>>{
             {"Superior", 1}, {"sup", 1}, {"mhu", 2}, {"Mich", 0}, {"er", 0}, {"er ", 0}, {"ONTARIO", 5}, {"", 0}}) {
        EXPECT_EQ(lakeindexof(argument), lakeindex) << argument;
    }
}
