#include "airplay1/ThreadPriority.h"
#include "airplay1/RealtimeKit.h"

#include "support/ExternalDaemon.h"

#include <QFile>
#include <QMap>

#include <dbus/dbus.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

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

struct Scheduling {
    int policy = -1;
    int priority = -1;
    int nice = 99;
    bool operator==(const Scheduling&) const = default;
};

// RealtimeKit's part on a private bus: it answers the properties and makes
// the asked thread real-time itself (the test runs as root), but only for a
// process whose RLIMIT_RTTIME is set, as the real daemon insists.
class RealtimeKitStandIn {
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
        connection_ = dbus_connection_open_private(address_.toUtf8().constData(), nullptr);
        if (!connection_ || !dbus_bus_register(connection_, nullptr) ||
            dbus_bus_request_name(connection_, "org.freedesktop.RealtimeKit1", 0, nullptr) !=
                DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
            return false;
        }
        serving_ = std::thread([this] { serve(); });
        return true;
    }

    ~RealtimeKitStandIn() {
        stopped_ = true;
        if (serving_.joinable()) {
            serving_.join();
        }
        if (connection_) {
            dbus_connection_close(connection_);
            dbus_connection_unref(connection_);
        }
    }

    QString address() const { return address_; }

private:
    void serve() {
        while (!stopped_ && dbus_connection_read_write(connection_, 50)) {
            while (DBusMessage* message = dbus_connection_pop_message(connection_)) {
                if (DBusMessage* reply = answer(message)) {
                    dbus_connection_send(connection_, reply, nullptr);
                    dbus_message_unref(reply);
                }
                dbus_message_unref(message);
            }
        }
    }

    static DBusMessage* answer(DBusMessage* call) {
        const char* property = nullptr;
        const char* interface = nullptr;
        if (dbus_message_is_method_call(call, DBUS_INTERFACE_PROPERTIES, "Get") &&
            dbus_message_get_args(call, nullptr, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING,
                                  &property, DBUS_TYPE_INVALID)) {
            DBusMessage* reply = dbus_message_new_method_return(call);
            DBusMessageIter iter;
            DBusMessageIter variant;
            dbus_message_iter_init_append(reply, &iter);
            if (QByteArray(property) == "MaxRealtimePriority") {
                const dbus_int32_t value = kMaxPriority;
                dbus_message_iter_open_container(&iter, DBUS_TYPE_VARIANT, "i", &variant);
                dbus_message_iter_append_basic(&variant, DBUS_TYPE_INT32, &value);
            } else {
                const dbus_int64_t value = 200000;
                dbus_message_iter_open_container(&iter, DBUS_TYPE_VARIANT, "x", &variant);
                dbus_message_iter_append_basic(&variant, DBUS_TYPE_INT64, &value);
            }
            dbus_message_iter_close_container(&iter, &variant);
            return reply;
        }
        dbus_uint64_t thread = 0;
        dbus_uint32_t priority = 0;
        if (dbus_message_is_method_call(call, "org.freedesktop.RealtimeKit1",
                                        "MakeThreadRealtime") &&
            dbus_message_get_args(call, nullptr, DBUS_TYPE_UINT64, &thread, DBUS_TYPE_UINT32,
                                  &priority, DBUS_TYPE_INVALID)) {
            QFile limits(QStringLiteral("/proc/%1/limits").arg(thread));
            bool rttimeSet = false;
            if (limits.open(QIODevice::ReadOnly)) {
                for (const QByteArray& line : limits.readAll().split('\n')) {
                    if (line.startsWith("Max realtime timeout")) {
                        rttimeSet = !line.contains("unlimited");
                    }
                }
            }
            sched_param param{};
            param.sched_priority = static_cast<int>(priority);
            if (rttimeSet && priority <= kMaxPriority &&
                sched_setscheduler(static_cast<pid_t>(thread), SCHED_FIFO, &param) == 0) {
                return dbus_message_new_method_return(call);
            }
            return dbus_message_new_error(call, DBUS_ERROR_ACCESS_DENIED, "refused");
        }
        return dbus_message_get_no_reply(call)
                   ? nullptr
                   : dbus_message_new_error(call, DBUS_ERROR_UNKNOWN_METHOD, "unknown");
    }

    ExternalDaemon bus_{QStringLiteral("dbus-daemon")};
    QString address_;
    DBusConnection* connection_ = nullptr;
    std::thread serving_;
    std::atomic<bool> stopped_{false};
};

// The probe's report, with the system bus given: each thread's scheduling
// by its name.
QMap<QByteArray, Scheduling> probeAsUser(const QString& systemBus) {
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), systemBus);
    const ProgramRun run =
        runProgram(QStringLiteral(KORVID_THREAD_PROBE), {}, std::chrono::seconds(30), environment);
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

TEST(ThreadPriority, StreamThreadsTurnToRealtimeKitWithoutRealTimeRights) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving the probe an ordinary user's rights needs root";
    }
    RealtimeKitStandIn realtimeKit;
    ASSERT_TRUE(realtimeKit.start());
    const auto threads = probeAsUser(realtimeKit.address());
    // The nice value stays the one the thread was started with: the test's
    // own, which a developer may have raised.
    const Scheduling expected{SCHED_FIFO, RealtimeKitStandIn::kMaxPriority,
                              getpriority(PRIO_PROCESS, 0)};
    for (const char* name : {"Korvid audio", "Korvid timing"}) {
        ASSERT_TRUE(threads.contains(name)) << name << " missing";
        const Scheduling got = threads.value(name);
        EXPECT_EQ(got, expected) << name << ": policy " << got.policy << " priority "
                                 << got.priority << " nice " << got.nice;
    }
}

} // namespace
