// Plotting positions, weighted or not, and the values read between them.
#include <algorithm>
#include <cmath>
#include <limits>

#include "outlook/analysis/analysis.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

bool equalweights(std::span<const double> weights) {
    return std::adjacent_find(weights.begin(), weights.end(), std::not_equal_to<>()) == weights.end();
}

// The value exceeded with probability p by the unweighted rule: with the m-th
// largest at exceedance (m - a)/(n + 1 - 2a), the rank read is p(n + 1 - 2a) + a.
// For a = 0 every step is the one exceeded takes.
double unweightedexceeded(std::span<const double> ascending, double p, double a) {
    const std::size_t n = ascending.size();
    const double rank = p * (static_cast<double>(n + 1) - 2.0 * a) + a;
    if (rank <= 1.0) return ascending.back();
    if (rank >= static_cast<double>(n)) return ascending.front();
    const auto below = static_cast<std::size_t>(std::floor(rank));
    const double fraction = rank - static_cast<double>(below);
    const double larger = ascending[n - below];
    const double smaller = ascending[n - below - 1];
    return larger + fraction * (smaller - larger);
}

}  // namespace

std::optional<positionrule> positionofname(std::string_view name) {
    constexpr std::array<std::string_view, 5> names = {"weibull", "hazen", "cunnane", "gringorten", "median"};
    return valueofname<positionrule>(name, names);
}

double positionconstant(positionrule rule) {
    switch (rule) {
        case positionrule::weibull: return 0.0;
        case positionrule::hazen: return 0.5;
        case positionrule::cunnane: return 0.4;
        case positionrule::gringorten: return 0.44;
        case positionrule::median: return 0.3175;
    }
    return 0.0;
}

std::vector<double> positions(std::size_t n, std::span<const double> weights, positionrule rule) {
    const double a = positionconstant(rule);
    const double span = static_cast<double>(n + 1) - 2.0 * a;
    std::vector<double> out(n);
    if (weights.empty() || equalweights(weights)) {
        for (std::size_t i = 0; i < n; ++i) out[i] = (static_cast<double>(i + 1) - a) / span;
        return out;
    }
    double cumulative = 0;
    for (std::size_t i = 0; i < n; ++i) {
        cumulative += weights[i];
        out[i] = (static_cast<double>(n) * (cumulative - weights[i] / 2.0) + 0.5 - a) / span;
    }
    return out;
}

double exceededvalue(std::span<const double> ascending, std::span<const double> weights, double p, positionrule rule) {
    const std::size_t n = ascending.size();
    if (n == 0) return nan;
    if (weights.empty() || equalweights(weights)) return unweightedexceeded(ascending, p, positionconstant(rule));
    const std::vector<double> at = positions(n, weights, rule);
    const double q = 1.0 - p;
    if (q <= at.front()) return ascending.front();
    if (q >= at.back()) return ascending.back();
    const auto upper = static_cast<std::size_t>(std::upper_bound(at.begin(), at.end(), q) - at.begin());
    const std::size_t lower = upper - 1;
    const double t = (q - at[lower]) / (at[upper] - at[lower]);
    return ascending[lower] + t * (ascending[upper] - ascending[lower]);
}

}  // namespace outlook
