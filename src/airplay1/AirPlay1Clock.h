#pragma once

#include <array>
#include <cstdint>

// Seconds from 1900 (the NTP epoch) to 1970 (the Unix epoch).
inline constexpr double kNtpUnixEpochOffset = 2208988800.0;

// Eight NTP bytes for `ntpSeconds` since 1900: big-endian integer seconds,
// then the big-endian fraction of a second in units of 2^-32, truncated.
std::array<uint8_t, 8> ntpBytes(double ntpSeconds);

// The raw monotonic clock in seconds: immune to NTP slewing, so pacing does
// not drift when the wall clock is corrected.
double monotonicRawSeconds();
// Wall-clock seconds since 1970, with nanoseconds.
double wallClockSeconds();

// Maps the monotonic clock onto NTP time. The offset is taken once, so
// timestamps stay consistent with pacing for the life of a stream.
struct AirPlay1Clock {
    double ntpOffset = 0;

    static AirPlay1Clock fromReadings(double wallSeconds, double monotonicSeconds) {
        return {wallSeconds + kNtpUnixEpochOffset - monotonicSeconds};
    }

    std::array<uint8_t, 8> ntpTimestamp(double monotonicSeconds) const {
        return ntpBytes(monotonicSeconds + ntpOffset);
    }
};
