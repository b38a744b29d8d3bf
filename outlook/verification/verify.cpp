// Outlooks scored against an observed supply, or each scenario year of one
// outlook against the others (leave-one-out), pooled over every period, with
// bootstrap intervals of the pooled scores when asked.
#include <algorithm>
#include <cmath>
#include <limits>

#include "outlook/verification/verification.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct unscored {
    std::size_t unobserved = 0;  // a day of the period not observed, or the left-out year without a value
    std::size_t unforecast = 0;  // no scenario value of positive weight
};

// The members of period p, weights as the outlook has them or none.
periodmembers membersat(const outlookvalues& o, std::size_t p, bool weighted,
                        std::optional<std::size_t> skip = std::nullopt) {
    return membersof(o.values, weighted ? std::span<const double>(o.weights) : std::span<const double>(), p,
                     weightless::kept, skip);
}

// The baseline's CRPS against y: another outlook's, without the scenario of the
// left-out year when it has one.
double baselinecrps(const outlookvalues* baseline, std::size_t p, double y, std::optional<std::int32_t> leftout,
                    const scoreoptions& options) {
    if (baseline == nullptr) return nan;
    std::optional<std::size_t> skip;
    if (leftout) {
        const auto at = std::find(baseline->e.years.begin(), baseline->e.years.end(), *leftout);
        if (at != baseline->e.years.end()) skip = static_cast<std::size_t>(at - baseline->e.years.begin());
    }
    const periodmembers b = membersat(*baseline, p, false, skip);
    return b.values.empty() ? nan : scoreforecast(b.values, {}, y, options).crps;
}

void scoreobserved(const outlookvalues& o, const std::vector<double>& observed, const verifyask& ask,
                   std::vector<periodverdict>& out, unscored& missed) {
    const bool weighted = !o.weights.empty();
    for (std::size_t p = 0; p < o.periods.size(); ++p) {
        periodverdict v{o.name, o.periods[p], observed[p], std::nullopt, nan};
        const periodmembers m = membersat(o, p, weighted);
        if (std::isnan(observed[p])) {
            ++missed.unobserved;
        } else if (!(m.weight > 0)) {
            ++missed.unforecast;
        } else {
            v.score = scoreforecast(m.values, m.weights, observed[p], ask.options);
            if (ask.baseline != nullptr)
                v.baselinecrps = baselinecrps(ask.baseline, p, observed[p], std::nullopt, ask.options);
            else if (weighted)
                v.baselinecrps = scoreforecast(membersat(o, p, false).values, {}, observed[p], ask.options).crps;
        }
        out.push_back(std::move(v));
    }
}

// Each scenario year in turn as what happened; verdicts by year, then period.
void scoreleftout(const outlookvalues& o, const verifyask& ask, std::vector<periodverdict>& out, unscored& missed) {
    const bool weighted = !o.weights.empty();
    const std::size_t years = o.e.years.size();
    const std::size_t periods = o.periods.size();
    out.resize(years * periods);
    for (std::size_t p = 0; p < periods; ++p) {
        const periodmembers m = membersat(o, p, weighted);
        const auto scores = leaveoneout(m.values, m.weights, ask.options);
        std::vector<std::optional<periodscore>> equal;
        if (weighted && ask.baseline == nullptr) equal = leaveoneout(m.values, {}, ask.options);
        for (std::size_t s = 0; s < years; ++s)
            out[s * periods + p] = {std::to_string(o.e.years[s]), o.periods[p], o.values[s][p], std::nullopt, nan};
        for (std::size_t i = 0; i < m.scenarios.size(); ++i) {
            periodverdict& v = out[m.scenarios[i] * periods + p];
            v.score = scores[i];
            if (!v.score) continue;
            if (ask.baseline != nullptr)
                v.baselinecrps = baselinecrps(ask.baseline, p, v.observed, o.e.years[m.scenarios[i]], ask.options);
            else if (weighted && equal[i])
                v.baselinecrps = equal[i]->crps;
        }
        missed.unobserved += years - m.scenarios.size();
        missed.unforecast += m.scenarios.size() - static_cast<std::size_t>(std::count_if(
                                                      scores.begin(), scores.end(), [](const auto& s) { return s; }));
    }
}

