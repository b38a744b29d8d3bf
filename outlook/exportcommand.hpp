// rerove_outlook export: the subcommand's options and what it does, for main.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace outlook {

struct exportrequest {
    std::string format;
    std::string output;
    std::string lake;
    std::string weights;
    std::vector<std::string> tables;
};

// Adds the subcommand to app, its options bound to request.
CLI::App* addexportcommand(CLI::App& app, exportrequest& request);
// Writes the export; readerror on bad input. The exit status.
int exportcommand(const exportrequest& request);

}  // namespace outlook
