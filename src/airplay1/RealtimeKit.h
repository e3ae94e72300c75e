#pragma once

#include <chrono>
#include <optional>

#include <sys/resource.h>
#include <sys/types.h>

// Asks RealtimeKit (the system bus service desktop sound servers use) to make
// `thread`, a kernel thread id of this process, real-time at the highest
// priority it grants, at most `maxPriority`. False soon when no RealtimeKit
// answers or it refuses.
bool makeThreadRealtimeThroughRealtimeKit(
    pid_t thread, int maxPriority,
    std::chrono::milliseconds timeout = std::chrono::milliseconds(500));

// RealtimeKit serves only processes whose RLIMIT_RTTIME is set and no more
// than its own maximum. The limit to set for that, or empty when the current
// one already qualifies.
struct RTTimeLimit {
    rlim_t soft;
    rlim_t hard;
    bool operator==(const RTTimeLimit&) const = default;
};
std::optional<RTTimeLimit> rttimeForRealtimeKit(RTTimeLimit current, rlim_t allowedMicroseconds);
