// Character classes, text clean-up, file-name parts and line splitting.
//
// All texts are fixed-length fields: outputs keep the size the caller gave them
// and receive what is stored cut or blank-padded. Only the blank counts as
// padding.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "errorprocess/errorprocess.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace keldautil {
namespace {

constexpr char quote = '"';
constexpr char backslash = '\\';

// Working sizes of the comma splitter: the line without quoted strings and
// blanks, and one quoted string with its quote marks.
constexpr std::size_t tokenizedlength = 5000;
constexpr std::size_t quotedlength = 500;

// Sides of a configuration line.
constexpr std::size_t cfgsidelength = 150;

std::int32_t countof(std::size_t n) {
    return static_cast<std::int32_t>(std::min<std::size_t>(n, std::numeric_limits<std::int32_t>::max()));
}

void blank(std::string& field) { field.assign(field.size(), ' '); }

bool isrooteddrivepath(std::string_view path) {
    return path.size() >= 3 && charisletter(path[0]) && path[1] == ':' && path[2] == backslash;
}

// Pass 1 of the comma splitter: quoted strings go to stringtokens, one quote
// mark stands for each in the line given back, and blanks outside quotes vanish.
// Strings beyond stringtokens' size are dropped; overlong ones and the line are cut.
std::string tokenize(const std::string& text, std::vector<std::string>& stringtokens) {
    std::string tokenizedline;
    tokenizedline.reserve(std::min(text.size(), tokenizedlength));
    std::size_t k = 0;  // quoted strings opened so far
    bool inside = false;
    for (const char c : text) {
        if (inside) {
            if (k <= stringtokens.size() && stringtokens[k - 1].size() < quotedlength) stringtokens[k - 1].push_back(c);
            if (c == quote) inside = false;
        } else if (c == quote) {
            inside = true;
            ++k;
            if (k <= stringtokens.size()) stringtokens[k - 1].push_back(quote);
            if (tokenizedline.size() < tokenizedlength) tokenizedline.push_back(quote);
        } else if (c != ' ' && tokenizedline.size() < tokenizedlength) {
            tokenizedline.push_back(c);
        }
    }
    return tokenizedline;
}

// Pass 2: one field more than there are commas; only the fields that have an
// element are stored, and startsquoted tells which of them begin with a quote
// mark. Gives the number of fields.
std::size_t splitfields(const std::string& tokenizedline, std::span<std::string> strings,
                        std::vector<bool>& startsquoted) {
    startsquoted.reserve(strings.size());
    std::size_t fields = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= tokenizedline.size(); ++i) {
        if (i < tokenizedline.size() && tokenizedline[i] != ',') continue;
        ++fields;
        if (fields <= strings.size()) {
            const std::string_view field = std::string_view(tokenizedline).substr(start, i - start);
            iolayer::assign(strings[fields - 1], field);
            startsquoted.push_back(!field.empty() && field.front() == quote);
        }
        start = i + 1;
    }
    return fields;
}

// Pass 3: quoted strings go, in order, to the fields that begin with a quote
// mark; whatever followed the closing quote in the field is lost.
void placequoted(const std::vector<std::string>& stringtokens, const std::vector<bool>& startsquoted,
                 std::span<std::string> strings, bool removequotes) {
    std::size_t next = 0;
    for (std::size_t f = 0; f < startsquoted.size(); ++f) {
        if (!startsquoted[f]) continue;
        const std::string_view tstr = iolayer::trimright(stringtokens[next++]);
        if (!removequotes) {
            iolayer::assign(strings[f], tstr);
        } else if (tstr.size() >= 2) {
            iolayer::assign(strings[f], tstr.substr(1, tstr.size() - 2));
        } else {
            blank(strings[f]);
        }
    }
}

void splitcommas(std::string_view line, std::span<std::string> strings, bool removequotes, std::int32_t* count) {
    // The line may be one of the elements about to be blanked.
    const std::string text(iolayer::trimright(line));
    if (count != nullptr) *count = 0;
    for (auto& s : strings) blank(s);

    try {
        std::vector<std::string> stringtokens(strings.size());
        const std::string tokenizedline = tokenize(text, stringtokens);
        std::vector<bool> startsquoted;
        const std::size_t fields = splitfields(tokenizedline, strings, startsquoted);
        placequoted(stringtokens, startsquoted, strings, removequotes);
        if (count != nullptr) *count = countof(fields);
    } catch (const std::bad_alloc&) {
        // No room for the working lists: no message, all elements blank.
        for (auto& s : strings) blank(s);
        if (count != nullptr) *count = 0;
        errorprocess::errorlevel = 1;
    }
}

}  // namespace

