#include "airplay1/ThreadPriority.h"
#include "airplay1/RealtimeKit.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace {

TEST(SchedulingPlan, AsksForTheBestTheLimitsAllowAndNeverWorse) {
    const auto unlimited = std::nullopt;
    const struct {
        std::optional<uint64_t> rtprio;
        std::optional<uint64_t> nice;
        int currentNice;
        std::vector<int> realtime;
        std::vector<int> niceValues;
    } cases[] = {
        {unlimited, unlimited, 0, {99}, {-20}},
        // Debian's defaults: no real-time, and nice may not go below 20 - 0,
        // so only the privileged best is worth asking for.
        {0, 0, 0, {99}, {-20}},
        {95, 0, 0, {99, 95}, {-20}},
        {200, 0, 0, {99}, {-20}},
        {0, 30, 0, {99}, {-20, -10}},
        {0, 30, -15, {99}, {-20}},
        {0, 50, 0, {99}, {-20}},
        {0, 0, -20, {99}, {}},
    };
    for (const auto& c : cases) {
        const SchedulingPlan plan = schedulingPlan({c.rtprio, c.nice, c.currentNice, 99});
        EXPECT_EQ(plan.realtimePriorities, c.realtime) << c.rtprio.value_or(-1);
        EXPECT_EQ(plan.niceValues, c.niceValues) << c.nice.value_or(-1) << " at " << c.currentNice;
    }
}

TEST(SchedulingPlan, SetsTheRealTimeLimitRealtimeKitRequires) {
    const rlim_t none = RLIM_INFINITY;
    const struct {
        RTTimeLimit current;
        std::optional<RTTimeLimit> wanted;
    } cases[] = {
        {{none, none}, RTTimeLimit{200000, 200000}},
        {{300000, 300000}, RTTimeLimit{200000, 200000}},
        {{100000, none}, RTTimeLimit{100000, 200000}},
        {{100000, 150000}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rttimeForRealtimeKit(c.current, 200000), c.wanted) << c.current.soft;
    }
}

} // namespace
