#include <gtest/gtest.h>

#include "errorprocess/errorprocess.hpp"
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
    testsupport::scratchdir dir;
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

TEST_F(ErrorState, RaisingInSeveralLinesAndPassingOn) {
    capture();
    raiseerrorin("WrtTIVORN_Otlk_Daily", {"first line", "second line"});
    EXPECT_EQ(captured(), " first line\n second line\n [traceback] : WrtTIVORN_Otlk_Daily...\n");
    EXPECT_EQ(errorlevel, 1);
    EXPECT_EQ(errormessage.trimmed(), "[traceback] : WrtTIVORN_Otlk_Daily...");
    errorlevel = 0;
    capture();
    raiseerror("User canceled the process.", 9999);
    EXPECT_EQ(captured(), " User canceled the process.\n");
    EXPECT_EQ(errorlevel, 9999);
    EXPECT_TRUE(failed());
}

TEST_F(ErrorState, CaptureCollectsConsoleLinesAndRestoresTheErrorState) {
    errormessage = "before";
    capture();
    {
        ConsoleCapture outer;
        raiseerrorin("Step", {"first", "second"});
        {
            ConsoleCapture inner;
            warn("inner warning");
            EXPECT_EQ(inner.text(), " inner warning\n");
        }
        EXPECT_EQ(errorlevel, 1);  // the inner capture puts back what it found
        EXPECT_EQ(outer.text(), " first\n second\n [traceback] : Step...\n");
    }
    consoleline("after");
    EXPECT_EQ(captured(), " after\n");
    EXPECT_EQ(errorlevel, 0);
    EXPECT_EQ(errormessage.trimmed(), "before");
}
