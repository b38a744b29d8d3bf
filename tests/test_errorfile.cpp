// The error file that marks a failed run.
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "support.hpp"

using errorprocess::errorlevel;

namespace {
class ErrorFile : public testsupport::ErrorStateTest {};
}  // namespace

TEST_F(ErrorFile, IsReplacedNotAppended) {
    testsupport::scratchdir dir;
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

TEST_F(ErrorFile, ReplacesAnyEntryThatIsNotADirectory) {
    namespace fs = std::filesystem;
    testsupport::scratchdir dir;
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
    // A FIFO of that name gives way too, instead of holding the run at its open.
    ASSERT_EQ(::mkfifo("ERROR.INT", 0600), 0);
    fcstutil::makeerrorint();
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("ERROR.INT")));
    EXPECT_EQ(testsupport::readfile("ERROR.INT"), expected);
    EXPECT_EQ(testsupport::readfile("elsewhere/kept"), "untouched\n");
    EXPECT_TRUE(fs::is_directory("elsewhere"));
}

TEST_F(ErrorFile, ThatCannotBeMadeIsReportedOnTheConsole) {
    namespace fs = std::filesystem;
    testsupport::scratchdir dir;
    fs::create_directory("ERROR.INT");
    capture();
    fcstutil::makeerrorint();
    EXPECT_EQ(captured(), " Error creating ERROR.INT\n");
    EXPECT_TRUE(fs::is_directory("ERROR.INT"));
    bool isopen = true;
    EXPECT_EQ(iolayer::inquireunit(2222, isopen), iolayer::Status::ok);
    EXPECT_FALSE(isopen);
}
