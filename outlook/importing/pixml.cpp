// Traces as PI time-series documents, read as they stand: a series per part,
// component and scenario year, daily, in millimetres.
#include <charconv>
#include <cmath>
#include <limits>

#include "outlook/importing/importing.hpp"
#include "outlook/output/output.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;
namespace subs = rerove_tivorn_subs;

constexpr std::array<float scenarioday::*, componentcount> fields = {&scenarioday::runoff, &scenarioday::precip,
                                                                     &scenarioday::evap};
constexpr float missing = std::numeric_limits<float>::quiet_NaN();

// The header's elements as they are written; a date as "date time".
struct headertexts {
    std::string location, parameter, member, units, missval = "NaN";  // the schema's default missVal
    std::string unit, multiplier = "1", divider = "1";
    std::string startdate, starttime, enddate, endtime;
};

// What the header of a series says.
struct seriesheader {
    std::int32_t year = 0;
    std::int32_t part = 0;
    std::size_t component = 0;
    std::int32_t firstday = 0;
    std::int32_t days = 0;
    std::string missval;
};

std::string attributeof(const xmlreader& x, std::string_view name, std::string_view absent = {}) {
    return std::string(x.attribute(name).value_or(absent));
}

// After the header's start tag: its elements to its end.
headertexts readheader(xmlreader& x) {
    headertexts h;
    for (xmlreader::token t = x.next(); t != xmlreader::token::end; t = x.next()) {
        if (t != xmlreader::token::start) continue;
        if (x.name() == "locationId")
            h.location = x.content();
        else if (x.name() == "parameterId")
            h.parameter = x.content();
        else if (x.name() == "ensembleMemberIndex" || (x.name() == "ensembleMemberId" && h.member.empty()))
            h.member = x.content();
        else if (x.name() == "units")
            h.units = x.content();
        else if (x.name() == "missVal")
            h.missval = x.content();
        else if (x.name() == "timeStep" || x.name() == "startDate" || x.name() == "endDate") {
            if (x.name() == "timeStep") {
                h.unit = attributeof(x, "unit");
                h.multiplier = attributeof(x, "multiplier", "1");
                h.divider = attributeof(x, "divider", "1");
            } else {
                (x.name() == "startDate" ? h.startdate : h.enddate) = attributeof(x, "date");
                (x.name() == "startDate" ? h.starttime : h.endtime) = attributeof(x, "time");
            }
            x.skip();
        } else {
            x.skip();
        }
    }
    return h;
}

// Whether a text reads as a NaN.
bool nantext(std::string_view text) {
    float v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    return ec == std::errc{} && ptr == end && std::isnan(v);
}

std::int32_t locationof(const pinames& names, std::int32_t lakeindex, std::string_view id, const std::string& where) {
    for (const auto& [part, given] : names.locations) {
        if (given == id) return part;
    }
    return partof(lakeindex, id, where + "location ");
}

std::size_t componentof(const pinames& names, std::string_view id, const std::string& where) {
    for (std::size_t c = 0; c < componentcount; ++c) {
        if (names.parameters[c] == id) return c;
    }
    throw readerror(where + "parameter '" + std::string(id) + "' is not " + names.parameters[0] + ", " +
                    names.parameters[1] + " or " + names.parameters[2]);
}

// The day of a date and time given at the start of that day.
std::int32_t dayof(std::string_view date, std::string_view time, std::string_view name, isodays& dates,
                   const std::string& where) {
    const std::optional<std::int32_t> day = dates.of(date);
    if (!day || time != "00:00:00")
        throw readerror(where + std::string(name) + " '" + std::string(date) + " " + std::string(time) +
                        "' is not the start of a day (YYYY-MM-DD 00:00:00)");
    return *day;
}

void requiredaily(const headertexts& t, const std::string& where) {
    const bool daily = (t.unit == "day" && t.multiplier == "1") || (t.unit == "second" && t.multiplier == "86400");
    if (!daily || t.divider != "1")
        throw readerror(where + "a time step of unit '" + t.unit + "', multiplier " + t.multiplier + ", divider " +
                        t.divider + ", not a day (unit day, or second with multiplier 86400)");
}

