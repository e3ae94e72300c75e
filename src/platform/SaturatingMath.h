#pragma once

#include <QtGlobal>

#include <cmath>
#include <limits>

// Times from outside (Spotify's durations and progress, a stored session's
// position) scaled to finer units: past the range they stop at its end
// instead of wrapping round or being undefined.
namespace Saturating {

inline qint64 multiply(qint64 value, qint64 factor) {
    qint64 result = 0;
    if (!__builtin_mul_overflow(value, factor, &result))
        return result;
    return (value < 0) != (factor < 0) ? std::numeric_limits<qint64>::min()
                                       : std::numeric_limits<qint64>::max();
}

inline qint64 add(qint64 a, qint64 b) {
    qint64 result = 0;
    if (!__builtin_add_overflow(a, b, &result))
        return result;
    return b < 0 ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
}

// Whole milliseconds of `seconds`; zero for a value that is no number.
inline qint64 millisecondsFromSeconds(double seconds) {
    if (std::isnan(seconds))
        return 0;
    // 2^63 is the first double past the range; every smaller one converts.
    constexpr double limit = 9223372036854775808.0;
    const double ms = std::round(seconds * 1000.0);
    if (ms >= limit)
        return std::numeric_limits<qint64>::max();
    if (ms < -limit)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(ms);
}

} // namespace Saturating
