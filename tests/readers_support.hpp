// Shared by the reader suites: a scratch working directory, a clean error state
// and registry, and the package's text-file forms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "support.hpp"

namespace testsupport {

// Failures leave their files open for the end of the run; UnitsTest closes them
// all, registered or not.
class ReaderTest : public UnitsTest {
protected:
    void SetUp() override {
        UnitsTest::SetUp();
        fcstutil::thislakedir.assign(80, ' ');
    }
    void TearDown() override {
        UnitsTest::TearDown();
        fcstutil::thislakedir.assign(80, ' ');
    }

    // Nothing registered and the first unit free again: every file was closed.
    static bool allclosed() { return keldautil::openedfiles == 0 && keldautil::getfreeunitnumber() == 201; }

    scratchdir dir;
};

// Lines joined with LF, or with CR LF as files from Windows have them.
inline std::string lf(std::initializer_list<std::string_view> lines) {
    std::string s;
    for (auto l : lines) s.append(l).append("\n");
    return s;
}
inline std::string crlf(std::initializer_list<std::string_view> lines) {
    std::string s;
    for (auto l : lines) s.append(l).append("\r\n");
    return s;
}

// What the console shows for these lines: each one blank, the text, a line end.
inline std::string console(std::initializer_list<std::string_view> lines) {
    std::string s;
    for (auto l : lines) s.append(" ").append(l).append("\n");
    return s;
}

}  // namespace testsupport
