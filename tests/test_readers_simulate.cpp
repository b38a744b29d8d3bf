// SIMULATE file, BSNNM and the lake-code lookup.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "calendar_support.hpp"
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

using testsupport::seqof;

namespace {

constexpr std::int32_t untouched = -77;

// The outputs of one call, each preset to a value no read gives.
struct simulation {
    std::string code = "???";
    std::int32_t startday = untouched;
    std::int32_t setting1 = untouched;
    std::int32_t setting2 = untouched;
    std::int32_t endday = untouched;
    std::int32_t setting3 = untouched;
    std::int32_t numyears = untouched;
    std::array<std::int32_t, 160> years{};

    simulation() { years.fill(untouched); }
};

// The lake lines, then start date, settings, end date and third setting, then tail.
std::string simulatefile(const std::vector<std::string>& head, const std::vector<std::string>& tail,
                         bool windows = false) {
    std::string s;
    const char* end = windows ? "\r\n" : "\n";
    for (const auto& l : head) s.append(l).append(end);
    for (const auto* l : {"  1  6 2024", "  1  2", " 31 12 2024", "   30"}) s.append(l).append(end);
    for (const auto& l : tail) s.append(l).append(end);
    return s;
}

// A BSNNM of fixed 12-character records: the name in the first ten, then CR LF.
std::string bsnnm(std::string_view name) { return iolayer::padded(name, 10) + "\r\n"; }

const std::string traceback = "[traceback] : ReadSimulateFile...";
const std::string invalidlake = "KORVA: Invalid lake named in SIMULATE file!";
const std::string readerror = "KORVA: Error reading from file SIMULATE";

class SimulateFile : public testsupport::ReaderTest {
protected:
    simulation sim;

    std::string read() {
        capture();
        readsimulatefile(sim.code, sim.startday, sim.setting1, sim.setting2, sim.endday, sim.setting3, sim.numyears,
                         sim.years);
        return captured();
    }
    // A fresh read of a fresh SIMULATE file.
    std::string reread(const std::string& contents) {
        keldautil::closeallfiles();
        errorlevel = 0;
        sim = simulation();
        writefile("SIMULATE", contents);
        return read();
    }

