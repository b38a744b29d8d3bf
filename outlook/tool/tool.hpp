// outlook tool: rerove_tivorn as the companion runs it, for a hindcast or a
// forecasting system's run: started directly (posix_spawn, never through a shell)
// in a directory, its console lines and exit status collected.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "outlook/model/model.hpp"

namespace outlook {

// The rerove_tivorn this companion runs: the one beside the running program, else
// the one this build made (its path compiled in); unavailable when neither is.
std::filesystem::path toolprogram();

// What one run of the tool gave.
struct toolrun {
    int status = -1;      // its exit status; -1 when a signal ended it
    std::string console;  // its standard output: the console lines, each " text\n"
};

// Runs `rerove_tivorn lakecode` in dir and waits for it; failure when it cannot be
// started.
toolrun runtool(const std::filesystem::path& program, std::string_view lakecode, const std::filesystem::path& dir);

}  // namespace outlook
