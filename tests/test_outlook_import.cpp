// rerove_outlook import and adapter: traces read from CSV and PI-XML to the bytes
// make_scenarios writes, every refusal once, and the adapter's runs read back.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include <pugixml.hpp>

#include "calendar_support.hpp"
#include "make_scenarios/scenariofiles.hpp"
#include "outlook/outlook.hpp"
#include "tool_support.hpp"

namespace fs = std::filesystem;
using childrun::runresult;
using testsupport::readfile;
using testsupport::seqof;
using testsupport::writefile;

namespace {

runresult outlookrun(const std::vector<std::string>& args) {
    return testsupport::runprogram(RT_OUTLOOK_PATH, args, ".", "rerove_outlook");
}

// Traces of the parts given (the lake's by default) over days from 1 June 2025,
// values in quarters of a millimetre; the last day of the last year's evaporation
// missing.
outlook::importedtraces tracesof(std::int32_t lakeindex, std::vector<std::int32_t> years, std::int32_t days,
                                 std::vector<std::int32_t> parts = {}) {
    outlook::importedtraces t;
    t.lakeindex = lakeindex;
    t.firstday = seqof(1, 6, 2025);
    t.days = days;
    t.years = std::move(years);
    const auto all = scenariofiles::lakeparts(lakeindex);
    t.parts = parts.empty() ? std::vector<std::int32_t>(all.begin(), all.end()) : std::move(parts);
    for (std::size_t k = 0; k < t.years.size() * t.parts.size(); ++k) {
        std::vector<outlook::scenarioday> trace;
        for (std::int32_t d = 0; d < days; ++d)
            trace.push_back({1.5F + 0.25F * static_cast<float>(k), 2.0F + 0.25F * static_cast<float>(d), -0.125F});
        t.traces.push_back(std::move(trace));
    }
    t.traces.back().back().evap = std::numeric_limits<float>::quiet_NaN();
    return t;
}

void expectsame(const outlook::importedtraces& got, const outlook::importedtraces& expected, const std::string& what) {
    EXPECT_EQ(got.years, expected.years) << what;
    EXPECT_EQ(got.parts, expected.parts) << what;
    EXPECT_EQ(got.firstday, expected.firstday) << what;
    ASSERT_EQ(got.traces.size(), expected.traces.size()) << what;
    for (std::size_t k = 0; k < got.traces.size(); ++k) {
        ASSERT_EQ(got.traces[k].size(), expected.traces[k].size()) << what;
        EXPECT_EQ(std::memcmp(got.traces[k].data(), expected.traces[k].data(),
                              got.traces[k].size() * sizeof(outlook::scenarioday)),
                  0)
            << what << ": trace " << k;
    }
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string everywhere(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The text without its lines that hold what.
std::string without(const std::string& text, std::string_view what) {
    std::string out;
    outlook::textlines lines(text);
    for (std::string_view line; lines.next(line);) {
        if (line.find(what) == std::string_view::npos) (out += line) += '\n';
    }
    return out;
}

// The same document in the other forms XML has: a comment, a processing
// instruction, a CDATA section, references, single quotes, namespace prefixes.
std::string xmlforms(std::string pi) {
    pi = replaced(pi, "<timeZone>", "<!-- made <by> hand --><?note x?><timeZone>");
    pi = everywhere(pi, "<locationId>mic<", "<locationId><![CDATA[mi]]>&#x63;<");
    pi = everywhere(pi, "value=\"1.5\"", "value='&#49;.5'");
    pi = everywhere(everywhere(pi, "<series>", "<pi:series>"), "</series>", "</pi:series>");
    return replaced(pi, "<TimeSeries ", "<TimeSeries xmlns:pi=\"http://www.wldelft.nl/fews/PI\" ");
}

outlook::importedtraces readback(outlook::importformat format, const std::string& text, const outlook::pinames& names) {
    writefile("in.txt", text);
    const std::vector<fs::path> files = {"in.txt"};
    return outlook::readtraces(format, files, 2, names);
}

TEST(ImportForms, CsvAndEveryPiXmlFormReadToTheSameBits) {
    const testsupport::scratchdir dir;
    const outlook::importedtraces t = tracesof(2, {1950, 1951}, 3);
    expectsame(readback(outlook::importformat::csv, outlook::importcsvtext(t), {}), t, "csv");
    const std::string pi = outlook::importpixmltext(t);
    outlook::pinames mapped;
    mapped.locations[2] = "LM.1";
    mapped.parameters[0] = "Q.obs";
    const std::string nan = "\" time=\"00:00:00\" value=\"NaN\"/>";
    for (const auto& [form, text, names] : std::vector<std::tuple<std::string, std::string, outlook::pinames>>{
             {"as written", pi, {}},
             {"a part code in capitals", everywhere(pi, ">mic<", ">MIC<"), {}},
             {"mapped names", everywhere(everywhere(pi, ">mic<", ">LM.1<"), ">runoff<", ">Q.obs<"), mapped},
             {"ensembleMemberId", everywhere(pi, "ensembleMemberIndex>", "ensembleMemberId>"), {}},
             {"a step of 86400 seconds", everywhere(pi, "unit=\"day\"", "unit=\"second\" multiplier=\"86400\""), {}},
             {"a missVal of -999", everywhere(everywhere(pi, "NaN<", "-999<"), "\"NaN\"", "\"-999.0\""), {}},
             {"a day without an event", without(pi, nan), {}},
             {"XML's other forms", xmlforms(pi), {}}})
        expectsame(readback(outlook::importformat::pixml, text, names), t, form);
}

// What a PI-XML document gives: its traces as CSV, or the message refusing it.
std::string outcome(const std::string& text, std::size_t parallelfrom) {
    writefile("in.xml", text);
    const std::vector<fs::path> files = {"in.xml"};
    outlook::tracegathering gathering(2);
    try {
        outlook::gatherpixml(files, {}, gathering, parallelfrom);
        return outlook::importcsvtext(std::move(gathering).checked(files));
    } catch (const outlook::readerror& e) {
        std::string message = "refused: ";
        return message += e.what();
    }
}

// A document read in two halves at once gives what it gives read from its start
// alone, its first fault too: in either half, where a guess of the middle is
// wrong, and what only the traces as a whole can tell (a series twice, a
// 76th year).
TEST(ImportForms, TwoHalvesReadAsOne) {
    const testsupport::scratchdir dir;
    const std::string pi = outlook::importpixmltext(tracesof(2, {1950, 1951, 1952, 1953}, 5));
    const std::size_t half = pi.find("  <series>", pi.size() / 2);
    const std::string before = pi.substr(0, half), after = pi.substr(half);
    const std::string aseries = after.substr(0, after.find("  <series>", 1));
    const std::string body = after.substr(0, after.find("</TimeSeries>"));
    std::string years = pi;
    for (std::int32_t y = 1954; y < 2026; ++y) {
        std::string year = ">";
        (year += std::to_string(y)) += '<';
        years = replaced(years, "</TimeSeries>", replaced(aseries, ">1952<", year) + "</TimeSeries>");
    }
    for (const auto& [what, text, refused] : std::vector<std::tuple<std::string, std::string, bool>>{
             {"as written", pi, false},
             {"a fault in the first half", replaced(before, "value=\"2\"", "value=\"wet\"") + after, true},
             {"a fault in the second half", before + replaced(after, "<units>mm<", "<units>m<"), true},
             {"faults in both", replaced(before, ">mm<", ">m<") + replaced(after, "value=\"2\"", "value=\"x\""), true},
             {"not XML in the second half", before + after.substr(0, after.size() / 2), true},
             {"a comment before the middle", before + "<!-- -->" + after, false},
             {"the second half in a comment", before + "<!-- >" + body + "--></TimeSeries>\n", false},
             {"the second half in CDATA", before + "<x><![CDATA[>" + body + "]]></x></TimeSeries>\n", false},
             {"a series twice", before + aseries + after, true},
             {"76 years", years, true},
             {"text after the root", pi + "x", true}}) {
        const std::string alone = outcome(text, std::numeric_limits<std::size_t>::max());
        EXPECT_EQ(outcome(text, 0), alone) << what;
        EXPECT_EQ(alone.starts_with("refused"), refused) << what;
    }
}

// The reader of the PI documents and run files, on what XML does not allow: each
// refused with the byte it stopped at.
TEST(ImportForms, ValuesReadToTheBitsOfFromChars) {
    // Plain decimals take the quick way, the others from_chars: the same bits.
    for (const char* text : {"0", "-0", "0.1", "-12.375", "16777215", "16777216", "16777217", "1.6777217",
                             "0.0000000001", "3.4028235e38", "1e-45", "123.45679", ".5", "5.", "007.25"}) {
        float want = 0;
        const std::string_view t(text);
        std::from_chars(t.data(), t.data() + t.size(), want);
        const std::optional<float> got = outlook::valueof(t);
        ASSERT_TRUE(got.has_value()) << text;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(*got), std::bit_cast<std::uint32_t>(want)) << text;
    }
    for (const char* text : {"", "-", "1..2", "1.2.3", "nan", "inf", "1,5", "+1", "1e40"})
        EXPECT_FALSE(outlook::valueof(text).has_value()) << text;
}

TEST(XmlReader, RefusesWhatIsNotXml) {
    for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
             {"<a><b></a>", "</a> that closes no open element at byte 9"},
             {"<a></a><b/>", "a second root element"},
             {"<a>", "the document ends inside <a>"},
             {"text<a/>", "text outside the root element"},
             {"<!DOCTYPE a><a/>", "a DOCTYPE or a declaration"},
             {"<a x=\"1\" x=\"2\"/>", "the attribute x twice"},
             {"<a x=1/>", "an attribute value without its quotes"},
             {"<a x=\"1\"y=\"2\"/>", "an attribute without a blank before it"},
             {"<a x=\"&nbsp;\"/>", "the unknown entity &nbsp;"},
             {"<a x=\"<\"/>", "a '<' in a value"},
             {"<a><!-- open</a>", "a comment without its end"},
             {"<1a/>", "a tag without a name"},
             {"", "no element"}}) {
        outlook::xmlreader x(text, "doc");
        try {
            while (x.next() != outlook::xmlreader::token::done) {}
            ADD_FAILURE() << text << " was read";
        } catch (const outlook::readerror& e) {
            EXPECT_NE(std::string(e.what()).find("doc: not XML (" + message), std::string::npos) << e.what();
        }
    }
}

