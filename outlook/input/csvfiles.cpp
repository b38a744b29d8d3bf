// The small CSV files a forecaster gives the companion, read whole.
#include <fstream>
#include <sstream>

#include "outlook/input/input.hpp"

namespace outlook {

csvlines::csvlines(const std::filesystem::path& file) : name_(file.string()) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw readerror(name_ + ": cannot be opened");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) throw readerror(name_ + ": cannot be read");
    text_ = bytes.str();
    lines_ = textlines(text_);
}

bool csvlines::next(std::string_view& line) {
    if (!lines_.next(line)) return false;
    if (lines_.number() == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);  // a byte-order mark
    return true;
}

std::string csvlines::where() const { return name_ + " line " + std::to_string(lines_.number()) + ": "; }

std::vector<std::string_view> csvfields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t from = 0;;) {
        const std::size_t comma = line.find(',', from);
        fields.push_back(line.substr(from, comma - from));
        if (comma == std::string_view::npos) return fields;
        from = comma + 1;
    }
}

}  // namespace outlook
