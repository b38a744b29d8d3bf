#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "support.hpp"

using namespace keldautil;
using iolayer::padded;

namespace {

// n fields of the given width, filled with a marker so that untouched ones show.
std::vector<std::string> fields(std::size_t n, std::size_t width, char fill = ' ') {
    return std::vector<std::string>(n, std::string(width, fill));
}

std::string blanks(std::size_t n) { return std::string(n, ' '); }

}  // namespace

// ---------------------------------------------------------------------------
// Character classes, clean-up, file names
// ---------------------------------------------------------------------------

TEST(CharClasses, ByByteValue) {
    for (int c = 0; c < 256; ++c) {
        const auto ch = static_cast<char>(c);
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        EXPECT_EQ(charisletter(ch), letter) << c;
        EXPECT_EQ(charisnumber(ch), digit) << c;
        EXPECT_EQ(charisspecial(ch), c >= 32 && c <= 126 && !letter && !digit) << c;
    }
    for (const char ch : {' ', ',', '-', '~'}) EXPECT_TRUE(charisspecial(ch)) << ch;
    for (const char ch : {'a', '7', '\t', '\x7f', '\xe9'}) EXPECT_FALSE(charisspecial(ch)) << ch;
}

TEST(TextCleanup, StripLeadingBlanksKeepsSize) {
    std::string s = "   abc d  ";
    stripleadingblanks(s);
    EXPECT_EQ(s, "abc d     ");
    std::string all = blanks(6);
    stripleadingblanks(all);
    EXPECT_EQ(all, blanks(6));
    std::string tab = "\t x";  // only blanks are stripped
    stripleadingblanks(tab);
    EXPECT_EQ(tab, "\t x");
}

TEST(FileNames, ConvertDelimiters) {
    std::string s = padded("a/b\\c", 10);
    convertfilenamedelimiters(s);
    EXPECT_EQ(s, padded("a\\b\\c", 10));
}

TEST(FileNames, NoPath) {
    std::string name(12, '*');
    filenamenopath("C:\\a\\b.txt", name);
    EXPECT_EQ(name, padded("b.txt", 12));
    filenamenopath("plain.dat", name);
    EXPECT_EQ(name, padded("plain.dat", 12));
    filenamenopath("C:\\dir\\", name);
    EXPECT_EQ(name, blanks(12));
    filenamenopath("a/b.txt", name);  // only the backslash separates
    EXPECT_EQ(name, padded("a/b.txt", 12));

    std::string shortname(3, ' ');
    filenamenopath("x\\longname.txt", shortname);
    EXPECT_EQ(shortname, "lon");

    std::string self = padded("d:\\x\\y.z", 20);  // input and output the same field
    filenamenopath(self, self);
    EXPECT_EQ(self, padded("y.z", 20));
}

TEST(FileNames, PathAndFileName) {
    std::string fp(40, '*'), fn(40, '*');
    processpathandfilename("", padded("C:\\in\\x.dat", 60), fp, fn);
    EXPECT_EQ(fp, padded("C:\\in\\", 40));
    EXPECT_EQ(fn, padded("x.dat", 40));

    processpathandfilename("D:\\out", "C:\\in\\x.dat", fp, fn);  // the directory wins
    EXPECT_EQ(fp, padded("D:\\out\\", 40));
    EXPECT_EQ(fn, padded("x.dat", 40));

    processpathandfilename(padded("e:\\", 30), "y.dat", fp, fn);
    EXPECT_EQ(fp, padded("e:\\", 40));
    EXPECT_EQ(fn, padded("y.dat", 40));
}

TEST(FileNames, OnlyRootedDrivePathsKept) {
    std::string fp(40, ' '), fn(40, ' ');
    for (const auto& [dir, file] : std::vector<std::pair<std::string, std::string>>{
             {"data", "C:\\in\\x.dat"}, {"", "\\\\server\\share\\x.dat"}, {"", "1:\\x.dat"}, {"", "x.dat"}}) {
        processpathandfilename(dir, file, fp, fn);
        EXPECT_EQ(fp, blanks(40)) << dir << " " << file;
        EXPECT_EQ(fn, padded("x.dat", 40)) << dir << " " << file;
    }
}

