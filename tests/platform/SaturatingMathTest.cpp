#include "platform/SaturatingMath.h"

#include <gtest/gtest.h>

#include <limits>

TEST(SaturatingMath, StopsAtTheEndsOfTheRange) {
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    EXPECT_EQ(Saturating::multiply(200000, 1000), 200000000);
    EXPECT_EQ(Saturating::multiply(max / 10, 1000), max);
    EXPECT_EQ(Saturating::multiply(min / 10, 1000), min);
    EXPECT_EQ(Saturating::add(max, 1), max);
    EXPECT_EQ(Saturating::add(min, -1), min);
    EXPECT_EQ(Saturating::add(5, -7), -2);

    const struct {
        double seconds;
        qint64 ms;
    } positions[] = {
        {75, 75000},
        {1.2345, 1235},
        {1e300, max},
        {-1e300, min},
        {std::numeric_limits<double>::infinity(), max},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& p : positions) {
        EXPECT_EQ(Saturating::millisecondsFromSeconds(p.seconds), p.ms) << p.seconds;
    }
}
