#include "airplay1/ThreadPriority.h"
#include "airplay1/RealtimeKit.h"

#include "support/ChildProcess.h"

#include <QMap>

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

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
        {1, 0, 0, {99, 1}, {-20}},
        {200, 0, 0, {99}, {-20}},
        {0, 30, 0, {99}, {-20, -10}},
        {0, 30, -15, {99}, {-20}},
        {0, 10, 5, {99}, {-20}},
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

struct Scheduling {
    int policy = -1;
    int priority = -1;
    int nice = 99;
    bool operator==(const Scheduling&) const = default;
};

// The probe's report: each thread's scheduling by its name.
QMap<QByteArray, Scheduling> probe(const char* rtprio, const char* nice, const char* user) {
    // Keep a RealtimeKit that may run on this machine out of it.
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                       QStringLiteral("unix:path=/nonexistent/system_bus_socket"));
    const ProgramRun run = runProgram(QStringLiteral(KORVID_THREAD_PROBE), {rtprio, nice, user},
                                      std::chrono::seconds(30), environment);
    EXPECT_TRUE(run.succeeded()) << run.output.toStdString();
    QMap<QByteArray, Scheduling> threads;
    for (const QByteArray& line : run.output.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 4) {
            threads.insert(fields[0], {fields[1].toInt(), fields[2].toInt(), fields[3].toInt()});
        }
    }
    return threads;
}

struct ProbeCase {
    const char* user;
    const char* rtprio;
    const char* nice;
    Scheduling expected;
};

void expectStreamThreads(const ProbeCase& c) {
    const auto threads = probe(c.rtprio, c.nice, c.user);
    const std::string limits = std::string(c.user) + " rtprio " + c.rtprio + " nice " + c.nice;
    for (const char* name : {"Korvid audio", "Korvid timing"}) {
        ASSERT_TRUE(threads.contains(name)) << name << " missing as " << limits;
        const Scheduling got = threads.value(name);
        EXPECT_EQ(got, c.expected) << name << " as " << limits << ": policy " << got.policy
                                   << " priority " << got.priority << " nice " << got.nice;
    }
}

TEST(ThreadPriority, StreamThreadsGetTheBestSchedulingTheDefaultLimitsAllow) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving the probe an ordinary user's rights needs root";
    }
    const ProbeCase cases[] = {
        {"root", "0", "0", {SCHED_FIFO, sched_get_priority_max(SCHED_FIFO), 0}},
        {"user", "0", "0", {SCHED_OTHER, 0, 0}},
    };
    for (const auto& c : cases) {
        expectStreamThreads(c);
    }
}

TEST(ThreadPriority, StreamThreadsUseWhatRaisedLimitsAllow) {
    rlimit rtprio{};
    rlimit nice{};
    getrlimit(RLIMIT_RTPRIO, &rtprio);
    getrlimit(RLIMIT_NICE, &nice);
    if (geteuid() != 0 || rtprio.rlim_max < 50 || nice.rlim_max < 30) {
        GTEST_SKIP() << "needs root and hard limits of at least 50 (RLIMIT_RTPRIO) and 30 "
                        "(RLIMIT_NICE) to hand down";
    }
    const ProbeCase cases[] = {
        {"user", "0", "30", {SCHED_OTHER, 0, -10}},
        {"user", "50", "0", {SCHED_FIFO, 50, 0}},
    };
    for (const auto& c : cases) {
        expectStreamThreads(c);
    }
}

} // namespace
