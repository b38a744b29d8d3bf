// Command-line words and ASCII case folding.
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace keldautil {

void parsecmdline(std::string_view line, std::span<std::string> args, std::int32_t& count) {
    for (auto& a : args) a.assign(a.size(), ' ');
    const std::string_view text = iolayer::trimright(line);
    count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i == text.size()) break;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ') ++i;
        if (count < INT32_MAX) ++count;
        if (static_cast<std::size_t>(count) <= args.size()) {
            iolayer::assign(args[static_cast<std::size_t>(count) - 1], text.substr(start, i - start));
        }
    }
}

bool parsecmdlineonearg(std::string_view cline, std::int32_t n, std::string& param) {
    param.assign(param.size(), ' ');
    if (n < 1) return false;
    const std::string_view text = iolayer::trimright(cline);
    std::size_t i = 0;
    for (std::int32_t k = 1;; ++k) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i == text.size()) return false;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ') ++i;
        if (k == n) {
            iolayer::assign(param, text.substr(start, i - start));
            return true;
        }
    }
}

void caps(std::string& s) {
    const std::size_t n = iolayer::trimmedlength(s);
    for (std::size_t i = 0; i < n; ++i) {
        if (s[i] >= 'a' && s[i] <= 'z') s[i] = static_cast<char>(s[i] - 32);
    }
}

void small(std::string& s) {
    const std::size_t n = iolayer::trimmedlength(s);
    for (std::size_t i = 0; i < n; ++i) {
        if (s[i] >= 'A' && s[i] <= 'Z') s[i] = static_cast<char>(s[i] + 32);
    }
}

void uppercase(std::string& s) { caps(s); }

void lowercase(std::string& s) { small(s); }

}  // namespace keldautil
