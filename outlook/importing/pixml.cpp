// Traces as PI time-series documents, read with pugixml: a series per part,
// component and scenario year, daily, in millimetres.
#include <pugixml.hpp>

#include <charconv>
#include <cmath>
#include <limits>

#include "outlook/importing/importing.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;
namespace subs = rerove_tivorn_subs;

constexpr std::array<float scenarioday::*, componentcount> fields = {&scenarioday::runoff, &scenarioday::precip,
                                                                     &scenarioday::evap};
constexpr float missing = std::numeric_limits<float>::quiet_NaN();

// What the header of a series says.
struct seriesheader {
    std::int32_t year = 0;
    std::int32_t part = 0;
    std::size_t component = 0;
    std::int32_t firstday = 0;
    std::int32_t days = 0;
    std::string missval;
};

std::string_view textof(pugi::xml_node header, const char* name) { return header.child(name).text().get(); }

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
std::int32_t dayof(pugi::xml_node element, std::string_view name, const std::string& where) {
    const std::string_view date = element.attribute("date").value();
    const std::string_view time = element.attribute("time").value();
    const std::optional<std::int32_t> day = dayofisodate(date);
    if (!day || time != "00:00:00")
        throw readerror(where + std::string(name) + " '" + std::string(date) + " " + std::string(time) +
                        "' is not the start of a day (YYYY-MM-DD 00:00:00)");
    return *day;
}

void requiredaily(pugi::xml_node step, const std::string& where) {
    const std::string_view unit = step.attribute("unit").value();
    const std::string_view multiplier = step.attribute("multiplier").as_string("1");
    const std::string_view divider = step.attribute("divider").as_string("1");
    const bool daily = (unit == "day" && multiplier == "1") || (unit == "second" && multiplier == "86400");
    if (!daily || divider != "1")
        throw readerror(where + "a time step of unit '" + std::string(unit) + "', multiplier " +
                        std::string(multiplier) + ", divider " + std::string(divider) +
                        ", not a day (unit day, or second with multiplier 86400)");
}

seriesheader headerof(pugi::xml_node header, const pinames& names, std::int32_t lakeindex, const std::string& where) {
    if (!header) throw readerror(where + "no header");
    seriesheader h;
    h.part = locationof(names, lakeindex, textof(header, "locationId"), where);
    h.component = componentof(names, textof(header, "parameterId"), where);
    pugi::xml_node member = header.child("ensembleMemberIndex");
    if (!member) member = header.child("ensembleMemberId");
    if (!member) throw readerror(where + "no ensembleMemberIndex or ensembleMemberId (the scenario year)");
    h.year = yearof(member.text().get(), where + "ensemble member ");
    requiredaily(header.child("timeStep"), where);
    if (const std::string_view units = textof(header, "units"); units != "mm")
        throw readerror(where + "units '" + std::string(units) + "', not mm");
    h.firstday = dayof(header.child("startDate"), "startDate", where);
    const std::int32_t last = dayof(header.child("endDate"), "endDate", where);
    if (last < h.firstday) throw readerror(where + "its endDate is before its startDate");
    h.days = last - h.firstday + 1;
    const pugi::xml_node missval = header.child("missVal");
    h.missval = missval ? missval.text().get() : "NaN";  // the schema's default
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

void readevents(pugi::xml_node series, const seriesheader& h, tracegathering::trace& t, const std::string& where) {
    float scenarioday::*const field = fields[h.component];
    const eventvalues values(h.missval);
    std::vector<bool> seen(static_cast<std::size_t>(h.days));
    for (pugi::xml_node e = series.child("event"); e; e = e.next_sibling("event")) {
        const std::int64_t k = dayof(e, "event", where) - h.firstday;
        const std::string_view date = e.attribute("date").value();
        if (k < 0 || k >= h.days)
            throw readerror(where + "an event of " + std::string(date) + ", outside its startDate to endDate");
        const auto at = static_cast<std::size_t>(k);
        if (seen[at]) throw readerror(where + "a second event of " + std::string(date));
        seen[at] = true;
        t.days[at].*field = values.of(e.attribute("value").value(), date, where);
    }
}

void gatherfile(const fs::path& file, const pinames& names, tracegathering& gathering) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_file(file.c_str());
    if (parsed.status == pugi::status_file_not_found) throw readerror(file.string() + ": cannot be opened");
    if (parsed.status == pugi::status_io_error) throw readerror(file.string() + ": cannot be read");
    if (!parsed)
        throw readerror(file.string() + ": not XML (" + parsed.description() + " at byte " +
                        std::to_string(parsed.offset) + ")");
    const pugi::xml_node root = doc.child("TimeSeries");
    if (!root) throw readerror(file.string() + ": not a PI time-series document (no TimeSeries)");
    std::size_t n = 0;
    for (pugi::xml_node series = root.child("series"); series; series = series.next_sibling("series")) {
        const std::string origin = file.string() + " series " + std::to_string(++n);
        const std::string where = origin + ": ";
        const seriesheader h = headerof(series.child("header"), names, gathering.lakeindex(), where);
        readevents(series, h, gathering.over(h.year, h.part, h.firstday, h.days, 1U << h.component, origin), where);
    }
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
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TimeSeries xmlns=\"http://www.wldelft.nl/fews/PI\" "
        "version=\"1.14\">\n  <timeZone>0.0</timeZone>\n";
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
                           (std::isfinite(v) ? shortest(v) : std::string("NaN")) + "\"/>\n";
                }
                out += "  </series>\n";
            }
            ++trace;
        }
    }
    return out + "</TimeSeries>\n";
}

}  // namespace outlook
