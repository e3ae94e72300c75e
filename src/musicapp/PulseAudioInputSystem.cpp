#include "musicapp/PulseAudioInputSystem.h"

#include <QCoreApplication>
#include <QPointer>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <charconv>
#include <cstring>

// Everything here except construction, start() and destruction runs on
// libpulse's thread, inside its callbacks; those three take the loop's lock.
// Only finished states cross to the owner's thread, by value.
struct PulseAudioInputSystem::Connection {
    PulseAudioInputSystem* owner = nullptr;
    std::chrono::milliseconds retryDelay;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_time_event* retryTimer = nullptr;
    bool wasReady = false;

    // One full read at a time; changes that arrive meanwhile ask for one more.
    bool reading = false;
    bool readAgain = false;
    int listsPending = 0;
    AudioInputState building;

    pa_mainloop_api* api() const { return pa_threaded_mainloop_get_api(loop); }

    void connect();
    void shutDown();
    void dropContext();
    void scheduleRetry();
    void deliver(AudioInputState state);
    void beginRead();
    void listDone();

    static void onState(pa_context* context, void* self);
    static void onEvent(pa_context* context, pa_subscription_event_type_t type, quint32 index,
                        void* self);
    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when,
                        void* self);
    // The connection an item of a list read is for; null once the list ends
    // or when it belongs to a context already dropped.
    static Connection* receiverOf(pa_context* context, int eol, void* self);
    static void onSource(pa_context* context, const pa_source_info* info, int eol, void* self);
    static void onSink(pa_context* context, const pa_sink_info* info, int eol, void* self);
    static void onSourceOutput(pa_context* context, const pa_source_output_info* info, int eol,
                               void* self);
};

namespace {
std::optional<qint64> processIdOf(const pa_proplist* properties) {
    const char* text = pa_proplist_gets(properties, PA_PROP_APPLICATION_PROCESS_ID);
    if (!text) {
        return std::nullopt;
    }
    qint64 pid = 0;
    const char* end = text + std::strlen(text);
    const auto [rest, error] = std::from_chars(text, end, pid);
    if (error != std::errc() || rest != end) {
        return std::nullopt;
    }
    return pid;
}

std::optional<quint32> validIndex(quint32 index) {
    return index == PA_INVALID_INDEX ? std::nullopt : std::optional<quint32>(index);
}
} // namespace

void PulseAudioInputSystem::Connection::connect() {
    reading = false;
    readAgain = false;
    listsPending = 0;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Korvid");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "com.korvid.Korvid");
    context = pa_context_new_with_proplist(api(), "Korvid", properties);
    pa_proplist_free(properties);
    if (!context) {
        scheduleRetry();
        return;
    }
    pa_context_set_state_callback(context, &Connection::onState, this);
    // Never start a sound server of our own: without one we stay silent.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        scheduleRetry();
    }
}

void PulseAudioInputSystem::Connection::dropContext() {
    if (!context) {
        return;
    }
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    context = nullptr;
}

void PulseAudioInputSystem::Connection::scheduleRetry() {
    if (retryTimer) {
        return;
    }
    struct timeval when {};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, pa_usec_t(retryDelay.count()) * PA_USEC_PER_MSEC);
    retryTimer = api()->time_new(api(), &when, &Connection::onRetry, this);
}

void PulseAudioInputSystem::Connection::onRetry(pa_mainloop_api* api, pa_time_event* event,
                                                const struct timeval*, void* self) {
    auto* connection = static_cast<Connection*>(self);
    api->time_free(event);
    connection->retryTimer = nullptr;
    // The failed context is released here, outside its own callback.
    connection->dropContext();
    connection->connect();
}

void PulseAudioInputSystem::Connection::deliver(AudioInputState state) {
    PulseAudioInputSystem* target = owner;
    // Queued to the owner; Qt drops the call if the owner is gone by then.
    QMetaObject::invokeMethod(
        target, [target, state = std::move(state)] { Q_EMIT target->stateChanged(state); },
        Qt::QueuedConnection);
}

void PulseAudioInputSystem::Connection::onState(pa_context* context, void* self) {
    auto* connection = static_cast<Connection*>(self);
    if (context != connection->context) {
        return;
    }
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY: {
        connection->wasReady = true;
        pa_context_set_subscribe_callback(context, &Connection::onEvent, connection);
        const auto mask =
            pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SINK |
                                   PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT | PA_SUBSCRIPTION_MASK_CARD |
                                   PA_SUBSCRIPTION_MASK_SERVER);
        if (pa_operation* operation = pa_context_subscribe(context, mask, nullptr, nullptr)) {
            pa_operation_unref(operation);
        }
        connection->beginRead();
        break;
    }
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        // Whatever recorded through that server has stopped with it.
        if (connection->wasReady) {
            connection->wasReady = false;
            connection->deliver({});
        }
        connection->scheduleRetry();
        break;
    default:
        break;
    }
}

