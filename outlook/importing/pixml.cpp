// Traces as PI time-series documents, read as they stand: a series per part,
// component and scenario year, daily, in millimetres.
#include <charconv>
#include <cmath>
#include <limits>
#include <stop_token>
#include <thread>

#include "make_scenarios/scenariofiles.hpp"
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

// The events of a series after its header, into the days of its span, of which
// they set their component's value.
class seriesevents {
public:
    seriesevents(const seriesheader& h, std::span<scenarioday> days, std::string where)
        : h_(h),
          days_(days),
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
        days_[at].*field_ = values_.of(x.attribute("value").value_or(""), date, where_);
    }

private:
    const seriesheader& h_;
    std::span<scenarioday> days_;
    std::string where_;
    float scenarioday::*field_;
    eventvalues values_;
    std::vector<bool> seen_;
    isodays dates_;
};

// After a series' start tag: its header, then its events, to its end tag. The
// days for its events are those that daysfor gives for its header.
template <typename Days>
void readseries(xmlreader& x, const std::string& origin, const pinames& names, std::int32_t lakeindex,
                const Days& daysfor) {
    const std::string where = origin + ": ";
    seriesheader h;
    std::optional<seriesevents> events;
    for (xmlreader::token t = x.next(); t != xmlreader::token::end; t = x.next()) {
        if (t != xmlreader::token::start) continue;
        if (x.name() == "event") {  // the most of them by far
            if (!events) throw readerror(where + "an event before the header");
            events->read(x);
        } else if (x.name() == "header" && !events) {
            h = headerof(readheader(x), names, lakeindex, where);
            events.emplace(h, daysfor(h, origin), where);
            continue;
        }
        x.skip();
    }
    if (!events) throw readerror(where + "no header");
}

// The root's children from where x stands to the root's end tag, then what
// follows the root: each series through eachseries with its origin ("FILE series
// N", numbered on from n). With a stop byte, only up to it: false when x stands
// there between two children.
template <typename Each>
bool readchildren(xmlreader& x, const std::string& file, std::size_t& n, std::size_t stop, const Each& eachseries) {
    for (;;) {
        if (x.position() == stop) return false;
        const xmlreader::token t = x.next();
        if (t == xmlreader::token::end) break;
        if (t != xmlreader::token::start) continue;
        if (x.name() == "series")
            eachseries(x, file + " series " + std::to_string(++n));
        else
            x.skip();
    }
    while (x.next() != xmlreader::token::done) {}  // what follows the root: comments alone
    return true;
}

// A byte of the document at or after from where a series of the root's may
// start, after a '>' and the blanks after it; npos without one. Only a guess:
// whether a reader of the document stands there is found out by reading it.
std::size_t seriesstart(std::string_view doc, std::size_t from) {
    constexpr std::string_view tag = "<series";
    for (std::size_t at = doc.find(tag, from); at != std::string_view::npos; at = doc.find(tag, at + 1)) {
        const std::size_t after = at + tag.size();
        if (after >= doc.size() || (doc[after] != '>' && doc[after] != ' ' && doc[after] != '\n')) continue;
        std::size_t start = at;
        while (start > 0 &&
               (doc[start - 1] == ' ' || doc[start - 1] == '\n' || doc[start - 1] == '\t' || doc[start - 1] == '\r'))
            --start;
        if (start > 0 && doc[start - 1] == '>') return start;
    }
    return std::string_view::npos;
}

// The series of a document from a byte on, read on a thread of its own while
// the reader of the file reads up to that byte: read whole, or not at all. Any
// fault, or more series than a lake's traces can have, leaves them to the
// reader of the file, which then reads on from that byte and meets the fault
// itself, with the message a reading from the start gives.
class seriesahead {
public:
    struct series {
        seriesheader header;
        std::vector<scenarioday> days;
    };
    seriesahead(std::string_view doc, const std::string& file, std::size_t from, std::string_view root,
                const pinames& names, std::int32_t lakeindex)
        : most_(static_cast<std::size_t>(subs::maxscen) * scenariofiles::lakeparts(lakeindex).size() * componentcount),
          thread_([=, this, &names](const std::stop_token& stop) {
              read(doc, file, from, root, names, lakeindex, stop);
          }) {}
    // Once the thread is done: the series, or nullopt when they were not read whole.
    std::optional<std::vector<series>> read() {
        thread_.join();
        return whole_ ? std::optional(std::move(series_)) : std::nullopt;
    }

private:
    void read(std::string_view doc, const std::string& file, std::size_t from, std::string_view root,
              const pinames& names, std::int32_t lakeindex, const std::stop_token& stop) noexcept {
        constexpr float none = missing;
        const auto daysfor = [&](const seriesheader& h, const std::string&) {
            if (stop.stop_requested() || series_.size() >= most_ || h.days > subs::maxdays) throw std::exception();
            series_.push_back({h, std::vector<scenarioday>(static_cast<std::size_t>(h.days), {none, none, none})});
            return std::span(series_.back().days);
        };
        try {
            xmlreader x(doc, file, from, root);
            std::size_t n = 0;
            readchildren(x, file, n, std::string_view::npos, [&](xmlreader& r, const std::string& origin) {
                readseries(r, origin, names, lakeindex, daysfor);
            });
            whole_ = true;
        } catch (...) {  // the reader of the file meets it again
            series_.clear();
        }
    }

    std::size_t most_;
    std::vector<series> series_;
    bool whole_ = false;
    std::jthread thread_;  // last: started once the rest is made
};

// The series of a file into the gathering. A document of parallelfrom bytes or
// more is read in two halves at once: from its series nearest its middle on a
// thread of its own, and from its start up to there.
void gatherfile(const fs::path& file, const pinames& names, tracegathering& gathering, std::size_t parallelfrom) {
    const filebytes bytes(file);
    const std::string name = file.string();
    xmlreader x(bytes.view(), name);
    if (x.next() != xmlreader::token::start || x.name() != "TimeSeries")
        throw readerror(name + ": not a PI time-series document (no TimeSeries)");
    const std::int32_t lake = gathering.lakeindex();
    const auto intogathering = [&](const seriesheader& h, const std::string& origin) {
        return std::span(gathering.over(h.year, h.part, h.firstday, h.days, 1U << h.component, origin).days);
    };
    const auto eachseries = [&](xmlreader& r, const std::string& origin) {
        readseries(r, origin, names, lake, intogathering);
    };
    std::size_t n = 0;
    const std::size_t half = bytes.view().size() >= parallelfrom
                                 ? seriesstart(bytes.view(), std::max(x.position(), bytes.view().size() / 2))
                                 : std::string_view::npos;
    if (half == std::string_view::npos) {
        readchildren(x, name, n, half, eachseries);
        return;
    }
    seriesahead ahead(bytes.view(), name, half, x.root(), names, lake);
    if (readchildren(x, name, n, half, eachseries)) return;  // the guess was wrong: read from the start alone
    if (std::optional<std::vector<seriesahead::series>> series = ahead.read()) {
        for (const seriesahead::series& s : *series) {
            const std::span<scenarioday> days = intogathering(s.header, name + " series " + std::to_string(++n));
            float scenarioday::*const field = fields[s.header.component];
            for (std::size_t k = 0; k < days.size(); ++k) days[k].*field = s.days[k].*field;
        }
        return;
    }
    readchildren(x, name, n, std::string_view::npos, eachseries);
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

void gatherpixml(std::span<const fs::path> files, const pinames& names, tracegathering& gathering,
                 std::size_t parallelfrom) {
    for (const fs::path& file : files) gatherfile(file, names, gathering, parallelfrom);
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
