// fcstutil: lake and month reference tables, directory variables, the error file
// and the readers of the forecast package's files.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace fcstutil {

// ===========================================================================
// Level-lake tables, by lake index 1 to 5 (C++ index lake - 1)
// ===========================================================================

inline constexpr std::int32_t numlevellakes = 5;

inline const std::array<std::string, 5> levlkcode2 = {"sp", "mh", "sc", "er", "on"};
inline const std::array<std::string, 5> levlkcode3 = {"sup", "mhu", "stc", "eri", "ont"};
inline const std::array<std::string, 5> levlkname10 = {"Superior  ", "Mich-Huron", "Stclair   ", "Erie      ",
                                                       "Ontario   "};

// ===========================================================================
// Forecast-lake tables, by forecast-lake number 1 to 13 (14: not found)
// ===========================================================================

inline constexpr std::int32_t numfcstlakes = 13;
inline constexpr std::int32_t lakenotfound = 14;

inline const std::array<std::string, 13> lakename2 = {"sp", "mi", "hu", "gb", "sc", "er", "on",
                                                      "mh", "ch", "ur", "em", "vo", "hg"};
inline const std::array<std::string, 14> lakename3 = {"sup", "mic", "hur", "geo", "stc", "eri", "ont",
                                                      "mhu", "cha", "ura", "emb", "vol", "hgb", "***"};
inline const std::array<std::string, 13> lakename10 = {
    "Superior  ", "Michigan  ", "Huron     ", "Georgian  ", "St. Clair ", "Erie      ", "Ontario   ",
    "Mich-Huron", "Champlain ", "Ural      ", "Emba      ", "Volga     ", "HurAndGeoB"};
inline const std::array<std::string, 13> fulllakename = {
    "Lake Superior      ", "Lake Michigan      ", "Lake Huron (no GB) ", "Georgian Bay       ", "Lake St. Clair     ",
    "Lake Erie          ", "Lake Ontario       ", "Lake Michigan-Huron", "Lake Champlain     ", "Ural River         ",
    "Emba River         ", "Volga River        ", "Lake Huron (and GB)"};
inline constexpr std::array<bool, 14> validlake = {true,  true,  true,  true,  true,  true,  true,
                                                   false, false, false, false, false, false, false};
inline constexpr std::array<std::int32_t, 13> numsubbasins = {22, 27, 16, 13, 7, 21, 15, 56, 1, 1, 1, 1, 29};

// Areas in square metres, volumes in cubic metres, depths in metres; -9.9999e9 and
// -999.9 mark a quantity a lake does not have.
inline constexpr std::array<float, 13> coordlakearea = {8.21e10F,   5.78e10F,   4.064e10F, 1.896e10F,  1.114e9F,
                                                        2.57e10F,   1.896e10F,  1.174e11F, -9.9999e9F, -9.9999e9F,
                                                        -9.9999e9F, -9.9999e9F, 5.96e10F};
inline constexpr std::array<float, 13> coordlandarea = {1.28e11F,   1.18e11F,   5.12e10F, 8.28e10F,   1.57e10F,
                                                        6.1e10F,    6.4e10F,    2.52e11F, -9.9999e9F, -9.9999e9F,
                                                        -9.9999e9F, -9.9999e9F, 1.34e11F};
inline constexpr std::array<float, 13> coordlakevolume = {1.21e13F,   4.92e12F,   2.761e12F, 7.79e11F,   3.4e9F,
                                                          4.84e11F,   1.64e12F,   8.46e12F,  -9.9999e9F, -9.9999e9F,
                                                          -9.9999e9F, -9.9999e9F, 3.54e12F};
inline constexpr std::array<float, 13> digitlakearea = {8.1925e10F, 5.7291e10F, 4.0611e10F,  1.8949e10F, 1.109e9F,
                                                        2.5404e10F, 1.9121e10F, 1.16851e11F, -9.9999e9F, -9.9999e9F,
                                                        -9.9999e9F, -9.9999e9F, 5.958e10F};
