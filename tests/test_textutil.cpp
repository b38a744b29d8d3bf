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

}  // namespace

// ---------------------------------------------------------------------------
// Character classes
// ---------------------------------------------------------------------------

TEST(CharClasses, LettersAndDigits) {
    for (int c = 0; c < 256; ++c) {
        const auto ch = static_cast<char>(c);
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        EXPECT_EQ(charisletter(ch), letter) << c;
        EXPECT_EQ(charisnumber(ch), digit) << c;
        EXPECT_EQ(charisspecial(ch), c >= 32 && c <= 126 && !letter && !digit) << c;
    }
}

TEST(CharClasses, Special) {
    EXPECT_TRUE(charisspecial(' '));
    EXPECT_TRUE(charisspecial(','));
    EXPECT_TRUE(charisspecial('-'));
    EXPECT_TRUE(charisspecial('~'));
    EXPECT_FALSE(charisspecial('a'));
    EXPECT_FALSE(charisspecial('7'));
    EXPECT_FALSE(charisspecial('\t'));
    EXPECT_FALSE(charisspecial('\x7f'));
    EXPECT_FALSE(charisspecial('\xe9'));
    EXPECT_FALSE(charisletter('\xe9'));
}

// ---------------------------------------------------------------------------
// Text clean-up and file names
// ---------------------------------------------------------------------------

TEST(TextCleanup, StripLeadingBlanksKeepsSize) {
    std::string s = "   abc d  ";
    stripleadingblanks(s);
    EXPECT_EQ(s, "abc d     ");
    std::string same = "abc  ";
    stripleadingblanks(same);
    EXPECT_EQ(same, "abc  ");
    std::string empty(6, ' ');
    stripleadingblanks(empty);
    EXPECT_EQ(empty, "      ");
    std::string tab = "\t x";  // only blanks are stripped
    stripleadingblanks(tab);
    EXPECT_EQ(tab, "\t x");
}

TEST(FileNames, ConvertDelimiters) {
    std::string s = padded("a/b\\c", 10);
    convertfilenamedelimiters(s);
    EXPECT_EQ(s, padded("a\\b\\c", 10));
    std::string t = "//x:y/ ";
    convertfilenamedelimiters(t);
    EXPECT_EQ(t, "\\\\x:y\\ ");
}

TEST(FileNames, NoPath) {
    std::string name(12, '*');
    filenamenopath("C:\\a\\b.txt", name);
    EXPECT_EQ(name, padded("b.txt", 12));
    filenamenopath("plain.dat", name);
    EXPECT_EQ(name, padded("plain.dat", 12));
    filenamenopath("C:\\dir\\", name);
    EXPECT_EQ(name, std::string(12, ' '));
    filenamenopath("a/b.txt", name);  // only the backslash separates
    EXPECT_EQ(name, padded("a/b.txt", 12));

    std::string shortname(3, ' ');
    filenamenopath("x\\longname.txt", shortname);
    EXPECT_EQ(shortname, "lon");

    std::string s(80, ' ');
    filenamenopath("C:\\a\\b.txt", s);
    EXPECT_EQ(s.size(), 80u);

    std::string self = padded("d:\\x\\y.z", 20);  // input and output the same field
    filenamenopath(self, self);
    EXPECT_EQ(self, padded("y.z", 20));
}

TEST(FileNames, PathFromFileName) {
    std::string fp(40, '*'), fn(40, '*');
    processpathandfilename("", "C:\\in\\x.dat", fp, fn);
    EXPECT_EQ(fp, padded("C:\\in\\", 40));
    EXPECT_EQ(fn, padded("x.dat", 40));

    processpathandfilename("   ", padded("C:\\in\\x.dat", 60), fp, fn);
    EXPECT_EQ(fp, padded("C:\\in\\", 40));
    EXPECT_EQ(fn, padded("x.dat", 40));
}

TEST(FileNames, DirectoryWins) {
    std::string fp(40, ' '), fn(40, ' ');
    processpathandfilename("D:\\out", "C:\\in\\x.dat", fp, fn);
    EXPECT_EQ(fp, padded("D:\\out\\", 40));
    EXPECT_EQ(fn, padded("x.dat", 40));

    processpathandfilename(padded("e:\\", 30), "y.dat", fp, fn);
    EXPECT_EQ(fp, padded("e:\\", 40));
    EXPECT_EQ(fn, padded("y.dat", 40));
}

