#pragma once

#include <QByteArray>

#include <memory>

// Compresses one packet of the engine's PCM (352 frames of 16-bit
// little-endian stereo at 44100 Hz) into one ALAC frame, in the form the
// SDP announces for AppleLossless: the same frame length, sample size and
// Rice parameters, so a receiver decodes it like the uncompressed frames.
// Used by one thread at a time.
class AlacEncoder {
public:
    virtual ~AlacEncoder() = default;
    // Empty when the packet could not be compressed: it then goes out
    // uncompressed, which every ALAC receiver takes as well.
    virtual QByteArray encode(const QByteArray& littleEndianPcm) = 0;
};

// FFmpeg's encoder; defined in the FFmpeg module only. Null when FFmpeg has
// no ALAC encoder.
std::unique_ptr<AlacEncoder> makeFFmpegAlacEncoder();
