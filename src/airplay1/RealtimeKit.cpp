#include "airplay1/RealtimeKit.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>

#include <dbus/dbus.h>

namespace {
constexpr const char* kService = "org.freedesktop.RealtimeKit1";
constexpr const char* kPath = "/org/freedesktop/RealtimeKit1";

struct ConnectionCloser {
    void operator()(DBusConnection* bus) const {
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
    }
};
struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Connection = std::unique_ptr<DBusConnection, ConnectionCloser>;
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// Sends `call` and waits for its reply; empty on an error reply or time-out.
Message callAndWait(DBusConnection* bus, DBusMessage* call, std::chrono::milliseconds timeout) {
    DBusError error;
    dbus_error_init(&error);
    Message reply(dbus_connection_send_with_reply_and_block(
        bus, call, static_cast<int>(timeout.count()), &error));
    dbus_error_free(&error);
    return reply;
}

// One of RealtimeKit's integer properties.
std::optional<int64_t> integerProperty(DBusConnection* bus, const char* name,
                                       std::chrono::milliseconds timeout) {
    Message call(
        dbus_message_new_method_call(kService, kPath, "org.freedesktop.DBus.Properties", "Get"));
    if (!call) {
        return std::nullopt;
    }
    const char* interface = kService;
    if (!dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name,
                                  DBUS_TYPE_INVALID)) {
        return std::nullopt;
    }
    const Message reply = callAndWait(bus, call.get(), timeout);
    DBusMessageIter iter;
    if (!reply || !dbus_message_iter_init(reply.get(), &iter) ||
        dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_VARIANT) {
        return std::nullopt;
    }
    DBusMessageIter value;
    dbus_message_iter_recurse(&iter, &value);
    switch (dbus_message_iter_get_arg_type(&value)) {
    case DBUS_TYPE_INT32: {
        dbus_int32_t number = 0;
        dbus_message_iter_get_basic(&value, &number);
        return number;
    }
    case DBUS_TYPE_INT64: {
        dbus_int64_t number = 0;
        dbus_message_iter_get_basic(&value, &number);
        return number;
    }
    default:
        return std::nullopt;
    }
}

bool qualifyRTTime(rlim_t allowed) {
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0) {
        return false;
    }
    const auto wanted = rttimeForRealtimeKit({limit.rlim_cur, limit.rlim_max}, allowed);
    if (!wanted) {
        return true;
    }
    limit.rlim_cur = wanted->soft;
    limit.rlim_max = wanted->hard;
    return setrlimit(RLIMIT_RTTIME, &limit) == 0;
}
} // namespace

std::optional<RTTimeLimit> rttimeForRealtimeKit(RTTimeLimit current, rlim_t allowedMicroseconds) {
    RTTimeLimit wanted;
    wanted.hard = std::min(current.hard, allowedMicroseconds);
    wanted.soft = std::min(current.soft, wanted.hard);
    if (wanted == current) {
        return std::nullopt;
    }
    return wanted;
}

bool makeThreadRealtimeThroughRealtimeKit(pid_t thread, int maxPriority,
                                          std::chrono::milliseconds timeout) {
    // libdbus creates its global locks on first use behind an unlocked check,
    // so two threads starting at once race on them; create them once first.
    static std::once_flag threadsReady;
    std::call_once(threadsReady, [] { dbus_threads_init_default(); });

    DBusError error;
    dbus_error_init(&error);
    Connection bus(dbus_bus_get_private(DBUS_BUS_SYSTEM, &error));
    dbus_error_free(&error);
    if (!bus) {
        return false;
    }
    // libdbus would end the whole process when the bus goes away.
    dbus_connection_set_exit_on_disconnect(bus.get(), FALSE);

    const auto granted = integerProperty(bus.get(), "MaxRealtimePriority", timeout);
    if (!granted || *granted < 1) {
        return false;
    }
    const auto rttime = integerProperty(bus.get(), "RTTimeUSecMax", timeout);
    if (!rttime || *rttime < 1 || !qualifyRTTime(static_cast<rlim_t>(*rttime))) {
        return false;
    }

    Message call(dbus_message_new_method_call(kService, kPath, kService, "MakeThreadRealtime"));
    if (!call) {
        return false;
    }
    const dbus_uint64_t threadId = static_cast<dbus_uint64_t>(thread);
    const dbus_uint32_t priority =
        static_cast<dbus_uint32_t>(std::min<int64_t>(*granted, maxPriority));
    if (!dbus_message_append_args(call.get(), DBUS_TYPE_UINT64, &threadId, DBUS_TYPE_UINT32,
                                  &priority, DBUS_TYPE_INVALID)) {
        return false;
    }
    return callAndWait(bus.get(), call.get(), timeout) != nullptr;
}
