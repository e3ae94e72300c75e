#include "airplay1/Preload.h"

#include <mutex>
#include <semaphore>

#include <pthread.h>

struct Preload::Shared {
    std::mutex lock;
    std::unique_ptr<TrackDecoder> decoder;
    bool isCancelled = false;
    std::atomic<bool> abort{false};
    std::binary_semaphore done{0};
};

Preload::Preload(QUrl url, std::shared_ptr<PcmReaderFactory> factory)
    : url_(std::move(url)), shared_(std::make_shared<Shared>()) {
    worker_ = std::thread([shared = shared_, url = url_, factory = std::move(factory)] {
        pthread_setname_np(pthread_self(), "Korvid preload");
        auto decoder = TrackDecoder::open(url, 0, factory, &shared->abort);
        {
            std::lock_guard guard(shared->lock);
            if (decoder && shared->isCancelled) {
                // Given up meanwhile: nobody will read it.
                decoder->cancelReading();
                decoder.reset();
            }
            shared->decoder = std::move(decoder);
        }
        shared->done.release();
    });
}

Preload::~Preload() {
    cancel();
    if (worker_.joinable()) {
        worker_.join();
    }
}

std::unique_ptr<TrackDecoder> Preload::take() {
    if (!finished_) {
        shared_->done.acquire();
        finished_ = true;
    }
    std::lock_guard guard(shared_->lock);
    return std::move(shared_->decoder);
}

void Preload::cancel() {
    std::unique_ptr<TrackDecoder> decoder;
    {
        std::lock_guard guard(shared_->lock);
        shared_->isCancelled = true;
        shared_->abort = true;
        decoder = std::move(shared_->decoder);
    }
    if (decoder && decoder->isReading()) {
        decoder->cancelReading();
    }
}
