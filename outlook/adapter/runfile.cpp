// The general adapter's run file (PI run schema): the run's days, the work
// directory, the files in and out, and the properties the adapter takes.
#include "outlook/adapter/adapter.hpp"
#include "outlook/output/output.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;

// A path of the run file, from the run file's directory when relative; empty for
// an empty text.
fs::path pathof(const std::string& text, const fs::path& base) {
    const fs::path p = text;
    return p.empty() || p.is_absolute() ? p : base / p;
}

// The day of a dateTime element's date; 0 when it has none.
std::int32_t dayof(const xmlreader& x) { return dayofisodate(x.attribute("date").value_or("")).value_or(0); }

// After the properties' start tag: the string properties the adapter takes.
void readproperties(xmlreader& x, std::map<std::string, std::string>& properties) {
    for (xmlreader::token t = x.next(); t != xmlreader::token::end; t = x.next()) {
        if (t != xmlreader::token::start) continue;
        if (x.name() == "string")
            properties[std::string(x.attribute("key").value_or(""))] = x.attribute("value").value_or("");
        x.skip();
    }
}

// The run file's elements into r, and diagnostics as soon as it is read.
void readelements(xmlreader& x, const fs::path& base, runrequest& r, fs::path& diagnostics,
                  std::map<std::string, std::string>& properties) {
    for (xmlreader::token t = x.next(); t != xmlreader::token::end; t = x.next()) {
        if (t != xmlreader::token::start) continue;
        const std::string_view name = x.name();
        if (name == "startDateTime" || name == "endDateTime") {
            (name == "startDateTime" ? r.firstday : r.lastday) = dayof(x);
            x.skip();
        } else if (name == "workDir" || name == "outputTimeSeriesFile") {
            (name == "workDir" ? r.workdir : r.output) = pathof(x.content(), base);
        } else if (name == "inputTimeSeriesFile") {
            r.inputs.push_back(pathof(x.content(), base));
        } else if (name == "outputDiagnosticFile") {
            diagnostics = pathof(x.content(), base);
        } else if (name == "properties") {
            readproperties(x, properties);
        } else {
            x.skip();
        }
    }
    while (x.next() != xmlreader::token::done) {}
}

void required(bool given, const std::string& file, std::string_view what) {
    if (!given) throw readerror(file + ": no " + std::string(what));
}

}  // namespace

runrequest readrunfile(const fs::path& file, fs::path& diagnostics) {
    const std::string name = file.string();
    const filebytes bytes(file);
    xmlreader x(bytes.view(), name);
    if (x.next() != xmlreader::token::start || x.name() != "Run") throw readerror(name + ": not a run file (no Run)");
    runrequest r;
    std::map<std::string, std::string> properties;
    readelements(x, file.parent_path(), r, diagnostics, properties);
    required(r.firstday != 0, name, "startDateTime with a date YYYY-MM-DD");
    required(r.lastday != 0, name, "endDateTime with a date YYYY-MM-DD");
    if (r.lastday < r.firstday) throw readerror(name + ": its endDateTime is before its startDateTime");
    required(!r.workdir.empty(), name, "workDir");
    required(!r.inputs.empty(), name, "inputTimeSeriesFile");
    required(!r.output.empty(), name, "outputTimeSeriesFile");
    const std::string lake = properties["lake"];
    r.lakeindex = rerove_tivorn_subs::lakeindexofcode(lake);
    if (r.lakeindex == 0) throw readerror(name + ": the property lake '" + lake + "' is not " + std::string(lakecodes));
    maplocations(r.names, r.lakeindex, properties["locations"], name + ": the property locations");
    mapparameters(r.names, properties["parameters"], name + ": the property parameters");
    return r;
}

std::string diagnosticsxml(std::span<const diagline> lines) {
    std::string out =
        std::string(xmldeclaration) + "<Diag xmlns=\"" + std::string(pinamespace) + "\" version=\"1.2\">\n";
    for (const diagline& line : lines) {
        out += "  <line level=\"" + std::to_string(static_cast<int>(line.level)) + "\" description=\"" +
               markupescaped(line.description) + "\"/>\n";
    }
    return out + "</Diag>\n";
}

}  // namespace outlook
