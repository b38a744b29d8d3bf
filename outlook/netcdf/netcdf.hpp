// outlook netcdf: an outlook as a NetCDF file. Its own room and target, so that
// everything else builds without the NetCDF library (Debian's libnetcdf-dev);
// without it, this build says why it writes no NetCDF.
#pragma once

#include <filesystem>
#include <span>

#include "outlook/model/model.hpp"
#include "outlook/output/output.hpp"

namespace outlook {

// Whether this build writes NetCDF. Without it requirenetcdf and writenetcdf
// throw unavailable, saying so; with it requirenetcdf loads the library, and
// throws unavailable when it cannot.
bool netcdfavailable();
void requirenetcdf();

// A NetCDF-4 file (classic model, deflated) following CF-1.8, written whole as
// writefile does: nbs(realization, time) in m3 s-1 as float, -9999 for a missing
// day; time in days since the first day with time_bnds; weight(realization). The
// history attribute takes its moment from momentofmaking. The ensemble, lake
// index and weights as the other exports take them.
void writenetcdf(const std::filesystem::path& file, const ensemble& e, std::int32_t lakeindex,
                 std::span<const double> weights);

}  // namespace outlook
