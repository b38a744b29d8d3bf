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

std::string levelfile(std::int32_t first, std::int32_t last, const std::vector<float>& levels) {
    std::string s = word(std::bit_cast<std::uint32_t>(first)) + word(std::bit_cast<std::uint32_t>(last));
    for (float v : levels) s += word(std::bit_cast<std::uint32_t>(v));
    return s;
}

const std::string readerror = "Error reading file level.bin";
const std::string outofrange = "Requested daily lake level is out of the range of the file level.bin";

class LevelFile : public testsupport::ReaderTest {
protected:
    float level = untouched;

    // Reads with nothing left open or pending from an earlier read.
    std::string read(std::string_view name, std::int32_t day) {
        keldautil::closeallfiles();
        errorlevel = 0;
        capture();
        readlevel(name, day, level);
        return captured();
    }
};

TEST_F(LevelFile, FirstToLastDayOfTheSpan) {
    writefile("level.bin", levelfile(firstday, firstday + 2, {183.25F, 183.5F, -0.125F}));
    EXPECT_EQ(read("level.bin", firstday), "");
    EXPECT_EQ(level, 183.25F);
    EXPECT_EQ(read("level.bin", firstday + 1), "");
    EXPECT_EQ(level, 183.5F);
    EXPECT_EQ(read("level.bin  ", firstday + 2), "");
    EXPECT_EQ(level, -0.125F);
    EXPECT_EQ(errorlevel, 0);

    // Each call closes its file again, so units are never used up; a failure
    // pending from before does not stop the read.
    errorlevel = 1;
    for (int i = 0; i < 500; ++i) readlevel("level.bin", firstday + 1, level);
    EXPECT_EQ(level, 183.5F);
    EXPECT_TRUE(allclosed());
}

TEST_F(LevelFile, DayOutsideTheSpan) {
    writefile("level.bin", levelfile(firstday, firstday + 2, {1.0F, 2.0F, 3.0F}));
    EXPECT_EQ(read("level.bin", firstday - 1), console({outofrange}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(keldautil::openedfiles, 1);  // left open for the end of the run
    EXPECT_EQ(read("level.bin", firstday + 3), console({outofrange}));
    EXPECT_EQ(level, untouched);

    writefile("level.bin", levelfile(firstday, firstday - 1, {1.0F}));  // an empty span
    EXPECT_EQ(read("level.bin", firstday), console({outofrange}));
}

TEST_F(LevelFile, FilesShorterThanTheirRecords) {
    // Only the header, first day = last day: no level record.
    writefile("level.bin", levelfile(firstday, firstday, {}));
    EXPECT_EQ(read("level.bin", firstday), console({readerror}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(keldautil::openedfiles, 1);

    // Fewer levels than the header says, and a partial record at the end.
    writefile("level.bin", levelfile(firstday, firstday + 9, {1.0F, 2.0F, 3.0F}) + "\x01\x02");
    EXPECT_EQ(read("level.bin", firstday + 2), "");
    EXPECT_EQ(level, 3.0F);
    EXPECT_EQ(read("level.bin", firstday + 3), console({readerror}));
    EXPECT_EQ(level, 3.0F);

    for (const std::string& bytes : {std::string(), std::string("\x10\x42\x0b\x00\x01", 5)}) {
        writefile("level.bin", bytes);
        EXPECT_EQ(read("level.bin", firstday), console({readerror}));
    }

    // Record numbers past 32 bits from a header of garbage are not in the file.
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    writefile("level.bin", levelfile(lowest, highest, {7.0F}));
    EXPECT_EQ(read("level.bin", lowest), "");
    EXPECT_EQ(level, 7.0F);
    EXPECT_EQ(read("level.bin", highest), console({readerror}));
    EXPECT_EQ(read("level.bin", 0), console({readerror}));
}

TEST_F(LevelFile, OpenAndRegistryFailures) {
    EXPECT_EQ(read("D:\\levels\\none.bin  ", firstday), console({"Error opening file D:\\levels\\none.bin"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(level, untouched);
    EXPECT_TRUE(allclosed());

    writefile("level.bin", levelfile(firstday, firstday, {1.0F}));
    errorlevel = 0;
    keldautil::filewasopened(201);
    capture();
    readlevel("level.bin", firstday, level);
    EXPECT_EQ(captured(), console({"Unit 201 was already OPEN!"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(level, untouched);
}

}  // namespace
