#pragma once

#include "airplay1/AlacEncoder.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

// The media-reading adapter: one local audio file decoded to the engine's
// fixed format, signed 16-bit little-endian interleaved stereo at 44100 Hz.
class PcmReader {
public:
    static constexpr int sampleRate = 44100;
    static constexpr int bytesPerFrame = 4;

    virtual ~PcmReader() = default;
    // The next decoded chunk; nothing at the end, after a reader failure or
    // once reading was cancelled.
    virtual std::optional<QByteArray> nextChunk() = 0;
    // Stops reading and releases the file and decoder.
    virtual void cancelReading() = 0;
    virtual bool isReading() const = 0;
};

class PcmReaderFactory {
public:
    virtual ~PcmReaderFactory() = default;
    // Opens `localPath` from `startSeconds` on. Nothing for a file that is
    // not a readable, unprotected audio file; pipes and devices are refused
    // at once. May block on a slow file system. `abort`, when set by another
    // thread, makes a slow open give up early.
    virtual std::unique_ptr<PcmReader> open(const QString& localPath, double startSeconds,
                                            const std::atomic<bool>* abort) = 0;
    // An encoder for compressed ALAC, or null without one.
    virtual std::unique_ptr<AlacEncoder> alacEncoder() { return nullptr; }

    // FFmpeg, shared by every queue.
    static std::shared_ptr<PcmReaderFactory> ffmpeg();
};

// How many FFmpeg readers hold an open file right now.
int ffmpegReadersOpen();
