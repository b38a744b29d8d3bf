// Weights of the scenario years, from a CSV "year,weight".
#include <algorithm>
#include <cmath>
#include <map>

#include "iolayer/iolayer.hpp"
#include "outlook/input/input.hpp"

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

// The weights the file lists, by year.
std::map<std::int32_t, double> readweightsfile(const std::filesystem::path& file) {
    csvlines in(file);
    std::map<std::int32_t, double> weights;
    for (std::string_view line; in.next(line);) {
        const auto where = [&] { return in.where(); };
        if (in.number() == 1) {
            if (line != "year,weight") throw readerror(where() + "the header is not 'year,weight'");
            continue;
        }
        if (iolayer::trimright(line).empty()) continue;
        const std::size_t comma = line.find(',');
        std::int32_t year = 0;
        if (comma == std::string::npos || !iolayer::readint(line.substr(0, comma), year))
            throw readerror(where() + "not a year and a weight");
        const std::optional<double> read = finitenumber(line.substr(comma + 1));
        if (!read)
            throw readerror(where() + "the weight '" + std::string(line.substr(comma + 1)) + "' is not a number");
        const double weight = *read;
        if (weight < 0) throw readerror(where() + "the weight of " + std::to_string(year) + " is negative");
        if (!weights.emplace(year, weight).second) throw readerror(where() + std::to_string(year) + " is listed again");
    }
    if (in.number() == 0) throw readerror(file.string() + ": empty, not a CSV 'year,weight'");
    return weights;
}

}  // namespace

std::vector<double> readweights(const std::filesystem::path& file, std::span<const std::int32_t> years,
                                std::vector<std::string>& warnings) {
    const std::map<std::int32_t, double> listed = readweightsfile(file);
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
    if (!extra.empty())
        warnings.push_back(file.string() + ": the weights list years without a table: " + yearlist(extra));
    return weights;
}

}  // namespace outlook
