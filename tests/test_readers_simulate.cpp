// SIMULATE file, BSNNM and the lake-code lookup.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
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
using testsupport::crlf;
using testsupport::lf;
using testsupport::writefile;

namespace {

constexpr std::int32_t untouched = -77;

std::int32_t seq(std::int32_t day, std::int32_t month, std::int32_t year) {
    std::int32_t s = 0;
    keldautil::datesequence(day, month, year, s);
    return s;
}

// The outputs of one call, each preset to a value no read gives.
struct Simulation {
    std::string code = "???";
    std::int32_t startday = untouched;
    std::int32_t setting1 = untouched;
    std::int32_t setting2 = untouched;
    std::int32_t endday = untouched;
    std::int32_t setting3 = untouched;
    std::int32_t numyears = untouched;
    std::array<std::int32_t, 160> years{};

    Simulation() { years.fill(untouched); }
    void read() { readsimulatefile(code, startday, setting1, setting2, endday, setting3, numyears, years); }
};

// Lines after the lake lines: start date, settings, end date, third setting.
const std::vector<std::string> runlines = {"  1  6 2024", "  1  2", " 31 12 2024", "   30"};

std::string simulatefile(std::vector<std::string> head, std::vector<std::string> tail, bool windows = false) {
    std::string s;
    const char* end = windows ? "\r\n" : "\n";
    for (const auto& l : head) s.append(l).append(end);
    for (const auto& l : runlines) s.append(l).append(end);
    for (const auto& l : tail) s.append(l).append(end);
    return s;
}

// A BSNNM of fixed 12-character records: the name in the first ten, then CR LF.
std::string bsnnm(std::string_view name) { return iolayer::padded(name, 10) + "\r\n"; }

class SimulateFile : public testsupport::ReaderTest {
protected:
    Simulation sim;

    std::string read() {
        capture();
        sim.read();
        return captured();
    }