TEST(FileNames, OnlyRootedDrivePathsKept) {
    std::string fp(40, ' '), fn(40, ' ');
    processpathandfilename("data", "C:\\in\\x.dat", fp, fn);
    EXPECT_EQ(fp, std::string(40, ' '));
    EXPECT_EQ(fn, padded("x.dat", 40));

    processpathandfilename("", "\\\\server\\share\\x.dat", fp, fn);
    EXPECT_EQ(fp, std::string(40, ' '));
    EXPECT_EQ(fn, padded("x.dat", 40));

    processpathandfilename("", "1:\\x.dat", fp, fn);
    EXPECT_EQ(fp, std::string(40, ' '));

    processpathandfilename("", "x.dat", fp, fn);
    EXPECT_EQ(fp, std::string(40, ' '));
    EXPECT_EQ(fn, padded("x.dat", 40));
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
    EXPECT_EQ(s[0], padded("12", 8));
    EXPECT_EQ(s[1], padded("x", 8));
    EXPECT_EQ(s[2], padded("3", 8));
    EXPECT_EQ(s[3], padded("", 8));
    EXPECT_EQ(s[4], padded("", 8));  // cleared even beyond the count
    EXPECT_EQ(s[5], padded("", 8));

    parsecommasepline("1 2,\"x\", 3,", s, false, count);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(s[1], padded("\"x\"", 8));
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
    EXPECT_EQ(s[0], "    ");

    parsecommasepline(",x", s, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], "    ");
    EXPECT_EQ(s[1], "x   ");

    parsecommasepline("   ", s, count);
    EXPECT_EQ(count, 1);
}

TEST_F(CommaLine, QuotedStrings) {
    auto s = fields(4, 12);
    std::int32_t count = 0;
    parsecommasepline("\"a, b\",c", s, true, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], padded("a, b", 12));
    EXPECT_EQ(s[1], padded("c", 12));

    parsecommasepline("\"\",x", s, true, count);  // empty quoted string
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], padded("", 12));
    EXPECT_EQ(s[1], padded("x", 12));

    parsecommasepline("\" lead\"  ,  \"trail \"", s, true, count);  // blanks inside quotes stay
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], padded(" lead", 12));
    EXPECT_EQ(s[1], padded("trail", 12));
}

TEST_F(CommaLine, NoEscapeForQuotes) {
    // Two quote marks in a row close one string and open the next, which goes
    // to the next field that begins with a quote mark.
    auto s = fields(4, 10);
    std::int32_t count = 0;
    parsecommasepline("\"ab\"\"cd\",\"ef\"", s, false, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], padded("\"ab\"", 10));
    EXPECT_EQ(s[1], padded("\"cd\"", 10));
}

TEST_F(CommaLine, TextAfterClosingQuoteDropped) {
    auto s = fields(3, 10);
    parsecommasepline("\"ab\"cd,e", s);
    EXPECT_EQ(s[0], padded("ab", 10));
    EXPECT_EQ(s[1], padded("e", 10));
}

TEST_F(CommaLine, QuoteInsideFieldKeepsText) {
    // x"1" does not begin with a quote mark: it keeps x and the placeholder, and
    // its string "1" goes to the next quoted field.
    auto s = fields(3, 10);
    std::int32_t count = 0;
    parsecommasepline("x\"1\",\"2\"", s, true, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], padded("x\"", 10));
    EXPECT_EQ(s[1], padded("1", 10));
}

TEST_F(CommaLine, UnclosedQuoteRunsToEndOfLine) {
    auto s = fields(3, 10);
    std::int32_t count = 0;
    parsecommasepline("a,\"b, c", s, false, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[1], padded("\"b, c", 10));
    // Quote removal takes off the first and the last character.
    parsecommasepline("a,\"b, c", s, true, count);
    EXPECT_EQ(s[1], padded("b, ", 10));
}

TEST_F(CommaLine, FieldsCutToElementLength) {
    auto s = fields(2, 3);
    parsecommasepline("abcdef,\"ghijk\"", s);
    EXPECT_EQ(s[0], "abc");
    EXPECT_EQ(s[1], "ghi");
}

TEST_F(CommaLine, DefaultArguments) {
    std::array<std::string, 2> s{std::string(5, ' '), std::string(5, ' ')};
    parsecommasepline("\"q\",r", s);
    EXPECT_EQ(s[0], "q    ");
    EXPECT_EQ(s[1], "r    ");
    parsecommasepline("\"q\",r", s, false);
    EXPECT_EQ(s[0], "\"q\"  ");
}

TEST_F(CommaLine, MoreFieldsThanElements) {
    auto s = fields(2, 4);
    std::int32_t count = 0;
    parsecommasepline("a,b,c,d", s, true, count);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0], "a   ");
    EXPECT_EQ(s[1], "b   ");

    std::vector<std::string> none;
    parsecommasepline("a,\"b\"", none, true, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(errorprocess::errorlevel, 0);
}

