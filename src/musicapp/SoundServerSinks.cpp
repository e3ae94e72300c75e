#include "musicapp/MpdConfiguration.h"

#include <pulse/pulseaudio.h>

#include <chrono>

namespace {

struct SinkQuery {
    QList<SoundSink> sinks;
    QString defaultSink;
    bool done = false;
    bool serverDone = false;
};

QString fromUtf8(const char* text) {
    return QString::fromUtf8(text ? text : "");
}

QMap<QString, QString> textProperties(const pa_proplist* list) {
    QMap<QString, QString> properties;
    void* state = nullptr;
    while (const char* key = pa_proplist_iterate(list, &state)) {
        if (const char* value = pa_proplist_gets(list, key)) {
            properties.insert(QString::fromUtf8(key), QString::fromUtf8(value));
        }
    }
    return properties;
}

void collectSink(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    auto* query = static_cast<SinkQuery*>(userdata);
    if (eol != 0 || !info) {
        query->done = true;
        return;
    }
    SoundSink sink{fromUtf8(info->name), fromUtf8(info->description), {}, {}, false};
    if (info->proplist) {
        sink.properties = textProperties(info->proplist);
    }
    if (info->active_port) {
        sink.portNames.append(fromUtf8(info->active_port->name));
    }
    for (uint32_t i = 0; i < info->n_ports; ++i) {
        if (info->ports[i] && info->ports[i] != info->active_port) {
            sink.portNames.append(fromUtf8(info->ports[i]->name));
        }
    }
    query->sinks.append(std::move(sink));
}

void collectServer(pa_context*, const pa_server_info* info, void* userdata) {
    auto* query = static_cast<SinkQuery*>(userdata);
    if (info) {
        query->defaultSink = fromUtf8(info->default_sink_name);
    }
    query->serverDone = true;
}

} // namespace

QList<SoundSink> listSoundSinks() {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) {
        return {};
    }
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Korvid");
    SinkQuery query;
    pa_operation* operation = nullptr;
    pa_operation* serverOperation = nullptr;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        while (!(query.done && query.serverDone) && Clock::now() < deadline) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(state)) {
                break;
            }
            if (state == PA_CONTEXT_READY && !operation) {
                operation = pa_context_get_sink_info_list(context, collectSink, &query);
                serverOperation = pa_context_get_server_info(context, collectServer, &query);
                if (!operation || !serverOperation) {
                    break;
                }
            }
            if (pa_mainloop_prepare(loop, 100 * 1000) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0) {
                break;
            }
        }
    }
    for (pa_operation* started : {operation, serverOperation}) {
        if (started) {
            pa_operation_cancel(started);
            pa_operation_unref(started);
        }
    }
    if (context) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_mainloop_free(loop);
    if (!query.done) {
        return {};
    }
    for (SoundSink& sink : query.sinks) {
        sink.isDefault = sink.name == query.defaultSink;
    }
    return query.sinks;
}
