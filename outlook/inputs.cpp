// The tables a command line names: files, or directories of a lake's tables.
#include <algorithm>
#include <system_error>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "outlook/outlook.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;
namespace subs = rerove_tivorn_subs;

constexpr std::int32_t lakes = 5;

// The tables of a directory: of lake when it is given, else of the one lake
// whose tables are there.
std::vector<fs::path> tablesindir(const fs::path& dir, std::int32_t lakeindex) {
    if (lakeindex != 0) {
        std::vector<fs::path> found = tablesoflake(lakecodeof(lakeindex), dir);
        if (found.empty()) throw readerror(dir.string() + ": holds no tables of " + lakecodeof(lakeindex));
        return found;
    }
    std::vector<fs::path> found;
    std::string held;
    for (std::int32_t lake = 1; lake <= lakes; ++lake) {
        std::vector<fs::path> these = tablesoflake(lakecodeof(lake), dir);
        if (these.empty()) continue;
        if (!found.empty())
            throw readerror(dir.string() + ": holds tables of " + held + " and " + lakecodeof(lake) +
                            ": name the lake with --lake");
        held = lakecodeof(lake);
        found = std::move(these);
    }
    if (found.empty()) throw readerror(dir.string() + ": holds no tables (<xx>DNBS_<year>.txt)");
    return found;
}

}  // namespace

std::string lakecodeof(std::int32_t lakeindex) {
    if (lakeindex < 1 || lakeindex > static_cast<std::int32_t>(fcstutil::levlkcode3.size()))
        throw readerror("lake index " + std::to_string(lakeindex) + " is not one of 1 to 5");
    std::string code = fcstutil::levlkcode3[static_cast<std::size_t>(lakeindex - 1)];
    std::transform(code.begin(), code.end(), code.begin(), [](char c) { return static_cast<char>(c - 'a' + 'A'); });
    return code;
}

std::vector<fs::path> tablefiles(std::span<const std::string> inputs, std::string_view lake) {
    std::int32_t lakeindex = 0;
    if (!lake.empty()) {
        lakeindex = subs::lakeindexofcode(lake);
        if (lakeindex == 0) throw readerror("unknown lake '" + std::string(lake) + "' (SUP, MHU, STC, ERI or ONT)");
    }
    const std::vector<std::string> named =
        inputs.empty() ? std::vector<std::string>{"."} : std::vector<std::string>(inputs.begin(), inputs.end());
    std::vector<fs::path> files;
    for (const std::string& input : named) {
        std::error_code ec;
        const fs::file_status status = fs::status(input, ec);
        if (fs::is_directory(status)) {
            const std::vector<fs::path> found = tablesindir(input, lakeindex);
            files.insert(files.end(), found.begin(), found.end());
        } else if (fs::exists(status)) {
            files.emplace_back(input);
        } else {
            throw readerror(input + ": no such table or directory");
        }
    }
    return files;
}

ensemble readensemble(std::span<const std::string> inputs, std::string_view lake) {
    const std::vector<fs::path> files = tablefiles(inputs, lake);
    return makeensemble(readtables(files));
}

}  // namespace outlook