TEST_F(CommaLine, MoreQuotedStringsThanElements) {
    auto s = fields(2, 4);
    std::int32_t count = 0;
    parsecommasepline("\"a\"\"b\"\"c\"\"d\",\"e\"", s, true, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], "a   ");
    EXPECT_EQ(s[1], "b   ");
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
    EXPECT_EQ(s[1251], "   ");

    // Blanks and quoted strings do not count against the working line.
    const std::string padding(6000, ' ');
    parsecommasepline(padding + "\"" + std::string(450, 'x') + "\"," + padding + "y", s, true, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(s[0], "xxx");
    EXPECT_EQ(s[1], "y  ");
}

TEST_F(CommaLine, LineMayBeAnElement) {
    std::vector<std::string> s = {padded("p,\"q\",r", 10), std::string(10, ' '), std::string(10, ' ')};
    std::int32_t count = 0;
    parsecommasepline(s[0], s, true, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(s[0], padded("p", 10));
    EXPECT_EQ(s[1], padded("q", 10));
    EXPECT_EQ(s[2], padded("r", 10));
}

// ---------------------------------------------------------------------------
// Tab-delimited lines
// ---------------------------------------------------------------------------

TEST(TabLine, EmptyFieldBetweenTabs) {
    auto a = fields(4, 5, '#');
    std::int32_t count = -1;
    parsetabdelimitedline("a\t\tb", a, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(a[0], "a    ");
    EXPECT_EQ(a[1], "     ");
    EXPECT_EQ(a[2], "b    ");
    EXPECT_EQ(a[3], "#####");  // beyond the count: untouched
}

TEST(TabLine, LeadingBlanksDroppedInnerKept) {
    auto a = fields(3, 8);
    std::int32_t count = 0;
    parsetabdelimitedline("  x y  \t   z\t", a, count);
    EXPECT_EQ(count, 2);  // the closing tab opens no field
    EXPECT_EQ(a[0], "x y     ");
    EXPECT_EQ(a[1], "z       ");
}

TEST(TabLine, TabAtStartAndAfterBlanks) {
    auto a = fields(4, 3, '#');
    std::int32_t count = 0;
    parsetabdelimitedline("\t  \tc   ", a, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(a[0], "   ");
    EXPECT_EQ(a[1], "   ");
    EXPECT_EQ(a[2], "c  ");
}

TEST(TabLine, BlankLineAndOverflow) {
    auto a = fields(2, 3, '#');
    std::int32_t count = 7;
    parsetabdelimitedline("     ", a, count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(a[0], "###");

    parsetabdelimitedline("one\ttwo\tthree\tfour", a, count);
    EXPECT_EQ(count, 4);  // fields that did not fit still count
    EXPECT_EQ(a[0], "one");
    EXPECT_EQ(a[1], "two");
}

// ---------------------------------------------------------------------------
// Configuration lines
// ---------------------------------------------------------------------------

TEST(CfgLine, KeyAndValueWithoutLeadingBlanks) {
    std::string key(20, '#'), value(20, '#');
    EXPECT_TRUE(parsecfgline("  Path  =   C:\\data\\  ", key, value));
    EXPECT_EQ(key, padded("Path", 20));
    EXPECT_EQ(value, padded("C:\\data\\", 20));
}

TEST(CfgLine, SecondEqualsSignStaysInValue) {
    std::string key(10, ' '), value(10, ' ');
    EXPECT_TRUE(parsecfgline("a=b=c", key, value));
    EXPECT_EQ(key, padded("a", 10));
    EXPECT_EQ(value, padded("b=c", 10));
}

TEST(CfgLine, NoEqualsSign) {
    std::string key(10, '#'), value(10, '#');
    EXPECT_FALSE(parsecfgline("just text", key, value));
    EXPECT_EQ(key, std::string(10, ' '));
    EXPECT_EQ(value, std::string(10, ' '));
}

TEST(CfgLine, EmptySidesAndNoCaseChange) {
    std::string key(10, '#'), value(10, '#');
    EXPECT_TRUE(parsecfgline("= x ; comment", key, value));
    EXPECT_EQ(key, std::string(10, ' '));
    EXPECT_EQ(value, padded("x ; commen", 10));
    EXPECT_TRUE(parsecfgline("lower=", key, value));
    EXPECT_EQ(key, padded("lower", 10));
    EXPECT_EQ(value, std::string(10, ' '));
}

TEST(CfgLine, SidesCutAt150) {
    std::string key(200, ' '), value(200, ' ');
    const std::string longkey = std::string(20, ' ') + std::string(170, 'k');
    const std::string longvalue(180, 'v');
    EXPECT_TRUE(parsecfgline(longkey + "=" + longvalue, key, value));
    // Cut at 150 first, then the leading blanks go.
    EXPECT_EQ(key, padded(std::string(130, 'k'), 200));
    EXPECT_EQ(value, padded(std::string(150, 'v'), 200));
}
