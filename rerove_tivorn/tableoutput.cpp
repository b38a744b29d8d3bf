// Tables written under a temporary name and renamed into place when complete.
#include "rerove_tivorn/tableoutput.hpp"

#include <system_error>
#include <vector>

#include <unistd.h>

#include "errorprocess/errorprocess.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace rerove_tivorn_subs::tableoutput {
namespace {

namespace fs = std::filesystem;
using errorprocess::errorlevel;

enum class placement { replaced, inplace, unopenable };

// Decides where the table goes (see opentable). A regular file is opened once
// for writing, as the writer always did, so that one it could not write fails
// as before; nothing else is opened here: opening a FIFO would wake its reader.
placement placetable(std::int32_t lakeindex, pendingtable& table) {
    std::error_code ec;
    table.target = table.name;
    if (fs::exists(fs::symlink_status(table.name, ec))) {
        const fs::file_status file = fs::status(table.name, ec);
        if (fs::is_directory(file)) return placement::unopenable;
        if (!fs::is_regular_file(file)) return placement::inplace;
        if (iolayer::openexisting(table.unit, table.name, iolayer::Access::sequential, iolayer::Action::readwrite) !=
            iolayer::Status::ok) {
            return placement::unopenable;
        }
        (void)iolayer::closeunit(table.unit);  // opened only to learn that it opens
        if (fs::is_symlink(fs::symlink_status(table.name, ec))) {
            table.target = fs::canonical(table.name, ec);
            if (ec) return placement::inplace;
            removeleftovers(lakeindex, table.target.parent_path());
        }
        table.permissions = file.permissions();
    }
    table.temporary = table.target.parent_path() / tabletemporary(table.name, ::getpid());
    return placement::replaced;
}

}  // namespace

// The table is created, so it is opened and registered here rather than through
// openregistered, which opens existing files for reading.
bool opentable(std::int32_t lakeindex, std::string_view name, pendingtable& table) {
    table = pendingtable{};
    table.name = std::string(name);
    table.unit = keldautil::getfreeunitnumber();
    if (errorlevel != 0) {
        errorprocess::traceback(label);
        return false;
    }
    const placement where = placetable(lakeindex, table);
    // A temporary is made new, never one of that name that was put there. Where
    // none can be made (a directory the run may not write to, at the end of a
    // link), the table is written in place, as it was before temporaries.
    if (where == placement::replaced &&
        iolayer::createfile(table.unit, table.temporary.string(), iolayer::Access::sequential, false) !=
            iolayer::Status::ok) {
        table.temporary.clear();
    }
    if (where == placement::unopenable ||
        (table.temporary.empty() &&
         iolayer::createfile(table.unit, table.target.string(), iolayer::Access::sequential) != iolayer::Status::ok)) {
        table.temporary.clear();
        errorprocess::raiseerrorin(label, {"RerOve_TIVORN: Error opening " + table.name});
        return false;
    }
    if (table.permissions) {
        std::error_code ec;
        fs::permissions(table.temporary, *table.permissions, ec);  // without them, the bits of a new file
    }
    (void)keldautil::filewasopened(table.unit);  // its failure is raised there
    if (errorlevel != 0) {
        discardtable(table);
        errorprocess::traceback(label);
        return false;
    }
    return true;
}

bool committable(pendingtable& table) {
    // Pending output reaches the file here; a full disk shows now at the latest.
    const bool closed = iolayer::closeunit(table.unit) == iolayer::Status::ok;
    (void)keldautil::filewasclosed(table.unit);  // registered by opentable
    std::error_code ec;
    if (closed && !table.temporary.empty()) fs::rename(table.temporary, table.target, ec);
    if (closed && !ec) return true;
    if (!table.temporary.empty()) fs::remove(table.temporary, ec);
    errorprocess::raiseerrorin(label, {"RerOve_TIVORN: Error writing " + table.name});
    return false;
}

void discardtable(pendingtable& table) {
    const iolayer::Disposition what =
        table.temporary.empty() ? iolayer::Disposition::keep : iolayer::Disposition::remove;
    (void)iolayer::closeunit(table.unit, what);  // the table failed: what it holds is not wanted
    (void)keldautil::filewasclosed(table.unit);
}

void removeleftovers(std::int32_t lakeindex, const std::filesystem::path& dir) {
    std::vector<std::string> names;
    if (iolayer::listfiles(dir.string(), temporarypattern(lakeindex), names) != iolayer::Status::ok) return;
    for (const std::string& name : names) {
        std::error_code ec;
        fs::remove(dir / name, ec);
    }
}

}  // namespace rerove_tivorn_subs::tableoutput
