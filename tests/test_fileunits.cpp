#include <gtest/gtest.h>

#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "support.hpp"

using namespace keldautil;

namespace {
std::string unitfile(std::int32_t u) {
    std::string name = std::to_string(u);
    return name.append(".f");
}
}  // namespace

class Registry : public testsupport::UnitsTest {};

TEST_F(Registry, FreeUnitIsNotReserved) {
    EXPECT_EQ(getfreeunitnumber(), 201);
    EXPECT_EQ(getfreeunitnumber(), 201);
    testsupport::scratchdir dir;
    ASSERT_EQ(iolayer::createfile(201, "a", iolayer::Access::sequential), iolayer::Status::ok);
    EXPECT_EQ(getfreeunitnumber(), 202);
    EXPECT_TRUE(unitisinuse(201));
    EXPECT_TRUE(fileisopen(201));
    EXPECT_FALSE(unitisavailable(201));
    EXPECT_TRUE(unitisinuse(0));  // the inquiry fails
    EXPECT_TRUE(unitisinuse(100000));
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(Registry, NoFreeUnit) {
    testsupport::scratchdir dir;
    for (std::int32_t u = 201; u <= 399; ++u)
        ASSERT_EQ(iolayer::createfile(u, unitfile(u), iolayer::Access::sequential), iolayer::Status::ok);
    capture();
    EXPECT_EQ(getfreeunitnumber(), -1);
    EXPECT_EQ(captured(), " Unable to get available unit number\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
}

TEST_F(Registry, RemovalMovesLastEntry) {
    EXPECT_FALSE(filewasopened(201));
    EXPECT_FALSE(filewasopened(202));
    EXPECT_FALSE(filewasopened(203));
    EXPECT_TRUE(filewasclosed(201));
    EXPECT_EQ(openedfiles, 2);
    EXPECT_EQ(openedfileunits[0], 203);
    EXPECT_EQ(openedfileunits[1], 202);
    EXPECT_EQ(openedfileunits[2], -1);
    EXPECT_FALSE(filewasclosed(250));
    EXPECT_EQ(openedfiles, 2);
    EXPECT_TRUE(filewasclosed(202));
    EXPECT_EQ(openedfileunits[1], -1);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(Registry, DuplicateRegistrationFails) {
    EXPECT_FALSE(filewasopened(201));
    capture();
    EXPECT_TRUE(filewasopened(201));
    EXPECT_EQ(captured(), " Unit 201 was already OPEN!\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_EQ(openedfiles, 1);
}

TEST_F(Registry, SixtyFirstRegistrationFails) {
    for (std::int32_t u = 201; u < 261; ++u) ASSERT_FALSE(filewasopened(u));
    capture();
    EXPECT_TRUE(filewasopened(261));
    EXPECT_EQ(captured(), " Programmed limit on number of open files was exceeded!\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_EQ(openedfiles, 60);
    EXPECT_EQ(openedfileunits[59], 260);
}

TEST_F(Registry, CloseAllClosesRegisteredUnitsOnly) {
    testsupport::scratchdir dir;
    closeallfiles();  // empty registry: nothing happens
    EXPECT_EQ(openedfiles, 0);
    for (std::int32_t u : {201, 202, 203}) {
        ASSERT_EQ(iolayer::createfile(u, unitfile(u), iolayer::Access::sequential), iolayer::Status::ok);
        ASSERT_EQ(iolayer::writeline(u, "x"), iolayer::Status::ok);
    }
    filewasopened(201);
    filewasopened(202);
    filewasopened(250);  // registered but never opened: its close fails quietly
    closeallfiles();
    EXPECT_EQ(openedfiles, 0);
    for (auto u : openedfileunits) EXPECT_EQ(u, -1);
    EXPECT_FALSE(fileisopen(201));
    EXPECT_FALSE(fileisopen(202));
    EXPECT_TRUE(fileisopen(203));  // never registered
    EXPECT_EQ(testsupport::readfile("201.f"), "x\r\n");
}

TEST_F(Registry, ClearForgetsWithoutClosing) {
    testsupport::scratchdir dir;
    ASSERT_EQ(iolayer::createfile(201, "a", iolayer::Access::sequential), iolayer::Status::ok);
    filewasopened(201);
    clearfilesopen();
    EXPECT_EQ(openedfiles, 0);
    EXPECT_EQ(openedfileunits[0], -1);
    EXPECT_TRUE(fileisopen(201));
}
