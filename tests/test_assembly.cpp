// The outlook assembly's count of the days it reads from a file; its runs are
// tested end to end.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "rerove_tivorn/rerove_tivorn.hpp"

using namespace rerove_tivorn_subs;

TEST(Assembly, DaysReadStayWithinTheSpanWhateverTheHeaderSays) {
    // The span pass saw the file's header as first 100, last 130.
    EXPECT_EQ(dayscovered(100, 130, 100, 130), 31);
    EXPECT_EQ(dayscovered(100, 120, 100, 130), 21);  // a shorter file: the rest is missing
    // The header changed after the span was taken: never a count below 0 or past the span.
    EXPECT_EQ(dayscovered(100, 500, 100, 130), 31);
    EXPECT_EQ(dayscovered(100, 99, 100, 130), 0);
    EXPECT_EQ(dayscovered(100, 50, 100, 130), 0);
    EXPECT_EQ(dayscovered(100, std::numeric_limits<std::int32_t>::min(), 100, 130), 0);
    EXPECT_EQ(dayscovered(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(),
                          std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min() + 9),
              10);
}
