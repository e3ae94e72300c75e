#include "airplay1/AirPlay1Clock.h"

#include <cmath>
#include <ctime>

namespace {
double readClock(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void putBigEndian32(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}
} // namespace

std::array<uint8_t, 8> ntpBytes(double ntpSeconds) {
    const double whole = std::floor(ntpSeconds);
    const auto seconds = static_cast<uint32_t>(static_cast<uint64_t>(whole));
    const auto fraction = static_cast<uint32_t>((ntpSeconds - whole) * 4294967296.0);
    std::array<uint8_t, 8> out{};
    putBigEndian32(out.data(), seconds);
    putBigEndian32(out.data() + 4, fraction);
    return out;
}

double monotonicRawSeconds() {
    return readClock(CLOCK_MONOTONIC_RAW);
}

double wallClockSeconds() {
    return readClock(CLOCK_REALTIME);
}
