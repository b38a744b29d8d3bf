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

    // Every key has its entry; a Windows file reads the same.
    writefile("forecast.cfg", crlf({"SUPDIR=a", "MICDIR=b", "HURDIR=c", "GEODIR=d", "STCDIR=e", "ERIDIR=f", "ONTDIR=g",
                                    "MHUDIR=h", "LEVDIR=i"}));
    read("forecast.cfg");
    const std::string expected = "abcdefghi";
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(cfgdirs[i], dir80(std::string(1, expected[i]) + "\\"));
    EXPECT_EQ(levdir, dir80("i\\"));
}

TEST_F(ConfigFile, KeysAndValues) {
    writefile("forecast.cfg", lf({"supdir = one", "SupDir = two",             // any case; the later line wins
                                  "  hurDIRECTORY=three",                     // the first six characters count
                                  "GEODI = short", "STC DIR = blank inside",  // not keys
                                  "MICDIR = a=b c",                           // all after the first '=' is value
                                  "ERIDIR =   C:\\data\\eri\\   ", "ONTDIR = first", "ONTDIR =",  // no value: kept
                                  "# comment", "", "SUPDIR", "OTHER = x", "= value",
                                  "MHUDIR=" + std::string(100, 'v')}));  // cut at 80 characters
    EXPECT_EQ(read("forecast.cfg"), "");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(cfgdirs[0], dir80("two\\"));
    EXPECT_EQ(cfgdirs[1], dir80("a=b c\\"));
    EXPECT_EQ(cfgdirs[2], dir80("three\\"));
    EXPECT_EQ(cfgdirs[3], dir80(""));
    EXPECT_EQ(cfgdirs[4], dir80(""));
    EXPECT_EQ(cfgdirs[5], dir80("C:\\data\\eri\\"));  // one closing backslash, not two
    EXPECT_EQ(cfgdirs[6], dir80("first\\"));
    EXPECT_EQ(cfgdirs[7], dir80(std::string(73, 'v') + "\\"));
    for (const auto& d : cfgdirs) EXPECT_EQ(d.size(), 80U);
}

TEST_F(ConfigFile, EmptyFileOrNoLevdirLeavesLevdirBlank) {
    writefile("empty.cfg", "");
    EXPECT_EQ(read("empty.cfg"), "");
    EXPECT_EQ(errorlevel, 0);
    for (const auto& d : cfgdirs) EXPECT_EQ(d, dir80(""));
    EXPECT_EQ(levdir, dir80(""));

    levdir = dir80("oldlevels\\");
    std::filesystem::create_directory("cfg");
    writefile("cfg/nolev.cfg", "SUPDIR = a");  // no line end on the last line
    read("cfg\\nolev.cfg     ");               // backslash directories, trailing blanks
    EXPECT_EQ(cfgdirs[0], dir80("a\\"));
    EXPECT_EQ(levdir, dir80(""));
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

TEST_F(ConfigFile, Failures) {
    EXPECT_EQ(read("missing.cfg"), console({"Error opening forecast configuration file"}));
    EXPECT_EQ(errorlevel, 1);
    for (const auto& d : cfgdirs) EXPECT_EQ(d, dir80(""));
    EXPECT_EQ(levdir, dir80("oldlevels\\"));  // untouched
    EXPECT_TRUE(allclosed());

    // Registered, yet not open: the open on unit 201 cannot be registered.
    writefile("forecast.cfg", lf({"SUPDIR = a"}));
    keldautil::filewasopened(201);
    EXPECT_EQ(read("forecast.cfg"), console({"Unit 201 was already OPEN!"}));
    EXPECT_EQ(levdir, dir80("oldlevels\\"));

    for (std::int32_t u = 202; u <= 399; ++u) {
        ASSERT_EQ(iolayer::openexisting(u, "forecast.cfg", iolayer::Access::sequential, iolayer::Action::read),
                  iolayer::Status::ok);
    }
    bool inuse = false;  // 201 stays connected after the refused registration above
    ASSERT_EQ(iolayer::inquireunit(201, inuse), iolayer::Status::ok);
    ASSERT_TRUE(inuse);
    EXPECT_EQ(read("forecast.cfg"), console({"Unable to get available unit number"}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(cfgdirs[0], dir80(""));
}

}  // namespace
