#pragma once

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <optional>

// Where a track list stands: which track, and how many of its frames went out.
struct AirPlay1QueuePosition {
    int index = 0;
    int64_t frames = 0;

    friend bool operator==(const AirPlay1QueuePosition&, const AirPlay1QueuePosition&) = default;
};

// One packet's worth of PCM (kFramesPerPacket frames of 16-bit little-endian
// interleaved stereo at 44100 Hz) and where the list stands once it played.
struct AirPlay1Block {
    QByteArray frames;
    AirPlay1QueuePosition position;
};

// How much a source has ready for the sender. `complete` means nothing will
// follow the blocks that are ready.
struct AirPlay1Readiness {
    size_t blocks = 0;
    bool complete = false;
};

// What the audio stream sends from. The send thread calls readiness() and
// take(); neither ever waits for decoding, a disk or a lock.
class AirPlay1FrameSource {
public:
    virtual ~AirPlay1FrameSource() = default;
    virtual AirPlay1Readiness readiness() const = 0;
    // Moves the oldest ready block into `block`; false when none is ready.
    virtual bool take(AirPlay1Block& block) = 0;
    // Where the list stands before the first block.
    virtual AirPlay1QueuePosition startPosition() const = 0;
    // Stops all decoding; called from any thread when the stream drops the
    // source. Never waits.
    virtual void close() = 0;
};

// A position that threads taking turns (under one lock) write and any
// thread reads without waiting: a sequence count around the two fields,
// which a reader checks did not move while it read them.
class PublishedPosition {
public:
    void publish(std::optional<AirPlay1QueuePosition> position) {
        const uint64_t sequence = sequence_.load();
        sequence_.store(sequence + 1);
        present_.store(position.has_value());
        index_.store(position ? position->index : 0);
        frames_.store(position ? position->frames : 0);
        sequence_.store(sequence + 2);
    }
    std::optional<AirPlay1QueuePosition> read() const {
        for (;;) {
            const uint64_t before = sequence_.load();
            const bool present = present_.load();
            const AirPlay1QueuePosition position{index_.load(), frames_.load()};
            if (before % 2 == 0 && sequence_.load() == before) {
                return present ? std::optional(position) : std::nullopt;
            }
        }
    }

private:
    std::atomic<uint64_t> sequence_{0};
    std::atomic<bool> present_{false};
    std::atomic<int> index_{0};
    std::atomic<int64_t> frames_{0};
};
