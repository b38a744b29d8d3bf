// rerove_outlook report: the page of an outlook, written whole.
#include <iostream>
#include <system_error>

#include "outlook/outlook.hpp"

namespace outlook {
namespace {

// The climate rows as asked, and as the weights meet them; without weights of
// its own the report takes the climate outlook's.
void addclimate(const reportrequest& request, const ensemble& e, reportinputs& in) {
    weightsrequest w;
    w.climate = request.climate;
    w.lake = lakecodeof(e.lakeindex);
    w.dir = request.dir;
    const climateasks c = climateasksof(w);
    if (c.years != e.years)
        throw readerror(request.climate + ": the scenario files of " + request.dir +
                        " are not of the same years as its tables");
    if (in.weights.empty()) {
        in.weights = climateweights(c.asks, c.years.size());
        in.weightsfrom = "the climate outlook " + request.climate;
    }
    in.climatefrom = request.climate;
    for (std::size_t r = 0; r < c.rows.size(); ++r) {
        const climaterow& row = c.rows[r];
        in.climate.push_back({isodate(row.first) + " to " + isodate(row.last),
                              std::string(nameofvariable(row.variable)),
                              {row.below, row.near, row.above},
                              sharesof(c.asks[r], in.weights)});
    }
}

void addverification(const reportrequest& request, reportinputs& in) {
    verifyrequest v;
    v.outlooks = {request.dir};
    v.observed = request.observed;
    v.lake = request.lake;
    v.kind = periodkind::month;
    v.weights = request.weights;
    const verifyoutcome outcome = verify(v);
    for (const std::string& message : outcome.messages) std::cerr << "rerove_outlook: " << message << "\n";
    in.verification = outcome.output;
    in.observedfrom = request.observed;
}

}  // namespace

int writereport(const reportrequest& request) {
    const std::vector<std::string> inputs = {request.dir};
    const ensemble e = readensemble(inputs, request.lake);
    reportinputs in;
    if (!request.weights.empty()) {
        std::vector<std::string> warnings;
        in.weights = weightsofyears(readweightsfile(request.weights), e.years, warnings);
        for (const std::string& w : warnings) std::cerr << "rerove_outlook: warning: " << w << "\n";
        in.weightsfrom = request.weights;
    }
    if (!request.climate.empty()) addclimate(request, e, in);
    if (!request.observed.empty()) addverification(request, in);
    // The directory as people find it again: absolute, without ./ and ../.
    std::error_code ec;
    const std::filesystem::path where = std::filesystem::absolute(request.dir, ec).lexically_normal();
    in.dir = ec ? request.dir : where.string();
    if (in.dir.size() > 1 && in.dir.back() == '/') in.dir.pop_back();
    in.made = utctext(momentofmaking(), "%Y-%m-%d %H:%M UTC");
    const std::string page = reportpage(outlookreport(e, in));
    writefile(request.output, page);
    std::cerr << request.output << ": report of " << e.years.size() << " scenario" << (e.years.size() == 1 ? "" : "s")
              << "\n";
    return 0;
}

}  // namespace outlook
