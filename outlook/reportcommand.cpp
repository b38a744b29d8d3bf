// rerove_outlook report: the page of an outlook, written whole.
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <system_error>

#include "outlook/outlook.hpp"

namespace outlook {
namespace {

// The moment the page is made, in UTC; SOURCE_DATE_EPOCH, when set, stands for
// it so that a page can be made again byte for byte.
std::string utcnow() {
    std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const long long seconds = std::strtoll(fixed, &end, 10);
        if (end != fixed && *end == '\0' && seconds >= 0) t = static_cast<std::time_t>(seconds);
    }
    std::tm utc{};
    ::gmtime_r(&t, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M UTC", &utc);
    return buffer;
}

}  // namespace

int writereport(const reportrequest& request) {
    const std::vector<std::string> inputs = {request.dir};
    const ensemble e = readensemble(inputs, request.lake);
    reportinputs in;
    // The directory as people find it again: absolute, without ./ and ../.
    std::error_code ec;
    const std::filesystem::path where = std::filesystem::absolute(request.dir, ec).lexically_normal();
    in.dir = ec ? request.dir : where.string();
    if (in.dir.size() > 1 && in.dir.back() == '/') in.dir.pop_back();
    in.made = utcnow();
    const std::string page = reportpage(outlookreport(e, in));
    writefile(request.output, page);
    std::cerr << request.output << ": report of " << e.years.size() << " scenario" << (e.years.size() == 1 ? "" : "s")
              << "\n";
    return 0;
}

}  // namespace outlook
