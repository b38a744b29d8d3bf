// rerove_tivorn_subs: the daily outlook tables of the tool: scenario assembly,
// daily net basin supply, unit conversions and the table writer.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace rerove_tivorn_subs {

// ===========================================================================
// Flow and volume conversions (conversions.cpp)
// ===========================================================================

// Thousands of cubic feet per second to cubic metres per second.
float tcfm3(float flow);
// Depth in centimetres over area (m2) during seconds to cubic metres per second.
float cm2m3(float depth, float area, std::int32_t seconds);
// Depth in centimetres over area (m2) during seconds to thousands of cubic feet per second.
float cm2tcfs(float depth, float area, std::int32_t seconds);
// Depth in millimetres over area (m2) during seconds to thousands of cubic feet per second.
float mm2tcfs(float depth, float area, std::int32_t seconds);

}  // namespace rerove_tivorn_subs
