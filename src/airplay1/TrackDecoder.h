#pragma once

#include "airplay1/PcmReader.h"

#include <QByteArray>
#include <QUrl>

#include <atomic>
#include <memory>
#include <optional>

// Decodes one local track into the engine's fixed PCM format.
class TrackDecoder {
public:
    // Nothing when the URL is not a local file or the file cannot be decoded
    // (no audio, encrypted, unknown format). A null factory means FFmpeg.
    // Blocks while the file opens, so it belongs on a worker thread.
    static std::unique_ptr<TrackDecoder> open(const QUrl& url, double startSeconds,
                                              std::shared_ptr<PcmReaderFactory> factory = nullptr,
                                              const std::atomic<bool>* abort = nullptr);

    explicit TrackDecoder(std::unique_ptr<PcmReader> reader)
        : reader_(std::move(reader)) {}

    // The next chunk of decoded bytes; nothing at the end or on a failure.
    std::optional<QByteArray> nextChunk() { return reader_->nextChunk(); }
    void cancelReading() { reader_->cancelReading(); }
    bool isReading() const { return reader_->isReading(); }

private:
    std::unique_ptr<PcmReader> reader_;
};
