// Weights of scenario years, as a CSV "year,weight".
#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>

#include "iolayer/iolayer.hpp"
#include "outlook/outlook.hpp"

namespace outlook {
namespace {

std::string yearlist(const std::vector<std::int32_t>& years) {
    std::string out;
    for (const std::int32_t y : years) {
        if (!out.empty()) out += ' ';
        out += std::to_string(y);
    }
    return out;
}

bool readnumber(std::string_view text, double& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

}  // namespace

std::map<std::int32_t, double> readweightsfile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw readerror(file.string() + ": cannot be opened");
    std::map<std::int32_t, double> weights;
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto where = [&] { return file.string() + " line " + std::to_string(number) + ": "; };
        if (number == 1) {
            std::string_view head(line);
            if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);  // a byte-order mark
            if (head != "year,weight") throw readerror(where() + "the header is not 'year,weight'");
            continue;
        }
        if (iolayer::trimright(line).empty()) continue;
        const std::size_t comma = line.find(',');
        std::int32_t year = 0;
        double weight = 0;
        const std::string_view text(line);
        if (comma == std::string::npos || !iolayer::readint(text.substr(0, comma), year))
            throw readerror(where() + "not a year and a weight");
        if (!readnumber(text.substr(comma + 1), weight))
            throw readerror(where() + "the weight '" + line.substr(comma + 1) + "' is not a number");
        if (weight < 0) throw readerror(where() + "the weight of " + std::to_string(year) + " is negative");
        if (!weights.emplace(year, weight).second) throw readerror(where() + std::to_string(year) + " is listed again");
    }
    if (number == 0) throw readerror(file.string() + ": empty, not a CSV 'year,weight'");
    if (in.bad()) throw readerror(file.string() + ": cannot be read");
    return weights;
}

std::vector<double> weightsofyears(const std::map<std::int32_t, double>& listed, std::span<const std::int32_t> years,
                                   std::vector<std::string>& warnings) {
    std::vector<double> weights;
    std::vector<std::int32_t> missing;
    double total = 0;
    for (const std::int32_t year : years) {
        const auto found = listed.find(year);
        if (found == listed.end()) {
            missing.push_back(year);
            continue;
        }
        weights.push_back(found->second);
        total += found->second;
    }
    if (!missing.empty()) throw readerror("the weights do not list the scenario years " + yearlist(missing));
    if (total == 0) throw readerror("the weights of the scenario years are all 0");
    std::vector<std::int32_t> extra;
    for (const auto& [year, weight] : listed) {
        if (std::find(years.begin(), years.end(), year) == years.end()) extra.push_back(year);
    }
    if (!extra.empty()) warnings.push_back("the weights list years without a table: " + yearlist(extra));
    return weights;
}

}  // namespace outlook