// Each refused input in a directory that holds a scenario file already: one
// message naming the file and where, exit status 1, and no file written or changed.
TEST(ImportRefusals, EachBadInputOneMessageNoFile) {
    const testsupport::scratchdir dir;
    writefile("REROVE1950.mic", "old");
    const outlook::importedtraces t = tracesof(2, {1950, 1951}, 3);
    const std::string csv = outlook::importcsvtext(t);
    const std::string pi = outlook::importpixmltext(t);
    const std::size_t second = pi.find("  <series>", pi.find("</series>"));
    const std::string firstseries = pi.substr(pi.find("  <series>"), second - pi.find("  <series>"));
    std::string years = "year,part,date,runoff_mm,precip_mm,evap_mm\n";
    for (std::int32_t y = 1900; y < 1976; ++y) years += std::to_string(y) + ",sup,2025-06-01,1,2,3\n";
    struct refusal {
        std::string format, text;
        std::vector<std::string> args;
        std::string message;
    };
    const std::string mic1 = "1950,mic,2025-06-01,1.5,2,-0.125\n";
    for (const refusal& r : std::vector<refusal>{
             {"csv", replaced(csv, "evap_mm", "evap"), {}, "in line 1: the header is not"},
             {"csv", replaced(csv, mic1, "1950,mic,2025-06-01,1.5,2,-0.125,1\n"), {}, "in line 2: not six fields"},
             {"csv",
              replaced(csv, "1950,mic,2025-06-02", "1950,mic,2025-06-02T12"),
              {},
              "'2025-06-02T12' is not a date"},
             {"csv", without(csv, "1950,mic,2025-06-02"), {}, "in line 3: 1950 mic has no row of 2025-06-02"},
             {"csv", csv + mic1, {}, "in line 20: a second row of 1950 mic 2025-06-01"},
             {"csv",
              replaced(csv, "1950,mic", "1950,sup"),
              {},
              "in line 2: 'sup' is not a part of Mich-Huron (mic, hur, geo)"},
             {"csv", replaced(csv, "1.5,2,", "nan,2,"), {}, "in line 2: runoff_mm 'nan' is not a finite number"},
             {"csv",
              replaced(csv, ",2,-0.125", ",inf,-0.125"),
              {},
              "in line 2: precip_mm 'inf' is not a finite number"},
             {"csv", replaced(csv, "-0.125", "dry"), {}, "in line 2: evap_mm 'dry' is not a finite number"},
             {"csv", replaced(csv, "1950,mic", "195O,mic"), {}, "in line 2: '195O' is not a scenario year"},
             {"csv", without(csv, ",geo,"), {}, "in: no traces of geo, a part of Mich-Huron"},
             {"csv", without(csv, "1951,geo"), {}, "in line 11: 1951 has no trace of geo"},
             {"csv",
              without(csv, "1951,hur,2025-06-03"),
              {},
              "1951 hur runs from 2025-06-01 to 2025-06-02, in line 2 from"},
             {"csv", years, {"--lake", "sup"}, "in line 77: 1975 is scenario year 76, the tool takes at most 75"},
             {"csv",
              outlook::importcsvtext(tracesof(1, {1950}, 20001)),
              {"--lake", "sup"},
              "1950 sup spans 20001 days"},
             {"pi-xml", replaced(pi, "<units>mm<", "<units>m<"), {}, "in series 1: units 'm', not mm"},
             {"pi-xml", replaced(pi, "unit=\"day\"", "unit=\"hour\""), {}, "in series 1: a time step of unit 'hour'"},
             {"pi-xml", replaced(pi, "00:00:00\" value", "12:00:00\" value"), {}, "event '2025-06-01 12:00:00' is not"},
             {"pi-xml", replaced(pi, "</TimeSeries>", firstseries + "</TimeSeries>"), {}, "series 19: a second runoff"},
             {"pi-xml",
              pi.substr(0, second) + pi.substr(pi.find("  <series>", second + 1)),
              {},
              "1950 mic has no precipitation"},
             {"pi-xml", replaced(pi, ">mic<", ">ont<"), {}, "in series 1: location 'ont' is not a part of Mich-Huron"},
             {"pi-xml", replaced(pi, "value=\"2\"", "value=\"wet\""), {}, "the value 'wet' of 2025-06-01 is not"},
             {"pi-xml",
              pi.substr(0, second) +
                  replaced(pi.substr(second), "03\" time=\"00:00:00\"/>", "02\" time=\"00:00:00\"/>"),
              {},
              "in series 2: 1950 mic runs from 2025-06-01 to 2025-06-02, in in series 1 from 2025-06-01 to 2025-06-03"},
             {"pi-xml", pi.substr(0, pi.size() / 2), {}, "in: not XML"},
             {"csv", csv, {"--locations", "mic=X"}, "--locations and --parameters: only with --format pi-xml"},
             {"pi-xml", pi, {"--locations", "mic"}, "--locations: 'mic' is not KEY=ID"},
             {"pi-xml", pi, {"--parameters", "flow=Q"}, "--parameters: 'flow' is not runoff, precipitation or"},
             {"csv", csv, {"-d", "nothere"}, "--dir: 'nothere' is not a directory"},
             {"csv", csv, {"--lake", "MHX"}, "--lake: 'MHX' is not SUP, MHU, STC, ERI or ONT"}}) {
        writefile("in", r.text);
        std::vector<std::string> args = {"import", "--format", r.format, "in"};
        if (std::find(r.args.begin(), r.args.end(), "--lake") == r.args.end())
            args.insert(args.end(), {"--lake", "MHU"});
        args.insert(args.end(), r.args.begin(), r.args.end());
        const runresult run = outlookrun(args);
        EXPECT_EQ(run.status, 1) << r.message;
        EXPECT_EQ(run.out, "") << r.message;
        EXPECT_NE(run.err.find(r.message), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    std::map<std::string, std::string> left = testsupport::snapshot(".");
    left.erase("in");
    EXPECT_EQ(left, (std::map<std::string, std::string>{{"REROVE1950.mic", "old"}}));
}

// The sample's scenario files dumped and put together as the import's CSV, and
// the same values as PI-XML, import to the bytes make_scenarios wrote; the tool's
// tables of them are the same.
TEST(ImportRoundTrip, SampleThroughDumpAsCsvAndAsPiXml) {
    const testsupport::scratchdir dir;
    scenariofiles::scenariorequest request;
    std::string error;
    const std::vector<std::string_view> args = {"-d",  "made",      "--record",   RT_RECORD_PATH,
                                                "MHU", "1950-2014", "06/01/2025", "365"};
    ASSERT_TRUE(scenariofiles::parsearguments(args, request, error)) << error;
    std::int32_t written = 0;
    ASSERT_TRUE(scenariofiles::writescenarios(request, written, error)) << error;
    const std::map<std::string, std::string> made = testsupport::snapshot("made");
    outlook::importedtraces t = tracesof(2, request.years, 365);
    std::string csv = std::string(outlook::importcsvheader) + "\n";
    std::size_t k = 0;
    for (const std::int32_t year : t.years) {
        for (const std::int32_t part : t.parts) {
            const std::string name = "made/" + rerove_tivorn_subs::scenariofile(year, part);
            t.traces[k++] = outlook::readscenariofile(name).days;
            const runresult dump = outlookrun({"dump", name});
            ASSERT_EQ(dump.status, 0) << dump.err;
            outlook::textlines lines(dump.out);
            std::string_view line;
            for (int skip = 0; skip < 2; ++skip) lines.next(line);  // the comment and the header
            while (lines.next(line))
                csv += std::to_string(year) + "," + rerove_tivorn_subs::partcode(part) + "," + std::string(line) + "\n";
        }
    }
    writefile("in.csv", csv);
    writefile("in.xml", outlook::importpixmltext(t));
    for (const std::string form : {"csv", "xml"}) {
        fs::create_directory(form);
        const runresult run = outlookrun(
            {"import", "--format", form == "csv" ? "csv" : "pi-xml", "--lake", "mhu", "-d", form, "in." + form});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "Wrote 195 scenario files of Mich-Huron, years 1950-2014, 2025-06-01 to 2026-05-31\n");
        EXPECT_TRUE(testsupport::snapshot(form) == made) << form;
    }
    ASSERT_EQ(testsupport::runtool({"MHU"}, "made").status, 0);
    ASSERT_EQ(testsupport::runtool({"MHU"}, "csv").status, 0);
    EXPECT_TRUE(testsupport::snapshot("csv") == testsupport::snapshot("made"));
}

// A run file in module/, its paths relative to it, over 5 to 20 June 2025.
std::string runfile(const std::string& lake) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Run xmlns=\"http://www.wldelft.nl/fews/PI\" version=\"1.5\">\n"
           "  <timeZone>0.0</timeZone>\n  <startDateTime date=\"2025-06-05\" time=\"00:00:00\"/>\n"
           "  <endDateTime date=\"2025-06-20\" time=\"00:00:00\"/>\n  <time0 date=\"2025-06-05\" time=\"00:00:00\"/>\n"
           "  <workDir>work</workDir>\n  <inputTimeSeriesFile>input.xml</inputTimeSeriesFile>\n"
           "  <outputDiagnosticFile>diag.xml</outputDiagnosticFile>\n"
           "  <outputTimeSeriesFile>nbs.xml</outputTimeSeriesFile>\n"
           "  <properties>\n    <string key=\"lake\" value=\"" +
           lake + "\"/>\n  </properties>\n</Run>\n";
}