void checkcompanions(std::span<const outlookvalues> outlooks, const outlookvalues* baseline) {
    const outlookvalues& first = outlooks.front();
    for (const outlookvalues& o : outlooks)
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
    std::string out = "nothing to score: of " + counted(all, "period") + ", ";
    if (leaveoneout)
        return out + std::to_string(missed.unobserved) + " without a value of the left-out year, " +
               std::to_string(missed.unforecast) + " without a value of the other years";
    return out + std::to_string(missed.unobserved) + " not observed on every day, " +
           std::to_string(missed.unforecast) + " without a scenario value";
}

// The units that a resample draws: the verdicts of each outlook, or in
// leave-one-out of each left-out year, as verify lays them out.
std::vector<std::span<const periodverdict>> unitsof(std::span<const periodverdict> verdicts,
                                                    std::span<const outlookvalues> outlooks, bool leaveoneout) {
    std::vector<std::span<const periodverdict>> units;
    std::size_t from = 0;
    const auto add = [&](std::size_t size) {
        units.push_back(verdicts.subspan(from, size));
        from += size;
    };
    if (leaveoneout) {
        for (std::size_t s = 0; s < outlooks.front().e.years.size(); ++s) add(outlooks.front().periods.size());
    } else {
        for (const outlookvalues& o : outlooks) add(o.periods.size());
    }
    return units;
}

// The percentile intervals of the mean CRPS, the CRPSS and each Brier score over
// resamples of the units.
pooledintervals resampled(std::span<const std::span<const periodverdict>> units, const verifyask& ask, bool baseline) {
    const std::span<const double> thresholds = ask.options.thresholds;
    const auto measures = [&](std::span<const std::size_t> drawn) {
        const pooledscores p = poolunits(units, drawn, thresholds, baseline);
        std::vector<double> out = {p.crps, p.crpss};
        for (std::size_t t = 0; t < thresholds.size(); ++t) out.push_back(p.brier.empty() ? nan : p.brier[t].score);
        return out;
    };
    const auto found = bootstrapintervals(units.size(), ask.resamples, ask.seed, measures);
    pooledintervals out;
    out.crps = found[0];
    out.crpss = found[1];
    out.brier.assign(found.begin() + 2, found.end());
    return out;
}

}  // namespace

outlookvalues valuesof(std::string name, ensemble e, periodkind kind, periodstat stat, std::vector<double> weights) {
    outlookvalues o;
    o.name = std::move(name);
    o.periods = periodsof(kind, e.firstday, e.lastday);
    o.values = periodvalues(e, o.periods, stat);
    o.weights = std::move(weights);
    o.e = std::move(e);
    return o;
}

verification verify(std::span<const outlookvalues> outlooks, const verifyask& ask) {
    checkcompanions(outlooks, ask.baseline);
    verification out;
    unscored missed;
    if (ask.observed == nullptr) {
        scoreleftout(outlooks.front(), ask, out.verdicts, missed);
    } else {
        for (const outlookvalues& o : outlooks)
            scoreobserved(o, observedvalues(*ask.observed, o.e, o.periods, ask.stat), ask, out.verdicts, missed);
    }
    const bool baseline = ask.baseline != nullptr || !outlooks.front().weights.empty();
    out.pooled = poolverdicts(out.verdicts, ask.options.thresholds, baseline);
    if (out.pooled.scored == 0) out.unscored = whyunscored(missed, ask.observed == nullptr);
    if (out.pooled.scored > 0 && ask.resamples > 0)
        out.pooled.intervals = resampled(unitsof(out.verdicts, outlooks, ask.observed == nullptr), ask, baseline);
    return out;
}

}  // namespace outlook