bool charisletter(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool charisnumber(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return c >= '0' && c <= '9';
}

bool charisspecial(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return c >= 32 && c <= 126 && !charisletter(ch) && !charisnumber(ch);
}

void stripleadingblanks(std::string& text) {
    const std::size_t lead = text.find_first_not_of(' ');
    if (lead == 0 || lead == std::string::npos) return;
    text.erase(0, lead);
    text.append(lead, ' ');
}

void convertfilenamedelimiters(std::string& fname) {
    const std::size_t n = iolayer::trimmedlength(fname);
    std::replace(fname.begin(), fname.begin() + static_cast<std::ptrdiff_t>(n), '/', backslash);
}

void filenamenopath(std::string_view longname, std::string& name) {
    const std::size_t p = longname.rfind(backslash);
    iolayer::assign(name, p == std::string_view::npos ? longname : longname.substr(p + 1));
}

void processpathandfilename(std::string_view directory, std::string_view filename, std::string& fp, std::string& fn) {
    // Copies: the inputs may be the output fields themselves.
    const std::string dir(iolayer::trimright(directory));
    const std::string given(iolayer::trimright(filename));
    iolayer::assign(fn, given);
    iolayer::assign(fp, dir);

    const std::size_t p = fn.rfind(backslash);
    if (p != std::string::npos) {
        const std::size_t last = std::min(given.size(), fn.size());
        const std::string path = fn.substr(0, p + 1);
        const std::string bare = fn.substr(p + 1, last - (p + 1));
        iolayer::assign(fp, path);
        iolayer::assign(fn, bare);
    }

    // A given directory wins over the path of the file name.
    if (!dir.empty()) {
        std::string withslash = dir;
        if (withslash.back() != backslash) withslash.push_back(backslash);
        iolayer::assign(fp, withslash);
    }

    // Only a rooted drive path is kept; relative and network paths give blanks.
    if (iolayer::trimmedlength(fp) > 0 && !isrooteddrivepath(fp)) blank(fp);
}

void parsecommasepline(std::string_view line, std::span<std::string> strings, bool removequotes, std::int32_t& count) {
    splitcommas(line, strings, removequotes, &count);
}

void parsecommasepline(std::string_view line, std::span<std::string> strings, bool removequotes) {
    splitcommas(line, strings, removequotes, nullptr);
}

void parsecommasepline(std::string_view line, std::span<std::string> strings, std::int32_t& count) {
    splitcommas(line, strings, true, &count);
}

void parsetabdelimitedline(std::string_view line, std::span<std::string> args, std::int32_t& count) {
    // The line may be one of the elements being written.
    const std::string text(iolayer::trimright(line));
    count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i == text.size()) break;
        std::size_t end = text.find('\t', i);
        if (end == std::string::npos) end = text.size();
        if (count < std::numeric_limits<std::int32_t>::max()) ++count;
        if (static_cast<std::size_t>(count) <= args.size()) {
            iolayer::assign(args[static_cast<std::size_t>(count) - 1], std::string_view(text).substr(i, end - i));
        }
        i = end + 1;  // past the tab; a tab at the end opens no further field
    }
}

bool parsecfgline(std::string_view line, std::string& key, std::string& value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        blank(key);
        blank(value);
        return false;
    }
    // The equals sign is not blank, so the trimmed length lies beyond it.
    const std::size_t end = iolayer::trimmedlength(line);
    std::string ls = iolayer::padded(line.substr(0, eq), cfgsidelength);
    std::string rs = iolayer::padded(line.substr(eq + 1, end - (eq + 1)), cfgsidelength);
    stripleadingblanks(ls);
    stripleadingblanks(rs);
    iolayer::assign(key, ls);
    iolayer::assign(value, rs);
    return true;
}

}  // namespace keldautil
