// Every room of the companion's library at once, for the tests, the fuzz targets
// and the benchmarks. The rooms themselves include only the headers they use.
#pragma once

#include "outlook/adapter/adapter.hpp"
#include "outlook/analysis/analysis.hpp"
#include "outlook/charts/charts.hpp"
#include "outlook/hindcast/hindcast.hpp"
#include "outlook/importing/importing.hpp"
#include "outlook/input/input.hpp"
#include "outlook/model/model.hpp"
#include "outlook/netcdf/netcdf.hpp"
#include "outlook/output/output.hpp"
#include "outlook/report/report.hpp"
#include "outlook/tool/tool.hpp"
#include "outlook/verification/verification.hpp"
#include "outlook/weighting/weighting.hpp"
#include "outlook/xml/xml.hpp"
