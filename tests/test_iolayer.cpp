#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "iolayer/iolayer.hpp"
#include "support.hpp"

using namespace iolayer;
using testsupport::scratchdir;

TEST(UnitNumbers, AcceptedRange) {
    bool isopen = true;
    EXPECT_EQ(inquireunit(1, isopen), Status::ok);
    EXPECT_FALSE(isopen);
    EXPECT_EQ(inquireunit(2222, isopen), Status::ok);
    EXPECT_EQ(inquireunit(99999, isopen), Status::ok);
    EXPECT_EQ(inquireunit(0, isopen), Status::error);
    EXPECT_EQ(inquireunit(100000, isopen), Status::error);
    EXPECT_EQ(inquireunit(-5, isopen), Status::error);
    EXPECT_EQ(closeunit(300), Status::error);  // not open
}

TEST(TextFiles, WrittenWithCrLfAndReadBackTolerantly) {
    scratchdir dir;
    ASSERT_EQ(createfile(301, "a.txt", Access::sequential), Status::ok);
    EXPECT_EQ(createfile(301, "b.txt", Access::sequential), Status::error);  // unit in use
    ASSERT_EQ(writeline(301, "first"), Status::ok);
    ASSERT_EQ(writeline(301, ""), Status::ok);
    ASSERT_EQ(closeunit(301), Status::ok);
    EXPECT_EQ(testsupport::readfile("a.txt"), "first\r\n\r\n");

    testsupport::writefile("mixed.txt", "one\r\ntwo\nthree");
    ASSERT_EQ(openexisting(302, "mixed.txt", Access::sequential, Action::read), Status::ok);
    std::string line;
    EXPECT_EQ(readline(302, line), Status::ok);
    EXPECT_EQ(line, "one");
    EXPECT_EQ(readline(302, line), Status::ok);
    EXPECT_EQ(line, "two");
    EXPECT_EQ(readline(302, line), Status::ok);
    EXPECT_EQ(line, "three");
    EXPECT_EQ(readline(302, line), Status::eof);
    EXPECT_EQ(readline(302, line), Status::eof);
    EXPECT_EQ(writeline(302, "x"), Status::error);  // read-only connection
    EXPECT_EQ(closeunit(302, Disposition::remove), Status::ok);
    EXPECT_FALSE(fileexists("mixed.txt"));
}

TEST(TextFiles, OpenFailures) {
    scratchdir dir;
    EXPECT_EQ(openexisting(303, "missing.txt", Access::sequential, Action::read), Status::error);
    std::filesystem::create_directory("sub");
    EXPECT_EQ(openexisting(303, "sub", Access::sequential, Action::read), Status::error);
    EXPECT_EQ(createfile(303, "sub", Access::sequential), Status::error);
    testsupport::writefile("there.txt", "x");
    EXPECT_EQ(createfile(303, "there.txt", Access::sequential, false), Status::error);
    bool isopen = true;
    EXPECT_EQ(inquireunit(303, isopen), Status::ok);
    EXPECT_FALSE(isopen);
}

TEST(DirectAccess, RecordsAndShortFiles) {
    scratchdir dir;
    ASSERT_EQ(createfile(310, "rec.bin", Access::direct, true, 24), Status::ok);
    for (std::int32_t n = 1; n <= 3; ++n) {
        std::array<std::byte, 24> rec{};
        std::memcpy(rec.data(), &n, sizeof n);
        ASSERT_EQ(writerecord(310, n, rec), Status::ok);
    }
    ASSERT_EQ(closeunit(310), Status::ok);
    std::string bytes = testsupport::readfile("rec.bin");
    ASSERT_EQ(bytes.size(), 72U);
    testsupport::writefile("rec.bin", bytes.substr(0, 60));  // record 3 cut short

    ASSERT_EQ(openexisting(311, "rec.bin", Access::direct, Action::read, 24), Status::ok);
    std::array<std::byte, 24> rec{};
    std::int32_t v = 0;
    EXPECT_EQ(readrecord(311, 2, rec), Status::ok);
    std::memcpy(&v, rec.data(), sizeof v);
    EXPECT_EQ(v, 2);
    EXPECT_EQ(readrecord(311, 1, rec), Status::ok);
    std::memcpy(&v, rec.data(), sizeof v);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(readrecord(311, 3, rec), Status::error);
    EXPECT_EQ(readrecord(311, 4, rec), Status::error);
    EXPECT_EQ(readrecord(311, 0, rec), Status::error);
    EXPECT_EQ(readrecord(311, 2147483647, rec), Status::error);
    EXPECT_EQ(readrecord(311, 2, std::span<std::byte>(rec).first(8)), Status::ok);  // partial record
    std::array<std::byte, 30> toolong{};
    EXPECT_EQ(readrecord(311, 1, toolong), Status::error);
    EXPECT_EQ(closeunit(311), Status::ok);
}