inline constexpr std::array<float, 13> digitlandarea = {1.28084e11F, 1.15804e11F, 5.0488e10F,  8.172e10F,  1.5737e10F,
                                                        6.0602e10F,  6.5118e10F,  2.48012e11F, -9.9999e9F, -9.9999e9F,
                                                        -9.9999e9F,  -9.9999e9F,  1.32208e11F};
inline constexpr std::array<float, 13> lakedepthmaxmeters = {405.0F, 281.0F,  229.0F,  165.0F,  6.0F,    64.0F, 244.0F,
                                                             281.0F, -999.9F, -999.9F, -999.9F, -999.9F, 229.0F};

// ===========================================================================
// Month tables
// ===========================================================================

inline const std::array<std::string, 12> monthname3 = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
inline const std::array<std::string, 12> monthname10 = {"January   ", "February  ", "March     ", "April     ",
                                                        "May       ", "June      ", "July      ", "August    ",
                                                        "September ", "October   ", "November  ", "December  "};

// ===========================================================================
// Directory variables
// ===========================================================================

// Entries 1 to 8: directories of forecast lakes 1 to 8 (SUPDIR ... MHUDIR);
// entry 9: the level directory (LEVDIR).
inline std::array<std::string, 9> cfgdirs = [] {
    std::array<std::string, 9> a;
    a.fill(std::string(80, ' '));
    return a;
}();
inline std::string levdir(80, ' ');
inline std::string thislakedir(80, ' ');
inline bool quietmode = false;

// ===========================================================================
// Error file (errorfile.cpp)
// ===========================================================================

// The error file, its existence the signal of a failed run, and its unit: fixed,
// outside the registry's range, never registered.
inline constexpr std::string_view errorfilename = "ERROR.INT";
inline constexpr std::int32_t errorfileunit = 2222;

// Replaces ERROR.INT in the working directory by a fresh one, on errorfileunit.
void makeerrorint();

// ===========================================================================
// Configuration file (cfgfile.cpp)
// ===========================================================================

// Fills cfgdirs (and levdir from its LEVDIR entry) from the key = value lines of
// the forecast configuration file. Keys count by their first six characters in
// any case; each directory is stored with a closing backslash. Other lines are
// ignored. cfgdirs is blanked first; levdir is set only after a complete read.
void readcfgfile(std::string_view filename);

// ===========================================================================
// SIMULATE file and lake lookup (simulate.cpp)
// ===========================================================================

// Reads the SIMULATE file of thislakedir (and, when its first line is a count of
// lake codes, the lake name from BSNNM there) and checks that it names a lake of
// the forecast package. Dates are day sequence numbers; the settings pass
// through. years receives the scenario years in file order (at most 160; it is
// written no further than its size); positions beyond the count keep their
// values. On failure the outputs read so far hold what was read.
void readsimulatefile(std::string& code, std::int32_t& startday, std::int32_t& setting1, std::int32_t& setting2,
                      std::int32_t& endday, std::int32_t& setting3, std::int32_t& numyears,
                      std::span<std::int32_t> years);

// Forecast-lake number 1 to 13 of a three-letter code (its first three
// characters, leading blanks removed, any case); -1 when there is none.
std::int32_t getlakenumber(std::string_view code);

// ===========================================================================
// Period data files (perioddata.cpp)
// ===========================================================================

// Look up one value in a text table of values by year and period. The first row
// with the key wins; value is written only when it is found.

// Daily rows: year, month, quarter-month, then the values of the quarter-month's
// days. Gives the value of the day.
void readtivday(std::string_view filename, std::int32_t day, std::int32_t month, std::int32_t year, float& value);
// Quarter-monthly rows: year, quarter-month, then one value per month.
void readtivqtr(std::string_view filename, std::int32_t qtr, std::int32_t month, std::int32_t year, float& value);
// Monthly rows: year, then one value per month.
void readtivmon(std::string_view filename, std::int32_t month, std::int32_t year, float& value);

// ===========================================================================
// Daily level file (levelfile.cpp)
// ===========================================================================

// The level of one day (day sequence number) from a file of 4-byte records:
// first day, last day, then one float per day. level is written only on success.
void readlevel(std::string_view filename, std::int32_t day, float& level);

}  // namespace fcstutil
