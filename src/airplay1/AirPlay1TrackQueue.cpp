#include "airplay1/AirPlay1TrackQueue.h"

AirPlay1TrackQueue::AirPlay1TrackQueue(QList<QUrl> urls, std::unique_ptr<TrackDecoder> decoder,
                                       int decodingIndex, int playingIndex, qint64 playingFrames,
                                       std::shared_ptr<PcmReaderFactory> factory)
    : urls_(std::move(urls))
    , factory_(std::move(factory))
    , decoder_(std::move(decoder))
    , decodingIndex_(decodingIndex)
    , playingIndex_(playingIndex)
    , playingFrames_(playingFrames) {}

AirPlay1TrackQueue::~AirPlay1TrackQueue() {
    close();
}

void AirPlay1TrackQueue::preloadNext() {
    const int next = decodingIndex_ + 1;
    preloaded_.reset();
    if (next >= 0 && next < urls_.size()) {
        preloaded_ = std::make_unique<Preload>(urls_.at(next), factory_);
    }
}

std::optional<QByteArray> AirPlay1TrackQueue::nextFrames(int count) {
    if (closed_ || count <= 0) {
        return std::nullopt;
    }
    const qsizetype need = qsizetype(count) * PcmReader::bytesPerFrame;
    while (pending_.size() < need) {
        if (decoder_) {
            if (auto chunk = decoder_->nextChunk()) {
                pending_.append(*chunk);
                continue;
            }
        }
        if (!advanceToNextTrack()) {
            break;
        }
    }
    if (pending_.isEmpty()) {
        return std::nullopt;
    }
    const qsizetype taken = std::min(need, pending_.size());
    QByteArray block = pending_.left(taken);
    pending_.remove(0, taken);
    if (taken < need) {
        block.append(need - taken, '\0'); // silence after the very last track
    }

    // A track that began inside this block is now the one playing.
    const TrackStart* began = nullptr;
    for (const TrackStart& start : pendingTrackStarts_) {
        if (start.offset < taken) {
            began = &start;
        }
    }
    if (began) {
        playingIndex_ = began->index;
        playingFrames_ = (taken - began->offset) / PcmReader::bytesPerFrame;
    } else {
        playingFrames_ += count;
    }
    QList<TrackStart> later;
    for (const TrackStart& start : pendingTrackStarts_) {
        if (start.offset >= taken) {
            later.append({start.offset - taken, start.index});
        }
    }
    pendingTrackStarts_ = std::move(later);
    return block;
}

bool AirPlay1TrackQueue::advanceToNextTrack() {
    if (decoder_) {
        if (decoder_->isReading()) {
            decoder_->cancelReading();
        }
        decoder_.reset();
    }
    std::unique_ptr<TrackDecoder> next;
    while (!next) {
        if (decodingIndex_ + 1 >= urls_.size()) {
            return false;
        }
        ++decodingIndex_;
        if (preloaded_ && preloaded_->url() == urls_.at(decodingIndex_)) {
            next = preloaded_->take();
        }
        preloaded_.reset();
        if (!next) {
            // Opened again in case the preload met a passing problem.
            next = TrackDecoder::open(urls_.at(decodingIndex_), 0, factory_);
        }
    }
    decoder_ = std::move(next);
    pendingTrackStarts_.append({pending_.size(), decodingIndex_});
    preloadNext();
    return true;
}

void AirPlay1TrackQueue::close() {
    closed_ = true;
    if (decoder_) {
        if (decoder_->isReading()) {
            decoder_->cancelReading();
        }
        decoder_.reset();
    }
    if (preloaded_) {
        preloaded_->cancel();
        preloaded_.reset();
    }
}
