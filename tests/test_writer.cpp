// The table writer, fed directly through dlyotlk.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "calendar_support.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"
#include "rerove_tivorn/tableoutput.hpp"
#include "support.hpp"

using namespace rerove_tivorn_subs;
using testsupport::seqof;
namespace fs = std::filesystem;

namespace {
// A daily value whose table value (tens of cubic metres per second) is exactly target.
float tcfsfortable(float target) {
    const float estimate = target * 10.0F * 35.31467F / 1000.0F;
    float up = estimate, down = estimate;
    for (int i = 0; i < 100000; ++i) {
        if (tcfm3(up) / 10.0F == target) return up;
        if (tcfm3(down) / 10.0F == target) return down;
        up = std::nextafter(up, std::numeric_limits<float>::infinity());
        down = std::nextafter(down, -std::numeric_limits<float>::infinity());
    }
    return std::numeric_limits<float>::quiet_NaN();
}

constexpr std::string_view table2024 = "spDNBS_2024.txt";
const std::string writertrace = " [traceback] : WrtTIVORN_Otlk_Daily...\n";

// Writes the Superior table of 2024 for days days from 1 March 2024, every day
// 1 thousand cubic feet per second but the first and the last.
void writetable2024(std::int32_t days = 10, float first = 1.0F, float last = 1.0F) {
    std::array<std::int32_t, 75> scenarios{};
    scenarios.fill(-9999);
    scenarios[0] = 2024;
    std::fill_n(dlyotlk[0].begin(), days, 1.0F);
    dlyotlk[0][0] = first;
    dlyotlk[0][static_cast<std::size_t>(days - 1)] = last;
    wrttivorn_otlk_daily(1, seqof(1, 3, 2024), seqof(1, 3, 2024) + days - 1, scenarios);
}

// The temporary tables in dir.
std::vector<std::string> temporaries(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".tmp") found.push_back(entry.path().filename().string());
    }
    return found;
}

fs::perms permissionsof(const fs::path& p) { return fs::status(p).permissions() & fs::perms::all; }

}  // namespace

class Writer : public testsupport::UnitsTest {};

TEST_F(Writer, TableReplacesWhatItsNameHeld) {
    std::string expected;
    {
        testsupport::scratchdir fresh;
        writetable2024();
        expected = testsupport::readfile(table2024);
    }
    struct namecase {
        const char* held;
        std::function<void()> make;
        const char* file;  // where the table lands
        std::optional<fs::perms> perms;
    };
    const auto file = [](const char* name, fs::perms perms) {
        testsupport::writefile(name, "old");
        fs::permissions(name, perms);
    };
    for (const namecase& c : std::initializer_list<namecase>{
             {"nothing", [] {}, "spDNBS_2024.txt", std::nullopt},
             {"a file", [&] { file("spDNBS_2024.txt", fs::perms(0640)); }, "spDNBS_2024.txt", fs::perms(0640)},
             {"a link to a file",
              [&] {
                  file("store/old.txt", fs::perms(0604));
                  fs::create_symlink("store/old.txt", table2024);
              },
              "store/old.txt", fs::perms(0604)},
             {"a link to nothing", [] { fs::create_symlink("store/new.txt", table2024); }, "store/new.txt",
              std::nullopt}}) {
        testsupport::scratchdir dir;
        fs::create_directory("store");
        c.make();
        writetable2024();
        EXPECT_EQ(errorprocess::errorlevel, 0) << c.held;
        EXPECT_EQ(testsupport::readfile(c.file), expected) << c.held;
        if (c.perms) {
            EXPECT_EQ(permissionsof(c.file), *c.perms) << c.held;
        }
        EXPECT_EQ(fs::is_symlink(fs::symlink_status(table2024)), c.file != table2024) << c.held;  // a link stays
        EXPECT_TRUE(temporaries(".").empty() && temporaries("store").empty()) << c.held;
        EXPECT_EQ(keldautil::openedfiles, 0);
    }
}

TEST_F(Writer, AFailedTableLeavesItsNameAsItWas) {
    struct failurecase {
        const char* what;
        std::function<void()> run;
        std::string printed;
    };
    for (const failurecase& c : std::initializer_list<failurecase>{
             {"no table opens on a directory",
              [] {
                  fs::remove(table2024);
                  fs::create_directory(table2024);
                  writetable2024();
              },
              " RerOve_TIVORN: Error opening spDNBS_2024.txt\n" + writertrace},
             {"a full disk at the close",
              [] {
                  const testsupport::filesizelimit full(8192);
                  writetable2024(4000);  // less than one write of the I/O layer
              },
              " RerOve_TIVORN: Error writing spDNBS_2024.txt\n" + writertrace},
             {"a full disk in the first write, with values out of range before and after it",
              [] {
                  const testsupport::filesizelimit full(8192);
                  const float nan = std::numeric_limits<float>::quiet_NaN();
                  writetable2024(8000, nan, nan);
              },
              "  NBS value out of range for (Y-M-Q-D) 2024-03-1-1 = NaN\n"
              " RerOve_TIVORN: Error writing spDNBS_2024.txt\n" +
                  writertrace},
             {"the calendar's end inside the table",
              [] {
                  std::array<std::int32_t, 75> scenarios{};
                  scenarios.fill(-9999);
                  scenarios[0] = 2024;
                  wrttivorn_otlk_daily(1, seqof(30, 11, 2999), seqof(30, 11, 2999) + 40, scenarios);
              },
              " Bad parameter in routine DaysInMonth\n" + writertrace}}) {
        testsupport::scratchdir dir;
        testsupport::writefile(table2024, "an earlier table");
        processstate::clearerror();
        capture();
        c.run();
        EXPECT_EQ(captured(), c.printed) << c.what;
        EXPECT_EQ(errorprocess::errorlevel, 1) << c.what;
        if (fs::is_regular_file(table2024)) {
            EXPECT_EQ(testsupport::readfile(table2024), "an earlier table") << c.what;
        }
        EXPECT_TRUE(temporaries(".").empty()) << c.what;
        EXPECT_EQ(keldautil::openedfiles, 0) << c.what;
    }
}

