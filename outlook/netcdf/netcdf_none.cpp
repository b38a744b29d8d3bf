// The NetCDF export of a build without the NetCDF C library.
#include "outlook/netcdf/netcdf.hpp"

namespace outlook {

bool netcdfavailable() { return false; }

void requirenetcdf() {
    throw unavailable(
        "this rerove_outlook was built without NetCDF (Debian package libnetcdf-dev): no --format netcdf");
}

void writenetcdf(const std::filesystem::path& /*file*/, const ensemble& /*e*/, std::int32_t /*lakeindex*/,
                 std::span<const double> /*weights*/) {
    requirenetcdf();
}

}  // namespace outlook
