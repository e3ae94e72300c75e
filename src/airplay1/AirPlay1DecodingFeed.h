#pragma once

#include "airplay1/AirPlay1FrameSource.h"

#include <memory>
#include <thread>

class AirPlay1TrackQueue;

// Decodes a track list on a thread of its own, at the priority of the thread
// that made the feed, into about two seconds of packet-sized blocks ahead of
// the sender. Reading files, decoding and opening the next track happen
// there; the send thread only takes finished blocks, so a disk or network
// share that stalls holds up the decoding and nothing else.
class AirPlay1DecodingFeed final : public AirPlay1FrameSource {
public:
    static constexpr size_t kCapacityBlocks = 256; // 2.04 s

    explicit AirPlay1DecodingFeed(std::unique_ptr<AirPlay1TrackQueue> queue);
    // Closes the feed and waits a moment for the decoding thread to end; one
    // still held up by the file system is left to finish alone.
    ~AirPlay1DecodingFeed() override;
    AirPlay1DecodingFeed(const AirPlay1DecodingFeed&) = delete;
    AirPlay1DecodingFeed& operator=(const AirPlay1DecodingFeed&) = delete;

    AirPlay1Readiness readiness() const override;
    bool take(AirPlay1Block& block) override;
    AirPlay1QueuePosition startPosition() const override { return start_; }
    void close() override;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    AirPlay1QueuePosition start_;
    std::thread thread_;
};
