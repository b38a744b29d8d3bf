#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "support.hpp"

using namespace keldautil;
using testsupport::readfile;
using testsupport::writefile;
namespace fs = std::filesystem;

namespace {

// Every name in the working directory, directories included.
std::set<std::string> entries(const fs::path& dir = ".") {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

// Bytes 0 to 255 over and over: every value, CR and LF included.
std::string allbytes(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 256) % 256);
    return s;
}

class FileOps : public testsupport::UnitsTest {
protected:
    void TearDown() override {
        UnitsTest::TearDown();
        std::error_code ec;
        if (fs::exists(locked_, ec)) fs::permissions(locked_, fs::perms::owner_all, fs::perm_options::add, ec);
    }

    // An existing regular file that this process cannot delete: one in a
    // read-only directory of the scratch directory, or, for a process allowed to
    // delete that, one of the process file system. Empty when there is none.
    std::string undeletablefile() {
        fs::create_directory("locked");
        writefile("locked/keep.dat", "kept");
        locked_ = fs::absolute("locked");
        fs::permissions(locked_, fs::perms::owner_read | fs::perms::owner_exec);
        if (!std::ofstream("locked/probe")) return "locked/keep.dat";
        fs::remove("locked/probe");
        fs::permissions(locked_, fs::perms::owner_all, fs::perm_options::add);
        std::error_code ec;
        if (fs::is_regular_file("/proc/self/status", ec)) return "/proc/self/status";
        return "";
    }

    testsupport::scratchdir dir_;

private:
    fs::path locked_;
};

bool registryempty() { return openedfiles == 0 && getfreeunitnumber() == 201; }

}  // namespace

// ---------------------------------------------------------------------------
// Host paths
// ---------------------------------------------------------------------------

TEST(HostPath, BackslashesSeparateDirectories) {
    EXPECT_EQ(hostpath("data\\sup\\SIMULATE   "), "data/sup/SIMULATE");
    EXPECT_EQ(hostpath("/tmp/lake\\"), "/tmp/lake/");
    EXPECT_EQ(hostpath("  lead kept  "), "  lead kept");
    EXPECT_EQ(hostpath("     "), "");
}

// ---------------------------------------------------------------------------
// Cancellation checks
// ---------------------------------------------------------------------------

