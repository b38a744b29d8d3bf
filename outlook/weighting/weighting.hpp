// outlook weighting: weights of the scenario years that meet a climate outlook.
// The third each year falls in for each row of the outlook, from the scenario
// files' totals (combined over the lake's parts as the tool combines them) or the
// tables' net basin supply, and the weights that meet the rows' probabilities
// best, and among those the closest to equal.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "outlook/analysis/analysis.hpp"
#include "outlook/input/input.hpp"
#include "outlook/model/model.hpp"

namespace outlook {

// ---------------------------------------------------------------------------
// Thirds and the solver (solver.cpp)
// ---------------------------------------------------------------------------

enum class tercile { below, near, above };

// The third each of n totals falls in by its rank i (1-based, from the smallest;
// tied totals take the lowest rank among them) and the position rule's constant
// a: below when 3(i - a) < n + 1 - 2a, above when 3(i - a) > 2(n + 1 - 2a), else
// near.
std::vector<tercile> tercilesbyrank(std::span<const double> totals, double a);
// The same by bounds: below under lower, above over upper, else near.
std::vector<tercile> tercilesbybounds(std::span<const double> totals, double lower, double upper);

// What one row asks of the weights: the third of each year, and the probability
// of the lowest and the highest third.
struct tercileask {
    std::vector<tercile> years;
    double below = 0;
    double above = 0;
};

// Probability each third gets from the weights.
struct tercileshares {
    double below = 0, near = 0, above = 0;
};
tercileshares sharesof(const tercileask& ask, std::span<const double> weights);

// Whether this build has the weights' solver (it needs Eigen); without it
// requireweightsolver and climateweights throw unavailable, saying so.
bool haveweightsolver();
void requireweightsolver();

// Weights of n years, not negative and summing to 1: those with the least sum of
// squared differences between each row's asked below and above probabilities and
// what they get, and among those the closest to equal weights.
std::vector<double> climateweights(std::span<const tercileask> asks, std::size_t n);

// The weight of each part of a lake (fractions summing to 1) in the lake's value,
// as the tool combines them: precipitation by the parts' land areas, runoff and
// evaporation by their lake areas. Parts in the tool's order.
struct partweights {
    std::vector<std::int32_t> parts;  // forecast-lake numbers
    std::vector<double> precip, runoff, evap;
};
partweights partweightsof(std::int32_t lakeindex);

// ---------------------------------------------------------------------------
// A climate outlook asked of the scenario years in a directory (climateasks.cpp)
// ---------------------------------------------------------------------------

// The one lake whose parts all have scenario years in dir; readerror for none or
// several.
std::int32_t lakeofscenariofiles(const std::filesystem::path& dir);

// What a climate file asks of the scenario years the tool would take for the
// lake in dir: the years, the rows and each row's thirds. The nbs rows take the
// lake's tables: those of tables when given (read once by the caller), else those
// in dir. readerror on bad input.
struct climateasks {
    std::vector<std::int32_t> years;
    std::vector<climaterow> rows;
    std::vector<tercileask> asks;
};
climateasks climateasksof(const std::filesystem::path& climate, std::int32_t lakeindex,
                          const std::filesystem::path& dir, positionrule rule, const ensemble* tables = nullptr);

// The weights of the asks, with the lines that report each row's asked and
// achieved probabilities and the effective number of scenarios; met is false
// when a probability is missed by more than 0.001.
struct climateweighting {
    std::vector<double> weights;
    std::vector<std::string> report;
    bool met = true;
};
climateweighting weightclimate(const climateasks& c, const std::filesystem::path& climate);

}  // namespace outlook