    void expectrun(std::string_view code) {
        EXPECT_EQ(sim.code, code);
        EXPECT_EQ(sim.startday, seq(1, 6, 2024));
        EXPECT_EQ(sim.setting1, 1);
        EXPECT_EQ(sim.setting2, 2);
        EXPECT_EQ(sim.endday, seq(31, 12, 2024));
        EXPECT_EQ(sim.setting3, 30);
    }
};

const std::string traceback = "[traceback] : ReadSimulateFile...";
const std::string invalidlake = "KORVA: Invalid lake named in SIMULATE file!";

// ---------------------------------------------------------------------------
// Layout A: the first line names the lake
// ---------------------------------------------------------------------------

TEST_F(SimulateFile, LayoutAReadsEverything) {
    writefile("SIMULATE", simulatefile({"Sup"}, {"   3", "1950", "1960", "1970"}));
    EXPECT_EQ(read(), "");
    EXPECT_EQ(errorlevel, 0);
    expectrun("sup");
    EXPECT_EQ(sim.numyears, 3);
    EXPECT_EQ(sim.years[0], 1950);
    EXPECT_EQ(sim.years[1], 1960);
    EXPECT_EQ(sim.years[2], 1970);
    EXPECT_EQ(sim.years[3], untouched);  // beyond the count: as it was
    EXPECT_TRUE(allclosed());
}

TEST_F(SimulateFile, LayoutACrLfAndLeadingBlanks) {
    writefile("SIMULATE", simulatefile({"  ONTARIO"}, {"   1", "2001"}, true));
    EXPECT_EQ(read(), "");
    expectrun("ont");
    EXPECT_EQ(sim.numyears, 1);
    EXPECT_EQ(sim.years[0], 2001);
}

TEST_F(SimulateFile, CodeKeepsTheCallersSize) {
    writefile("SIMULATE", simulatefile({"eri"}, {"   0"}));
    sim.code = std::string(8, '#');
    read();
    EXPECT_EQ(sim.code, "eri     ");
    sim.code = "#";
    read();
    EXPECT_EQ(sim.code, "e");
}

TEST_F(SimulateFile, FixedColumnsAllowBlanksBetweenDigits) {
    writefile("SIMULATE", simulatefile({"stc"}, {"  2 ", "19 5", "   ", "trailing text is past the field"}));
    // "   " reads as year 0; the fourth line is not read.
    read();
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(sim.numyears, 2);
    EXPECT_EQ(sim.years[0], 195);
    EXPECT_EQ(sim.years[1], 0);
}

TEST_F(SimulateFile, LayoutAYearCountHasFourColumns) {
    writefile("SIMULATE", simulatefile({"hur"}, {"  12", "1950", "1951", "1952", "1953", "1954", "1955", "1956",
                                                 "1957", "1958", "1959", "1960", "1961"}));
    read();
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(sim.numyears, 12);
    EXPECT_EQ(sim.years[11], 1961);
}

TEST_F(SimulateFile, MichHuronIsNotAValidLake) {
    writefile("SIMULATE", simulatefile({"mhu"}, {"   0"}));
    EXPECT_EQ(read(), console({invalidlake, traceback}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(sim.code, "mhu");  // read before it was refused
    EXPECT_EQ(sim.startday, untouched);
    EXPECT_EQ(keldautil::openedfiles, 1);  // SIMULATE stays open for the end of the run
}

TEST_F(SimulateFile, UnknownOrShortLakeCode) {
    writefile("SIMULATE", simulatefile({"zzz"}, {"   0"}));
    EXPECT_EQ(read(), console({invalidlake, traceback}));

    keldautil::closeallfiles();
    sim.code = "???";
    writefile("SIMULATE", simulatefile({" su"}, {"   0"}));
    EXPECT_EQ(read(), console({invalidlake, traceback}));
    EXPECT_EQ(sim.code, "???");
}

TEST_F(SimulateFile, OnlyTheFirstTenCharactersNameTheLake) {
    writefile("SIMULATE", simulatefile({"  su      perior"}, {"   0"}));
    EXPECT_EQ(read(), console({invalidlake, traceback}));
}

// ---------------------------------------------------------------------------
// Layout B: a count of lake-code lines, the lake named by BSNNM
// ---------------------------------------------------------------------------

TEST_F(SimulateFile, LayoutBReadsEverything) {
    writefile("BSNNM", bsnnm("  Superior") + bsnnm("second"));
    writefile("SIMULATE", simulatefile({"  2", "mic", "sup"}, {"  2", "1950", "1960"}));
    EXPECT_EQ(read(), "");
    EXPECT_EQ(errorlevel, 0);
    expectrun("sup");
    EXPECT_EQ(sim.numyears, 2);
    EXPECT_EQ(sim.years[1], 1960);
    EXPECT_TRUE(allclosed());
}

TEST_F(SimulateFile, LayoutBCrLf) {
    writefile("BSNNM", bsnnm("erie"));
    writefile("SIMULATE", simulatefile({"1", "eri"}, {"1", "1999"}, true));
    EXPECT_EQ(read(), "");
    expectrun("eri");
    EXPECT_EQ(sim.years[0], 1999);
}

TEST_F(SimulateFile, LayoutBYearCountHasThreeColumns) {
    writefile("BSNNM", bsnnm("ontario"));
    writefile("SIMULATE", simulatefile({"  1", "ont"}, {"  29", "1950", "1960"}));
    read();
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(sim.numyears, 2);
}

TEST_F(SimulateFile, LayoutBLinesAreComparedAsRead) {
    writefile("BSNNM", bsnnm("superior"));
    writefile("SIMULATE", simulatefile({"  3", "SUP", " sup", "sup x"}, {"   0"}));
    EXPECT_EQ(read(), console({"SIMULATE file is not valid for this lake (superior)", traceback}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(sim.code, "???");
    EXPECT_EQ(keldautil::openedfiles, 1);  // BSNNM was closed, SIMULATE stays open
}

TEST_F(SimulateFile, IndentedLakeCodeIsLayoutBWithoutCodeLines) {
    writefile("BSNNM", bsnnm("superior"));
    writefile("SIMULATE", simulatefile({"   sup"}, {"   0"}));
    EXPECT_EQ(read(), console({"SIMULATE file is not valid for this lake (superior)", traceback}));
}

TEST_F(SimulateFile, NegativeLakeCodeCountIsNoLines) {
    writefile("BSNNM", bsnnm("superior"));
    writefile("SIMULATE", simulatefile({" -2", "sup"}, {"   0"}));
    EXPECT_EQ(read(), console({"SIMULATE file is not valid for this lake (superior)", traceback}));
}

TEST_F(SimulateFile, LayoutBLakeMustBeValid) {
    writefile("BSNNM", bsnnm("Mich-Huron"));
    writefile("SIMULATE", simulatefile({"  1", "mic"}, {"   0"}));
    // mic is the code: Michigan, which is valid.
    EXPECT_EQ(read(), "");
    EXPECT_EQ(sim.code, "mic");

    writefile("BSNNM", bsnnm("hgb"));
    writefile("SIMULATE", simulatefile({"  1", "hgb"}, {"   0"}));
    EXPECT_EQ(read(), console({invalidlake, traceback}));
    EXPECT_EQ(sim.code, "hgb");
}

TEST_F(SimulateFile, BsnnmLineEndEndsTheName) {
    writefile("BSNNM", "sup\r\nnext\r\nxx");
    writefile("SIMULATE", simulatefile({"  1", "sup"}, {"   0"}));
    EXPECT_EQ(read(), "");
    EXPECT_EQ(sim.code, "sup");
}

TEST_F(SimulateFile, BsnnmMissing) {
    writefile("SIMULATE", simulatefile({"  1", "sup"}, {"   0"}));
    EXPECT_EQ(read(), console({"KORVA: Error opening file BSNNM", traceback}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(keldautil::openedfiles, 1);
}

TEST_F(SimulateFile, BsnnmShorterThanARecord) {
    writefile("BSNNM", "superior\r\n");  // 10 bytes: record 1 is not there in full
    writefile("SIMULATE", simulatefile({"  1", "sup"}, {"   0"}));
    EXPECT_EQ(read(), console({"KORVA: Error reading from file BSNNM", traceback}));
    EXPECT_EQ(keldautil::openedfiles, 2);  // both stay open
}

// ---------------------------------------------------------------------------
// Directory, counts and malformed files
// ---------------------------------------------------------------------------

TEST_F(SimulateFile, FilesAreTakenFromThisLakeDir) {
    std::filesystem::create_directory("lake");
    writefile("lake/BSNNM", bsnnm("stclair"));
    writefile("lake/SIMULATE", simulatefile({"1", "stc"}, {"   0"}));
    iolayer::assign(thislakedir, "lake\\");
    EXPECT_EQ(read(), "");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(sim.code, "stc");
    EXPECT_EQ(sim.numyears, 0);
}

TEST_F(SimulateFile, MissingSimulateNamesItsDirectory) {
    iolayer::assign(thislakedir, "D:\\lakes\\sup\\");
    EXPECT_EQ(read(), console({"KORVA: Error opening file D:\\lakes\\sup\\SIMULATE", traceback}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_TRUE(allclosed());
    EXPECT_EQ(sim.code, "???");
}

TEST_F(SimulateFile, EmptyFile) {
    writefile("SIMULATE", "");
    EXPECT_EQ(read(), console({"KORVA: Error reading from file SIMULATE", traceback}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(keldautil::openedfiles, 1);
}

TEST_F(SimulateFile, TruncatedFileKeepsWhatWasRead) {
    writefile("SIMULATE", crlf({"sup", "  1  6 2024", "  1  2"}));
    EXPECT_EQ(read(), console({"KORVA: Error reading from file SIMULATE", traceback}));
    EXPECT_EQ(sim.code, "sup");
    EXPECT_EQ(sim.startday, seq(1, 6, 2024));
    EXPECT_EQ(sim.setting1, 1);
    EXPECT_EQ(sim.setting2, 2);
    EXPECT_EQ(sim.endday, untouched);
    EXPECT_EQ(sim.numyears, untouched);
}

TEST_F(SimulateFile, FewerYearLinesThanCounted) {
    writefile("SIMULATE", simulatefile({"sup"}, {"   3", "1950", "1960"}));
    EXPECT_EQ(read(), console({"KORVA: Error reading from file SIMULATE", traceback}));
    EXPECT_EQ(sim.numyears, 3);
    EXPECT_EQ(sim.years[1], 1960);
    EXPECT_EQ(sim.years[2], untouched);
}

TEST_F(SimulateFile, LineThatDoesNotReadAsIntegers) {
    writefile("SIMULATE", lf({"sup", "  1 x6 2024"}));
    EXPECT_EQ(read(), console({"KORVA: Error reading from file SIMULATE", traceback}));
    EXPECT_EQ(sim.startday, untouched);

    keldautil::closeallfiles();
    writefile("SIMULATE", simulatefile({"sup"}, {"   1", "19.5"}));
    EXPECT_EQ(read(), console({"KORVA: Error reading from file SIMULATE", traceback}));
}

TEST_F(SimulateFile, YearZeroInADateFailsInTheCalendar) {
    writefile("SIMULATE", lf({"sup", "  1  6    0"}));
    const std::string out = read();
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(sim.startday, -999999);
    EXPECT_NE(out.find("DateSequence"), std::string::npos);
    EXPECT_TRUE(out.ends_with(console({traceback})));
}

TEST_F(SimulateFile, YearCountLimits) {
    std::vector<std::string> tail = {" 160"};
    for (int i = 0; i < 160; ++i) tail.push_back(std::to_string(1850 + i));
    writefile("SIMULATE", simulatefile({"sup"}, tail));
    EXPECT_EQ(read(), "");
    EXPECT_EQ(sim.numyears, 160);
    EXPECT_EQ(sim.years[159], 2009);

    sim = Simulation();
    tail[0] = " 161";
    tail.push_back("2010");
    writefile("SIMULATE", simulatefile({"sup"}, tail));
    EXPECT_EQ(read(), console({"KORVA: Error reading from file SIMULATE", traceback}));
    EXPECT_EQ(sim.numyears, untouched);
    EXPECT_EQ(sim.years[0], untouched);  // nothing of the years is stored
}

TEST_F(SimulateFile, NegativeYearCountIsNoYears) {
    writefile("SIMULATE", simulatefile({"sup"}, {"  -3"}));
    EXPECT_EQ(read(), "");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(sim.numyears, 0);
    EXPECT_EQ(sim.years[0], untouched);
    EXPECT_TRUE(allclosed());
}

TEST_F(SimulateFile, YearsAreWrittenNoFurtherThanTheirArray) {
    writefile("SIMULATE", simulatefile({"sup"}, {"   3", "1950", "1960", "1970"}));
    std::array<std::int32_t, 2> years = {untouched, untouched};
    readsimulatefile(sim.code, sim.startday, sim.setting1, sim.setting2, sim.endday, sim.setting3, sim.numyears,
                     years);
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(sim.numyears, 3);
    EXPECT_EQ(years[1], 1960);
}

TEST_F(SimulateFile, BinaryGarbage) {
    std::string bytes;
    for (int i = 0; i < 2048; ++i) bytes.push_back(static_cast<char>((i * 131 + 7) % 256));
    writefile("SIMULATE", bytes);
    writefile("BSNNM", bytes);
    capture();
    sim.read();
    const std::string out = captured();
    EXPECT_EQ(errorlevel, 1);
    EXPECT_TRUE(out.ends_with(console({traceback})));
}

TEST_F(SimulateFile, PendingFailureDoesNotStopTheRead) {
    writefile("BSNNM", bsnnm("superior"));
    writefile("SIMULATE", simulatefile({"  1", "sup"}, {"  1", "2000"}));
    errorlevel = 1;
    EXPECT_EQ(read(), "");
    expectrun("sup");
    EXPECT_EQ(sim.years[0], 2000);
    EXPECT_TRUE(allclosed());
}

TEST_F(SimulateFile, NoFreeUnitForBsnnm) {
    writefile("BSNNM", bsnnm("superior"));
    writefile("SIMULATE", simulatefile({"  1", "sup"}, {"   0"}));
    // SIMULATE takes 201; everything after it is in use.
    for (std::int32_t u = 202; u <= 399; ++u) {
        ASSERT_EQ(iolayer::openexisting(u, "BSNNM", iolayer::Access::sequential, iolayer::Action::read),
                  iolayer::Status::ok);
    }
    EXPECT_EQ(read(), console({"Unable to get available unit number", traceback}));
    EXPECT_EQ(errorlevel, 1);
}

// ---------------------------------------------------------------------------
// getlakenumber
// ---------------------------------------------------------------------------

TEST(GetLakeNumber, CodesInAnyCase) {
    EXPECT_EQ(getlakenumber("sup"), 1);
    EXPECT_EQ(getlakenumber("Ont"), 7);
    EXPECT_EQ(getlakenumber("MHU"), 8);
    EXPECT_EQ(getlakenumber("hgb"), 13);
    EXPECT_EQ(getlakenumber("superior"), 1);  // the first three characters count
    EXPECT_EQ(getlakenumber(" er"), -1);      // leading blanks of those three are dropped: "er "
    EXPECT_EQ(getlakenumber("  sup"), -1);
}

TEST(GetLakeNumber, NotFound) {
    EXPECT_EQ(getlakenumber("xxx"), -1);
    EXPECT_EQ(getlakenumber("XXX"), -1);
    EXPECT_EQ(getlakenumber("***"), -1);  // the not-found entry is not searched
    EXPECT_EQ(getlakenumber("abc"), -1);
    EXPECT_EQ(getlakenumber("su"), -1);
    EXPECT_EQ(getlakenumber(""), -1);
}

}  // namespace
