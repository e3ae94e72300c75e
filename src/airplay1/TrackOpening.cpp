#include "airplay1/TrackOpening.h"

#include <mutex>
#include <semaphore>
#include <utility>

#include <pthread.h>

struct TrackOpening::Shared {
    std::mutex lock;
    std::optional<Opened> found;
    bool isCancelled = false;
    bool isOver = false;
    std::atomic<bool> abort{false};
    std::binary_semaphore done{0};
};

namespace {
void stopReading(std::optional<TrackOpening::Opened>& found) {
    if (found && found->decoder && found->decoder->isReading()) {
        found->decoder->cancelReading();
    }
    found.reset();
}
} // namespace

TrackOpening::TrackOpening(QList<QUrl> tracks, int startIndex, double startSeconds,
                           std::shared_ptr<PcmReaderFactory> factory, const char* threadName,
                           std::chrono::milliseconds patience, std::function<void()> ended)
    : shared_(std::make_shared<Shared>())
    , patience_(patience) {
    // The worker holds its own copies only: it may outlive this object.
    worker_ = std::thread([shared = shared_, tracks = std::move(tracks), startIndex, startSeconds,
                           factory = std::move(factory), ended = std::move(ended),
                           name = std::string(threadName)] {
        pthread_setname_np(pthread_self(), name.c_str());
        std::optional<Opened> found;
        for (int index = std::max(startIndex, 0); index < tracks.size() && !shared->abort;
             ++index) {
            const double from = index == startIndex ? startSeconds : 0;
            if (auto decoder = TrackDecoder::open(tracks[index], from, factory, &shared->abort)) {
                found = Opened{index, std::move(decoder)};
                break;
            }
        }
        bool report = false;
        {
            std::lock_guard guard(shared->lock);
            if (shared->isCancelled) {
                stopReading(found); // given up meanwhile: nobody will read it
            }
            shared->found = std::move(found);
            shared->isOver = true;
            report = !shared->isCancelled;
        }
        shared->done.release();
        if (report && ended) {
            ended();
        }
    });
}

TrackOpening::~TrackOpening() {
    cancel();
    if (waited_ || shared_->done.try_acquire_for(patience_)) {
        worker_.join();
    } else {
        worker_.detach();
    }
}

void TrackOpening::wait() {
    if (!waited_) {
        shared_->done.acquire();
        waited_ = true;
    }
}

std::optional<TrackOpening::Opened> TrackOpening::take() {
    std::lock_guard guard(shared_->lock);
    if (!shared_->isOver) {
        return std::nullopt;
    }
    return std::exchange(shared_->found, std::nullopt);
}

void TrackOpening::cancel() {
    std::optional<Opened> found;
    {
        std::lock_guard guard(shared_->lock);
        shared_->isCancelled = true;
        shared_->abort = true;
        found = std::move(shared_->found);
    }
    stopReading(found);
}
