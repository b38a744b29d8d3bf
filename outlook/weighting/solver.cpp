// Climate-outlook weights of the scenario years: the third each year falls in
// for a row, and the weights that meet the rows' probabilities best.
//
// The weights solve, in two stages, least-squares problems over the simplex
// (w >= 0, sum w = 1), each turned into a nonnegative least-squares problem
// solved by the active-set method of Lawson and Hanson:
//   1. the least sum of squared misses: min |A w - p|^2, A holding for each row
//      the indicators of its below and above years. Over the simplex this is
//      the point of the hull of the columns a_i - p nearest the origin, and
//      min |[A - p 1'; 1'] v - e|^2 over v >= 0 gives it as w = v / sum v.
//   2. among the weights of the same A w (the least sum is reached by one A w
//      alone, the objective being strictly convex in it), the closest to equal:
//      a least-distance problem on the null space of [A; 1'], which becomes
//      nonnegative least squares once more.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

#include "fcstutil/fcstutil.hpp"
#include "outlook/weighting/weighting.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

#if defined(RT_HAVE_EIGEN)
#include <Eigen/Dense>
#endif

namespace outlook {

std::vector<tercile> tercilesbyrank(std::span<const double> totals, double a) {
    const std::size_t n = totals.size();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) { return totals[i] < totals[j]; });
    const double span = static_cast<double>(n) + 1 - 2 * a;
    std::vector<tercile> thirds(n, tercile::near);
    std::size_t rank = 0;  // 1-based rank of the lowest of a run of ties
    for (std::size_t k = 0; k < n; ++k) {
        if (k == 0 || totals[order[k]] != totals[order[k - 1]]) rank = k + 1;
        const double place = 3 * (static_cast<double>(rank) - a);
        thirds[order[k]] = place < span ? tercile::below : place > 2 * span ? tercile::above : tercile::near;
    }
    return thirds;
}

std::vector<tercile> tercilesbybounds(std::span<const double> totals, double lower, double upper) {
    std::vector<tercile> thirds;
    thirds.reserve(totals.size());
    for (const double t : totals)
        thirds.push_back(t < lower ? tercile::below : t > upper ? tercile::above : tercile::near);
    return thirds;
}

tercileshares sharesof(const tercileask& ask, std::span<const double> weights) {
    tercileshares s;
    for (std::size_t i = 0; i < ask.years.size() && i < weights.size(); ++i) {
        switch (ask.years[i]) {
            case tercile::below: s.below += weights[i]; break;
            case tercile::near: s.near += weights[i]; break;
            case tercile::above: s.above += weights[i]; break;
        }
    }
    return s;
}

partweights partweightsof(std::int32_t lakeindex) {
    rerove_tivorn_subs::LakeParts lake;
    if (!rerove_tivorn_subs::lakeparts(lakeindex, lake))
        throw std::invalid_argument("no lake of index " + std::to_string(lakeindex));
    partweights w;
    double land = 0, water = 0;
    for (std::int32_t j = 1; j <= lake.count; ++j) {
        const auto part = rerove_tivorn_subs::at(lake.parts[rerove_tivorn_subs::at(j)]);
        w.parts.push_back(lake.parts[rerove_tivorn_subs::at(j)]);
        w.precip.push_back(static_cast<double>(fcstutil::digitlandarea[part]));
        w.runoff.push_back(static_cast<double>(fcstutil::coordlakearea[part]));
        land += w.precip.back();
        water += w.runoff.back();
    }
    for (double& v : w.precip) v /= land;
    for (double& v : w.runoff) v /= water;
    w.evap = w.runoff;
    return w;
}

#if defined(RT_HAVE_EIGEN)

