// The date-text readers and the line splitters of the run-time library.
//
// Input: a byte for the number of output texts and the quote handling, a byte
// for their size, then the line (any length: beyond every limit too). Checked,
// beyond not crashing:
// - every splitter keeps the sizes of the texts it was given, and parsecmdline,
//   parsecmdlineonearg and parsecommasepline (on lines without quote marks)
//   give the words and counts of a plain split; the comma splitter's overloads
//   agree; parsetabdelimitedline leaves the texts beyond its count alone;
// - a date text that reads gives a real date that writes and reads back to the
//   same day; datestring10toseq reads the first ten characters; the readers
//   fail only by their result (the hour reader's years 3000 to 9999 aside).
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "errorprocess/errorprocess.hpp"
#include "fuzzsupport.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace {

using fuzzsupport::require;

std::vector<std::string> texts(std::size_t count, std::size_t size, char fill = ' ') {
    return std::vector<std::string>(count, std::string(size, fill));
}

bool sizeskept(const std::vector<std::string>& v, std::size_t size) {
    return std::all_of(v.begin(), v.end(), [&](const std::string& s) { return s.size() == size; });
}

std::vector<std::string_view> split(std::string_view text, char at, bool skipempty) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != at) continue;
        if (!skipempty || i > start) parts.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    return parts;
}

void checkblanksplit(std::string_view line, std::size_t count, std::size_t size) {
    auto args = texts(count, size, 'x');
    std::int32_t n = -1;
    keldautil::parsecmdline(line, args, n);
    require(sizeskept(args, size), "parsecmdline changed a text's size");
    const auto words = split(line, ' ', true);
    require(n == static_cast<std::int32_t>(words.size()), "parsecmdline counts other words", line);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string want = iolayer::padded(i < words.size() ? words[i] : "", size);
        require(args[i] == want, "parsecmdline stores another word", line);
    }
    std::string param(size, 'x');
    for (std::size_t k = 1; k <= std::min<std::size_t>(words.size() + 1, 12); ++k) {
        const bool found = keldautil::parsecmdlineonearg(line, static_cast<std::int32_t>(k), param);
        require(found == (k <= words.size()) && param.size() == size, "parsecmdlineonearg finds another word", line);
        require(param == iolayer::padded(found ? words[k - 1] : "", size), "parsecmdlineonearg stores another word",
                line);
    }
}

void checkcommasplit(std::string_view line, std::size_t count, std::size_t size, bool removequotes) {
    auto strings = texts(count, size, 'x');
    std::int32_t n = -1;
    keldautil::parsecommasepline(line, strings, removequotes, n);
    require(sizeskept(strings, size), "parsecommasepline changed a text's size");
    require(n >= 1, "parsecommasepline counts no field", line);
    auto again = texts(count, size, 'y');
    keldautil::parsecommasepline(line, again, removequotes);
    require(again == strings, "the comma splitter's overloads differ", line);
    if (removequotes) {
        std::int32_t n2 = -1;
        keldautil::parsecommasepline(line, again, n2);
        require(again == strings && n2 == n, "the comma splitter's overloads differ", line);
    }
    std::string squeezed;
    for (char c : iolayer::trimright(line))
        if (c != ' ') squeezed.push_back(c);
    if (line.find('"') != std::string_view::npos || squeezed.size() > 5000) return;
    const auto fields = split(squeezed, ',', false);
    require(n == static_cast<std::int32_t>(fields.size()), "parsecommasepline counts other fields", line);
    for (std::size_t i = 0; i < std::min(count, fields.size()); ++i) {
        require(strings[i] == iolayer::padded(fields[i], size), "parsecommasepline stores another field", line);
    }
}

void checkothersplits(std::string_view line, std::size_t count, std::size_t size) {
    auto args = texts(count, size, 'x');
    std::int32_t n = -1;
    keldautil::parsetabdelimitedline(line, args, n);
    require(sizeskept(args, size) && n >= 0, "parsetabdelimitedline", line);
    for (auto i = static_cast<std::size_t>(n); i < count; ++i) {
        require(args[i] == std::string(size, 'x'), "parsetabdelimitedline wrote beyond its count", line);
    }
    std::string key(size, 'x'), value(size, 'x');
    const bool found = keldautil::parsecfgline(line, key, value);
    require(found == (line.find('=') != std::string_view::npos) && key.size() == size && value.size() == size,
            "parsecfgline", line);
    std::string name(size, 'x'), path(size, 'x');
    keldautil::filenamenopath(line, name);
    keldautil::processpathandfilename(line.substr(0, line.size() / 2), line.substr(line.size() / 2), path, name);
    require(name.size() == size && path.size() == size, "file-name utilities changed a text's size");
}

void checkdatetexts(std::string_view line) {
    const std::int32_t seq = keldautil::datestringmdytoseq(line);
    require(errorprocess::errorlevel == 0, "datestringmdytoseq raised a failure", line);
    require(keldautil::datestring10toseq(line) == keldautil::datestringmdytoseq(line.substr(0, 10)),
            "datestring10toseq does not read the first ten characters", line);
    if (seq != -1) {
        std::int32_t day = 0, month = 0, year = 0;
        keldautil::sequencedate(day, month, year, seq);
        require(year >= 1000 && year <= 2999 && month >= 1 && month <= 12 && day >= 1 &&
                    day <= keldautil::daysinmonth(month, year),
                "datestringmdytoseq read a date that is not real", line);
        const std::string text = keldautil::seqtodatestring10(seq);
        require(keldautil::datestringmdytoseq(text) == seq, "a date text does not read back", text);
    }
    const std::int32_t hseq = keldautil::datestringmdhytoseq(line);
    if (hseq != -1) {
        require(errorprocess::errorlevel == 0, "datestringmdhytoseq read a date and failed", line);
        std::int32_t hour = 0, day = 0, month = 0, year = 0;
        keldautil::sequencehdmy(hour, day, month, year, hseq);
        require(hour >= 1 && hour <= 24 && year >= 1 && year <= 2999 && day >= 1 &&
                    day <= keldautil::daysinmonth(month, year),
                "datestringmdhytoseq read an hour that is not real", line);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::consolefile console;
    fuzzsupport::inputbytes in(data, size);
    const std::uint8_t shape = in.byte();
    const std::size_t count = shape % 12;
    const bool removequotes = (shape & 0x80) != 0;
    const std::size_t textsize = in.byte() % 40;
    const std::string_view line = in.rest();

    checkblanksplit(line, count, textsize);
    checkcommasplit(line, count, textsize, removequotes);
    checkothersplits(line, count, textsize);
    checkdatetexts(line);
    // Only the hour reader's failure prints, and nothing here opens a file.
    if (errorprocess::errorlevel != 0) (void)console.take();
    errorprocess::errorlevel = 0;
    return 0;
}
