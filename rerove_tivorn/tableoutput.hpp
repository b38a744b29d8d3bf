// Where the table writer puts a table: under a temporary name beside the file
// that the table's name stands for, renamed over that file once the table is
// complete, so that a table's name always holds a whole table, this run's or
// the one it had before. No fsync: this guards against a stopped process, not a
// lost machine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace rerove_tivorn_subs::tableoutput {

// The routine that the table writer's messages and traceback lines name.
inline constexpr std::string_view label = "WrtTIVORN_Otlk_Daily";

// One table being written.
struct pendingtable {
    std::string name;                                   // the table's name, as its messages give it
    std::int32_t unit = 0;                              // open and registered while the table is written
    std::filesystem::path target;                       // the file replaced: the name, or where its link leads
    std::filesystem::path temporary;                    // the file written; empty when the target is written in place
    std::optional<std::filesystem::perms> permissions;  // of the file replaced
};

// Opens table name of the lake for writing on a registered unit. A name that
// holds nothing or a regular file, directly or at the end of a symbolic link,
// is written under a temporary name in that file's directory. A name that
// holds anything else (a FIFO, a device, a link that leads nowhere) is written
// in place, as it always was. A regular file must open for writing as it
// always had to, and a directory never does. False after a failure (reported).
bool opentable(std::int32_t lakeindex, std::string_view name, pendingtable& table);

// Closes a table written in full and renames it over its target, with the
// permission bits of the file it replaces. False after a failure (reported),
// with the temporary removed and the target as it was.
bool committable(pendingtable& table);

// Closes a table whose writing failed and removes its temporary: the target
// stays as it was.
void discardtable(pendingtable& table);

// Removes the lake's temporary tables that a stopped run left in dir (empty:
// the working directory); the other lakes' are left alone. Silent: what cannot
// be removed stays.
void removeleftovers(std::int32_t lakeindex, const std::filesystem::path& dir = {});

}  // namespace rerove_tivorn_subs::tableoutput