namespace {

using Eigen::Index;
using Eigen::MatrixXd;
using Eigen::VectorXd;

// Least squares over the columns of e listed in passive; the others are 0.
VectorXd passivesolution(const MatrixXd& e, const VectorXd& f, const std::vector<bool>& passive) {
    std::vector<Index> columns;
    for (Index j = 0; j < e.cols(); ++j) {
        if (passive[static_cast<std::size_t>(j)]) columns.push_back(j);
    }
    MatrixXd sub(e.rows(), static_cast<Index>(columns.size()));
    for (std::size_t k = 0; k < columns.size(); ++k) sub.col(static_cast<Index>(k)) = e.col(columns[k]);
    const VectorXd part = sub.completeOrthogonalDecomposition().solve(f);
    VectorXd z = VectorXd::Zero(e.cols());
    for (std::size_t k = 0; k < columns.size(); ++k) z(columns[k]) = part(static_cast<Index>(k));
    return z;
}

// Moves v towards z until the first passive value reaches 0, and makes the
// values that did active; false when z is already nonnegative on the passive set.
bool stepback(VectorXd& v, const VectorXd& z, std::vector<bool>& passive, double tiny) {
    double alpha = 1;
    bool blocked = false;
    for (Index j = 0; j < v.size(); ++j) {
        if (!passive[static_cast<std::size_t>(j)] || z(j) > tiny) continue;
        blocked = true;
        alpha = std::min(alpha, v(j) > z(j) ? v(j) / (v(j) - z(j)) : 0.0);
    }
    if (!blocked) return false;
    v += alpha * (z - v);
    for (Index j = 0; j < v.size(); ++j) {
        if (passive[static_cast<std::size_t>(j)] && v(j) <= tiny) {
            passive[static_cast<std::size_t>(j)] = false;
            v(j) = 0;
        }
    }
    return true;
}

// min |e v - f| over v >= 0 (Lawson and Hanson): a column enters the passive
// set while it would lower the residual; within, steps back to stay feasible.
VectorXd nnls(const MatrixXd& e, const VectorXd& f) {
    const Index n = e.cols();
    const double tiny = 1e-13 * std::max(1.0, e.cwiseAbs().maxCoeff()) * static_cast<double>(e.rows() + n);
    VectorXd v = VectorXd::Zero(n);
    std::vector<bool> passive(static_cast<std::size_t>(n), false);
    for (Index round = 0; round < 3 * n + 10; ++round) {
        const VectorXd gradient = e.transpose() * (f - e * v);
        Index best = -1;
        for (Index j = 0; j < n; ++j) {
            if (!passive[static_cast<std::size_t>(j)] && gradient(j) > tiny &&
                (best < 0 || gradient(j) > gradient(best)))
                best = j;
        }
        if (best < 0) break;
        passive[static_cast<std::size_t>(best)] = true;
        for (Index inner = 0; inner <= n; ++inner) {
            const VectorXd z = passivesolution(e, f, passive);
            if (!stepback(v, z, passive, tiny)) {
                v = z;
                break;
            }
        }
    }
    return v;
}

// Stage 1: weights of the least sum of squared misses.
VectorXd leastmisses(const MatrixXd& a, const VectorXd& p) {
    const Index n = a.cols();
    MatrixXd e(a.rows() + 1, n);
    e.topRows(a.rows()) = a - p * VectorXd::Ones(n).transpose();
    e.row(a.rows()).setOnes();
    VectorXd f = VectorXd::Zero(a.rows() + 1);
    f(a.rows()) = 1;
    const VectorXd v = nnls(e, f);
    return v / v.sum();
}

// Stage 2: from feasible weights w0, the weights of the same a w closest to
// equal ones. w = w0 + N z with N an orthonormal basis of the null space of
// [a; 1']; with g = w0 - u and z = x - N'g the problem is min |x| subject to
// N x >= h = N N'g - w0, solved as Lawson and Hanson's least-distance problem.
VectorXd closesttoequal(const MatrixXd& a, const VectorXd& w0) {
    const Index n = a.cols();
    MatrixXd c(a.rows() + 1, n);
    c.topRows(a.rows()) = a;
    c.row(a.rows()).setOnes();
    const Eigen::ColPivHouseholderQR<MatrixXd> qr(c.transpose());
    const Index k = n - qr.rank();
    if (k == 0) return w0;
    const MatrixXd q = qr.householderQ();
    const MatrixXd nullspace = q.rightCols(k);
    const VectorXd g = w0 - VectorXd::Constant(n, 1.0 / static_cast<double>(n));
    const VectorXd ng = nullspace.transpose() * g;
    const VectorXd h = nullspace * ng - w0;
    MatrixXd e(k + 1, n);
    e.topRows(k) = nullspace.transpose();
    e.row(k) = h.transpose();
    VectorXd f = VectorXd::Zero(k + 1);
    f(k) = 1;
    const VectorXd r = e * nnls(e, f) - f;
    if (std::abs(r(k)) < 1e-12) return w0;  // no room to move: w0 is the only choice
    const VectorXd x = -r.head(k) / r(k);
    return w0 + nullspace * (x - ng);
}

// Indicators of each row's below and above years, and their probabilities.
void systemof(std::span<const tercileask> asks, std::size_t n, MatrixXd& a, VectorXd& p) {
    a = MatrixXd::Zero(static_cast<Index>(2 * asks.size()), static_cast<Index>(n));
    p.resize(a.rows());
    for (std::size_t r = 0; r < asks.size(); ++r) {
        const auto below = static_cast<Index>(2 * r);
        for (std::size_t i = 0; i < n && i < asks[r].years.size(); ++i) {
            if (asks[r].years[i] == tercile::below) a(below, static_cast<Index>(i)) = 1;
            if (asks[r].years[i] == tercile::above) a(below + 1, static_cast<Index>(i)) = 1;
        }
        p(below) = asks[r].below;
        p(below + 1) = asks[r].above;
    }
}

}  // namespace

bool haveweightsolver() { return true; }
void requireweightsolver() {}

std::vector<double> climateweights(std::span<const tercileask> asks, std::size_t n) {
    if (n == 0) return {};
    const double equal = 1.0 / static_cast<double>(n);
    if (asks.empty()) return std::vector<double>(n, equal);
    MatrixXd a;
    VectorXd p;
    systemof(asks, n, a, p);
    VectorXd w = closesttoequal(a, leastmisses(a, p));
    w = w.cwiseMax(0.0);
    w /= w.sum();
    return {w.data(), w.data() + w.size()};
}

#else

bool haveweightsolver() { return false; }
void requireweightsolver() {
    throw unavailable("weights: this rerove_outlook was built without Eigen, which they need");
}

std::vector<double> climateweights(std::span<const tercileask>, std::size_t) {
    requireweightsolver();
    return {};
}

#endif

}  // namespace outlook
