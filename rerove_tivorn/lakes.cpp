// The lakes of the tool: the parts each is assembled from, and its code.
#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
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

namespace {

static_assert(numlakes == fcstutil::numlevellakes, "the tool takes the level lakes");

bool islake(std::int32_t lakeindex) { return lakeindex >= 1 && lakeindex <= fcstutil::numlevellakes; }

// Whether text is known (lower case) with its ASCII letters in any case.
bool sameletters(std::string_view text, std::string_view known) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (text.size() != known.size()) return false;
    for (std::size_t k = 0; k < known.size(); ++k) {
        if (lower(text[k]) != known[k]) return false;
    }
    return true;
}

}  // namespace

std::int32_t lakeindexofcode(std::string_view code) {
    for (std::int32_t i = 1; i <= fcstutil::numlevellakes; ++i) {
        if (sameletters(code, fcstutil::levlkcode3[at(i)])) return i;
    }
    return 0;
}

std::int32_t lakeindexof(std::string_view argument) { return lakeindexofcode(argument.substr(0, 3)); }

std::string lakecode(std::int32_t lakeindex) {
    if (!islake(lakeindex)) return {};
    std::string code = fcstutil::levlkcode3[at(lakeindex)];
    for (char& c : code) c = static_cast<char>(c - 'a' + 'A');
    return code;
}

std::string lakename(std::int32_t lakeindex) {
    return islake(lakeindex) ? std::string(iolayer::trimright(fcstutil::levlkname10[at(lakeindex)])) : std::string();
}

std::string tablelakename(std::int32_t lakeindex) {
    return islake(lakeindex) ? fcstutil::levlkname10[at(lakeindex)].substr(0, 8) : std::string();
}

std::string fulllakename(std::int32_t lakeindex) {
    LakeParts lake;
    if (!lakeparts(lakeindex, lake)) return {};
    return std::string(iolayer::trimright(fcstutil::fulllakename[at(lake.fcstlake)]));
}

std::int32_t lakeindexoftablename(std::string_view name) {
    for (std::int32_t i = 1; i <= fcstutil::numlevellakes; ++i) {
        if (iolayer::trimright(tablelakename(i)) == name) return i;
    }
    return 0;
}

std::string partcode(std::int32_t part) {
    return part >= 1 && part <= fcstutil::numfcstlakes ? fcstutil::lakename3[at(part)] : std::string();
}

std::int32_t partofcode(std::int32_t lakeindex, std::string_view code) {
    LakeParts lake;
    if (!lakeparts(lakeindex, lake)) return 0;
    for (std::int32_t j = 1; j <= lake.count; ++j) {
        if (sameletters(code, fcstutil::lakename3[at(lake.parts[at(j)])])) return lake.parts[at(j)];
    }
    return 0;
}

}  // namespace rerove_tivorn_subs
