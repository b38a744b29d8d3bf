// ERROR.INT: its existence tells the calling package that the run failed.
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"

namespace fcstutil {
namespace {
constexpr std::int32_t errorfileunit = 2222;  // fixed, outside the registry's range
constexpr std::string_view errorfilename = "ERROR.INT";
}  // namespace

void makeerrorint() {
    using namespace iolayer;
    // A unit left connected by an earlier call is released first.
    bool isopen = false;
    if (inquireunit(errorfileunit, isopen) == Status::ok && isopen) (void)closeunit(errorfileunit);
    if (openexisting(errorfileunit, errorfilename, Access::sequential, Action::read) == Status::ok) {
        (void)closeunit(errorfileunit, Disposition::remove);
    }
    if (createfile(errorfileunit, errorfilename, Access::sequential, false) != Status::ok) return;
    (void)writeline(errorfileunit, " This ERROR.INT file created by MIRT forecast package");
    (void)closeunit(errorfileunit);
}

}  // namespace fcstutil
