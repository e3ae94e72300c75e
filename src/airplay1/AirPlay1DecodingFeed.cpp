#include "airplay1/AirPlay1DecodingFeed.h"

#include "airplay1/AirPlay1Packets.h"
#include "airplay1/AirPlay1TrackQueue.h"
#include "airplay1/SpscRing.h"

#include <chrono>
#include <cstring>
#include <semaphore>

#include <pthread.h>

namespace {
constexpr size_t kBlockBytes = size_t(kFramesPerPacket) * kBytesPerFrame;
// How long a full ring lets the decoder rest before it looks again: the
// sender frees a block every 8 ms and the ring holds two seconds.
constexpr auto kRefillPause = std::chrono::milliseconds(20);
// How long dropping the feed waits for its thread: decoding one block ends
// well within it; only a file system that holds the thread up takes longer.
constexpr auto kPatience = std::chrono::milliseconds(50);

struct Slot {
    std::array<char, kBlockBytes> pcm;
    AirPlay1QueuePosition position;
};
} // namespace

// What the decoding thread shares with the feed; it may outlive the feed.
struct AirPlay1DecodingFeed::Shared {
    SpscRing<Slot, kCapacityBlocks> ring;
    std::atomic<bool> complete{false}; // set after the last publish
    std::atomic<bool> stop{false};
    std::counting_semaphore<> wake{0};
    std::binary_semaphore done{0};
};

AirPlay1DecodingFeed::AirPlay1DecodingFeed(std::unique_ptr<AirPlay1TrackQueue> queue)
    : shared_(std::make_shared<Shared>())
    , start_{queue->playingIndex(), queue->playingFrames()} {
    thread_ = std::thread([shared = shared_, queue = std::move(queue)] {
        pthread_setname_np(pthread_self(), "Korvid decoding");
        while (!shared->stop.load()) {
            Slot* slot = shared->ring.slotToFill();
            if (!slot) {
                (void)shared->wake.try_acquire_for(kRefillPause);
                continue;
            }
            const auto frames = queue->nextFrames(kFramesPerPacket);
            if (!frames) {
                break;
            }
            std::memcpy(slot->pcm.data(), frames->constData(), kBlockBytes);
            slot->position = {queue->playingIndex(), queue->playingFrames()};
            shared->ring.publish();
        }
        queue->close();
        shared->complete.store(true);
        shared->done.release();
    });
}

AirPlay1DecodingFeed::~AirPlay1DecodingFeed() {
    close();
    if (shared_->done.try_acquire_for(kPatience)) {
        thread_.join();
    } else {
        thread_.detach();
    }
}

AirPlay1Readiness AirPlay1DecodingFeed::readiness() const {
    // Completion first: once it is seen, every block there will be is in.
    const bool complete = shared_->complete.load();
    return {shared_->ring.size(), complete};
}

bool AirPlay1DecodingFeed::take(AirPlay1Block& block) {
    const Slot* slot = shared_->ring.front();
    if (!slot) {
        return false;
    }
    block.frames.resize(qsizetype(kBlockBytes)); // reused: allocates only the first time
    std::memcpy(block.frames.data(), slot->pcm.data(), kBlockBytes);
    block.position = slot->position;
    shared_->ring.pop();
    return true;
}

void AirPlay1DecodingFeed::close() {
    if (!shared_->stop.exchange(true)) {
        shared_->wake.release();
    }
}
