#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

// Where a track list stands: which track, and how many of its frames went out.
struct AirPlay1QueuePosition {
    int index = 0;
    int64_t frames = 0;

    friend bool operator==(const AirPlay1QueuePosition&, const AirPlay1QueuePosition&) = default;
};

// What the audio stream pulls PCM from: blocks of 16-bit little-endian
// interleaved stereo frames at 44100 Hz. Called on the stream's send thread
// with the stream's send lock held.
class AirPlay1FrameSource {
public:
    virtual ~AirPlay1FrameSource() = default;
    // Exactly `count` frames, or nothing once everything has been handed out.
    virtual std::optional<QByteArray> nextFrames(int count) = 0;
    // Stops all decoding; called when the stream drops the source.
    virtual void close() = 0;
    virtual AirPlay1QueuePosition position() const = 0;
};
