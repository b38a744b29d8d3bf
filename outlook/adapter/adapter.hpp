// outlook adapter: the tool as a module of a forecasting system, started by its
// general adapter with a run file (the PI run schema). The lake's traces are
// imported from the input PI-XML into the work directory, rerove_tivorn runs
// there, its tables are exported as PI-XML over the run's days, and what happened
// is written as a PI diagnostics file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "outlook/importing/importing.hpp"
#include "outlook/model/model.hpp"
#include "outlook/tool/tool.hpp"

namespace outlook {

// What a run file asks; its relative paths are taken from its own directory.
struct runrequest {
    std::filesystem::path workdir;
    std::vector<std::filesystem::path> inputs;  // every inputTimeSeriesFile
    std::filesystem::path output;               // outputTimeSeriesFile
    std::int32_t firstday = 0;                  // the days of startDateTime and endDateTime
    std::int32_t lastday = 0;
    std::int32_t lakeindex = 0;  // property "lake"
    pinames names;               // properties "locations" and "parameters"
};

// The run file read (runfile.cpp). diagnostics receives its outputDiagnosticFile
// as soon as that is found, so that a failure of the rest can be written there;
// readerror naming the file for a file that is not a run file or lacks what the
// run needs, optionerror for a mapping that does not read.
runrequest readrunfile(const std::filesystem::path& file, std::filesystem::path& diagnostics);

// The levels of the PI diagnostics the adapter writes, and one line of them.
enum class diaglevel { error = 1, warning = 2, info = 3 };
struct diagline {
    diaglevel level = diaglevel::info;
    std::string description;
};

// <Diag xmlns="http://www.wldelft.nl/fews/PI" version="1.2"> and a line element
// per line.
std::string diagnosticsxml(std::span<const diagline> lines);

// Removes the lake's scenario files, its tables and ERROR.INT from dir, so that
// nothing of an earlier run is taken or exported; readerror when dir cannot be
// listed, writeerror naming a file that cannot be removed.
void clearrun(std::int32_t lakeindex, const std::filesystem::path& dir);

// The lines of a run of the tool in dir: after a complete run (exit status 0)
// its console lines as info; else its console lines, how it ended and, when it
// was left, ERROR.INT as errors.
std::vector<diagline> toollines(const toolrun& run, const std::filesystem::path& dir);

// The ensemble over the days first to last, a day outside its own missing.
ensemble overdays(const ensemble& e, std::int32_t first, std::int32_t last);

// One run of the adapter: the run file read, the run done, the diagnostics
// written to the file the run file names (none when it names none or cannot be
// read). status 0 after a complete run, 1 otherwise; writeerror when the
// diagnostics cannot be written.
struct adapteroutcome {
    int status = 1;
    std::vector<diagline> lines;
    std::filesystem::path diagnostics;
};
adapteroutcome runadapter(const std::filesystem::path& runfile);

}  // namespace outlook
