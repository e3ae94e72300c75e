#include "airplay1/ThreadPriority.h"
#include "airplay1/RealtimeKit.h"

#include "support/ChildProcess.h"
#include "support/ExternalDaemon.h"
#include "support/RunTask.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QMap>

#include <gtest/gtest.h>

#include <iostream>

#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
// Without a bus of the test's own, a RealtimeKit that may run on this
// machine is kept out of it.
QMap<QByteArray, Scheduling> probe(const char* rtprio, const char* nice, const char* user,
                                   const QString& systemBus = {}) {
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                       systemBus.isEmpty() ? QStringLiteral("unix:path=/nonexistent/bus")
                                           : systemBus);
    // Run with the event loop turning, for the stand-in of RealtimeKit.
    ChildProcess run;
    EXPECT_TRUE(run.start(QStringLiteral(KORVID_THREAD_PROBE), {rtprio, nice, user}, environment));
    EXPECT_TRUE(waitUntil([&] { return !run.isRunning(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(run.waitForFinished(std::chrono::seconds(1)) && run.exitCode() == 0)
        << run.output().toStdString();
    QMap<QByteArray, Scheduling> threads;
    for (const QByteArray& line : run.output().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 4) {
            threads.insert(fields[0], {fields[1].toInt(), fields[2].toInt(), fields[3].toInt()});
        }
    }
    return threads;
}

// Where nothing better is allowed, a thread keeps the nice value it was
// started with: the test's own, which a developer may have raised.
int ownNice() {
    return getpriority(PRIO_PROCESS, 0);
}

// RealtimeKit's part on a private bus: it answers the properties and makes
// the asked thread real-time itself (the test runs as root), but only for a
// process whose RLIMIT_RTTIME is set, as the real daemon insists.
class RealtimeKitStandIn : public QDBusVirtualObject {
public:
    static constexpr int kMaxPriority = 20;

    bool start() {
        chmod(bus_.folder().toLocal8Bit().constData(), 0755); // the probe runs as nobody
        const QString socket = bus_.filePath(QStringLiteral("bus"));
        QFile config(bus_.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly)) {
            return false;
        }
        config.write("<busconfig><type>custom</type><listen>unix:path=" + socket.toUtf8() +
                     "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                     "<allow user=\"*\"/><allow own=\"*\"/>"
                     "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/></policy></busconfig>\n");
        config.close();
        if (!bus_.start({QStringLiteral("--config-file=") + config.fileName(),
                         QStringLiteral("--nofork"), QStringLiteral("--nopidfile")},
                        [&] { return unixSocketAnswers(socket); })) {
            return false;
        }
        chmod(socket.toLocal8Bit().constData(), 0777);
        address_ = QStringLiteral("unix:path=") + socket;
        QDBusConnection bus = QDBusConnection::connectToBus(address_, kConnection);
        return bus.registerService(QStringLiteral("org.freedesktop.RealtimeKit1")) &&
               bus.registerVirtualObject(QStringLiteral("/org/freedesktop/RealtimeKit1"), this);
    }

    ~RealtimeKitStandIn() override { QDBusConnection::disconnectFromBus(kConnection); }

    QString address() const { return address_; }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        const QVariantList arguments = call.arguments();
        if (call.member() == u"Get") {
            const QVariant value = arguments.value(1).toString() == u"MaxRealtimePriority"
                                       ? QVariant(kMaxPriority)
                                       : QVariant(qint64(200000));
            return bus.send(call.createReply(QVariant::fromValue(QDBusVariant(value))));
        }
        if (call.member() != u"MakeThreadRealtime") {
            return false;
        }
        const qulonglong thread = arguments.value(0).toULongLong();
        QFile limitsFile(QStringLiteral("/proc/%1/limits").arg(thread));
        const QByteArray limits = limitsFile.open(QIODevice::ReadOnly) ? limitsFile.readAll() : "";
        const qsizetype at = limits.indexOf("Max realtime timeout");
        const bool rttimeSet =
            at >= 0 && !limits.mid(at, limits.indexOf('\n', at) - at).contains("unlimited");
        sched_param param{};
        param.sched_priority = arguments.value(1).toInt();
        const bool made = rttimeSet && param.sched_priority <= kMaxPriority &&
                          sched_setscheduler(static_cast<pid_t>(thread), SCHED_FIFO, &param) == 0;
        return bus.send(made ? call.createReply()
                             : call.createErrorReply(QDBusError::AccessDenied, "refused"));
    }

private:
    static constexpr const char* kConnection = "korvid-realtimekit";
    ExternalDaemon bus_{QStringLiteral("dbus-daemon")};
    QString address_;
};

// Root gets the highest real-time priority; an ordinary user what raised
// limits allow, else RealtimeKit's, else nothing better than its own.
TEST(ThreadPriority, StreamThreadsGetTheBestSchedulingTheLimitsAllow) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving the probe an ordinary user's rights needs root";
    }
    rlimit rtprio{};
    rlimit nice{};
    getrlimit(RLIMIT_RTPRIO, &rtprio);
    getrlimit(RLIMIT_NICE, &nice);
    const bool raisable = rtprio.rlim_max >= 50 && nice.rlim_max >= 30;
    RealtimeKitStandIn realtimeKit;
    ASSERT_TRUE(realtimeKit.start());
    const struct {
        const char* user;
        const char* rtprio;
        const char* nice;
        Scheduling expected;
        bool raisesLimits = false;
        bool withRealtimeKit = false;
    } cases[] = {
        {"root", "0", "0", {SCHED_FIFO, sched_get_priority_max(SCHED_FIFO), ownNice()}},
        {"user", "0", "0", {SCHED_OTHER, 0, ownNice()}},
        {"user", "0", "30", {SCHED_OTHER, 0, -10}, true},
        {"user", "50", "0", {SCHED_FIFO, 50, ownNice()}, true},
        {"user", "0", "0", {SCHED_FIFO, RealtimeKitStandIn::kMaxPriority, ownNice()}, false, true},
    };
    for (const auto& c : cases) {
        const std::string limits = std::string(c.user) + " rtprio " + c.rtprio + " nice " + c.nice +
                                   (c.withRealtimeKit ? " with RealtimeKit" : "");
        if (c.raisesLimits && !raisable) {
            std::cout << "skipped " << limits << ": the hard limits of at least 50 (RLIMIT_RTPRIO) "
                      << "and 30 (RLIMIT_NICE) to hand down are missing\n";
            continue;
        }
        const auto threads =
            probe(c.rtprio, c.nice, c.user, c.withRealtimeKit ? realtimeKit.address() : QString());
        for (const char* name : {"Korvid audio", "Korvid timing"}) {
            ASSERT_TRUE(threads.contains(name)) << name << " missing as " << limits;
            const Scheduling got = threads.value(name);
            EXPECT_EQ(got, c.expected) << name << " as " << limits << ": policy " << got.policy
                                       << " priority " << got.priority << " nice " << got.nice;
        }
    }
}

} // namespace