seriesheader headerof(const headertexts& t, const pinames& names, std::int32_t lakeindex, const std::string& where) {
    seriesheader h;
    h.part = locationof(names, lakeindex, t.location, where);
    h.component = componentof(names, t.parameter, where);
    if (t.member.empty()) throw readerror(where + "no ensembleMemberIndex or ensembleMemberId (the scenario year)");
    h.year = yearof(t.member, where + "ensemble member ");
    requiredaily(t, where);
    if (t.units != "mm") throw readerror(where + "units '" + t.units + "', not mm");
    isodays dates;
    h.firstday = dayof(t.startdate, t.starttime, "startDate", dates, where);
    const std::int32_t last = dayof(t.enddate, t.endtime, "endDate", dates, where);
    if (last < h.firstday) throw readerror(where + "its endDate is before its startDate");
    h.days = last - h.firstday + 1;
    h.missval = t.missval;
    return h;
}

// The value of an event: missing when it is the series' missVal (NaN for a NaN
// one, else the same float), else a finite number.
class eventvalues {
public:
    explicit eventvalues(const std::string& missval) : missnan_(nantext(missval)), missnumber_(valueof(missval)) {}
    [[nodiscard]] float of(std::string_view text, std::string_view date, const std::string& where) const {
        if (const std::optional<float> v = valueof(text)) return missnumber_ && *v == *missnumber_ ? missing : *v;
        if (missnan_ && nantext(text)) return missing;
        throw readerror(where + "the value '" + std::string(text) + "' of " + std::string(date) +
                        " is not a finite number (nor the missVal)");
    }

private:
    bool missnan_;
    std::optional<float> missnumber_;
};

// The events of a series after its header, into its trace, up to its end tag.
class seriesevents {
public:
    seriesevents(const seriesheader& h, tracegathering::trace& t, std::string where)
        : h_(h),
          t_(t),
          where_(std::move(where)),
          field_(fields[h.component]),
          values_(h.missval),
          seen_(static_cast<std::size_t>(h.days)) {}
    void read(xmlreader& x) {
        const std::string_view date = x.attribute("date").value_or("");
        const std::int64_t k = dayof(date, x.attribute("time").value_or(""), "event", dates_, where_) - h_.firstday;
        if (k < 0 || k >= h_.days)
            throw readerror(where_ + "an event of " + std::string(date) + ", outside its startDate to endDate");
        const auto at = static_cast<std::size_t>(k);
        if (seen_[at]) throw readerror(where_ + "a second event of " + std::string(date));
        seen_[at] = true;
        t_.days[at].*field_ = values_.of(x.attribute("value").value_or(""), date, where_);
    }

private:
    const seriesheader& h_;
    tracegathering::trace& t_;
    std::string where_;
    float scenarioday::*field_;
    eventvalues values_;
    std::vector<bool> seen_;
    isodays dates_;
};

// After a series' start tag: its header, then its events, to its end tag.
void readseries(xmlreader& x, const std::string& origin, const pinames& names, tracegathering& gathering) {
    const std::string where = origin + ": ";
    seriesheader h;
    std::optional<seriesevents> events;
    for (xmlreader::token t = x.next(); t != xmlreader::token::end; t = x.next()) {
        if (t != xmlreader::token::start) continue;
        if (x.name() == "event") {  // the most of them by far
            if (!events) throw readerror(where + "an event before the header");
            events->read(x);
        } else if (x.name() == "header" && !events) {
            h = headerof(readheader(x), names, gathering.lakeindex(), where);
            events.emplace(h, gathering.over(h.year, h.part, h.firstday, h.days, 1U << h.component, origin), where);
            continue;
        }
        x.skip();
    }
    if (!events) throw readerror(where + "no header");
}