TEST_F(Writer, AFailedRenameRemovesTheTemporary) {
    testsupport::scratchdir dir;
    tableoutput::pendingtable table;
    ASSERT_TRUE(tableoutput::opentable(1, table2024, table));
    EXPECT_EQ(temporaries("."), std::vector<std::string>{tabletemporary(table2024, ::getpid())});
    ASSERT_EQ(iolayer::writeline(table.unit, "a row"), iolayer::Status::ok);
    fs::create_directories("spDNBS_2024.txt/in it");  // nothing renames over a directory that holds something
    capture();
    EXPECT_FALSE(tableoutput::committable(table));
    EXPECT_EQ(captured(), " RerOve_TIVORN: Error writing spDNBS_2024.txt\n" + writertrace);
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_TRUE(temporaries(".").empty());
    EXPECT_TRUE(fs::is_directory("spDNBS_2024.txt/in it"));
    EXPECT_EQ(keldautil::openedfiles, 0);
}

TEST_F(Writer, OnlyTheLakesOwnLeftoversAreRemoved) {
    testsupport::scratchdir dir;
    for (const char* name : {"mhDNBS_1950.4242.tmp", "mhDNBS_ 950.17.tmp", "spDNBS_1950.4242.tmp", "mhDNBS_1950.txt",
                             "mhDNBS_1950.tmp", "REROVE1950.mic", "DLYLIST.TMP"})
        testsupport::writefile(name, "x");
    tableoutput::removeleftovers(2);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(".")) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"DLYLIST.TMP", "REROVE1950.mic", "mhDNBS_1950.tmp", "mhDNBS_1950.txt",
                                              "spDNBS_1950.4242.tmp"}));
}

TEST_F(Writer, RangeWarningsAtTheLimits) {
    testsupport::scratchdir dir;
    const std::int32_t first = seqof(1, 3, 2024);
    std::array<std::int32_t, 75> scenarios{};
    scenarios.fill(-9999);
    scenarios[0] = 2024;
    auto& column = dlyotlk[0];
    std::fill_n(column.begin(), 16, 0.0F);
    column[0] = tcfsfortable(9999999.0F);
    column[1] = tcfsfortable(10000000.0F);
    column[2] = tcfsfortable(-999999.0F);
    column[3] = tcfsfortable(-1000000.0F);
    column[12] = std::numeric_limits<float>::quiet_NaN();
    column[13] = std::numeric_limits<float>::infinity();
    capture();
    wrttivorn_otlk_daily(1, first, first + 15, scenarios);
    EXPECT_EQ(captured(),
              "  NBS value out of range for (Y-M-Q-D) 2024-03-1-2 = 10000000.0\n"
              "  NBS value out of range for (Y-M-Q-D) 2024-03-1-4 = -1000000.0\n"
              "  NBS value out of range for (Y-M-Q-D) 2024-03-2-5 = NaN\n"
              "  NBS value out of range for (Y-M-Q-D) 2024-03-2-6 = Infinity\n");
    EXPECT_EQ(errorprocess::errorlevel, 0);
    const std::string table = testsupport::readfile("spDNBS_2024.txt");
    EXPECT_NE(table.find(" 2024  3 19999999.********-999999.********      0.      0.      0.      0.\r\n"),
              std::string::npos);
    EXPECT_NE(table.find(" 2024  3 2      0.      0.      0.      0.****************      0.\r\n"), std::string::npos);
    EXPECT_EQ(keldautil::openedfiles, 0);
}

TEST_F(Writer, PositionsWithoutAYearWriteNothing) {
    testsupport::scratchdir dir;
    std::array<std::int32_t, 75> scenarios{};
    scenarios.fill(-9999);
    scenarios[3] = 0;
    wrttivorn_otlk_daily(4, seqof(1, 3, 2024), seqof(1, 3, 2024), scenarios);
    EXPECT_EQ(errorprocess::errorlevel, 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(Writer, YearsBeyondFourDigitsAndLaterPositions) {
    testsupport::scratchdir dir;
    std::array<std::int32_t, 75> scenarios{};
    scenarios.fill(-9999);
    scenarios[74] = 12345;
    std::fill_n(dlyotlk[74].begin(), 8, 1.0F);
    wrttivorn_otlk_daily(2, seqof(1, 1, 2030), seqof(8, 1, 2030), scenarios);
    EXPECT_EQ(errorprocess::errorlevel, 0);
    EXPECT_NE(testsupport::readfile("mhDNBS_****.txt").find(" 2030  1 1      3.      3.      3."), std::string::npos);
}