TEST(DirectAccess, ManyRecordsAcrossBlocks) {
    scratchdir dir;
    std::string bytes;
    for (std::int32_t n = 1; n <= 40000; ++n) {
        char rec[24] = {};
        std::memcpy(rec, &n, sizeof n);
        bytes.append(rec, sizeof rec);
    }
    testsupport::writefile("big.bin", bytes);
    ASSERT_EQ(openexisting(312, "big.bin", Access::direct, Action::read, 24), Status::ok);
    std::array<std::byte, 24> rec{};
    for (std::int32_t n : {1, 21845, 21846, 40000, 2, 39999}) {
        ASSERT_EQ(readrecord(312, n, rec), Status::ok);
        std::int32_t v = 0;
        std::memcpy(&v, rec.data(), sizeof v);
        EXPECT_EQ(v, n);
    }
    EXPECT_EQ(closeunit(312), Status::ok);
}

TEST(DirectAccess, SeveralRecordsInOneWrite) {
    scratchdir dir;
    ASSERT_EQ(createfile(313, "multi.bin", Access::direct, true, 4), Status::ok);
    std::array<std::byte, 12> three{};
    for (std::size_t i = 0; i < three.size(); ++i) three[i] = static_cast<std::byte>('a' + i);
    ASSERT_EQ(writerecords(313, 2, three), Status::ok);                                          // records 2 to 4
    EXPECT_EQ(writerecords(313, 1, std::span<const std::byte>(three).first(6)), Status::error);  // not whole records
    EXPECT_EQ(writerecords(313, 0, three), Status::error);
    EXPECT_EQ(writerecords(313, 2147483646, three), Status::error);  // record 2^31 has no number
    EXPECT_EQ(writerecords(313, 5, std::span<const std::byte>()), Status::ok);
    std::array<std::byte, 4> rec{};
    ASSERT_EQ(readrecord(313, 3, rec), Status::ok);
    EXPECT_EQ(rec[0], std::byte{'e'});
    ASSERT_EQ(closeunit(313), Status::ok);
    EXPECT_EQ(testsupport::readfile("multi.bin"), std::string(4, '\0') + "abcdefghijkl");

    ASSERT_EQ(openexisting(314, "multi.bin", Access::direct, Action::read, 4), Status::ok);
    EXPECT_EQ(writerecords(314, 1, rec), Status::error);  // read-only connection
    ASSERT_EQ(closeunit(314), Status::ok);
}

TEST(Listing, MatchesWildcardsCaseSensitivelyInByteOrder) {
    scratchdir dir;
    for (const char* name : {"REROVE1951.sup", "REROVE1950.sup", "REROVE1950.SUP", "rerove1950.sup", "REROVE195.sup",
                             "REROVE19500.sup", "REROVE 950.sup"})
        testsupport::writefile(name, "");
    std::filesystem::create_directory("REROVE1960.sup");
    std::vector<std::string> names;
    ASSERT_EQ(listfiles("", "REROVE????.sup", names), Status::ok);
    EXPECT_EQ(names, (std::vector<std::string>{"REROVE 950.sup", "REROVE1950.sup", "REROVE1951.sup"}));
    ASSERT_EQ(listfiles(".", "*.SUP", names), Status::ok);
    EXPECT_EQ(names, (std::vector<std::string>{"REROVE1950.SUP"}));
    EXPECT_EQ(listfiles("nowhere", "*", names), Status::error);
    EXPECT_TRUE(wildcardmatch("*", ""));
    EXPECT_TRUE(wildcardmatch("a*b*c", "aXXbYYc"));
    EXPECT_FALSE(wildcardmatch("a*b*c", "aXXbYY"));
    EXPECT_FALSE(wildcardmatch("?", ""));
}

