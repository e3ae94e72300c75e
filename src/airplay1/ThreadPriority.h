#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// Names the calling thread (at most 15 characters are kept, so names must
// differ within those) and raises it to the highest scheduling priority the
// system grants this process, in this order: real-time at the highest
// priority RLIMIT_RTPRIO allows; else real-time through RealtimeKit; else the
// best nice value RLIMIT_NICE allows. Never lower than the thread had.
void nameAndPrioritiseCurrentThread(const char* name);

// What the limits let this process do with a thread's scheduling.
struct SchedulingLimits {
    // Soft RLIMIT_RTPRIO and RLIMIT_NICE; empty when unlimited.
    std::optional<uint64_t> realtimePriorityLimit;
    std::optional<uint64_t> niceLimit;
    int currentNice = 0;          // the thread's nice value now
    int maxRealtimePriority = 99; // sched_get_priority_max(SCHED_FIFO)
};

// The requests to make, best first. A privileged process gets the system's
// maximum whatever its limits say, so that is always tried first.
struct SchedulingPlan {
    std::vector<int> realtimePriorities; // SCHED_FIFO priorities to try
    std::vector<int> niceValues;         // then these; empty: keep the current one
};
SchedulingPlan schedulingPlan(const SchedulingLimits& limits);
