// The hindcast's scores by lead: the verdicts of every target year at one lead
// pooled as verify pools them, the skill against the plain traces with the
// percentiles of its bootstrap over the target years, and the skill in words.
#include <algorithm>
#include <cmath>
#include <limits>

#include "outlook/hindcast/hindcast.hpp"

namespace outlook {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The outlook's verdicts of some years at a lead (every lead with none), each with
// its baseline's CRPS beside it.
std::vector<periodverdict> verdictsat(std::span<const hindcastyear> years, std::span<const std::size_t> which,
                                      std::optional<std::size_t> lead, bool baseline) {
    std::vector<periodverdict> out;
    for (const std::size_t y : which) {
        const hindcastyear& h = years[y];
        const std::vector<periodverdict>& from = baseline ? h.baseline : h.outlook;
        for (std::size_t p = lead.value_or(0); p < from.size() && (!lead || p == *lead); ++p) {
            periodverdict v = from[p];
            const bool paired = !baseline && p < h.baseline.size() && h.baseline[p].score;
            v.baselinecrps = paired ? h.baseline[p].score->crps : nan;
            out.push_back(std::move(v));
        }
    }
    return out;
}

double meanerror(std::span<const periodverdict> verdicts) {
    double sum = 0;
    std::size_t n = 0;
    for (const periodverdict& v : verdicts) {
        if (!v.score) continue;
        sum += v.score->meanerror;
        ++n;
    }
    return n == 0 ? nan : sum / static_cast<double>(n);
}

leadscores scoresof(std::span<const hindcastyear> years, std::span<const std::size_t> all,
                    std::optional<std::size_t> lead, std::span<const double> thresholds) {
    const bool withbaseline =
        std::any_of(years.begin(), years.end(), [](const auto& h) { return !h.baseline.empty(); });
    const std::vector<periodverdict> verdicts = verdictsat(years, all, lead, false);
    const pooledscores p = poolverdicts(verdicts, thresholds, withbaseline);
    leadscores s;
    s.lead = lead ? std::to_string(*lead + 1) : "all";
    s.scored = p.scored;
    s.crps = p.crps;
    s.crpss = p.crpss;
    s.coverage50 = p.coverage50;
    s.coverage80 = p.coverage80;
    s.meanerror = meanerror(verdicts);
    s.pit = p.pit;
    const pooledscores b =
        withbaseline ? poolverdicts(verdictsat(years, all, lead, true), thresholds, false) : pooledscores{};
    s.crpsbaseline = withbaseline ? b.crps : nan;
    for (std::size_t t = 0; t < thresholds.size(); ++t) {
        const double brier = t < p.brier.size() ? p.brier[t].score : nan;
        const double base = withbaseline && t < b.brier.size() ? b.brier[t].score : nan;
        s.brier.push_back(brier);
        s.brierbaseline.push_back(base);
        s.brierskill.push_back(withbaseline && base > 0 ? 1.0 - brier / base : nan);
    }
    s.crpsslow = s.crpsshigh = nan;  // the bootstrap's, over every lead at once
    return s;
}

}  // namespace

std::vector<leadscores> scoresbylead(std::span<const hindcastyear> years, std::span<const double> thresholds,
                                     std::uint64_t seed) {
    std::vector<std::size_t> all(years.size());
    for (std::size_t y = 0; y < all.size(); ++y) all[y] = y;
    std::vector<std::optional<std::size_t>> leads;
    for (const hindcastyear& h : years) {
        for (std::size_t lead = leads.size(); lead < h.outlook.size(); ++lead) leads.emplace_back(lead);
    }
    leads.emplace_back(std::nullopt);  // every lead
    std::vector<leadscores> out;
    for (const std::optional<std::size_t>& lead : leads) out.push_back(scoresof(years, all, lead, thresholds));
    if (std::all_of(years.begin(), years.end(), [](const auto& h) { return h.baseline.empty(); })) return out;
    // The skill of each lead over resamplings of the target years, the same draws for every lead.
    const auto skills = [&](std::span<const std::size_t> drawn) {
        std::vector<double> crpss;
        for (const std::optional<std::size_t>& lead : leads)
            crpss.push_back(poolverdicts(verdictsat(years, drawn, lead, false), {}, true).crpss);
        return crpss;
    };
    const auto intervals = bootstrapintervals(years.size(), bootstrapsamples, seed, skills);
    for (std::size_t k = 0; k < out.size(); ++k) std::tie(out[k].crpsslow, out[k].crpsshigh) = intervals[k];
    return out;
}

periodkind kindofyears(std::span<const hindcastyear> years) {
    if (years.empty() || years.front().outlook.size() <= 1) return periodkind::outlook;
    std::int32_t longest = 0;
    for (const periodverdict& v : years.front().outlook) longest = std::max(longest, v.days.last - v.days.first + 1);
    return longest <= 8 ? periodkind::quartermonth : periodkind::month;
}

std::string skillinwords(std::span<const leadscores> leads, periodkind kind) {
    if (kind == periodkind::outlook) {
        const leadscores& l = leads.front();
        if (std::isnan(l.crpss)) return "no baseline to measure skill against";
        return l.crpsslow > 0 ? "better than climatology over the outlook" : "no skill over climatology";
    }
    const std::string unit = kind == periodkind::month ? "month" : "quarter-month";
    std::vector<std::size_t> better;
    std::size_t count = 0;
    for (const leadscores& l : leads) {
        if (l.lead == "all") continue;
        ++count;
        if (l.crpsslow > 0) better.push_back(count);
    }
    if (count == 0 || std::isnan(leads.front().crpss)) return "no baseline to measure skill against";
    if (better.empty()) return "no skill over climatology at any lead";
    if (better.size() == count) return "better than climatology at every lead";
    std::size_t first = 0;  // the leads from 1 on that beat it
    while (first < better.size() && better[first] == first + 1) ++first;
    std::string later;
    for (std::size_t k = first; k < better.size(); ++k)
        later += (k == first ? "" : k + 1 == better.size() ? " and " : ", ") + std::to_string(better[k]);
    const std::string others = later.empty() ? "" : " " + unit + (better.size() - first == 1 ? " " : "s ") + later;
    if (first == 0) return "no skill in the first " + unit + "; better than climatology only in" + others;
    const std::string run = first == 1 ? "the first " + unit : "the first " + counted(first, unit);
    if (later.empty()) return "better than climatology for " + run + "; no skill after";
    return "better than climatology for " + run + "; after that only in" + others + " of " + std::to_string(count);
}

}  // namespace outlook
