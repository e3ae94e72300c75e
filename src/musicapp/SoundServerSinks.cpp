#include "musicapp/MpdConfiguration.h"

#include <pulse/pulseaudio.h>

#include <chrono>

namespace {

struct SinkQuery {
    QList<SoundSink> sinks;
    bool done = false;
};

void collectSink(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    auto* query = static_cast<SinkQuery*>(userdata);
    if (eol != 0 || !info) {
        query->done = true;
        return;
    }
    query->sinks.append({QString::fromUtf8(info->name ? info->name : ""),
                         QString::fromUtf8(info->description ? info->description : "")});
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
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        while (!query.done && Clock::now() < deadline) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(state)) {
                break;
            }
            if (state == PA_CONTEXT_READY && !operation) {
                operation = pa_context_get_sink_info_list(context, collectSink, &query);
                if (!operation) {
                    break;
                }
            }
            if (pa_mainloop_prepare(loop, 100 * 1000) < 0 || pa_mainloop_poll(loop) < 0 ||
                pa_mainloop_dispatch(loop) < 0) {
                break;
            }
        }
    }
    if (operation) {
        pa_operation_cancel(operation);
        pa_operation_unref(operation);
    }
    if (context) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_mainloop_free(loop);
    return query.done ? query.sinks : QList<SoundSink>{};
}
