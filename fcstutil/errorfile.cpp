// ERROR.INT: its existence tells the calling package that the run failed.
#include <filesystem>
#include <system_error>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"

namespace fcstutil {
namespace {

// Removes an entry of that name that is neither a directory nor a regular file (a
// link, dangling or not; a FIFO, whose open would wait for a writer), so that the
// fresh file can be made.
void removeblockingentry() {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(errorfilename, ec);
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_directory(status) ||
        std::filesystem::is_regular_file(status)) {
        return;
    }
    std::filesystem::remove(errorfilename, ec);
}
}  // namespace

void makeerrorint() {
    using namespace iolayer;
    // A unit left connected by an earlier call is released first.
    bool isopen = false;
    if (inquireunit(errorfileunit, isopen) == Status::ok && isopen) (void)closeunit(errorfileunit);
    removeblockingentry();
    if (openexisting(errorfileunit, errorfilename, Access::sequential, Action::read) == Status::ok) {
        (void)closeunit(errorfileunit, Disposition::remove);
    }
    if (createfile(errorfileunit, errorfilename, Access::sequential, false) != Status::ok) {
        // The failure cannot be signalled by the file: say so where it can be seen.
        errorprocess::consoleline("Error creating " + std::string(errorfilename));
        return;
    }
    (void)writeline(errorfileunit, " This ERROR.INT file created by MIRT forecast package");
    (void)closeunit(errorfileunit);
}

}  // namespace fcstutil
