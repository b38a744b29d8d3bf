// The general adapter's run file (PI run schema): the run's days, the work
// directory, the files in and out, and the properties the adapter takes.
#include <pugixml.hpp>

#include "outlook/adapter/adapter.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;

// An element's text without the blanks and line ends around it.
std::string trimmed(pugi::xml_node element) {
    const std::string_view text = element.text().get();
    const std::size_t from = text.find_first_not_of(" \t\r\n");
    if (from == std::string_view::npos) return {};
    return std::string(text.substr(from, text.find_last_not_of(" \t\r\n") - from + 1));
}

// A path of the run file, from the run file's directory when relative.
fs::path pathof(pugi::xml_node element, const fs::path& base) {
    const fs::path p = trimmed(element);
    return p.is_absolute() ? p : base / p;
}

fs::path requiredpath(pugi::xml_node run, const char* name, const fs::path& base, const std::string& file) {
    const pugi::xml_node element = run.child(name);
    if (trimmed(element).empty()) throw readerror(file + ": no " + name);
    return pathof(element, base);
}

std::int32_t dayof(pugi::xml_node run, const char* name, const std::string& file) {
    const pugi::xml_node element = run.child(name);
    const std::optional<std::int32_t> day = dayofisodate(element.attribute("date").value());
    if (!day) throw readerror(file + ": no " + name + " with a date YYYY-MM-DD");
    return *day;
}

// The value of a string property; empty when there is none.
std::string property(pugi::xml_node run, std::string_view key) {
    for (const pugi::xml_node p : run.child("properties").children("string")) {
        if (key == p.attribute("key").value()) return p.attribute("value").value();
    }
    return {};
}

void readproperties(pugi::xml_node run, const std::string& file, runrequest& r) {
    const std::string lake = property(run, "lake");
    r.lakeindex = rerove_tivorn_subs::lakeindexofcode(lake);
    if (r.lakeindex == 0) throw readerror(file + ": the property lake '" + lake + "' is not " + std::string(lakecodes));
    maplocations(r.names, r.lakeindex, property(run, "locations"), file + ": the property locations");
    mapparameters(r.names, property(run, "parameters"), file + ": the property parameters");
}

}  // namespace

runrequest readrunfile(const fs::path& file, fs::path& diagnostics) {
    const std::string name = file.string();
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_file(file.c_str());
    if (!parsed) throw readerror(name + ": not a run file (" + parsed.description() + ")");
    const pugi::xml_node run = doc.child("Run");
    if (!run) throw readerror(name + ": not a run file (no Run)");
    const fs::path base = file.parent_path();
    if (!trimmed(run.child("outputDiagnosticFile")).empty())
        diagnostics = pathof(run.child("outputDiagnosticFile"), base);
    runrequest r;
    r.workdir = requiredpath(run, "workDir", base, name);
    for (const pugi::xml_node input : run.children("inputTimeSeriesFile")) r.inputs.push_back(pathof(input, base));
    if (r.inputs.empty()) throw readerror(name + ": no inputTimeSeriesFile");
    r.output = requiredpath(run, "outputTimeSeriesFile", base, name);
    r.firstday = dayof(run, "startDateTime", name);
    r.lastday = dayof(run, "endDateTime", name);
    if (r.lastday < r.firstday) throw readerror(name + ": its endDateTime is before its startDateTime");
    readproperties(run, name, r);
    return r;
}

std::string diagnosticsxml(std::span<const diagline> lines) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Diag xmlns=\"http://www.wldelft.nl/fews/PI\" version=\"1.2\">\n";
    for (const diagline& line : lines) {
        out += "  <line level=\"" + std::to_string(static_cast<int>(line.level)) + "\" description=\"" +
               markupescaped(line.description) + "\"/>\n";
    }
    return out + "</Diag>\n";
}

}  // namespace outlook
