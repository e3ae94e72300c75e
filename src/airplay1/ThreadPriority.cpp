#include "airplay1/ThreadPriority.h"

#include "airplay1/RealtimeKit.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
constexpr int kBestNice = -20;

std::optional<uint64_t> softLimit(int resource) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0) {
        return 0;
    }
    if (limit.rlim_cur == RLIM_INFINITY) {
        return std::nullopt;
    }
    return limit.rlim_cur;
}

SchedulingLimits currentLimits(pid_t thread) {
    SchedulingLimits limits;
    limits.realtimePriorityLimit = softLimit(RLIMIT_RTPRIO);
    limits.niceLimit = softLimit(RLIMIT_NICE);
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
    limits.currentNice = errno == 0 ? nice : 0;
    limits.maxRealtimePriority = sched_get_priority_max(SCHED_FIFO);
    return limits;
}
} // namespace

SchedulingPlan schedulingPlan(const SchedulingLimits& limits) {
    SchedulingPlan plan;
    const int highest = limits.maxRealtimePriority;
    if (highest > 0) {
        plan.realtimePriorities.push_back(highest);
        if (limits.realtimePriorityLimit && *limits.realtimePriorityLimit > 0 &&
            *limits.realtimePriorityLimit < static_cast<uint64_t>(highest)) {
            plan.realtimePriorities.push_back(static_cast<int>(*limits.realtimePriorityLimit));
        }
    }
    // A nice limit of n lets the thread go down to 20 - n.
    const auto consider = [&](int nice) {
        if (nice < limits.currentNice && std::find(plan.niceValues.begin(), plan.niceValues.end(),
                                                   nice) == plan.niceValues.end()) {
            plan.niceValues.push_back(nice);
        }
    };
    consider(kBestNice);
    if (limits.niceLimit) {
        consider(20 - static_cast<int>(std::min<uint64_t>(*limits.niceLimit, 40)));
    }
    return plan;
}

void nameAndPrioritiseCurrentThread(const char* name) {
    char shortName[16] = {};
    std::strncpy(shortName, name, sizeof shortName - 1);
    pthread_setname_np(pthread_self(), shortName);

    const pid_t thread = gettid();
    const SchedulingLimits limits = currentLimits(thread);
    const SchedulingPlan plan = schedulingPlan(limits);
    for (const int priority : plan.realtimePriorities) {
        sched_param param{};
        param.sched_priority = priority;
        if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) {
            return;
        }
    }
    if (limits.maxRealtimePriority > 0 &&
        makeThreadRealtimeThroughRealtimeKit(thread, limits.maxRealtimePriority)) {
        return;
    }
    for (const int nice : plan.niceValues) {
        if (setpriority(PRIO_PROCESS, static_cast<id_t>(thread), nice) == 0) {
            return;
        }
    }
}