    void expectrun(std::string_view code) const {
        EXPECT_EQ(sim.code, code);
        EXPECT_EQ(sim.startday, seqof(1, 6, 2024));
        EXPECT_EQ(sim.setting1, 1);
        EXPECT_EQ(sim.setting2, 2);
        EXPECT_EQ(sim.endday, seqof(31, 12, 2024));
        EXPECT_EQ(sim.setting3, 30);
    }
};

// ---------------------------------------------------------------------------
// Layout A: the first line names the lake
// ---------------------------------------------------------------------------

TEST_F(SimulateFile, LayoutA) {
    writefile("SIMULATE", simulatefile({"Sup"}, {"   3", "1950", "19 5", "   "}));
    EXPECT_EQ(read(), "");
    EXPECT_EQ(errorlevel, 0);
    expectrun("sup");
    EXPECT_EQ(sim.numyears, 3);
    EXPECT_EQ(sim.years[0], 1950);
    EXPECT_EQ(sim.years[1], 195);  // blanks count as nothing
    EXPECT_EQ(sim.years[2], 0);    // an all-blank field is 0
    EXPECT_EQ(sim.years[3], untouched);
    EXPECT_TRUE(allclosed());

    // Windows lines, leading blanks, a four-column year count.
    EXPECT_EQ(reread(simulatefile({"  ONTARIO"},
                                  {"  12", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}, true)),
              "");
    expectrun("ont");
    EXPECT_EQ(sim.numyears, 12);
    EXPECT_EQ(sim.years[11], 12);
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

TEST_F(SimulateFile, LayoutAInvalidLakes) {
    // Mich-Huron is known but not valid; the others are unknown or too short.
    for (const char* first : {"mhu", "hgb", "zzz", " su", "  su      perior"}) {
        EXPECT_EQ(reread(simulatefile({first}, {"   0"})), console({invalidlake, traceback})) << first;
        EXPECT_EQ(errorlevel, 1);
        EXPECT_EQ(sim.startday, untouched);
        EXPECT_EQ(keldautil::openedfiles, 1);  // SIMULATE stays open for the end of the run
    }
    EXPECT_EQ(sim.code, "???");  // two characters: no code was read
    reread(simulatefile({"mhu"}, {"   0"}));
    EXPECT_EQ(sim.code, "mhu");  // read, then refused
}

// ---------------------------------------------------------------------------
// Layout B: a count of lake-code lines, the lake named by BSNNM
// ---------------------------------------------------------------------------

TEST_F(SimulateFile, LayoutB) {
    writefile("BSNNM", bsnnm("  Superior") + bsnnm("second"));
    writefile("SIMULATE", simulatefile({"  2", "mic", "sup"}, {"  29", "1950", "1960"}));  // count: 3 columns
    EXPECT_EQ(read(), "");
    EXPECT_EQ(errorlevel, 0);
    expectrun("sup");
    EXPECT_EQ(sim.numyears, 2);
    EXPECT_EQ(sim.years[1], 1960);
    EXPECT_TRUE(allclosed());

    writefile("BSNNM", bsnnm("erie"));
    EXPECT_EQ(reread(simulatefile({"1", "eri"}, {"1", "1999"}, true)), "");
    expectrun("eri");
    EXPECT_EQ(sim.years[0], 1999);

    writefile("BSNNM", "sup\r\nnext\r\nxx");  // a line end within the ten characters ends the name
    EXPECT_EQ(reread(simulatefile({"  1", "sup"}, {"   0"})), "");
    EXPECT_EQ(sim.code, "sup");

    writefile("BSNNM", bsnnm("Mich-Huron"));  // the code is mic: Michigan, which is valid
    EXPECT_EQ(reread(simulatefile({"  1", "mic"}, {"   0"})), "");
    EXPECT_EQ(sim.code, "mic");
}

TEST_F(SimulateFile, LayoutBNotValidForTheLake) {
    writefile("BSNNM", bsnnm("superior"));
    const std::string message = "SIMULATE file is not valid for this lake (superior)";
    // Lines compared as read; an indented code is a first line of blanks, that is
    // a count of 0; a negative count is no lines.
    for (const auto& head :
         std::vector<std::vector<std::string>>{{"  3", "SUP", " sup", "sup x"}, {"   sup"}, {" -2", "sup"}}) {
        EXPECT_EQ(reread(simulatefile(head, {"   0"})), console({message, traceback})) << head[0];
        EXPECT_EQ(sim.code, "???");
        EXPECT_EQ(keldautil::openedfiles, 1);  // BSNNM closed, SIMULATE left open
    }
    writefile("BSNNM", bsnnm("hgb"));
    EXPECT_EQ(reread(simulatefile({"  1", "hgb"}, {"   0"})), console({invalidlake, traceback}));
    EXPECT_EQ(sim.code, "hgb");
}

TEST_F(SimulateFile, BsnnmMissingOrShort) {
    writefile("SIMULATE", simulatefile({"  1", "sup"}, {"   0"}));
    EXPECT_EQ(read(), console({"KORVA: Error opening file BSNNM", traceback}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(keldautil::openedfiles, 1);

    writefile("BSNNM", "superior\r\n");  // 10 bytes: record 1 is not there in full
    EXPECT_EQ(reread(simulatefile({"  1", "sup"}, {"   0"})),
              console({"KORVA: Error reading from file BSNNM", traceback}));
    EXPECT_EQ(keldautil::openedfiles, 2);  // both stay open
}

// ---------------------------------------------------------------------------
// Directory, counts and malformed files
// ---------------------------------------------------------------------------

TEST_F(SimulateFile, FilesOfThisLakeDir) {
    std::filesystem::create_directory("lake");
    writefile("lake/BSNNM", bsnnm("stclair"));
    writefile("lake/SIMULATE", simulatefile({"1", "stc"}, {"   0"}));
    iolayer::assign(thislakedir, "lake\\");
    EXPECT_EQ(read(), "");
    EXPECT_EQ(sim.code, "stc");
    EXPECT_EQ(sim.numyears, 0);

    iolayer::assign(thislakedir, "D:\\lakes\\sup\\");
    EXPECT_EQ(read(), console({"KORVA: Error opening file D:\\lakes\\sup\\SIMULATE", traceback}));
    EXPECT_EQ(errorlevel, 1);
    EXPECT_TRUE(allclosed());
}

TEST_F(SimulateFile, MalformedFilesKeepWhatWasRead) {
    EXPECT_EQ(reread(""), console({readerror, traceback}));
    EXPECT_EQ(keldautil::openedfiles, 1);

    EXPECT_EQ(reread(crlf({"sup", "  1  6 2024", "  1  2"})), console({readerror, traceback}));
    EXPECT_EQ(sim.code, "sup");
    EXPECT_EQ(sim.startday, seqof(1, 6, 2024));
    EXPECT_EQ(sim.setting2, 2);
    EXPECT_EQ(sim.endday, untouched);

    EXPECT_EQ(reread(simulatefile({"sup"}, {"   3", "1950", "1960"})), console({readerror, traceback}));
    EXPECT_EQ(sim.numyears, 3);
    EXPECT_EQ(sim.years[1], 1960);
    EXPECT_EQ(sim.years[2], untouched);

    EXPECT_EQ(reread(lf({"sup", "  1 x6 2024"})), console({readerror, traceback}));
    EXPECT_EQ(sim.startday, untouched);
    EXPECT_EQ(reread(simulatefile({"sup"}, {"   1", "19.5"})), console({readerror, traceback}));

    const std::string out = reread(lf({"sup", "  1  6    0"}));  // year 0: the calendar refuses it
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(sim.startday, -999999);
    EXPECT_EQ(out, console({" DateSequence: Year .LE. BaseYear   MM/DD/YYYY=06/01/   0", traceback}));

    std::string bytes;
    for (int i = 0; i < 2048; ++i) bytes.push_back(static_cast<char>((i * 131 + 7) % 256));
    writefile("BSNNM", bytes);
    EXPECT_TRUE(reread(bytes).ends_with(console({traceback})));
    EXPECT_EQ(errorlevel, 1);
}

TEST_F(SimulateFile, YearCounts) {
    std::vector<std::string> tail = {" 160"};
    for (int i = 0; i < 160; ++i) tail.push_back(std::to_string(1850 + i));
    EXPECT_EQ(reread(simulatefile({"sup"}, tail)), "");
    EXPECT_EQ(sim.numyears, 160);
    EXPECT_EQ(sim.years[159], 2009);

    tail[0] = " 161";
    tail.emplace_back("2010");
    EXPECT_EQ(reread(simulatefile({"sup"}, tail)), console({readerror, traceback}));
    EXPECT_EQ(sim.numyears, untouched);
    EXPECT_EQ(sim.years[0], untouched);  // nothing of the years is stored

    EXPECT_EQ(reread(simulatefile({"sup"}, {"  -3"})), "");  // a negative count is none
    EXPECT_EQ(sim.numyears, 0);
    EXPECT_EQ(sim.years[0], untouched);
    EXPECT_TRUE(allclosed());

    // Years go no further than the caller's array.
    writefile("SIMULATE", simulatefile({"sup"}, {"   3", "1950", "1960", "1970"}));
    std::array<std::int32_t, 2> years = {untouched, untouched};
    readsimulatefile(sim.code, sim.startday, sim.setting1, sim.setting2, sim.endday, sim.setting3, sim.numyears, years);
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(sim.numyears, 3);
    EXPECT_EQ(years[1], 1960);
}

TEST_F(SimulateFile, RegistryAndPendingFailures) {
    writefile("BSNNM", bsnnm("superior"));
    writefile("SIMULATE", simulatefile({"  1", "sup"}, {"  1", "2000"}));
    errorlevel = 1;  // a failure from before does not stop the read
    EXPECT_EQ(read(), "");
    expectrun("sup");
    EXPECT_EQ(sim.years[0], 2000);
    EXPECT_TRUE(allclosed());

    // SIMULATE takes 201; no unit is left for BSNNM.
    for (std::int32_t u = 202; u <= 399; ++u) {
        ASSERT_EQ(iolayer::openexisting(u, "BSNNM", iolayer::Access::sequential, iolayer::Action::read),
                  iolayer::Status::ok);
    }
    EXPECT_EQ(read(), console({"Unable to get available unit number", traceback}));
}

// ---------------------------------------------------------------------------
// getlakenumber
// ---------------------------------------------------------------------------

TEST(GetLakeNumber, FirstThreeCharactersInAnyCase) {
    EXPECT_EQ(getlakenumber("sup"), 1);
    EXPECT_EQ(getlakenumber("Ont"), 7);
    EXPECT_EQ(getlakenumber("MHU"), 8);
    EXPECT_EQ(getlakenumber("hgb"), 13);
    EXPECT_EQ(getlakenumber("superior"), 1);
    EXPECT_EQ(getlakenumber(" er"), -1);  // leading blanks of the three are dropped: "er "
    // Not found; the 14th entry is not searched.
    for (const char* code : {"xxx", "XXX", "***", "abc", "su", "", "  sup"}) EXPECT_EQ(getlakenumber(code), -1) << code;
}

}  // namespace
