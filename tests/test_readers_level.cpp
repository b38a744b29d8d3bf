// Daily level file: 4-byte records, first day, last day, one level per day.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "readers_support.hpp"

using namespace fcstutil;
using errorprocess::errorlevel;
using testsupport::console;
using testsupport::writefile;

namespace {

constexpr float untouched = -123.0F;
constexpr std::int32_t firstday = 738000;

// Little-endian bytes of a 32-bit word, whatever the host.
std::string word(std::uint32_t w) {
    std::string s;
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((w >> (8 * i)) & 0xFFU));
    return s;
}
std::string intword(std::int32_t v) { return word(std::bit_cast<std::uint32_t>(v)); }
std::string floatword(float v) { return word(std::bit_cast<std::uint32_t>(v)); }

std::string levelfile(std::int32_t first, std::int32_t last, const std::vector<float>& levels) {
    std::string s = intword(first) + intword(last);
    for (float v : levels) s += floatword(v);
    return s;
}

class LevelFile : public testsupport::ReaderTest {
protected:
    float level = untouched;

    std::string read(std::string_view name, std::int32_t day) {
        capture();
        readlevel(name, day, level);
        return captured();
    }
};

TEST_F(LevelFile, FirstAndLastDayOfTheSpan) {
    writefile("level.bin", levelfile(firstday, firstday + 2, {183.25F, 183.5F, -0.125F}));
    EXPECT_EQ(read("level.bin", firstday), "");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(level, 183.25F);
    read("level.bin", firstday + 1);
    EXPECT_EQ(level, 183.5F);
    read("level.bin  ", firstday + 2);
    EXPECT_EQ(level, -0.125F);
    EXPECT_TRUE(allclosed());
}

TEST_F(LevelFile, RepeatedCallsDoNotUseUpUnits) {
    writefile("level.bin", levelfile(firstday, firstday, {1.0F}));
    for (int i = 0; i < 500; ++i) readlevel("level.bin", firstday, level);
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(level, 1.0F);
    EXPECT_TRUE(allclosed());
}

TEST_F(LevelFile, DayOutsideTheSpan) {
    writefile("level.bin", levelfile(firstday, firstday + 2, {1.0F, 2.0F, 3.0F}));
    const std::string message = "Requested daily lake level is out of the range of the file level.bin";
    EXPECT_EQ(read("level.bin", firstday - 1), console({message}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(level, untouched);
    EXPECT_EQ(keldautil::openedfiles, 1);  // left open for the end of the run

    keldautil::closeallfiles();
    EXPECT_EQ(read("level.bin", firstday + 3), console({message}));
    EXPECT_EQ(level, untouched);
}

TEST_F(LevelFile, HeaderWithoutLevels) {
    writefile("level.bin", levelfile(firstday, firstday, {}));
    EXPECT_EQ(read("level.bin", firstday), console({"Error reading file level.bin"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(level, untouched);
    EXPECT_EQ(keldautil::openedfiles, 1);
}

TEST_F(LevelFile, ShorterThanItsHeaderSays) {
    writefile("level.bin", levelfile(firstday, firstday + 9, {1.0F, 2.0F, 3.0F}) + "\x01\x02");
    EXPECT_EQ(read("level.bin", firstday + 2), "");
    EXPECT_EQ(level, 3.0F);
    EXPECT_EQ(read("level.bin", firstday + 3), console({"Error reading file level.bin"}));  // a partial record
    EXPECT_EQ(level, 3.0F);
}

TEST_F(LevelFile, EmptyOrTruncatedHeader) {
    writefile("empty.bin", "");
    writefile("short.bin", intword(firstday) + "\x01");
    EXPECT_EQ(read("empty.bin", firstday), console({"Error reading file empty.bin"}));
    keldautil::closeallfiles();
    EXPECT_EQ(read("short.bin", firstday), console({"Error reading file short.bin"}));
    EXPECT_EQ(level, untouched);
}

TEST_F(LevelFile, GarbageHeaderSpanningAllDays) {
    // Record numbers past 32 bits are simply not in the file.
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    writefile("level.bin", levelfile(lowest, highest, {7.0F}));
    EXPECT_EQ(read("level.bin", lowest), "");
    EXPECT_EQ(level, 7.0F);
    EXPECT_EQ(read("level.bin", highest), console({"Error reading file level.bin"}));
    keldautil::closeallfiles();
    EXPECT_EQ(read("level.bin", 0), console({"Error reading file level.bin"}));
}

TEST_F(LevelFile, EmptySpanRefusesEveryDay) {
    writefile("level.bin", levelfile(firstday, firstday - 1, {1.0F}));
    EXPECT_EQ(read("level.bin", firstday),
              console({"Requested daily lake level is out of the range of the file level.bin"}));
}

TEST_F(LevelFile, PendingFailureDoesNotStopTheRead) {
    writefile("level.bin", levelfile(firstday, firstday, {4.5F}));
    errorlevel = 1;
    EXPECT_EQ(read("level.bin", firstday), "");
    EXPECT_EQ(level, 4.5F);
    EXPECT_TRUE(allclosed());
}

TEST_F(LevelFile, MissingFile) {
    EXPECT_EQ(read("D:\\levels\\none.bin  ", firstday), console({"Error opening file D:\\levels\\none.bin"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(level, untouched);
    EXPECT_TRUE(allclosed());
}

TEST_F(LevelFile, RegistryFailure) {
    writefile("level.bin", levelfile(firstday, firstday, {1.0F}));
    keldautil::filewasopened(201);
    EXPECT_EQ(read("level.bin", firstday), console({"Unit 201 was already OPEN!"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(level, untouched);
}

}  // namespace
