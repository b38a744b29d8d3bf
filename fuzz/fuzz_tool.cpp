// The whole run of the tool, in-process, on a working directory made from the
// input.
//
// Input: a byte for the command line (each lake code in either case, none, a
// junk code, a second word), then entries of the directory until the input
// ends: scenario files of the lake's parts or of other lakes (year, header,
// records and their values from the bytes, sometimes raw), names with odd year
// characters, directories and dangling links where files are looked for, and
// ERROR.INT, DLYLIST.TMP or a table's name taken by something else.
//
// Checked after every run: the exit status is 0 with the error state clear and
// no traceback, or 1 with errorlevel set, the driver's traceback line and a
// regular ERROR.INT holding its line (or, where a directory holds that name,
// the console line that says it could not be made); no file unit stays open;
// the working directory is where it was. Every run starts from a fresh
// directory and the state a new process has.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "fuzzsupport.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace {

namespace fs = std::filesystem;
using fuzzsupport::inputbytes;
using fuzzsupport::require;

constexpr std::size_t maxentries = 16;
constexpr std::int32_t maxrecords = 400;
const std::string errorint = " This ERROR.INT file created by MIRT forecast package\r\n";
const std::string maintrace = " [traceback] : Rerove_TIVORN Main...\n";
const std::string nocreate = " Error creating ERROR.INT\n";

std::vector<std::string> commandline(inputbytes& in, std::int32_t& lakeindex) {
    const std::uint8_t choice = in.byte();
    lakeindex = 1 + choice % rerove_tivorn_subs::numlakes;
    std::string code = rerove_tivorn_subs::lakecode(lakeindex);
    if ((choice & 0x08) == 0) keldautil::lowercase(code);
    switch (choice >> 4) {
        case 0: return {"rerove_tivorn"};
        case 1: return {"/some/dir/rerove_tivorn", std::string(in.text(1 + in.byte() % 30))};
        case 2: return {"rerove_tivorn", code, std::string(in.text(in.byte() % 8))};
        case 3: return {"rerove_tivorn", "  " + code};
        default: return {"rerove_tivorn", code};
    }
}

// The forecast-lake part a scenario file is named for.
std::int32_t partof(inputbytes& in, std::int32_t lakeindex) {
    rerove_tivorn_subs::LakeParts lake;
    (void)rerove_tivorn_subs::lakeparts(lakeindex, lake);
    const std::uint8_t b = in.byte();
    // Mostly the lake's own parts, so that years are shared; sometimes any lake.
    return (b & 0x80) != 0 ? 1 + b % fcstutil::numfcstlakes : lake.parts[static_cast<std::size_t>(b % lake.count)];
}

// A name pattern of the tool with its four year columns ("????") replaced by year,
// which may hold any characters.
std::string withyear(std::string pattern, const std::string& year) {
    return pattern.replace(pattern.find("????"), 4, year);
}

// A scenario file: header of first and last day, then day records whose count
// may differ from what the header says; values small and positive or raw.
std::string scenario(inputbytes& in, std::int32_t base) {
    const std::uint8_t form = in.byte();
    std::int32_t first = base + static_cast<std::int8_t>(in.byte()) / 32;
    std::int32_t last = first + in.byte() % 64 - 2;
    if ((form & 0x01) != 0) first = in.value<std::int32_t>();
    if ((form & 0x02) != 0) last = in.value<std::int32_t>();
    const std::int64_t span = static_cast<std::int64_t>(last) - first + 1;
    const auto records = static_cast<std::int32_t>(std::clamp<std::int64_t>(span + (form >> 5) % 5 - 2, 0, maxrecords));
    constexpr auto length = static_cast<std::size_t>(rerove_tivorn_subs::scenariorecordlength);
    std::string bytes(length * static_cast<std::size_t>(records + 1), '\0');
    auto* const file = reinterpret_cast<std::byte*>(bytes.data());
    rerove_tivorn_subs::encodeheader(file, {first, last});
    const std::uint8_t pattern = in.byte();
    const bool raw = (form & 0x04) != 0;
    for (std::int32_t k = 1; k <= records; ++k) {
        const auto wobble = static_cast<float>((k * pattern) % 7);
        rerove_tivorn_subs::scenarioday day;
        // One after the other: the order in which they take the input's bytes.
        day.runoff = raw ? in.value<float>() : static_cast<float>(pattern & 7) + wobble;
        day.precip = raw ? in.value<float>() : static_cast<float>((pattern >> 3) & 7) * 2;
        day.evap = raw ? in.value<float>() : static_cast<float>(pattern >> 6) - 1 + wobble;
        rerove_tivorn_subs::encodeday(file + length * static_cast<std::size_t>(k), "DAYTEXT ", day);
    }
    return bytes;
}