void gatherfile(const fs::path& file, const pinames& names, tracegathering& gathering) {
    const filebytes bytes(file);
    xmlreader x(bytes.view(), file.string());
    if (x.next() != xmlreader::token::start || x.name() != "TimeSeries")
        throw readerror(file.string() + ": not a PI time-series document (no TimeSeries)");
    std::size_t n = 0;
    for (xmlreader::token t = x.next(); t != xmlreader::token::end; t = x.next()) {
        if (t != xmlreader::token::start) continue;
        if (x.name() == "series")
            readseries(x, file.string() + " series " + std::to_string(++n), names, gathering);
        else
            x.skip();
    }
    while (x.next() != xmlreader::token::done) {}  // what follows the root: comments alone
}

// The pairs KEY=ID of a mapping.
std::vector<std::pair<std::string_view, std::string_view>> pairsof(std::string_view text, std::string_view what) {
    std::vector<std::pair<std::string_view, std::string_view>> pairs;
    for (std::size_t from = 0; !text.empty() && from <= text.size();) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        const std::string_view item = text.substr(from, comma - from);
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos || equals == 0 || equals + 1 == item.size())
            throw optionerror(std::string(what) + ": '" + std::string(item) + "' is not KEY=ID");
        pairs.emplace_back(item.substr(0, equals), item.substr(equals + 1));
        from = comma + 1;
    }
    return pairs;
}

}  // namespace

void maplocations(pinames& names, std::int32_t lakeindex, std::string_view text, std::string_view what) {
    for (const auto& [key, id] : pairsof(text, what)) {
        const std::int32_t part = subs::partofcode(lakeindex, key);
        if (part == 0)
            throw optionerror(std::string(what) + ": '" + std::string(key) + "' is not a part of " +
                              subs::lakename(lakeindex) + " (" + partcodes(lakeindex) + ")");
        names.locations[part] = id;
    }
}

void mapparameters(pinames& names, std::string_view text, std::string_view what) {
    for (const auto& [key, id] : pairsof(text, what)) {
        const std::optional<std::size_t> c = valueofname<std::size_t>(key, parameternames);
        if (!c)
            throw optionerror(std::string(what) + ": '" + std::string(key) +
                              "' is not runoff, precipitation or evaporation");
        names.parameters[*c] = id;
    }
}

void gatherpixml(std::span<const fs::path> files, const pinames& names, tracegathering& gathering) {
    for (const fs::path& file : files) gatherfile(file, names, gathering);
}

std::string importpixmltext(const importedtraces& t) {
    std::vector<std::string> dates;
    for (std::int32_t k = 0; k < t.days; ++k) dates.push_back(isodate(t.firstday + k));
    std::string out = pitimeseriesstart();
    std::size_t trace = 0;
    for (const std::int32_t year : t.years) {
        for (const std::int32_t part : t.parts) {
            for (std::size_t c = 0; c < componentcount; ++c) {
                out += "  <series>\n    <header>\n      <type>accumulative</type>\n      <locationId>" +
                       subs::partcode(part) + "</locationId>\n      <parameterId>" + std::string(parameternames[c]) +
                       "</parameterId>\n      <ensembleMemberIndex>" + std::to_string(year) +
                       "</ensembleMemberIndex>\n      <timeStep unit=\"day\"/>\n      <startDate date=\"" +
                       dates.front() + "\" time=\"00:00:00\"/>\n      <endDate date=\"" + dates.back() +
                       "\" time=\"00:00:00\"/>\n      <missVal>NaN</missVal>\n      <units>mm</units>\n    </header>\n";
                for (std::size_t k = 0; k < dates.size(); ++k) {
                    const float v = t.traces[trace][k].*fields[c];
                    out += "    <event date=\"" + dates[k] + "\" time=\"00:00:00\" value=\"" +
                           (std::isnan(v) ? std::string("NaN") : valuetext(v)) + "\"/>\n";
                }
                out += "  </series>\n";
            }
            ++trace;
        }
    }
    return out + "</TimeSeries>\n";
}

}  // namespace outlook
