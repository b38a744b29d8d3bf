// Uses one operation of each installed library layer and prints what it found.
#include <cstdint>
#include <iostream>
#include <string>

#include "fcstutil/fcstutil.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"
#include "rerove_tivorn/rerove_tivorn.hpp"

int main() {
    std::int32_t seq = 0;
    keldautil::datesequence(1, 6, 2024, seq);
    std::int32_t day = 0, month = 0, year = 0;
    keldautil::sequencedate(day, month, year, seq);
    const float m3s = rerove_tivorn_subs::tcfm3(1.0F);
    std::cout << fcstutil::levlkcode3[1] << ' ' << year << '-' << month << '-' << day << ' '
              << iolayer::formatf0(m3s, 1) << '\n';
    return (year == 2024 && month == 6 && day == 1) ? 0 : 1;
}
