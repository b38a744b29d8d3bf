// The lines of a text and the numbers in them, as every reader of the companion
// takes them.
#include <charconv>
#include <cmath>

#include "outlook/model/model.hpp"

namespace outlook {

std::optional<double> finitenumber(std::string_view text) {
    double v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || ptr != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

bool textlines::next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end + 1;
    ++number_;
    return true;
}

}  // namespace outlook
