// The lakes of the tool: the parts each is assembled from, and its code.
#include "fcstutil/fcstutil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

namespace rerove_tivorn_subs {

bool lakeparts(std::int32_t lakeindex, LakeParts& lake) {
    switch (lakeindex) {
        case 1: lake = {1, 1, {1, 0, 0}}; return true;
        case 2: lake = {8, 3, {2, 3, 4}}; return true;
        case 3: lake = {5, 1, {5, 0, 0}}; return true;
        case 4: lake = {6, 1, {6, 0, 0}}; return true;
        case 5: lake = {7, 1, {7, 0, 0}}; return true;
        default: return false;
    }
}

std::int32_t lakeindexofcode(std::string_view code) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::int32_t i = 1; i <= fcstutil::numlevellakes; ++i) {
        const std::string& known = fcstutil::levlkcode3[at(i)];  // lower case
        if (code.size() != known.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < known.size(); ++k) same = same && lower(code[k]) == known[k];
        if (same) return i;
    }
    return 0;
}

std::int32_t lakeindexof(std::string_view argument) { return lakeindexofcode(argument.substr(0, 3)); }

}  // namespace rerove_tivorn_subs
