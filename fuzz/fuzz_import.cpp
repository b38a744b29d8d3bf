// The companion's import readers on a file of the input's bytes after the first.
// The first byte b chooses the reader by b % 3: CSV (gathercsv), PI-XML
// (gatherpixml) or the adapter's run file (readrunfile); the lake by b / 3 % 5 + 1;
// for PI-XML with b / 15 odd, the first part's locationId is LM.1 and runoff's
// parameterId Q.obs.
//
// Checked: a failure is a readerror (for the run file an optionerror too) that
// names the file, never another exception; nothing is printed, no failure left.
// A PI-XML document read in two halves at once gives what it gives read from its
// start alone: the same traces or the same message.
// Traces that read are the lake's parts for every year, 1 to 75 ascending years
// of 1 to 9999, each trace over the same 1 to 20000 days of real dates; from CSV,
// every day has exactly one row and the bits of that row's values; written again
// as CSV and as PI-XML (when they hold at most 5000 days in all) they read back
// to the same bits. A run file that reads has a span of real dates in order,
// a lake of the five, an input or more, every path absolute (the run file's is),
// and mappings onto parts of its lake and non-empty ids; its diagnostics file,
// read or not, is absolute or none.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzzsupport.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "outlook/adapter/adapter.hpp"
#include "outlook/importing/importing.hpp"

namespace {

namespace fs = std::filesystem;
namespace subs = rerove_tivorn_subs;
using fuzzsupport::require;

constexpr std::size_t roundtripdays = 5000;

bool isdate(std::int32_t seq) { return seq >= 0 && outlook::dayofisodate(outlook::isodate(seq)) == seq; }

outlook::importedtraces gathered(outlook::importformat format, const fs::path& file, std::int32_t lake,
                                 const outlook::pinames& names) {
    const std::vector<fs::path> files = {file};
    outlook::tracegathering gathering(lake);
    if (format == outlook::importformat::csv)
        outlook::gathercsv(files, gathering);
    else
        outlook::gatherpixml(files, names, gathering);
    return std::move(gathering).checked(files);
}

void checkshape(const outlook::importedtraces& t, std::int32_t lake) {
    const auto parts = scenariofiles::lakeparts(lake);
    require(t.lakeindex == lake && std::equal(parts.begin(), parts.end(), t.parts.begin(), t.parts.end()),
            "the parts are not the lake's");
    require(!t.years.empty() && t.years.size() <= static_cast<std::size_t>(subs::maxscen),
            "no years or more than the tool takes");
    require(std::adjacent_find(t.years.begin(), t.years.end(), std::greater_equal<>()) == t.years.end(),
            "years out of order or twice");
    require(t.years.front() >= scenariofiles::minyear && t.years.back() <= scenariofiles::maxyear,
            "a year that is not a scenario year");
    require(t.days >= 1 && t.days <= subs::maxdays, "no days or more than the tool takes");
    require(isdate(t.firstday) && isdate(t.firstday + t.days - 1), "days that are not dates");
    require(t.traces.size() == t.years.size() * t.parts.size(), "a year without every part");
    for (const auto& trace : t.traces)
        require(trace.size() == static_cast<std::size_t>(t.days), "a trace over other days");
}

// The value of a CSV field as the rows give it: a missing day for an empty one.
float fieldvalue(std::string_view field) {
    if (field.empty()) return std::numeric_limits<float>::quiet_NaN();
    const std::optional<float> v = outlook::valueof(field);
    require(v.has_value(), "a row of traces that read with a value that does not", std::string(field));
    return *v;
}

// Each row of a CSV file that read is its own day of its own trace, with its
// values' bits; the rows are as many as the days of the traces.
void requirerows(std::string_view text, const outlook::importedtraces& t) {
    std::size_t rows = 0;
    for (std::size_t pos = std::min(text.find('\n'), text.size()) + 1; pos < text.size(); ++rows) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.ends_with('\r')) line.remove_suffix(1);
        std::array<std::string_view, 6> f{};
        for (std::size_t k = 0; k < f.size(); ++k) {
            const std::size_t comma = std::min(line.find(','), line.size());
            f[k] = line.substr(0, comma);
            line.remove_prefix(std::min(comma + 1, line.size()));
        }
        std::int32_t year = 0;
        (void)std::from_chars(f[0].data(), f[0].data() + f[0].size(), year);
        const auto y =
            static_cast<std::size_t>(std::lower_bound(t.years.begin(), t.years.end(), year) - t.years.begin());
        const auto p = static_cast<std::size_t>(
            std::find(t.parts.begin(), t.parts.end(), subs::partofcode(t.lakeindex, f[1])) - t.parts.begin());
        const std::int64_t d = std::int64_t{outlook::dayofisodate(f[2]).value_or(-1)} - t.firstday;
        require(y < t.years.size() && t.years[y] == year && p < t.parts.size() && d >= 0 && d < t.days,
                "a row of no trace", std::string(f[0]) + "," + std::string(f[1]) + "," + std::string(f[2]));
        const outlook::scenarioday given{fieldvalue(f[3]), fieldvalue(f[4]), fieldvalue(f[5])};
        const outlook::scenarioday& got = t.traces[y * t.parts.size() + p][static_cast<std::size_t>(d)];
        require(std::memcmp(&given, &got, sizeof given) == 0, "a day's values are not its row's", std::string(f[2]));
    }
    require(rows == t.traces.size() * static_cast<std::size_t>(t.days), "days without a row or rows twice");
}

