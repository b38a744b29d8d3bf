// The numbers in the lines of a text, as every reader of the companion takes them.
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

}  // namespace outlook
