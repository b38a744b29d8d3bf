#include <gtest/gtest.h>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "support.hpp"

using namespace errorprocess;

class ErrorState : public testsupport::ErrorStateTest {};

TEST_F(ErrorState, MessageIsAlways255Characters) {
    EXPECT_EQ(errormessage.size(), 255U);
    errormessage = std::string(300, 'x');
    EXPECT_EQ(errormessage.size(), 255U);
    errormessage = "short";
    EXPECT_EQ(errormessage.size(), 255U);
    EXPECT_EQ(errormessage.trimmed(), "short");
}

TEST_F(ErrorState, PassmsgPrintsConsoleLineWithoutPadding) {
    capture();
    errormessage = std::string(255, 'a');
    passmsg();
    errormessage = std::string(256, 'b');
    passmsg();
    errormessage = "";
    passmsg();
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on " " + std::string(...).
    std::string expected(1, ' ');
    expected.append(255, 'a').append("\n ").append(255, 'b').append("\n \n");
    EXPECT_EQ(captured(), expected);
    EXPECT_EQ(errorlevel, 0);
}

TEST_F(ErrorState, WriteErrorMessageJoinsPrefixAndCuts) {
    capture();
    writeerrormessage("msg  ", "PRE: ", 0, false);
    EXPECT_EQ(captured(), " PRE:msg\n");
    capture();
    writeerrormessage(std::string(260, 'm'), "ignored", 0, true);
    EXPECT_EQ(captured(), " " + std::string(250, 'm') + "\n");
    EXPECT_EQ(errorlevel, 0);
}

TEST_F(ErrorState, WriteErrorMessageEchoesToUnit) {
    testsupport::ScratchDir dir;
    ASSERT_EQ(iolayer::createfile(320, "log.txt", iolayer::Access::sequential), iolayer::Status::ok);
    capture();
    writeerrormessage("to both", "P:", 320, false);
    captured();
    ASSERT_EQ(iolayer::closeunit(320), iolayer::Status::ok);
    EXPECT_EQ(testsupport::readfile("log.txt"), " to both\r\n");
}

TEST_F(ErrorState, RaiseWarnAndTraceback) {
    capture();
    raiseerror("boom");
    traceback("GetDailyOtlkNBS");
    EXPECT_EQ(captured(), " boom\n [traceback] : GetDailyOtlkNBS...\n");
    EXPECT_EQ(errorlevel, 1);
    errorlevel = 0;
    capture();
    warn(" careful");
    EXPECT_EQ(captured(), "  careful\n");
    EXPECT_EQ(errorlevel, 0);
}

TEST_F(ErrorState, ErrorFileIsReplacedNotAppended) {
    testsupport::ScratchDir dir;
    testsupport::writefile("ERROR.INT", "old content that is longer than the new one\n");
    const std::string expected = " This ERROR.INT file created by MIRT forecast package\r\n";
    fcstutil::makeerrorint();
    EXPECT_EQ(testsupport::readfile("ERROR.INT"), expected);
    fcstutil::makeerrorint();
    EXPECT_EQ(testsupport::readfile("ERROR.INT"), expected);
    EXPECT_EQ(errorlevel, 0);
    bool isopen = true;
    EXPECT_EQ(iolayer::inquireunit(2222, isopen), iolayer::Status::ok);
    EXPECT_FALSE(isopen);
}

TEST_F(ErrorState, ErrorFileReplacesAnyEntryThatIsNotADirectory) {
    namespace fs = std::filesystem;
    testsupport::ScratchDir dir;
    const std::string expected = " This ERROR.INT file created by MIRT forecast package\r\n";
    fs::create_directory("elsewhere");
    testsupport::writefile("elsewhere/kept", "untouched\n");
    // A dangling link, a link to a directory and a link to a file all give way to
    // a regular file; what a link pointed at is left alone.
    for (const char* target : {"nowhere", "elsewhere", "elsewhere/kept"}) {
        fs::create_symlink(target, "ERROR.INT");
        capture();
        fcstutil::makeerrorint();
        EXPECT_EQ(captured(), "") << target;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("ERROR.INT"))) << target;
        EXPECT_EQ(testsupport::readfile("ERROR.INT"), expected) << target;
        fs::remove("ERROR.INT");
    }
    EXPECT_EQ(testsupport::readfile("elsewhere/kept"), "untouched\n");
    EXPECT_TRUE(fs::is_directory("elsewhere"));
}

TEST_F(ErrorState, ErrorFileThatCannotBeMadeIsReportedOnTheConsole) {
    namespace fs = std::filesystem;
    testsupport::ScratchDir dir;
    fs::create_directory("ERROR.INT");
    capture();
    fcstutil::makeerrorint();
    EXPECT_EQ(captured(), " Error creating ERROR.INT\n");
    EXPECT_TRUE(fs::is_directory("ERROR.INT"));
    bool isopen = true;
    EXPECT_EQ(iolayer::inquireunit(2222, isopen), iolayer::Status::ok);
    EXPECT_FALSE(isopen);
}