// The run's files in module/: the run file and the input of the traces.
void module(const std::string& lake, const outlook::importedtraces& t) {
    fs::create_directories("module/work");
    writefile("module/run.xml", runfile(lake));
    writefile("module/input.xml", outlook::importpixmltext(t));
}

std::vector<std::pair<int, std::string>> diagnostics(const fs::path& file) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(file.c_str())) << file;
    EXPECT_STREQ(doc.child("Diag").attribute("xmlns").value(), "http://www.wldelft.nl/fews/PI");
    std::vector<std::pair<int, std::string>> lines;
    for (const pugi::xml_node line : doc.child("Diag").children("line"))
        lines.emplace_back(line.attribute("level").as_int(), line.attribute("description").value());
    return lines;
}

// The values of a PI export by year and date.
std::map<std::pair<int, std::string>, std::string> eventsof(const fs::path& file) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(file.c_str())) << file;
    std::map<std::pair<int, std::string>, std::string> values;
    for (const pugi::xml_node series : doc.child("TimeSeries").children("series")) {
        const int year = series.child("header").child("ensembleMemberIndex").text().as_int();
        for (const pugi::xml_node e : series.children("event"))
            values[{year, e.attribute("date").value()}] = e.attribute("value").value();
    }
    return values;
}

TEST(Adapter, CompleteRunClearsImportsRunsAndExports) {
    const testsupport::scratchdir dir;
    module("ERI", tracesof(4, {1950, 1951, 1952}, 40));
    for (const char* stale : {"REROVE1999.eri", "erDNBS_1999.txt", "ERROR.INT"})
        writefile(fs::path("module/work") / stale, "x");
    const runresult run = outlookrun({"adapter", "--run-file", "module/run.xml"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "module/diag.xml: 3 diagnostics lines\n");
    std::vector<std::string> names;
    for (const auto& [name, bytes] : testsupport::snapshot("module/work")) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"REROVE1950.eri", "REROVE1951.eri", "REROVE1952.eri", "erDNBS_1950.txt",
                                               "erDNBS_1951.txt", "erDNBS_1952.txt"}));
    EXPECT_EQ(diagnostics("module/diag.xml"),
              (std::vector<std::pair<int, std::string>>{
                  {3, "Wrote 3 scenario files of Erie, years 1950-1952, 2025-06-01 to 2025-07-10"},
                  {3, "Processing Erie"},
                  {3, "module/nbs.xml: 3 scenario years of 16 days as pi-xml"}}));
    ASSERT_EQ(outlookrun({"export", "--format", "pi-xml", "-o", "all.xml", "module/work"}).status, 0);
    const auto all = eventsof("all.xml");
    const auto exported = eventsof("module/nbs.xml");
    EXPECT_EQ(exported.size(), 3U * 16U);
    for (const auto& [key, value] : exported) EXPECT_EQ(value, all.at(key)) << key.first << " " << key.second;
    EXPECT_EQ(exported.begin()->first.second, "2025-06-05");
}

