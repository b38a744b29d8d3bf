// The forecast configuration file reader on a file made from the input.
//
// Checked: an existing file always reads; every directory entry keeps its 80
// columns and, when set, ends with a backslash; the level directory is the
// LEVDIR entry.
#include <cstdint>
#include <string_view>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "fuzzsupport.hpp"
#include "iolayer/iolayer.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::consolefile console;
    static const std::string name = (fuzzsupport::scratch() / "fcst.cfg").string();
    fuzzsupport::writefile(name, std::string_view(reinterpret_cast<const char*>(data), size));

    fcstutil::readcfgfile(name);
    const bool failed = errorprocess::errorlevel != 0;
    fuzzsupport::require(!failed, "an existing configuration file fails to read");
    for (const auto& dir : fcstutil::cfgdirs) {
        fuzzsupport::require(dir.size() == 80, "a directory entry changed its size", dir);
        const std::string_view set = iolayer::trimright(dir);
        fuzzsupport::require(set.empty() || set.back() == '\\' || set.size() == 80,
                             "a directory entry without its closing backslash", dir);
    }
    fuzzsupport::require(fcstutil::levdir == fcstutil::cfgdirs[8], "the level directory is not the LEVDIR entry");
    fuzzsupport::requirereaderend(console, failed);
    for (auto& dir : fcstutil::cfgdirs) dir.assign(80, ' ');
    fcstutil::levdir.assign(80, ' ');
    return 0;
}
