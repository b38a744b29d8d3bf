// An outlook as a PI time-series document: one series per scenario year, an
// event per day. The largest outlook is 75 series of 20000 events (about 90 MB),
// so the text is laid out in one buffer sized up front, each day's date made once.
#include <cmath>

#include "outlook/output/output.hpp"

namespace outlook {
namespace {

// Values are means over each day (type "mean" of the PI schema's timeSeriesType:
// accumulative, instantaneous, mean), stamped at the day's start, UTC.
constexpr std::string_view schema = "http://fews.wldelft.nl/schemas/version1.0/pi-schemas/pi_timeseries.xsd";
constexpr std::string_view eventstart = "    <event date=\"";
constexpr std::string_view eventvalue = "\" time=\"00:00:00\" value=\"";
constexpr std::string_view eventend = "\"/>\n";

void dateelement(std::string& out, std::string_view name, const std::string& date) {
    out += "      <";
    out += name;
    out += " date=\"";
    out += date;
    out += "\" time=\"00:00:00\"/>\n";
}

void header(std::string& out, const ensemble& e, std::int32_t lakeindex, std::int32_t year,
            const std::vector<std::string>& dates) {
    out += "    <header>\n      <type>mean</type>\n      <locationId>" + rerove_tivorn_subs::lakecode(lakeindex) +
           "</locationId>\n      <parameterId>NBS</parameterId>\n      <ensembleId>ESP</ensembleId>\n"
           "      <ensembleMemberIndex>" +
           std::to_string(year) + "</ensembleMemberIndex>\n      <timeStep unit=\"second\" multiplier=\"86400\"/>\n";
    dateelement(out, "startDate", dates.empty() ? isodate(e.firstday) : dates.front());
    dateelement(out, "endDate", dates.empty() ? isodate(e.lastday) : dates.back());
    dateelement(out, "forecastDate", dates.empty() ? isodate(e.firstday) : dates.front());
    out += "      <missVal>NaN</missVal>\n      <stationName>" +
           markupescaped(rerove_tivorn_subs::fulllakename(lakeindex)) +
           "</stationName>\n      <units>m3/s</units>\n    </header>\n";
}

}  // namespace

std::string pitimeseriesstart() {
    const std::string ns(pinamespace);
    return std::string(xmldeclaration) + "<TimeSeries xmlns=\"" + ns +
           "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"" + ns + " " +
           std::string(schema) + "\" version=\"1.14\">\n  <timeZone>0.0</timeZone>\n";
}

std::string exportpixml(const ensemble& e, std::int32_t lakeindex, std::span<const double> weights) {
    if (!weights.empty()) throw optionerror("a PI time-series document has no place for weights");
    requirelake(lakeindex);
    const std::vector<std::size_t> order = yearorder(e, weights);
    const std::vector<std::string> dates = daydates(e);
    constexpr std::size_t headerbytes = 600;
    constexpr std::size_t eventbytes = 64;
    std::string out = pitimeseriesstart();
    out.reserve(out.size() + order.size() * (headerbytes + dates.size() * eventbytes) + 20);
    for (const std::size_t s : order) {
        out += "  <series>\n";
        header(out, e, lakeindex, e.years[s], dates);
        const std::vector<double>& values = e.values[s];
        for (std::size_t day = 0; day < dates.size(); ++day) {
            out += eventstart;
            out += dates[day];
            out += eventvalue;
            if (day < values.size() && std::isfinite(values[day]))
                appendshortest(out, values[day]);
            else
                out += "NaN";
            out += eventend;
        }
        out += "  </series>\n";
    }
    out += "</TimeSeries>\n";
    return out;
}

}  // namespace outlook
