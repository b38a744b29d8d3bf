// Conversions between depths over an area and flows. Each rounds to single
// precision at the marked points only; between them the arithmetic is double.
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace rerove_tivorn_subs {
namespace {
// Cubic feet per cubic metre, as the single-precision constant 35.31467.
constexpr double cftperm3 = static_cast<double>(35.31467F);

float flowfromdepth(double metres, float area, std::int32_t seconds) {
    const auto a = static_cast<float>(metres);                                                        // rounded
    const auto q = static_cast<float>(static_cast<double>(area) * static_cast<double>(a) / seconds);  // rounded
    return q;
}
}  // namespace

float tcfm3(float flow) { return static_cast<float>(static_cast<double>(flow) * 1000.0 / cftperm3); }

float cm2m3(float depth, float area, std::int32_t seconds) {
    return flowfromdepth(static_cast<double>(depth) / 100.0, area, seconds);
}

float cm2tcfs(float depth, float area, std::int32_t seconds) {
    const float q = cm2m3(depth, area, seconds);
    return static_cast<float>(static_cast<double>(q) * cftperm3 / 1000.0);
}

float mm2tcfs(float depth, float area, std::int32_t seconds) {
    const float q = flowfromdepth(static_cast<double>(depth) / 1000.0, area, seconds);
    return static_cast<float>(static_cast<double>(q) * cftperm3 / 1000.0);
}

}  // namespace rerove_tivorn_subs
