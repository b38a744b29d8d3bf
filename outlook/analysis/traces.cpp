// Each scenario year's place among the scenarios of a period: its rank, its
// weight and its exceedance probability.
#include "outlook/analysis/analysis.hpp"

namespace outlook {

void rankperiod(const periodsample& sample, positionrule rule, std::vector<rankedvalue>& out) {
    const std::size_t n = sample.values.size();
    const std::vector<double> at = positions(n, sample.weights, rule);
    // Tied values take the rank and exceedance of the highest of them.
    std::size_t top = n;
    for (std::size_t i = n; i-- > 0;) {
        if (top == n || sample.values[i] != sample.values[top]) top = i;
        out[sample.scenarios[i]] = {sample.values[i], n - top,
                                    sample.weights.empty() ? 1.0 / static_cast<double>(n) : sample.weights[i],
                                    1.0 - at[top]};
    }
}

}  // namespace outlook
