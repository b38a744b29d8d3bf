// verify: outlooks scored against an observed supply, or each scenario year of
// one outlook against the others (leave-one-out), pooled over every period.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>

#include "outlook/outlook.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// One outlook read: its period values [scenario][period] and the raw weights of
// its scenarios (empty: equal).
struct outlookread {
    std::string name;
    ensemble e;
    std::vector<period> periods;
    std::vector<std::vector<double>> values;
    std::vector<double> weights;
};

outlookread readoutlook(const std::string& name, const verifyrequest& r, const std::map<std::int32_t, double>* listed,
                        std::vector<std::string>& warnings) {
    outlookread o;
    o.name = name;
    o.e = readensemble(std::span<const std::string>(&name, 1), r.lake);
    o.periods = periodsof(r.kind, o.e.firstday, o.e.lastday);
    o.values = periodvalues(o.e, o.periods, r.stat);
    if (listed != nullptr) o.weights = weightsofyears(*listed, o.e.years, warnings);
    return o;
}

// Scenarios with a value for period p (all when skipyear matches none), their
// values and weights; with dropzero, a scenario of weight 0 takes no part, as in
// the summary.
struct periodmembers {
    std::vector<double> values, weights;
    std::vector<std::size_t> scenario;
    double weight = 0;
};

periodmembers membersof(const outlookread& o, std::size_t p, bool weighted, std::int32_t skipyear = -1,
                        bool dropzero = false) {
    periodmembers m;
    for (std::size_t s = 0; s < o.values.size(); ++s) {
        if (std::isnan(o.values[s][p]) || o.e.years[s] == skipyear) continue;
        const double w = weighted && !o.weights.empty() ? o.weights[s] : 1.0;
        if (dropzero && w == 0) continue;
        m.values.push_back(o.values[s][p]);
        m.scenario.push_back(s);
        if (weighted && !o.weights.empty()) m.weights.push_back(w);
        m.weight += w;
    }
    return m;
}

struct unscored {
    std::size_t unobserved = 0;  // a day of the period not observed, or the left-out year without a value
    std::size_t unforecast = 0;  // no scenario value of positive weight
};

// The baseline's CRPS against y: another outlook's, without the scenario of the
// left-out year when it has one.
double baselinecrps(const outlookread* baseline, std::size_t p, double y, std::int32_t skipyear,
                    const scoreoptions& options) {
    if (baseline == nullptr) return nan;
    const periodmembers b = membersof(*baseline, p, false, skipyear);
    return b.values.empty() ? nan : scoreforecast(b.values, {}, y, options).crps;
}

void scoreobserved(const outlookread& o, const std::vector<double>& observed, const outlookread* baseline,
                   const verifyrequest& r, std::vector<periodverdict>& out, unscored& missed) {
    const bool weighted = !o.weights.empty();
    for (std::size_t p = 0; p < o.periods.size(); ++p) {
        periodverdict v{o.name, o.periods[p], observed[p], std::nullopt, nan};
        const periodmembers m = membersof(o, p, weighted, -1, true);
        if (std::isnan(observed[p])) {
            ++missed.unobserved;
        } else if (!(m.weight > 0)) {
            ++missed.unforecast;
        } else {
            v.score = scoreforecast(m.values, m.weights, observed[p], r.options);
            if (baseline != nullptr)
                v.baselinecrps = baselinecrps(baseline, p, observed[p], -1, r.options);
            else if (weighted)
                v.baselinecrps = scoreforecast(membersof(o, p, false).values, {}, observed[p], r.options).crps;
        }
        out.push_back(std::move(v));
    }
}

// Each scenario year in turn as what happened; verdicts by year, then period.
void scoreleftout(const outlookread& o, const outlookread* baseline, const verifyrequest& r,
                  std::vector<periodverdict>& out, unscored& missed) {
    const bool weighted = !o.weights.empty();
    const std::size_t years = o.e.years.size();
    const std::size_t periods = o.periods.size();
    out.resize(years * periods);
    for (std::size_t p = 0; p < periods; ++p) {
        const periodmembers m = membersof(o, p, weighted);
        const auto scores = leaveoneout(m.values, m.weights, r.options);
        std::vector<std::optional<periodscore>> equal;
        if (weighted && baseline == nullptr) equal = leaveoneout(m.values, {}, r.options);
        for (std::size_t s = 0; s < years; ++s)
            out[s * periods + p] = {std::to_string(o.e.years[s]), o.periods[p], o.values[s][p], std::nullopt, nan};
        for (std::size_t i = 0; i < m.scenario.size(); ++i) {
            periodverdict& v = out[m.scenario[i] * periods + p];
            v.score = scores[i];
            if (!v.score) continue;
            if (baseline != nullptr)
                v.baselinecrps = baselinecrps(baseline, p, v.observed, o.e.years[m.scenario[i]], r.options);
            else if (weighted && equal[i])
                v.baselinecrps = equal[i]->crps;
        }
        missed.unobserved += years - m.scenario.size();
        missed.unforecast += m.scenario.size() - static_cast<std::size_t>(std::count_if(
                                                     scores.begin(), scores.end(), [](const auto& s) { return s; }));
    }
}

