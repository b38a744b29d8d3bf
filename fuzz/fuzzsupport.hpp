// What the fuzz targets share: taking typed values from the input bytes, a
// scratch directory of the process, the captured console and the checks that
// hold after every input. The process state is put back between inputs with
// processstate::reset, as the tests do between tests.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "errorprocess/errorprocess.hpp"
#include "fcstutil/fcstutil.hpp"
#include "keldautil/keldautil.hpp"
#include "tests/processstate.hpp"

namespace fuzzsupport {

// Takes values from the front of the input; past its end every value is 0.
class inputbytes {
public:
    inputbytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }

    std::uint8_t byte() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }
    template <typename T>
    T value() {
        T v{};
        const std::size_t n = std::min(sizeof v, size_);
        std::memcpy(&v, data_, n);
        data_ += n;
        size_ -= n;
        return v;
    }
    // At most n bytes as text.
    std::string_view text(std::size_t n) {
        n = std::min(n, size_);
        std::string_view t(reinterpret_cast<const char*>(data_), n);
        data_ += n;
        size_ -= n;
        return t;
    }
    std::string_view rest() { return text(size_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// Stops the process with a message on standard error, so that the fuzzer keeps
// the input as a finding.
[[noreturn]] inline void fault(std::string_view what, std::string_view detail = {}) {
    std::fprintf(stderr, "fuzz property broken: %.*s\n%.*s\n", static_cast<int>(what.size()), what.data(),
                 static_cast<int>(detail.size()), detail.data());
    std::abort();
}

inline void require(bool holds, std::string_view what, std::string_view detail = {}) {
    if (!holds) fault(what, detail);
}

// A directory of this process under TMPDIR, removed at exit.
inline const std::filesystem::path& scratch() {
    static const std::filesystem::path dir = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "rtfuzzXXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) fault("cannot make a scratch directory", tmpl);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(scratch(), ec);
        });
        return std::filesystem::path(tmpl);
    }();
    return dir;
}

inline void writefile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) fault("cannot write", path.string());
}

inline std::string readfile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Standard output goes to a file of the scratch directory; take() returns what
// was printed since the last take().
class consolefile {
public:
    consolefile() {
        std::fflush(stdout);
        const std::string path = (scratch() / "console.txt").string();
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0) fault("cannot capture the console", path);
        ::close(fd);
    }
    std::string take() {  // NOLINT(readability-convert-member-functions-to-static): reads what this object redirected
        std::fflush(stdout);
        std::string text;
        char buf[4096];
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(STDOUT_FILENO, buf, sizeof buf, at);
            if (n <= 0) break;
            text.append(buf, static_cast<std::size_t>(n));
            at += n;
        }
        if (::ftruncate(STDOUT_FILENO, 0) != 0) fault("cannot empty the console file");
        return text;
    }
};

// After the registry's files are closed no unit may stay connected: a unit that
// is open but not registered is a leak that no closing at the end of a run
// reaches.
inline void requirenounitsopen() {
    for (std::int32_t unit = keldautil::firstunitnumber; unit <= keldautil::lastunitnumber; ++unit) {
        require(!processstate::unitopen(unit), "a unit stays open outside the registry", std::to_string(unit));
    }
    require(!processstate::unitopen(fcstutil::errorfileunit), "the error file's unit stays open");
}

}  // namespace fuzzsupport

namespace fuzzsupport {

// Works in dir until destroyed, then returns to where the process was: the
// fuzzer writes its findings by relative names.
class indirectory {
public:
    explicit indirectory(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~indirectory() { std::filesystem::current_path(previous_); }
    indirectory(const indirectory&) = delete;
    indirectory& operator=(const indirectory&) = delete;

private:
    std::filesystem::path previous_;
};

// After a reader: its failure left errorlevel 1 and printed a message, its
// success neither; once the registry's files are closed nothing stays open.
// Then the state is reset for the next input.
inline void requirereaderend(consolefile& console, bool failed) {
    const std::string printed = console.take();
    if (failed) {
        require(errorprocess::errorlevel == 1, "a reader failed without errorlevel 1");
        require(!printed.empty() && !errorprocess::errormessage.trimmed().empty(), "a reader failed silently");
    } else {
        require(errorprocess::errorlevel == 0, "a reader set errorlevel and gave a result");
    }
    keldautil::closeallfiles();
    requirenounitsopen();
    processstate::reset();
}

// Runs read, which calls a reader of the companion; the reader throws one of
// Refusals when it does not read. Gives false after a refusal, which must name
// the file; any other exception breaks the property. Either way the reader
// printed nothing and left no failure.
template <typename... Refusals, typename Read>
bool companionreads(consolefile& console, std::string_view name, Read read) {
    static_assert(sizeof...(Refusals) > 0, "a reader refuses with some exception");
    bool done = true;
    try {
        read();
    } catch (const std::exception& e) {
        const bool refusal = ((dynamic_cast<const Refusals*>(&e) != nullptr) || ...);
        if (!refusal) fault("an exception other than a refusal", e.what());
        require(std::string_view(e.what()).starts_with(name), "a refusal that does not name the file", e.what());
        done = false;
    } catch (...) {
        fault("an exception that is not a std::exception");
    }
    require(console.take().empty(), "a reader of the companion printed");
    require(errorprocess::errorlevel == 0, "a reader of the companion left a failure");
    return done;
}

// Splits the input at the first separator line into a file and the rest.
inline std::pair<std::string_view, std::string_view> splitat(std::string_view input, std::string_view separator) {
    const std::size_t at = input.find(separator);
    if (at == std::string_view::npos) return {input, {}};
    return {input.substr(0, at), input.substr(at + separator.size())};
}

}  // namespace fuzzsupport
