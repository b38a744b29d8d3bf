// make_scenarios: writes a plausible set of daily scenario files for one lake, or
// the historical traces of a monthly record, to try the tool on (see usage text).
// Exit status 0 on success, 1 when a file cannot be written, 2 for bad arguments
// (a record that cannot be used, that lacks a year's months or the month before
// the outlook, or that cannot be fitted for --condition, among them).
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "errorprocess/errorprocess.hpp"
#include "make_scenarios/scenariofiles.hpp"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        scenariofiles::scenariorequest request;
        std::string error;
        if (!scenariofiles::parsearguments(args, request, error)) {
            errorprocess::consoleline("make_scenarios: " + error);
            errorprocess::consoleline("Try make_scenarios --help");
            return 2;
        }
        if (request.help) {
            for (const std::string& line : scenariofiles::usagetext()) errorprocess::consoleline(line);
            return 0;
        }
        std::int32_t written = 0;
        if (!scenariofiles::writescenarios(request, written, error)) {
            errorprocess::consoleline("make_scenarios: " + error);
            return 1;
        }
        errorprocess::consoleline(scenariofiles::summary(request, written));
        return 0;
    } catch (const std::exception& e) {
        errorprocess::consoleline(std::string("make_scenarios: ") + e.what());
        return 1;
    }
}
