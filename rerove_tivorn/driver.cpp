// The driver of rerove_tivorn: the whole run of the tool on its command line, in
// the working directory.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"
#include "rerove_tivorn/tableoutput.hpp"

namespace rerove_tivorn_subs {
namespace {

using errorprocess::consoleline;
using errorprocess::errorlevel;

constexpr std::size_t commandlinelength = 99;
constexpr std::size_t numargs = 10;
constexpr std::size_t arglength = 25;

void usage() {
    for (const std::string_view line : messages::usage) consoleline(line);
}

int failure() {
    // A command-line failure has raised nothing: the state tells it all the same.
    if (errorlevel == 0) errorlevel = 1;
    errorprocess::traceback("Rerove_TIVORN Main");
    fcstutil::makeerrorint();
    keldautil::closeallfiles();
    return 1;
}

// The whole command line as one text: the words separated by single blanks. The
// command is named without its directory, so that a long path to the program
// cannot push the lake code out of the 99 characters.
std::string commandline(int argc, char** argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        std::string_view word = argv[i];
        if (i == 0) {
            word = word.substr(word.find_last_of('/') + 1);
        } else {
            line.push_back(' ');
        }
        line.append(word);
        if (line.size() >= commandlinelength) break;
    }
    return iolayer::padded(line, commandlinelength);
}

}  // namespace

int runtool(int argc, char** argv) {
    errorlevel = 0;
    keldautil::clearfilesopen();
    if (errorlevel != 0) return failure();

    std::array<std::string, numargs> args;
    args.fill(std::string(arglength, ' '));
    std::int32_t count = 0;
    keldautil::parsecmdline(commandline(argc, argv), args, count);
    if (count < 2) {
        usage();
        return failure();
    }
    // Drop the command name.
    for (std::int32_t i = 2; i <= count && i <= static_cast<std::int32_t>(numargs); ++i) {
        args[static_cast<std::size_t>(i - 2)] = args[static_cast<std::size_t>(i - 1)];
    }
    --count;

    const std::string lakecode = args[0].substr(0, 3);
    const std::int32_t lakeindex = lakeindexof(lakecode);
    if (errorlevel != 0) return failure();
    if (lakeindex < 1) {
        consoleline(messages::invalidlakecode(lakecode));
        usage();
        return failure();
    }
    consoleline("Processing " + lakename(lakeindex));

    // Tables a stopped run of this lake was writing; never another lake's.
    tableoutput::removeleftovers(lakeindex);

    std::int32_t firstday = 0;
    std::int32_t lastday = 0;
    std::array<std::int32_t, maxscen> scenarios{};
    getdailyotlknbs(lakeindex, firstday, lastday, scenarios);
    if (errorlevel != 0) return failure();
    wrttivorn_otlk_daily(lakeindex, firstday, lastday, scenarios);
    if (errorlevel != 0) return failure();

    keldautil::closeallfiles();
    return 0;
}

}  // namespace rerove_tivorn_subs
