// Files mapped into memory or read whole, and the dates of their lines.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "outlook/input/input.hpp"

namespace outlook {

filebytes::filebytes(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw readerror(file.string() + ": cannot be opened");
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        size_ = static_cast<std::size_t>(st.st_size);
        // Populated in one call: a document read through once would otherwise fault in a page at a time.
        map_ = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map_ == MAP_FAILED) map_ = nullptr;
    }
    if (map_ != nullptr) {
        ::madvise(map_, size_, MADV_SEQUENTIAL);
        view_ = std::string_view(static_cast<const char*>(map_), size_);
    } else {
        char buffer[1 << 16];
        ::ssize_t n = 0;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0) read_.append(buffer, static_cast<std::size_t>(n));
        if (n < 0) {
            ::close(fd);
            throw readerror(file.string() + ": cannot be read");
        }
        view_ = read_;
    }
    ::close(fd);
}

filebytes::~filebytes() {
    if (map_ != nullptr) ::munmap(map_, size_);
}

std::optional<std::int32_t> isodays::of(std::string_view text) {
    const auto digit = [&](std::size_t k) { return text[k] >= '0' && text[k] <= '9'; };
    std::uint64_t month = 0;  // the 8 characters as one word, compared at once
    if (text.size() == 10) std::memcpy(&month, text.data(), sizeof month);
    if (text.size() == 10 && beforemonth_ >= 0 && month == month_ && digit(8) && digit(9)) {
        const std::int32_t day = (text[8] - '0') * 10 + (text[9] - '0');
        if (day >= 1 && day <= 28) return beforemonth_ + day;  // a day every month has
    }
    const std::optional<std::int32_t> day = dayofisodate(text);
    if (day) {
        std::memcpy(&month_, text.data(), sizeof month_);
        beforemonth_ = *day - ((text[8] - '0') * 10 + (text[9] - '0'));
    }
    return day;
}

}  // namespace outlook