TEST(DirectAccess, SeveralRecordsInOneRead) {
    scratchdir dir;
    std::string bytes;
    for (char c = 'a'; c <= 'j'; ++c) bytes.append(4, c);  // ten 4-byte records
    testsupport::writefile("ten.bin", bytes);
    ASSERT_EQ(openexisting(315, "ten.bin", Access::direct, Action::read, 4), Status::ok);
    std::array<std::byte, 12> three{};
    ASSERT_EQ(readrecords(315, 3, 3, three), Status::ok);  // records 3 to 5
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(three.data()), three.size()),
              "cccc"
              "dddd"
              "eeee");
    ASSERT_EQ(readrecords(315, 8, 3, three), Status::ok);  // the last three
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(three.data()), three.size()),
              "hhhh"
              "iiii"
              "jjjj");
    EXPECT_EQ(readrecords(315, 9, 3, three), Status::error);  // runs past the end
    EXPECT_EQ(readrecords(315, 0, 3, three), Status::error);
    EXPECT_EQ(readrecords(315, 1, 2, three), Status::error);  // out is not two records
    // A single-record read after a block read sees the file, not a stale buffer.
    std::array<std::byte, 4> one{};
    ASSERT_EQ(readrecord(315, 1, one), Status::ok);
    EXPECT_EQ(one[0], std::byte{'a'});
    EXPECT_EQ(closeunit(315), Status::ok);
}

TEST(TextFiles, LineWrittenAfterAPartialRead) {
    scratchdir dir;
    testsupport::writefile("mixed.txt", "first\r\nsecond\r\nthird\r\n");
    ASSERT_EQ(openexisting(316, "mixed.txt", Access::sequential, Action::readwrite), Status::ok);
    std::string line;
    ASSERT_EQ(readline(316, line), Status::ok);
    EXPECT_EQ(line, "first");
    ASSERT_EQ(writeline(316, "new"), Status::ok);
    ASSERT_EQ(closeunit(316), Status::ok);
    // The write goes where the reading stopped and ends the file there.
    EXPECT_EQ(testsupport::readfile("mixed.txt"), "first\r\nnew\r\n");
}

TEST(TextFiles, ManyLinesWrittenAsOneByOne) {
    scratchdir dir;
    // Lines of changing lengths across several write buffers, after a line of
    // its own; the same bytes, and on a full device the failure after the same
    // line, as writeline one line at a time.
    std::string lines;
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; lines.size() < 300000; ++i) {
        lines.append(std::string(i % 97, static_cast<char>('a' + i % 26))).append("\r\n");
        ends.push_back(lines.size());
    }
    const auto writeall = [&](std::string_view path, std::size_t& taken) {
        Status st = createfile(317, path, Access::sequential);
        if (st == Status::ok) st = writeline(317, "head");
        if (st == Status::ok) st = writelines(317, lines, taken);
        (void)closeunit(317);
        return st;
    };
    std::size_t taken = 0;
    ASSERT_EQ(writeall("lines.txt", taken), Status::ok);
    EXPECT_EQ(taken, lines.size());
    EXPECT_EQ(testsupport::readfile("lines.txt"), "head\r\n" + lines);

    if (!fileexists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    ASSERT_EQ(createfile(318, "/dev/full", Access::sequential), Status::ok);
    ASSERT_EQ(writeline(318, "head"), Status::ok);
    std::size_t failed = 0;
    for (std::size_t begin = 0; failed < ends.size(); begin = ends[failed], ++failed) {
        const std::string_view line(lines.data() + begin, ends[failed] - begin - 2);  // without its CR LF
        if (writeline(318, line) != Status::ok) break;
    }
    (void)closeunit(318);
    ASSERT_LT(failed, ends.size());
    EXPECT_EQ(writeall("/dev/full", taken), Status::error);
    EXPECT_EQ(taken, ends[failed]);
}

TEST(Editing, FieldsWiderThanThirtyTwoColumns) {
    std::string field(40, '?');
    EXPECT_EQ(editi(field.data(), -1234567, 40) - field.data(), 40);
    EXPECT_EQ(field, std::string(32, ' ') + "-1234567");
    EXPECT_EQ(editf(field.data(), 2.5, 40, 3) - field.data(), 40);
    EXPECT_EQ(field, std::string(35, ' ') + "2.500");
    EXPECT_EQ(formatf(-0.25, 36, 1), std::string(32, ' ') + "-0.3");
    EXPECT_EQ(formati(7, 33), std::string(32, ' ') + "7");
}
