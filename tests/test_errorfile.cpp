// The error file that marks a failed run.
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
