// Forecast configuration file.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "readers_support.hpp"

using namespace fcstutil;
using errorprocess::errorlevel;
using testsupport::console;
using testsupport::crlf;
using testsupport::lf;
using testsupport::writefile;

namespace {

std::string dir80(std::string_view text) { return iolayer::padded(text, 80); }

class ConfigFile : public testsupport::ReaderTest {
protected:
    void SetUp() override {
        ReaderTest::SetUp();
        // Left over from an earlier read: must not survive the next one.
        for (auto& d : cfgdirs) d = dir80("old\\");
        levdir = dir80("oldlevels\\");
    }
    void TearDown() override {
        for (auto& d : cfgdirs) d = dir80("");
        levdir = dir80("");
        ReaderTest::TearDown();
    }

    // Reads name and returns what was printed.
    static std::string read(std::string_view name) {
        capture();
        readcfgfile(name);
        return captured();
    }
};

TEST_F(ConfigFile, FillsTheNamedEntriesAndLevdir) {
    writefile("forecast.cfg", lf({"SUPDIR = D:\\forecast\\sup", "LEVDIR = D:\\forecast\\levels\\"}));
    EXPECT_EQ(read("forecast.cfg"), "");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(cfgdirs[0], dir80("D:\\forecast\\sup\\"));
    for (std::size_t i = 1; i < 8; ++i) EXPECT_EQ(cfgdirs[i], dir80("")) << "entry " << i + 1;
    EXPECT_EQ(cfgdirs[8], dir80("D:\\forecast\\levels\\"));
    EXPECT_EQ(levdir, dir80("D:\\forecast\\levels\\"));
    EXPECT_TRUE(allclosed());
}

TEST_F(ConfigFile, EveryKeyHasItsEntry) {
    writefile("forecast.cfg", lf({"SUPDIR=a", "MICDIR=b", "HURDIR=c", "GEODIR=d", "STCDIR=e", "ERIDIR=f",
                                  "ONTDIR=g", "MHUDIR=h", "LEVDIR=i"}));
    read("forecast.cfg");
    const std::string expected = "abcdefghi";
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(cfgdirs[i], dir80(std::string(1, expected[i]) + "\\"));
    EXPECT_EQ(levdir, dir80("i\\"));
    for (const auto& d : cfgdirs) EXPECT_EQ(d.size(), 80U);
}

TEST_F(ConfigFile, KeysMatchInAnyCaseByTheirFirstSixCharacters) {
    writefile("forecast.cfg", lf({"supdir = one", "SupDir = two", "  hurDIRECTORY=three", "GEODI = short",
                                  "STC DIR = blank inside"}));
    read("forecast.cfg");
    EXPECT_EQ(cfgdirs[0], dir80("two\\"));  // a later line replaces an earlier one
    EXPECT_EQ(cfgdirs[2], dir80("three\\"));
    EXPECT_EQ(cfgdirs[3], dir80(""));
    EXPECT_EQ(cfgdirs[4], dir80(""));
}

TEST_F(ConfigFile, ValuesKeepInnerTextAndGetOneClosingBackslash) {
    writefile("forecast.cfg", lf({"MICDIR = a=b c", "HURDIR =   C:\\data\\hur\\   ", "ERIDIR = x\\\\"}));
    read("forecast.cfg");
    EXPECT_EQ(cfgdirs[1], dir80("a=b c\\"));  // all after the first equals sign is value
    EXPECT_EQ(cfgdirs[2], dir80("C:\\data\\hur\\"));
    EXPECT_EQ(cfgdirs[5], dir80("x\\\\"));
}

TEST_F(ConfigFile, OtherLinesAreIgnoredSilently) {
    writefile("forecast.cfg", lf({"# comment", "", "   ", "SUPDIR", "SUPDIR =", "SUPDIR =    ", "OTHER = x",
                                  "= value", "STCDIR = kept"}));
    EXPECT_EQ(read("forecast.cfg"), "");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(cfgdirs[0], dir80(""));
    EXPECT_EQ(cfgdirs[4], dir80("kept\\"));
}

TEST_F(ConfigFile, EmptyValueKeepsAnEarlierOne) {
    writefile("forecast.cfg", lf({"ONTDIR = first", "ONTDIR ="}));
    read("forecast.cfg");
    EXPECT_EQ(cfgdirs[6], dir80("first\\"));
}

TEST_F(ConfigFile, LinesAreCutAfterEightyCharacters) {
    const std::string value(100, 'v');
    writefile("forecast.cfg", lf({"ERIDIR=" + value}));
    read("forecast.cfg");
    // 80 - 7 characters of the value survive the cut, then the backslash.
    EXPECT_EQ(cfgdirs[5], dir80(std::string(73, 'v') + "\\"));
}

TEST_F(ConfigFile, CrLfFileReadsAsItsText) {
    writefile("forecast.cfg", crlf({"SUPDIR = D:\\forecast\\sup", "LEVDIR = D:\\levels"}));
    read("forecast.cfg");
    EXPECT_EQ(cfgdirs[0], dir80("D:\\forecast\\sup\\"));
    EXPECT_EQ(levdir, dir80("D:\\levels\\"));
}

TEST_F(ConfigFile, LastLineWithoutLineEndCounts) {
    writefile("forecast.cfg", "SUPDIR = a\nLEVDIR = b");
    read("forecast.cfg");
    EXPECT_EQ(levdir, dir80("b\\"));
}

TEST_F(ConfigFile, EmptyFileOrNoLevdirLeavesLevdirBlank) {
    writefile("empty.cfg", "");
    EXPECT_EQ(read("empty.cfg"), "");
    EXPECT_EQ(errorlevel, 0);
    for (const auto& d : cfgdirs) EXPECT_EQ(d, dir80(""));
    EXPECT_EQ(levdir, dir80(""));

    levdir = dir80("oldlevels\\");
    writefile("nolev.cfg", lf({"SUPDIR = a"}));
    read("nolev.cfg");
    EXPECT_EQ(levdir, dir80(""));
    EXPECT_TRUE(allclosed());
}

TEST_F(ConfigFile, NameTrailingBlanksAndBackslashes) {
    std::filesystem::create_directory("cfg");
    writefile("cfg/forecast.cfg", lf({"SUPDIR = a"}));
    read("cfg\\forecast.cfg     ");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(cfgdirs[0], dir80("a\\"));
}

TEST_F(ConfigFile, MissingFile) {
    EXPECT_EQ(read("missing.cfg"), console({"Error opening forecast configuration file"}));
    EXPECT_EQ(errorlevel, 1);
    for (const auto& d : cfgdirs) EXPECT_EQ(d, dir80(""));
    EXPECT_EQ(levdir, dir80("oldlevels\\"));  // untouched
    EXPECT_TRUE(allclosed());
}

TEST_F(ConfigFile, BinaryGarbageIsNoFailure) {
    std::string bytes;
    for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<char>((i * 37 + 11) % 256));
    writefile("garbage.cfg", bytes);
    read("garbage.cfg");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_TRUE(allclosed());
    for (const auto& d : cfgdirs) EXPECT_EQ(d.size(), 80U);
}

TEST_F(ConfigFile, NoFreeUnit) {
    writefile("forecast.cfg", lf({"SUPDIR = a"}));
    for (std::int32_t u = 201; u <= 399; ++u) {
        ASSERT_EQ(iolayer::openexisting(u, "forecast.cfg", iolayer::Access::sequential, iolayer::Action::read),
                  iolayer::Status::ok);
    }
    EXPECT_EQ(read("forecast.cfg"), console({"Unable to get available unit number"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(cfgdirs[0], dir80(""));
    EXPECT_EQ(levdir, dir80("oldlevels\\"));
}

TEST_F(ConfigFile, RegistryFailure) {
    writefile("forecast.cfg", lf({"SUPDIR = a"}));
    keldautil::filewasopened(201);  // registered, yet not open: the next open on 201 cannot register
    EXPECT_EQ(read("forecast.cfg"), console({"Unit 201 was already OPEN!"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(levdir, dir80("oldlevels\\"));
}

}  // namespace
