// Whole-file operations (delete, rename, copy) and the cancellation checks.
//
// Everything is done natively: names never reach a command interpreter, and
// wildcards are matched here, in the directory the name gives, so no listing
// file is written anywhere.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "errorprocess/errorprocess.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace keldautil {
namespace {

namespace fs = std::filesystem;

// Bytes collected before the target is written; any size keeps the copy exact.
constexpr std::size_t copyblock = std::size_t{64} * 1024;

// A name as the caller wrote it (for messages) and the path it stands for here.
struct namedfile {
    std::string given;  // without trailing blanks
    std::string path;   // backslashes as slashes; empty when it names no file
};

namedfile filename(std::string_view name) {
    namedfile f;
    f.given = std::string(iolayer::trimright(name));
    // A NUL would cut the name short in every system call.
    if (f.given.find('\0') == std::string::npos) f.path = hostpath(f.given);
    return f;
}

bool isregularfile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

// One file a name stands for: where it is, and how to name it in a message.
struct matchedfile {
    std::string path;
    std::string shown;
};

// The regular files that name stands for: the file itself, or, when the last
// part of the name holds * or ?, the matching files of the directory before it.
std::vector<matchedfile> matchingfiles(const namedfile& f) {
    std::vector<matchedfile> found;
    const std::size_t slash = f.path.rfind('/');
    const std::size_t cut = slash == std::string::npos ? 0 : slash + 1;
    const std::string_view dir = std::string_view(f.path).substr(0, cut);
    const std::string_view pattern = std::string_view(f.path).substr(cut);
    if (pattern.empty()) return found;  // no name, or a directory name ending in a separator

    if (pattern.find_first_of("*?") == std::string_view::npos) {
        if (isregularfile(f.path)) found.push_back({f.path, f.given});
        return found;
    }
    std::vector<std::string> names;
    if (iolayer::listfiles(dir, pattern, names) != iolayer::Status::ok) return found;  // no such directory
    found.reserve(names.size());
    for (const auto& name : names) {
        found.push_back({std::string(dir) + name, f.given.substr(0, cut) + name});
    }
    return found;
}

// False when the file is still there afterwards.
bool removefile(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
    return !ec;
}

void reportdeletion(const std::string& shown) { errorprocess::raiseerror("Error deleting " + shown); }

// Opens the source of a copy in one-byte records on a registered unit; -1
// after a failure (raised).
std::int32_t opensource(const namedfile& source) {
    const std::int32_t in = getfreeunitnumber();
    if (errorprocess::errorlevel != 0) return -1;
    // Only a regular file has an end: a device or a pipe could feed the copy forever.
    if (!isregularfile(source.path) || iolayer::openexisting(in, source.path, iolayer::Access::direct,
                                                             iolayer::Action::read, 1) != iolayer::Status::ok) {
        errorprocess::raiseerror("Error opening " + source.given + " for copy.");
        return -1;
    }
    (void)filewasopened(in);  // a failure to register is raised there
    return errorprocess::errorlevel != 0 ? -1 : in;
}

// Creates the target of a copy in one-byte records on a registered unit; -1
// after a failure (raised). madetarget tells whether the target was created.
std::int32_t opentarget(const namedfile& source, const namedfile& target, bool& madetarget) {
    const std::int32_t out = getfreeunitnumber();
    if (errorprocess::errorlevel != 0) return -1;
    // Creating the target anew would empty a source that is the same file.
    std::error_code ec;
    const bool samefile = !target.path.empty() && fs::equivalent(source.path, target.path, ec);
    if (samefile || iolayer::createfile(out, target.path, iolayer::Access::direct, true, 1) != iolayer::Status::ok) {
        errorprocess::raiseerror("Error opening " + target.given + " for copy.");
        return -1;
    }
    madetarget = true;
    (void)filewasopened(out);  // a failure to register is raised there
    return errorprocess::errorlevel != 0 ? -1 : out;
}

// Copies the one-byte records of in to out, numbered from 1, in blocks. A
// failed read is the end of the source. False when a write fails or the source
// is longer than record numbers reach.
bool copyrecords(std::int32_t in, std::int32_t out, const std::string& sourcepath) {
    constexpr std::int32_t lastrecord = std::numeric_limits<std::int32_t>::max();
    std::vector<std::byte> filebuffer;
    filebuffer.reserve(copyblock);
    std::int64_t nextout = 1;  // record number of filebuffer's first byte
    bool writefailed = false;
    const auto flush = [&] {
        if (filebuffer.empty()) return;
        if (iolayer::writerecords(out, static_cast<std::int32_t>(nextout), filebuffer) != iolayer::Status::ok) {
            writefailed = true;
        }
        nextout += static_cast<std::int64_t>(filebuffer.size());
        filebuffer.clear();
    };
    std::array<std::byte, 1> record{};
    for (std::int32_t n = 1; !writefailed; ++n) {
        if (iolayer::readrecord(in, n, record) != iolayer::Status::ok) break;
        filebuffer.push_back(record[0]);
        if (filebuffer.size() == copyblock) flush();
        if (n == lastrecord) {
            // A longer source would need records past the last number.
            std::error_code sizeec;
            const std::uintmax_t size = fs::file_size(sourcepath, sizeec);
            if (!sizeec && size > static_cast<std::uintmax_t>(lastrecord)) writefailed = true;
            break;
        }
    }
    if (!writefailed) flush();
    return !writefailed;
}

// Copies source to target. madetarget tells whether the target was created (or
// emptied) by this call, which is what a failed copy may clean up. After a
// failure the units stay open and registered until closeallfiles.
void copybytes(const namedfile& source, const namedfile& target, bool& madetarget) {
    madetarget = false;
    if (!iolayer::fileexists(source.path)) {
        errorprocess::raiseerror("Error copying file.  " + source.given + " does not exist.");
        return;
    }
    const std::int32_t in = opensource(source);
    if (in < 0) return;
    const std::int32_t out = opentarget(source, target, madetarget);
    if (out < 0) return;
    if (!copyrecords(in, out, source.path)) {
        errorprocess::raiseerror("Error writing to " + target.given + " for copy.");
        return;
    }
    closeregistered(in);
    const bool closed = iolayer::closeunit(out) == iolayer::Status::ok;
    (void)filewasclosed(out);  // registered above
    // A close that fails may have lost what was written.
    if (!closed) errorprocess::raiseerror("Error writing to " + target.given + " for copy.");
}

}  // namespace

