// Flow and volume conversions of the tool, bit for bit.
#include <gtest/gtest.h>

#include "iolayer/iolayer.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

using namespace rerove_tivorn_subs;

TEST(Conversions, WorkedExamplesBitForBit) {
    EXPECT_EQ(cm2tcfs(1.0F, 8.21e10F, 86400), 335.5711F);
    EXPECT_EQ(cm2m3(1.0F, 8.21e10F, 86400), 9502.3145F);
    EXPECT_EQ(mm2tcfs(10.0F, 8.21e10F, 86400), 335.5711F);
    EXPECT_EQ(tcfm3(1.0F), 28.316843F);
    EXPECT_EQ(tcfm3(100.0F), 2831.6843F);
    EXPECT_EQ(tcfm3(missingnbs) / 10.0F, -28316.5625F);  // a missing day in the tables
    EXPECT_EQ(iolayer::formatf(tcfm3(14.9F) / 10.0F, 8, 0), "     42.");
}

TEST(Conversions, ZeroAndNegativeDepths) {
    EXPECT_EQ(cm2tcfs(0.0F, 8.21e10F, 86400), 0.0F);
    for (float d : {0.37F, 1.0F, 12.5F, 1e-3F}) {
        EXPECT_EQ(cm2tcfs(-d, 5.96e10F, 86400), -cm2tcfs(d, 5.96e10F, 86400));
        EXPECT_EQ(cm2m3(-d, 5.96e10F, 86400), -cm2m3(d, 5.96e10F, 86400));
        EXPECT_EQ(mm2tcfs(-d, 5.96e10F, 86400), -mm2tcfs(d, 5.96e10F, 86400));
    }
}
