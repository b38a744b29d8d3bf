// Forecast configuration file: key = value lines naming the directory of each
// lake's data and of the level data.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace fcstutil {
namespace {

constexpr std::size_t linelength = 80;    // longer lines are cut
constexpr std::size_t dirlength = 80;     // width of a cfgdirs entry
constexpr std::size_t fieldlength = 150;  // key and value, as parsecfgline keeps them
constexpr std::size_t keylength = 6;      // keys count by their first six characters

// In the order of cfgdirs: forecast lakes 1 to 8, then the level directory.
constexpr std::array<std::string_view, 9> keys = {"SUPDIR", "MICDIR", "HURDIR", "GEODIR", "STCDIR",
                                                  "ERIDIR", "ONTDIR", "MHUDIR", "LEVDIR"};
constexpr std::size_t levelentry = 8;

// Stores the directory of a setting line; anything else is ignored.
void storesetting(std::string_view line) {
    std::string key(fieldlength, ' ');
    std::string value(fieldlength, ' ');
    if (!keldautil::parsecfgline(line, key, value)) return;
    const std::string_view dir = iolayer::trimright(value);
    if (dir.empty()) return;
    keldautil::caps(key);
    const auto* const it = std::find(keys.begin(), keys.end(), std::string_view(key).substr(0, keylength));
    if (it == keys.end()) return;
    std::string stored(dir);
    if (stored.back() != '\\') stored.push_back('\\');
    iolayer::assign(cfgdirs[static_cast<std::size_t>(it - keys.begin())], stored);
}

}  // namespace

void readcfgfile(std::string_view filename) {
    for (auto& dir : cfgdirs) dir.assign(dirlength, ' ');

    const std::int32_t unit = keldautil::openregistered(filename, iolayer::Access::sequential, 0,
                                                        "Error opening forecast configuration file");
    if (unit < 0) return;

    // The end of the file, or a read that fails, ends the reading.
    std::string line;
    while (iolayer::readline(unit, line) == iolayer::Status::ok) {
        storesetting(std::string_view(line).substr(0, std::min(line.size(), linelength)));
    }

    keldautil::closeregistered(unit);
    iolayer::assign(levdir, cfgdirs[levelentry]);
}

}  // namespace fcstutil