std::string hostpath(std::string_view name) {
    std::string path(iolayer::trimright(name));
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool userrequestedtermination() {
    const bool cancel = iolayer::fileexists(cancelfilename);
    if (cancel) {
        errorprocess::raiseerror("User canceled the process.", 9999);
    }
    return cancel;
}

bool userwantstocancel() {
    const bool cancel = iolayer::fileexists(cancelfilename);
    if (cancel) {
        errorprocess::raiseerror("User has requested that the procedure be cancelled.", -99);
    }
    return cancel;
}

void deletefile_system(std::string_view name) {
    for (const auto& m : matchingfiles(filename(name))) (void)removefile(m.path);
}

void deletefile(std::string_view name) {
    for (const auto& m : matchingfiles(filename(name))) {
        if (!removefile(m.path)) {
            reportdeletion(m.shown);
            return;
        }
    }
}

void rename_system(std::string_view oldname, std::string_view newname, bool& done) {
    const namedfile from = filename(oldname);
    const namedfile to = filename(newname);
    // A missing old file leaves an existing target alone. The rename replaces a
    // file of the new name in one step; it fails, unreported, onto a directory.
    if (!to.path.empty() && isregularfile(from.path)) {
        std::error_code ec;
        fs::rename(from.path, to.path, ec);
    }
    done = true;
}

void renamefile(std::string_view oldname, std::string_view newname, bool& done) {
    done = false;
    const namedfile from = filename(oldname);
    const namedfile to = filename(newname);

    bool madetarget = false;
    copybytes(from, to, madetarget);
    if (errorprocess::errorlevel != 0) {
        // Only a partial copy made here goes: not a file that had the new name
        // before a copy that never reached it, nor a device written through.
        std::error_code ec;
        if (madetarget && fs::symlink_status(to.path, ec).type() == fs::file_type::regular && !removefile(to.path)) {
            reportdeletion(to.given);
        }
        return;
    }

    // The file just copied, by its own name: its name is no pattern here.
    std::error_code ec;
    const bool gone = isregularfile(from.path) ? removefile(from.path) : !fs::exists(fs::symlink_status(from.path, ec));
    if (!gone) {
        reportdeletion(from.given);
        return;
    }
    done = true;
}

void copyfile(std::string_view source, std::string_view target) {
    bool madetarget = false;
    copybytes(filename(source), filename(target), madetarget);
}

}  // namespace keldautil
