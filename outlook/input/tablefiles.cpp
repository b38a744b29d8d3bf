// The tables a command line names: files, or directories of a lake's tables.
#include <system_error>

#include "iolayer/iolayer.hpp"
#include "outlook/input/input.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;
namespace subs = rerove_tivorn_subs;

// The tables of a directory: of lake when it is given, else of the one lake
// whose tables are there.
std::vector<fs::path> tablesindir(const fs::path& dir, std::int32_t lakeindex) {
    if (lakeindex != 0) {
        std::vector<fs::path> found = tablesoflake(lakeindex, dir);
        if (found.empty()) throw readerror(dir.string() + ": holds no tables of " + subs::lakecode(lakeindex));
        return found;
    }
    std::vector<fs::path> found;
    std::string held;
    for (std::int32_t lake = 1; lake <= subs::numlakes; ++lake) {
        std::vector<fs::path> these = tablesoflake(lake, dir);
        if (these.empty()) continue;
        if (!found.empty())
            throw readerror(dir.string() + ": holds tables of " + held + " and " + subs::lakecode(lake) +
                            ": name the lake with --lake");
        held = subs::lakecode(lake);
        found = std::move(these);
    }
    if (found.empty()) throw readerror(dir.string() + ": holds no tables (<xx>DNBS_<year>.txt)");
    return found;
}

}  // namespace

std::vector<fs::path> tablesoflake(std::int32_t lakeindex, const fs::path& dir) {
    std::vector<std::string> names;
    if (iolayer::listfiles(dir.string(), subs::tablepattern(lakeindex), names) != iolayer::Status::ok)
        throw readerror(dir.string() + ": cannot be listed");
    std::vector<fs::path> paths;
    paths.reserve(names.size());
    for (const auto& name : names) paths.push_back(dir / name);
    return paths;
}

std::vector<fs::path> tablefiles(std::span<const std::string> inputs, std::int32_t lakeindex) {
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

ensemble readensemble(std::span<const std::string> inputs, std::int32_t lakeindex) {
    const std::vector<fs::path> files = tablefiles(inputs, lakeindex);
    return makeensemble(readtables(files));
}

}  // namespace outlook