void checkrequest(const verifyrequest& r) {
    if (r.leaveoneout && !r.observed.empty())
        throw readerror(
            "--leave-one-out and --observed exclude each other: the outlook's own years, or an observation");
    if (!r.leaveoneout && r.observed.empty())
        throw readerror("nothing to verify against: give --observed FILE, or --leave-one-out");
    if (r.leaveoneout && r.outlooks.size() > 1)
        throw readerror("--leave-one-out takes one outlook, not " + std::to_string(r.outlooks.size()));
    if (!r.baseline.empty() && r.outlooks.size() > 1)
        throw readerror("--baseline takes one outlook to compare with, not " + std::to_string(r.outlooks.size()));
    const std::vector<double>& x = r.options.thresholds;
    for (std::size_t k = 0; k < x.size(); ++k) {
        if (std::find(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(k), x[k]) !=
            x.begin() + static_cast<std::ptrdiff_t>(k))
            throw readerror("--threshold: " + shortest(x[k]) + " is given twice");
    }
}

void checkcompanions(const std::vector<outlookread>& outlooks, const outlookread* baseline) {
    const outlookread& first = outlooks.front();
    for (const outlookread& o : outlooks)
        if (o.e.lake != first.e.lake)
            throw readerror("the outlooks are not of one lake: " + o.name + " is of " + o.e.lake + ", " + first.name +
                            " of " + first.e.lake);
    if (baseline == nullptr) return;
    if (baseline->e.lake != first.e.lake)
        throw readerror("the baseline " + baseline->name + " is of " + baseline->e.lake + ", the outlook of " +
                        first.e.lake);
    if (baseline->e.firstday != first.e.firstday || baseline->e.lastday != first.e.lastday)
        throw readerror("the baseline " + baseline->name + " covers " + isodate(baseline->e.firstday) + " to " +
                        isodate(baseline->e.lastday) + ", the outlook " + isodate(first.e.firstday) + " to " +
                        isodate(first.e.lastday));
}

std::string whyunscored(const unscored& missed, bool leaveoneout) {
    const std::size_t all = missed.unobserved + missed.unforecast;
    std::string out = "nothing to score: of " + std::to_string(all) + " period" + (all == 1 ? "" : "s") + ", ";
    if (leaveoneout)
        return out + std::to_string(missed.unobserved) + " without a value of the left-out year, " +
               std::to_string(missed.unforecast) + " without a value of the other years";
    return out + std::to_string(missed.unobserved) + " not observed on every day, " +
           std::to_string(missed.unforecast) + " without a scenario value";
}

// The verdicts written as they are laid out, under a temporary name that
// writefile renames over file.
void writeperiodsfile(const fs::path& file, std::span<const periodverdict> verdicts,
                      std::span<const double> thresholds) {
    writefile(file, [&](const fs::path& temporary) {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        writeverdicts(out, verdicts, thresholds);
        out.close();
        if (!out) throw readerror(file.string() + ": cannot be written");
    });
}

}  // namespace

verifyoutcome verify(const verifyrequest& request) {
    checkrequest(request);
    verifyoutcome outcome;
    std::map<std::int32_t, double> listed;
    if (!request.weights.empty()) listed = readweightsfile(request.weights);
    const auto* weights = request.weights.empty() ? nullptr : &listed;
    std::vector<outlookread> outlooks;
    for (const std::string& dir : request.outlooks.empty() ? std::vector<std::string>{"."} : request.outlooks)
        outlooks.push_back(readoutlook(dir, request, weights, outcome.messages));
    std::optional<outlookread> baseline;
    if (!request.baseline.empty()) baseline = readoutlook(request.baseline, request, nullptr, outcome.messages);
    const outlookread* base = baseline ? &*baseline : nullptr;
    checkcompanions(outlooks, base);

    std::vector<periodverdict> verdicts;
    unscored missed;
    if (request.leaveoneout) {
        scoreleftout(outlooks.front(), base, request, verdicts, missed);
    } else {
        const observedseries observed = readobserved(request.observed);
        for (const outlookread& o : outlooks)
            scoreobserved(o, observedvalues(observed, o.e, o.periods, request.stat), base, request, verdicts, missed);
    }
    const bool hasbaseline = base != nullptr || weights != nullptr;
    const pooledscores pooled = poolverdicts(verdicts, request.options.thresholds, hasbaseline);
    if (pooled.scored == 0) {
        outcome.status = 2;
        outcome.messages.push_back(whyunscored(missed, request.leaveoneout));
        return outcome;
    }
    if (!request.periodsfile.empty()) writeperiodsfile(request.periodsfile, verdicts, request.options.thresholds);
    outcome.output = pooledcsv(pooled, hasbaseline);
    return outcome;
}

}  // namespace outlook