void PulseAudioInputSystem::Connection::onEvent(pa_context* context, pa_subscription_event_type_t,
                                                quint32, void* self) {
    auto* connection = static_cast<Connection*>(self);
    if (context == connection->context) {
        connection->beginRead();
    }
}

void PulseAudioInputSystem::Connection::beginRead() {
    if (reading) {
        readAgain = true;
        return;
    }
    reading = true;
    building = {};
    listsPending = 3;
    pa_operation* operations[] = {
        pa_context_get_source_info_list(context, &Connection::onSource, this),
        pa_context_get_sink_info_list(context, &Connection::onSink, this),
        pa_context_get_source_output_info_list(context, &Connection::onSourceOutput, this),
    };
    for (pa_operation* operation : operations) {
        if (operation) {
            pa_operation_unref(operation);
        } else {
            // Only a dying connection refuses a request; its state change follows.
            listDone();
        }
    }
}

void PulseAudioInputSystem::Connection::listDone() {
    if (--listsPending > 0) {
        return;
    }
    reading = false;
    deliver(std::move(building));
    building = {};
    if (readAgain) {
        readAgain = false;
        beginRead();
    }
}

PulseAudioInputSystem::Connection*
PulseAudioInputSystem::Connection::receiverOf(pa_context* context, int eol, void* self) {
    auto* connection = static_cast<Connection*>(self);
    if (context != connection->context) {
        return nullptr;
    }
    if (eol != 0) {
        // The end of the list, or its failure: either way this part is done.
        connection->listDone();
        return nullptr;
    }
    return connection;
}

void PulseAudioInputSystem::Connection::onSource(pa_context* context, const pa_source_info* info,
                                                 int eol, void* self) {
    Connection* connection = receiverOf(context, eol, self);
    if (!connection) {
        return;
    }
    AudioSource source;
    source.index = info->index;
    source.isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
    source.isHardware = (info->flags & PA_SOURCE_HARDWARE) != 0;
    source.card = validIndex(info->card);
    source.isRunning = info->state == PA_SOURCE_RUNNING;
    connection->building.sources.push_back(source);
}

void PulseAudioInputSystem::Connection::onSink(pa_context* context, const pa_sink_info* info,
                                               int eol, void* self) {
    Connection* connection = receiverOf(context, eol, self);
    if (!connection) {
        return;
    }
    if (info->card != PA_INVALID_INDEX) {
        connection->building.cardsWithSinks.push_back(info->card);
    }
}

void PulseAudioInputSystem::Connection::onSourceOutput(pa_context* context,
                                                       const pa_source_output_info* info, int eol,
                                                       void* self) {
    Connection* connection = receiverOf(context, eol, self);
    if (!connection) {
        return;
    }
    RecordingStream stream;
    stream.index = info->index;
    stream.source = validIndex(info->source);
    stream.processId = processIdOf(info->proplist);
    stream.isCorked = info->corked != 0;
    stream.isServerInternal = info->client == PA_INVALID_INDEX;
    connection->building.recordings.push_back(stream);
}

PulseAudioInputSystem::PulseAudioInputSystem(std::chrono::milliseconds retryDelay, QObject* parent)
    : AudioInputSystem(parent)
    , connection_(std::make_unique<Connection>()) {
    connection_->owner = this;
    connection_->retryDelay = retryDelay;
}

PulseAudioInputSystem::~PulseAudioInputSystem() {
    connection_->shutDown();
}

void PulseAudioInputSystem::Connection::shutDown() {
    if (!loop) {
        return;
    }
    pa_threaded_mainloop_lock(loop);
    if (retryTimer) {
        api()->time_free(retryTimer);
        retryTimer = nullptr;
    }
    dropContext();
    pa_threaded_mainloop_unlock(loop);
    // Joins libpulse's thread: after this no callback runs and nothing more is
    // queued to the owner.
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
    loop = nullptr;
}

void PulseAudioInputSystem::start() {
    Connection& c = *connection_;
    if (c.loop) {
        return;
    }
    c.loop = pa_threaded_mainloop_new();
    if (!c.loop) {
        return;
    }
    pa_threaded_mainloop_set_name(c.loop, "Korvid.microphone");
    pa_threaded_mainloop_lock(c.loop);
    c.connect();
    pa_threaded_mainloop_unlock(c.loop);
    if (pa_threaded_mainloop_start(c.loop) < 0) {
        c.shutDown();
    }
}
