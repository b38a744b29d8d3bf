// Helpers shared by the test suites: scratch directories, whole-file access and
// a file size limit.
#pragma once

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "processstate.hpp"

namespace testsupport {

// A fresh directory that becomes the working directory for the lifetime of the
// object; the previous working directory is restored and the directory removed.
class scratchdir {
public:
    scratchdir() : previous_(std::filesystem::current_path()) {
        std::string tmpl = (std::filesystem::temp_directory_path() / "rtXXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        path_ = tmpl;
        std::filesystem::current_path(path_);
    }
    ~scratchdir() {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    scratchdir(const scratchdir&) = delete;
    scratchdir& operator=(const scratchdir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

inline std::string readfile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writefile(const std::filesystem::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Lowers the size any file of this process may grow to, while it lives, as a
// full disk would; writes past it fail instead of raising a signal.
class filesizelimit {
public:
    explicit filesizelimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lower = saved_;
        lower.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lower);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~filesizelimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    filesizelimit(const filesizelimit&) = delete;
    filesizelimit& operator=(const filesizelimit&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

// Clears the error state before a test and captures what the test prints.
class ErrorStateTest : public ::testing::Test {
protected:
    void SetUp() override { processstate::clearerror(); }
    static void capture() { ::testing::internal::CaptureStdout(); }
    static std::string captured() { return ::testing::internal::GetCapturedStdout(); }
};

// As ErrorStateTest, from the state a program starts with, and back to it
// afterwards: every unit the test left open is closed.
class UnitsTest : public ErrorStateTest {
protected:
    void SetUp() override { processstate::reset(); }
    void TearDown() override { processstate::reset(); }
};

}  // namespace testsupport