// Each failure: exit status 1 and the level-1 lines that say it, in the
// diagnostics when the run file can be read.
TEST(Adapter, FailuresSaidAtLevelOne) {
    struct failure {
        std::string lake;
        outlook::importedtraces traces;
        std::string blocker;  // a directory in the work directory, named as a table
        std::vector<std::string> lines;
    };
    for (const failure& f : std::vector<failure>{
             {"MHU",
              tracesof(2, {1950}, 10, {2, 3}),
              "",
              {"module/input.xml: no traces of geo, a part of Mich-Huron (the tool would write no table)"}},
             {"ERI",
              tracesof(4, {1950}, 10),
              "erDNBS_1950.txt",
              {"Processing Erie", "RerOve_TIVORN: Error opening erDNBS_1950.txt",
               "[traceback] : WrtTIVORN_Otlk_Daily...", "[traceback] : Rerove_TIVORN Main...",
               "rerove_tivorn ended with exit status 1", "rerove_tivorn left module/work/ERROR.INT"}},
             {"", {}, "", {"module/run.xml: not XML"}}}) {
        const testsupport::scratchdir dir;
        module(f.lake, f.traces);
        if (f.lake.empty()) writefile("module/run.xml", "<Run");
        if (!f.blocker.empty()) fs::create_directory("module/work/" + f.blocker);
        const runresult run = outlookrun({"adapter", "--run-file", "module/run.xml"});
        EXPECT_EQ(run.status, 1) << run.err;
        if (f.lake.empty()) {
            EXPECT_FALSE(fs::exists("module/diag.xml"));
            EXPECT_NE(run.err.find(f.lines.front()), std::string::npos) << run.err;
            continue;
        }
        std::vector<std::string> errors;
        for (const auto& [level, text] : diagnostics("module/diag.xml")) {
            if (level == 1) errors.push_back(text);
        }
        EXPECT_EQ(errors, f.lines);
    }
}

}  // namespace