TEST_F(FileOps, NoCancelMarker) {
    writefile("cancel.int", "");  // names are case-sensitive
    capture();
    EXPECT_FALSE(userrequestedtermination());
    EXPECT_FALSE(userwantstocancel());
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(FileOps, CancelMarkerPresent) {
    writefile("CANCEL.INT", "anything");
    capture();
    EXPECT_TRUE(userrequestedtermination());
    EXPECT_TRUE(userrequestedtermination());
    EXPECT_EQ(captured(), " User canceled the process.\n User canceled the process.\n");
    EXPECT_EQ(errorprocess::errorlevel, 9999);
    capture();
    EXPECT_TRUE(userwantstocancel());
    EXPECT_TRUE(userwantstocancel());
    EXPECT_EQ(captured(),
              " User has requested that the procedure be cancelled.\n"
              " User has requested that the procedure be cancelled.\n");
    EXPECT_EQ(errorprocess::errorlevel, -99);
    EXPECT_EQ(readfile("CANCEL.INT"), "anything");
}

// ---------------------------------------------------------------------------
// copyfile
// ---------------------------------------------------------------------------

TEST_F(FileOps, CopyIsByteExact) {
    for (const std::size_t size : {0U, 1U, 256U, 600U, 65536U, 65537U, 300001U}) {
        const std::string bytes = allbytes(size);
        writefile("src.bin", bytes);
        writefile("dst.bin", std::string(400000, 'x'));  // a longer target is replaced entirely
        copyfile("src.bin", "dst.bin");
        ASSERT_EQ(errorprocess::errorlevel, 0) << size;
        EXPECT_EQ(readfile("dst.bin"), bytes) << size;
        EXPECT_EQ(readfile("src.bin"), bytes) << size;
    }
    EXPECT_TRUE(registryempty());
}

TEST_F(FileOps, CopyNames) {
    writefile("my file, \"v2\".dat", "abc");
    copyfile(iolayer::padded("my file, \"v2\".dat", 40), iolayer::padded("-target name.dat", 40));
    EXPECT_EQ(readfile("-target name.dat"), "abc");

    fs::create_directories("in/deep");
    fs::create_directory("out");
    writefile("in/deep/a.dat", "123");
    copyfile("in\\deep\\a.dat", "out/b.dat");  // either separator
    EXPECT_EQ(readfile("out/b.dat"), "123");
    EXPECT_EQ(errorprocess::errorlevel, 0);
    EXPECT_EQ(entries(), (std::set<std::string>{"my file, \"v2\".dat", "-target name.dat", "in", "out"}));
}

TEST_F(FileOps, CopyMissingSource) {
    capture();
    copyfile("nothere.dat", "copy.dat");
    EXPECT_EQ(captured(), " Error copying file.  nothere.dat does not exist.\n");
    EXPECT_EQ(errorprocess::errormessage.trimmed(), "Error copying file.  nothere.dat does not exist.");
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_FALSE(fs::exists("copy.dat"));
    EXPECT_EQ(openedfiles, 0);  // no unit opened
    EXPECT_TRUE(unitisavailable(201));

    capture();
    copyfile("     ", "copy.dat");
    const std::string longname(300, 'n');
    copyfile(longname, "copy.dat");
    std::string expected = " Error copying file.   does not exist.\n ";
    expected.append(std::string("Error copying file.  ").append(longname), 0, 255).append("\n");
    EXPECT_EQ(captured(), expected);
}

TEST_F(FileOps, CopyOpenFailures) {
    writefile("src.dat", "abc");
    fs::create_directory("folder");
    capture();
    copyfile("folder", "copy.dat");
    EXPECT_EQ(captured(), " Error opening folder for copy.\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_EQ(openedfiles, 0);
    EXPECT_FALSE(fs::exists("copy.dat"));

    errorprocess::errorlevel = 0;
    capture();
    copyfile("src.dat", "folder");
    EXPECT_EQ(captured(), " Error opening folder for copy.\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
    // The source stays open and registered for the closing of all files.
    EXPECT_EQ(openedfiles, 1);
    EXPECT_TRUE(fileisopen(openedfileunits[0]));
    EXPECT_TRUE(fs::is_directory("folder"));
}

TEST_F(FileOps, CopyOntoItselfFails) {
    fs::create_directory("sub");
    writefile("sub/same.dat", "keep me");
    capture();
    copyfile("sub/same.dat", "sub\\..\\sub\\same.dat");
    EXPECT_EQ(captured(), " Error opening sub\\..\\sub\\same.dat for copy.\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_EQ(readfile("sub/same.dat"), "keep me");
}

TEST_F(FileOps, CopyWriteFailure) {
    writefile("src.dat", allbytes(10000));
    capture();
    {
        testsupport::filesizelimit limit(3000);
        copyfile("src.dat", "part.dat");
    }
    EXPECT_EQ(captured(), " Error writing to part.dat for copy.\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_EQ(openedfiles, 2);  // both units stay open and registered
    EXPECT_EQ(fs::file_size("src.dat"), 10000U);
}

TEST_F(FileOps, CopyGivesUpOnPendingFailureOrNoUnit) {
    writefile("src.dat", "abc");
    errorprocess::errorlevel = 1;
    capture();
    copyfile("src.dat", "copy.dat");
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(openedfiles, 0);

    errorprocess::errorlevel = 0;
    for (std::int32_t u = 201; u <= 399; ++u) {
        const std::string name = std::string("u").append(std::to_string(u));
        ASSERT_EQ(iolayer::createfile(u, name, iolayer::Access::sequential), iolayer::Status::ok);
    }
    capture();
    copyfile("src.dat", "copy.dat");
    EXPECT_EQ(captured(), " Unable to get available unit number\n");
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_FALSE(fs::exists("copy.dat"));
}

// ---------------------------------------------------------------------------
// deletefile and deletefile_system
// ---------------------------------------------------------------------------

TEST_F(FileOps, DeletePatterns) {
    for (const char* name : {"a.dat", "b.dat", "a.DAT", "a.dat.txt", "keep.txt", ".dat", "r1.x", "r22.x"})
        writefile(name, "x");
    fs::create_directory("dir.dat");
    capture();
    deletefile("*.dat");
    deletefile(iolayer::padded("r?.x", 20));
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorprocess::errorlevel, 0);
    EXPECT_EQ(entries(), (std::set<std::string>{"a.DAT", "a.dat.txt", "keep.txt", "r22.x", "dir.dat"}));
    EXPECT_TRUE(registryempty());
}

TEST_F(FileOps, DeleteWithoutMatchLeavesNoListFile) {
    writefile("keep.txt", "x");
    capture();
    for (const char* name : {"*.dat", "none.dat", "", "    "}) deletefile(name);
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorprocess::errorlevel, 0);
    EXPECT_EQ(entries(), (std::set<std::string>{"keep.txt"}));
}

TEST_F(FileOps, DeleteInNamedDirectoryOnly) {
    fs::create_directory("data");
    for (const char* name : {"a.dat", "b.dat", "c.txt"}) {
        writefile(name, "top");
        writefile(fs::path("data") / name, "inner");
    }
    deletefile("data\\*.dat");
    EXPECT_EQ(entries("data"), (std::set<std::string>{"c.txt"}));
    deletefile("data/c.txt");
    EXPECT_EQ(entries("data"), (std::set<std::string>{}));
    EXPECT_EQ(entries(), (std::set<std::string>{"a.dat", "b.dat", "c.txt", "data"}));
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(FileOps, DeleteBadNames) {
    fs::create_directory("data");
    writefile("data/a.dat", "x");
    for (const char* name : {"a.dat", "my", "my file,v1.dat", "-rf", "\"q\".dat"}) writefile(name, "x");
    // Directory names delete nothing, not even what the directory holds.
    for (const char* name : {"data", "data\\", "data/", "nodir/*.dat"}) deletefile(name);
    EXPECT_EQ(entries("data"), (std::set<std::string>{"a.dat"}));
    // Names are whole names, blanks, commas, quotes and dashes included.
    for (const char* name : {"my file,v1.dat", "-rf", "\"q\".dat"}) deletefile(name);
    EXPECT_EQ(entries(), (std::set<std::string>{"a.dat", "my", "data"}));
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(FileOps, DeleteFailureIsReported) {
    const std::string name = undeletablefile();
    if (name.empty()) GTEST_SKIP() << "no undeletable file to be had";
    capture();
    deletefile(name);
    EXPECT_EQ(captured(), " Error deleting " + name + "\n");
    EXPECT_EQ(errorprocess::errormessage.trimmed(), "Error deleting " + name);
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_TRUE(fs::exists(name));
}

TEST_F(FileOps, DeleteSystemDeletesQuietly) {
    fs::create_directory("data");
    for (const char* name : {"a.dat", "b.dat", "c.txt"}) {
        writefile(name, "top");
        writefile(fs::path("data") / name, "inner");
    }
    capture();
    for (const char* name : {"data\\*.dat", "c.txt", "missing.txt", "data"}) deletefile_system(name);
    EXPECT_EQ(entries("data"), (std::set<std::string>{"c.txt"}));
    EXPECT_EQ(entries(), (std::set<std::string>{"a.dat", "b.dat", "data"}));
    const std::string name = undeletablefile();
    if (!name.empty()) deletefile_system(name);
    EXPECT_EQ(captured(), "");
    EXPECT_EQ(errorprocess::errorlevel, 0);
    EXPECT_TRUE(registryempty());
}

// ---------------------------------------------------------------------------
// rename_system
// ---------------------------------------------------------------------------

TEST_F(FileOps, RenameSystem) {
    writefile("old.dat", "new content");
    writefile("new.dat", "old content");
    bool done = false;
    rename_system("old.dat", iolayer::padded("new.dat", 20), done);
    EXPECT_TRUE(done);
    EXPECT_EQ(entries(), (std::set<std::string>{"new.dat"}));
    EXPECT_EQ(readfile("new.dat"), "new content");

    done = false;
    capture();
    rename_system("missing.dat", "new.dat", done);  // the target survives
    EXPECT_EQ(captured(), "");
    EXPECT_TRUE(done);
    EXPECT_EQ(readfile("new.dat"), "new content");
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(FileOps, RenameSystemBadNames) {
    fs::create_directory("folder");
    writefile("a.dat", "a");
    bool done = false;
    rename_system("folder", "a.dat", done);  // a directory is no file to rename
    EXPECT_TRUE(done);
    rename_system("a.dat", "folder", done);  // nor is a directory a file to replace
    rename_system("a.dat", "a.dat", done);
    rename_system("a.dat", "   ", done);
    EXPECT_EQ(readfile("a.dat"), "a");
    EXPECT_TRUE(fs::is_directory("folder"));

    writefile("folder/x y.dat", "xy");
    rename_system("folder\\x y.dat", "folder/z,1.dat", done);
    EXPECT_EQ(entries("folder"), (std::set<std::string>{"z,1.dat"}));
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

// ---------------------------------------------------------------------------
// renamefile
// ---------------------------------------------------------------------------

TEST_F(FileOps, RenameFileLeavesOnlyTarget) {
    const std::string bytes = allbytes(70000);
    writefile("old.dat", bytes);
    writefile("new.dat", "to be replaced");
    fs::create_directory("out");
    bool done = false;
    capture();
    renamefile("old.dat", "new.dat", done);
    EXPECT_EQ(captured(), "");
    EXPECT_TRUE(done);
    EXPECT_EQ(entries(), (std::set<std::string>{"new.dat", "out"}));
    EXPECT_EQ(readfile("new.dat"), bytes);

    done = false;
    renamefile("new.dat", "out\\b.dat", done);
    EXPECT_TRUE(done);
    EXPECT_EQ(entries(), (std::set<std::string>{"out"}));
    EXPECT_EQ(readfile("out/b.dat"), bytes);
    EXPECT_TRUE(registryempty());
}

TEST_F(FileOps, RenameFileFailedCopyKeepsExistingTarget) {
    writefile("new.dat", "precious");
    writefile("same.dat", "mine");
    fs::create_directory("folder");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"missing.dat", " Error copying file.  missing.dat does not exist.\n"},
        {"folder", " Error opening folder for copy.\n"}};
    for (const auto& [source, message] : cases) {
        errorprocess::errorlevel = 0;
        bool done = true;
        capture();
        renamefile(source, "new.dat", done);
        EXPECT_EQ(captured(), message);
        EXPECT_FALSE(done);
        EXPECT_EQ(errorprocess::errorlevel, 1);
        EXPECT_EQ(readfile("new.dat"), "precious");
    }

    errorprocess::errorlevel = 0;
    bool done = true;
    capture();
    renamefile("same.dat", "./same.dat", done);
    EXPECT_EQ(captured(), " Error opening ./same.dat for copy.\n");
    EXPECT_FALSE(done);
    EXPECT_EQ(readfile("same.dat"), "mine");

    renamefile("same.dat", "new.dat", done);  // a failure already pending: nothing is touched
    EXPECT_FALSE(done);
    EXPECT_EQ(readfile("same.dat"), "mine");
    EXPECT_EQ(readfile("new.dat"), "precious");
    EXPECT_TRUE(fs::is_directory("folder"));
}

TEST_F(FileOps, RenameFileWriteFailureRemovesPartialTarget) {
    writefile("old.dat", allbytes(10000));
    writefile("new.dat", "replaced by the copy");
    bool done = true;
    capture();
    {
        testsupport::filesizelimit limit(3000);
        renamefile("old.dat", "new.dat", done);
    }
    EXPECT_EQ(captured(), " Error writing to new.dat for copy.\n");
    EXPECT_FALSE(done);
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_EQ(entries(), (std::set<std::string>{"old.dat"}));
    EXPECT_EQ(readfile("old.dat"), allbytes(10000));
}

TEST_F(FileOps, RenameFileDeletionFailure) {
    const std::string name = undeletablefile();
    if (name.empty()) GTEST_SKIP() << "no undeletable file to be had";
    bool done = true;
    capture();
    renamefile(name, "copy.dat", done);
    EXPECT_EQ(captured(), " Error deleting " + name + "\n");
    EXPECT_FALSE(done);
    EXPECT_EQ(errorprocess::errorlevel, 1);
    EXPECT_TRUE(fs::exists(name));
    EXPECT_TRUE(fs::exists("copy.dat"));
    EXPECT_TRUE(registryempty());
}

TEST_F(FileOps, RenameFileWithPatternCharactersDeletesOnlyItself) {
    writefile("a*.dat", "star");
    writefile("ab.dat", "other");
    bool done = false;
    renamefile("a*.dat", "moved.dat", done);
    EXPECT_TRUE(done);
    EXPECT_EQ(entries(), (std::set<std::string>{"ab.dat", "moved.dat"}));
    EXPECT_EQ(readfile("moved.dat"), "star");
}