void requiresame(const outlook::importedtraces& got, const outlook::importedtraces& t, std::string_view form) {
    require(got.years == t.years && got.parts == t.parts && got.firstday == t.firstday && got.days == t.days,
            "traces written again read over other years or days", form);
    for (std::size_t k = 0; k < t.traces.size(); ++k) {
        require(std::memcmp(got.traces[k].data(), t.traces[k].data(),
                            t.traces[k].size() * sizeof(outlook::scenarioday)) == 0,
                "traces written again read to other values", form);
    }
}

void roundtrip(const outlook::importedtraces& t) {
    if (t.traces.size() * static_cast<std::size_t>(t.days) > roundtripdays) return;
    const fs::path csv = fuzzsupport::scratch() / "again.csv";
    const fs::path pixml = fuzzsupport::scratch() / "again.xml";
    fuzzsupport::writefile(csv, outlook::importcsvtext(t));
    fuzzsupport::writefile(pixml, outlook::importpixmltext(t));
    try {
        requiresame(gathered(outlook::importformat::csv, csv, t.lakeindex, {}), t, "csv");
        requiresame(gathered(outlook::importformat::pixml, pixml, t.lakeindex, {}), t, "pi-xml");
    } catch (const outlook::failure& e) {
        fuzzsupport::fault("traces written again do not read", e.what());
    }
}

// Read in two halves at once, a document gives what it gives read from its start
// alone: the same traces, or the same message.
void requiretwohalves(const fs::path& file, std::int32_t lake, const outlook::pinames& names) {
    const auto read = [&](std::size_t parallelfrom) {
        const std::vector<fs::path> files = {file};
        outlook::tracegathering gathering(lake);
        try {
            outlook::gatherpixml(files, names, gathering, parallelfrom);
            return std::pair(std::optional(std::move(gathering).checked(files)), std::string());
        } catch (const outlook::readerror& e) {
            return std::pair(std::optional<outlook::importedtraces>(), std::string(e.what()));
        }
    };
    const auto [alone, whyalone] = read(std::numeric_limits<std::size_t>::max());
    const auto [halves, whyhalves] = read(0);
    require(whyhalves == whyalone && halves.has_value() == alone.has_value(), "read in two halves, another outcome",
            whyhalves);
    if (alone) requiresame(*halves, *alone, "two halves");
}

void checkrequest(const outlook::runrequest& r) {
    require(isdate(r.firstday) && isdate(r.lastday) && r.firstday <= r.lastday, "a run over no real days");
    require(r.lakeindex >= 1 && r.lakeindex <= subs::numlakes, "a run of no lake");
    require(r.workdir.is_absolute() && r.output.is_absolute() && !r.inputs.empty(), "a run without its paths");
    for (const fs::path& input : r.inputs) require(input.is_absolute(), "an input of no directory", input.string());
    const auto parts = scenariofiles::lakeparts(r.lakeindex);
    for (const auto& [part, id] : r.names.locations)
        require(std::find(parts.begin(), parts.end(), part) != parts.end() && !id.empty(),
                "a location mapped onto no part of the lake", id);
    for (const std::string& id : r.names.parameters) require(!id.empty(), "an empty parameterId");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::consolefile console;
    fuzzsupport::inputbytes in(data, size);
    const std::uint8_t choice = in.byte();
    const std::int32_t lake = choice / 3 % subs::numlakes + 1;
    static const std::array<fs::path, 3> files = {fuzzsupport::scratch() / "in.csv", fuzzsupport::scratch() / "in.xml",
                                                  fuzzsupport::scratch() / "run.xml"};
    const fs::path& file = files[choice % 3];
    const std::string_view bytes = in.rest();
    fuzzsupport::writefile(file, bytes);
    if (choice % 3 == 2) {
        fs::path diagnostics;
        (void)fuzzsupport::companionreads<outlook::readerror, outlook::optionerror>(
            console, file.string(), [&] { checkrequest(outlook::readrunfile(file, diagnostics)); });
        require(diagnostics.empty() || diagnostics.is_absolute(), "diagnostics of no directory", diagnostics.string());
        return 0;
    }
    outlook::pinames names;
    if (choice / 15 % 2 == 1) {
        names.locations[scenariofiles::lakeparts(lake).front()] = "LM.1";
        names.parameters[0] = "Q.obs";
    }
    const auto format = choice % 3 == 0 ? outlook::importformat::csv : outlook::importformat::pixml;
    if (format == outlook::importformat::pixml) requiretwohalves(file, lake, names);
    (void)fuzzsupport::companionreads<outlook::readerror>(console, file.string(), [&] {
        const outlook::importedtraces t = gathered(format, file, lake, names);
        checkshape(t, lake);
        if (format == outlook::importformat::csv) requirerows(bytes, t);
        roundtrip(t);
    });
    return 0;
}
