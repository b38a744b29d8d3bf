// The small CSV files a forecaster gives the companion: weights, observations,
// climate outlooks. One way to read their lines, numbers and dates.
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

#include "keldautil/keldautil.hpp"
#include "outlook/outlook.hpp"

namespace outlook {

std::optional<double> finitenumber(std::string_view text) {
    double v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || ptr != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::int32_t> dayofisodate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t length) {
        std::int32_t v = 0;
        for (std::size_t k = at; k < at + length; ++k) {
            if (text[k] < '0' || text[k] > '9') return -1;
            v = v * 10 + (text[k] - '0');
        }
        return v;
    };
    const std::int32_t year = number(0, 4), month = number(5, 2), day = number(8, 2);
    if (year < 1 || year > 2999 || month < 1 || month > 12 || day < 1 || day > keldautil::daysinmonth(month, year))
        return std::nullopt;
    std::int32_t seq = 0;
    keldautil::datesequence(day, month, year, seq);
    return seq;
}

csvlines::csvlines(const std::filesystem::path& file) : name_(file.string()) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw readerror(name_ + ": cannot be opened");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) throw readerror(name_ + ": cannot be read");
    text_ = bytes.str();
}

bool csvlines::next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
    line = std::string_view(text_).substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (number_ == 0 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);  // a byte-order mark
    pos_ = end + 1;
    ++number_;
    return true;
}

std::string csvlines::where() const { return name_ + " line " + std::to_string(number_) + ": "; }

}  // namespace outlook