TEST(FileNames, ShortFields) {
    std::string fp(3, ' '), fn(4, ' ');
    processpathandfilename("C:\\data", "name.txt", fp, fn);
    EXPECT_EQ(fp, "C:\\");
    EXPECT_EQ(fn, "name");

    std::string tiny(2, ' ');
    processpathandfilename("C:\\data", "n", tiny, fn);  // too short for a drive path
    EXPECT_EQ(tiny, "  ");

    // The file name is cut to fn before its path is looked for.
    std::string fp2(10, ' '), fn2(6, ' ');
    processpathandfilename("", "C:\\a\\bcdefgh", fp2, fn2);
    EXPECT_EQ(fp2, padded("C:\\a\\", 10));
    EXPECT_EQ(fn2, padded("b", 6));
}

// ---------------------------------------------------------------------------
// Comma-separated lines
// ---------------------------------------------------------------------------

class CommaLine : public testsupport::ErrorStateTest {};

TEST_F(CommaLine, ExampleLine) {
    auto s = fields(6, 8, '#');
    std::int32_t count = -1;
    parsecommasepline("1 2,\"x\", 3,", s, true, count);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(s, (std::vector<std::string>{padded("12", 8), padded("x", 8), padded("3", 8), blanks(8), blanks(8),
                                           blanks(8)}));

    parsecommasepline("1 2,\"x\", 3,", s, false, count);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(s[1], padded("\"x\"", 8));

    std::array<std::string, 2> d{blanks(5), blanks(5)};  // quote removal by default
    parsecommasepline("\"q\",r", d);
    EXPECT_EQ(d, (std::array<std::string, 2>{"q    ", "r    "}));
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(CommaLine, EmptyFieldsAndCount) {
    auto s = fields(5, 4);
    std::int32_t count = 0;
    parsecommasepline("a,,b", s, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(s[0], "a   ");
    EXPECT_EQ(s[1], "    ");
    EXPECT_EQ(s[2], "b   ");
    parsecommasepline("", s, count);
    EXPECT_EQ(count, 1);
    parsecommasepline(",x", s, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], "    ");
    EXPECT_EQ(s[1], "x   ");
}

TEST_F(CommaLine, QuotedStrings) {
    auto s = fields(4, 12);
    std::int32_t count = 0;
    parsecommasepline("\"a, b\",c", s, true, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], padded("a, b", 12));
    EXPECT_EQ(s[1], padded("c", 12));

    parsecommasepline("\"\",\" lead\"  ,  \"trail \"", s, true, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(s[0], blanks(12));  // empty quoted string
    EXPECT_EQ(s[1], padded(" lead", 12));
    EXPECT_EQ(s[2], padded("trail", 12));
}

TEST_F(CommaLine, QuotedStringsGoInOrderToQuotedFields) {
    auto s = fields(4, 10);
    std::int32_t count = 0;
    // No escape: two quote marks in a row close one string and open the next.
    parsecommasepline("\"ab\"\"cd\",\"ef\"", s, false, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], padded("\"ab\"", 10));
    EXPECT_EQ(s[1], padded("\"cd\"", 10));

    // Text after the closing quote is dropped; a field whose quote mark is not
    // first keeps its text, and its string goes to the next quoted field.
    parsecommasepline("\"ab\"cd,x\"1\",\"2\"", s, true, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(s[0], padded("ab", 10));
    EXPECT_EQ(s[1], padded("x\"", 10));
    EXPECT_EQ(s[2], padded("1", 10));
}

TEST_F(CommaLine, UnclosedQuoteRunsToEndOfLine) {
    auto s = fields(3, 10);
    parsecommasepline("a,\"b, c", s, false);
    EXPECT_EQ(s[1], padded("\"b, c", 10));
    parsecommasepline("a,\"b, c", s, true);  // first and last character go
    EXPECT_EQ(s[1], padded("b, ", 10));
}

TEST_F(CommaLine, FieldsCutToElementLength) {
    auto s = fields(2, 3);
    parsecommasepline("abcdef,\"ghijk\"", s);
    EXPECT_EQ(s[0], "abc");
    EXPECT_EQ(s[1], "ghi");
}

TEST_F(CommaLine, BeyondTheArray) {
    auto s = fields(2, 4);
    std::int32_t count = 0;
    parsecommasepline("a,b,c,d", s, true, count);
    EXPECT_EQ(count, 4);  // every field counts; only two are stored
    EXPECT_EQ(s, (std::vector<std::string>{"a   ", "b   "}));

    parsecommasepline("\"a\"\"b\"\"c\"\"d\",\"e\"", s, true, count);  // five strings, two elements
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s, (std::vector<std::string>{"a   ", "b   "}));

    std::vector<std::string> none;
    parsecommasepline("a,\"b\"", none, true, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(CommaLine, OverlongQuotedStringIsCut) {
    std::string line(1, '"');
    line.append(800, 'q').append("\",z");
    std::string kept(1, '"');
    kept.append(499, 'q');
    auto s = fields(2, 1000);
    std::int32_t count = 0;
    parsecommasepline(line, s, false, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(iolayer::trimright(s[0]), kept);
    EXPECT_EQ(iolayer::trimright(s[1]), "z");
    parsecommasepline(line, s, true, count);
    EXPECT_EQ(iolayer::trimright(s[0]), std::string(498, 'q'));
}

TEST_F(CommaLine, OverlongLineIsCut) {
    // 6000 characters without blanks: the working line keeps 5000 of them.
    std::string line;
    for (int i = 0; i < 1500; ++i) line += "abc,";
    auto s = fields(2000, 3);
    std::int32_t count = 0;
    parsecommasepline(line, s, true, count);
    EXPECT_EQ(count, 1251);  // 1250 commas within the first 5000 characters
    EXPECT_EQ(s[1249], "abc");
    EXPECT_EQ(s[1250], "   ");

    // Blanks and quoted strings do not count against the working line.
    std::string spaced = blanks(6000);
    spaced.append(1, '"').append(450, 'x').append("\",").append(6000, ' ').append("y");
    parsecommasepline(spaced, s, true, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], "xxx");
    EXPECT_EQ(s[1], "y  ");
}

TEST_F(CommaLine, LineMayBeAnElement) {
    std::vector<std::string> s = {padded("p,\"q\",r", 10), blanks(10), blanks(10)};
    parsecommasepline(s[0], s);
    EXPECT_EQ(s, (std::vector<std::string>{padded("p", 10), padded("q", 10), padded("r", 10)}));
}

// ---------------------------------------------------------------------------
// Tab-delimited and configuration lines
// ---------------------------------------------------------------------------

TEST(TabLine, Fields) {
    auto a = fields(4, 5, '#');
    std::int32_t count = -1;
    parsetabdelimitedline("a\t\tb", a, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(a, (std::vector<std::string>{"a    ", "     ", "b    ", "#####"}));  // the last untouched

    a = fields(3, 8, '#');
    parsetabdelimitedline("  x y  \t   z\t", a, count);  // the closing tab opens no field
    EXPECT_EQ(count, 2);
    EXPECT_EQ(a, (std::vector<std::string>{"x y     ", "z       ", "########"}));

    parsetabdelimitedline("\t  \tc   ", a, count);  // tab first, tab after blanks
    EXPECT_EQ(count, 3);
    EXPECT_EQ(a, (std::vector<std::string>{blanks(8), blanks(8), "c       "}));
}

TEST(TabLine, BlankLineAndOverflow) {
    auto a = fields(2, 3, '#');
    std::int32_t count = 7;
    parsetabdelimitedline("     ", a, count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(a[0], "###");
    parsetabdelimitedline("one\ttwo\tthree\tfour", a, count);
    EXPECT_EQ(count, 4);  // fields that did not fit still count
    EXPECT_EQ(a, (std::vector<std::string>{"one", "two"}));
}

TEST(CfgLine, KeyAndValue) {
    std::string key(20, '#'), value(20, '#');
    EXPECT_TRUE(parsecfgline("  Path  =   C:\\data\\  ", key, value));
    EXPECT_EQ(key, padded("Path", 20));
    EXPECT_EQ(value, padded("C:\\data\\", 20));

    EXPECT_TRUE(parsecfgline("a=b=c", key, value));
    EXPECT_EQ(value, padded("b=c", 20));

    EXPECT_TRUE(parsecfgline("= x ; comment", key, value));  // nothing is taken for a comment
    EXPECT_EQ(key, blanks(20));
    EXPECT_EQ(value, padded("x ; comment", 20));

    EXPECT_FALSE(parsecfgline("just text", key, value));
    EXPECT_EQ(key, blanks(20));
    EXPECT_EQ(value, blanks(20));
}

TEST(CfgLine, SidesCutAt150) {
    std::string key(200, ' '), value(200, ' '), shortvalue(5, ' ');
    const std::string line = blanks(20) + std::string(170, 'k') + "=" + std::string(180, 'v');
    EXPECT_TRUE(parsecfgline(line, key, value));
    // Cut at 150 first, then the leading blanks go.
    EXPECT_EQ(key, padded(std::string(130, 'k'), 200));
    EXPECT_EQ(value, padded(std::string(150, 'v'), 200));
    EXPECT_TRUE(parsecfgline(line, key, shortvalue));
    EXPECT_EQ(shortvalue, "vvvvv");
}
