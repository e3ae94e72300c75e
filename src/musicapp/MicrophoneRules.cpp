#include "musicapp/MicrophoneRules.h"

#include <algorithm>

namespace {
const AudioSource* findSource(const AudioInputState& state, quint32 index) {
    const auto it = std::find_if(state.sources.begin(), state.sources.end(),
                                 [index](const AudioSource& s) { return s.index == index; });
    return it == state.sources.end() ? nullptr : &*it;
}
} // namespace

bool isInputOnlyMicrophone(const AudioSource& source, const AudioInputState& state) {
    if (source.isMonitor || !source.isHardware) {
        return false;
    }
    if (!source.card) {
        return true;
    }
    return std::find(state.cardsWithSinks.begin(), state.cardsWithSinks.end(), *source.card) ==
           state.cardsWithSinks.end();
}

bool isForeignRecording(const RecordingStream& stream, const AudioInputState& state,
                        qint64 ownProcessId) {
    if (stream.isCorked || stream.isServerInternal ||
        (stream.processId && *stream.processId == ownProcessId)) {
        return false;
    }
    // A stream whose source is not (yet) listed still records something.
    const AudioSource* source = stream.source ? findSource(state, *stream.source) : nullptr;
    return !(source && source->isMonitor);
}

bool isMicrophoneInUse(const AudioInputState& state, qint64 ownProcessId) {
    const bool deviceRuns =
        std::any_of(state.sources.begin(), state.sources.end(), [&](const AudioSource& s) {
            return s.isRunning && isInputOnlyMicrophone(s, state);
        });
    return deviceRuns || std::any_of(state.recordings.begin(), state.recordings.end(),
                                     [&](const RecordingStream& r) {
                                         return isForeignRecording(r, state, ownProcessId);
                                     });
}