std::string yeartext(inputbytes& in) {
    const std::uint8_t b = in.byte();
    if (b < 200) return iolayer::formati(1900 + b % 100, 4);
    return iolayer::padded(in.text(4), 4);  // odd year characters: signs, blanks, letters
}

// What the run must leave in place of ERROR.INT.
enum class errorentry { none, replaceable, directory };

// One entry of the working directory; returns what it made of ERROR.INT.
errorentry makeentry(inputbytes& in, std::int32_t lakeindex, std::int32_t base) {
    const std::uint8_t kind = in.byte();
    const std::string year = yeartext(in);
    const std::string name = withyear(rerove_tivorn_subs::scenariopattern(partof(in, lakeindex)), year);
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) return errorentry::none;
    std::error_code ec;
    switch (kind % 16) {
        case 10: fs::create_directory(name, ec); return errorentry::none;
        case 11: fs::create_symlink("gone/" + name, name, ec); return errorentry::none;
        case 12:
            if (fs::exists(fs::symlink_status(fcstutil::errorfilename))) return errorentry::none;
            if ((kind & 0x10) != 0) {
                fs::create_directory(fcstutil::errorfilename, ec);
                return errorentry::directory;
            }
            fs::create_symlink((kind & 0x20) != 0 ? "gone" : ".", fcstutil::errorfilename, ec);
            return errorentry::replaceable;
        case 13: fs::create_directory(rerove_tivorn_subs::listingfile, ec); return errorentry::none;
        case 14:
            fs::create_directory(withyear(rerove_tivorn_subs::tablepattern(lakeindex), year), ec);
            return errorentry::none;
        default: {
            // The name may be taken by a directory or a dangling link made before.
            const std::string bytes = scenario(in, base);
            std::ofstream(name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            return errorentry::none;
        }
    }
}

void requireend(int status, const std::string& printed, errorentry entry) {
    require(status == 0 || status == 1, "an exit status other than 0 or 1");
    fuzzsupport::requirenounitsopen();
    require(keldautil::openedfiles == 0, "files stay registered at the end of a run");
    const auto errorfile = fs::symlink_status(fcstutil::errorfilename);
    if (status == 0) {
        require(errorprocess::errorlevel == 0, "a success with errorlevel set");
        require(printed.find("[traceback]") == std::string::npos, "a success with a traceback", printed);
        if (entry == errorentry::none) require(!fs::exists(errorfile), "a success left ERROR.INT");
        return;
    }
    require(errorprocess::errorlevel != 0, "a failure with errorlevel clear");
    if (entry == errorentry::directory) {
        require(printed.ends_with(maintrace + nocreate), "no word that ERROR.INT could not be made", printed);
        return;
    }
    require(printed.ends_with(maintrace), "a failure without the driver's traceback line", printed);
    require(fs::is_regular_file(errorfile) && fuzzsupport::readfile(fcstutil::errorfilename) == errorint,
            "a failure without a fresh ERROR.INT");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::consolefile console;
    static const std::int32_t base = [] {
        std::int32_t seq = 0;
        keldautil::datesequence(1, 6, 2010, seq);
        return seq;
    }();
    const fs::path dir = fuzzsupport::scratch() / "run";
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directory(dir);
    const fs::path before = fs::current_path();
    {
        fuzzsupport::indirectory here(dir);
        inputbytes in(data, size);
        std::int32_t lakeindex = 1;
        std::vector<std::string> words = commandline(in, lakeindex);
        errorentry entry = errorentry::none;
        for (std::size_t n = 0; n < maxentries && !in.empty(); ++n) {
            const errorentry made = makeentry(in, lakeindex, base);
            if (made != errorentry::none) entry = made;
        }
        std::vector<char*> argv;
        argv.reserve(words.size() + 1);
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);

        processstate::reset();
        (void)console.take();
        const int status = rerove_tivorn_subs::runtool(static_cast<int>(words.size()), argv.data());
        require(fs::current_path() == dir, "the run changed the working directory");
        requireend(status, console.take(), entry);
        processstate::reset();
    }
    require(fs::current_path() == before, "the working directory was not restored");
    return 0;
}
