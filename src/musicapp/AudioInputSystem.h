#pragma once

#include <QMetaType>
#include <QObject>

#include <optional>
#include <vector>

// What the sound server tells about audio input at one moment: the sources
// (microphones, monitors, virtual sources), which cards also play sound, and
// the streams that record from a source.
struct AudioSource {
    quint32 index = 0;
    // A monitor repeats what a sink plays; it is never a microphone.
    bool isMonitor = false;
    // Backed by a device (ALSA, Bluetooth, ...), not a null, remapped,
    // combined or echo-cancelling source.
    bool isHardware = false;
    std::optional<quint32> card;
    // Some stream is reading from it right now.
    bool isRunning = false;
};

struct RecordingStream {
    quint32 index = 0;
    std::optional<quint32> source;
    // The recording program's process id, when it told the server.
    std::optional<qint64> processId;
    // A corked (paused) stream takes no input.
    bool isCorked = false;
    // Opened by the server itself (a loopback, an echo canceller), not by a
    // program: what it feeds is recorded, and counted, by whoever reads that.
    bool isServerInternal = false;
};

struct AudioInputState {
    std::vector<AudioSource> sources;
    // Cards that also have an output: a source of such a card is a headset.
    std::vector<quint32> cardsWithSinks;
    std::vector<RecordingStream> recordings;
};

Q_DECLARE_METATYPE(AudioInputState)

// The sound server as the microphone monitor sees it. The real one talks to
// PulseAudio (or PipeWire's PulseAudio service); tests use the fake.
class AudioInputSystem : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioInputSystem() override = default;

    // Begins watching. Each change of sources, sinks, cards, recording
    // streams or the server (and the first full read) is delivered as
    // stateChanged on this object's thread. Without a sound server nothing
    // is delivered and nothing fails.
    virtual void start() = 0;

Q_SIGNALS:
    void stateChanged(const AudioInputState& state);
};
