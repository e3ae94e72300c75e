#pragma once

// What a shairport-sync receiver played, read from its PCM output (16-bit
// stereo): silence, the first sound, and where played audio continues a
// reference track.
#include "support/RunTask.h"
#include "support/ShairportSpeaker.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <limits>

inline constexpr int kFrameBytes = 4;

// Samples differing by more than the receiver's dither of one step.
inline qsizetype mismatchedSamples(const QByteArray& played, const QByteArray& expected) {
    qsizetype bad = std::abs(played.size() - expected.size()) / 2;
    const auto* a = reinterpret_cast<const int16_t*>(played.constData());
    const auto* b = reinterpret_cast<const int16_t*>(expected.constData());
    for (qsizetype i = 0; i < std::min(played.size(), expected.size()) / 2; ++i) {
        bad += std::abs(int(a[i]) - int(b[i])) > 2;
    }
    return bad;
}

// The byte offset, at a frame from `fromFrame` to `toFrame`, where `block`
// fits `reference` best.
inline qsizetype bestAlignment(const QByteArray& block, const QByteArray& reference,
                               qsizetype fromFrame, qsizetype toFrame) {
    qsizetype best = -1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    const auto* b = reinterpret_cast<const int16_t*>(block.constData());
    const auto* r = reinterpret_cast<const int16_t*>(reference.constData());
    for (qsizetype frame = std::max<qsizetype>(fromFrame, 0);
         frame <= toFrame && (frame * kFrameBytes + block.size()) <= reference.size(); ++frame) {
        qint64 distance = 0;
        for (qsizetype i = 0; i < block.size() / 2 && distance < bestDistance; ++i) {
            distance += std::abs(int(b[i]) - int(r[frame * 2 + i]));
        }
        if (distance < bestDistance) {
            bestDistance = distance;
            best = frame * kFrameBytes;
        }
    }
    return best;
}

// Louder than the receiver's dither.
inline bool isLoud(const QByteArray& pcm, qsizetype i) {
    const auto* s = reinterpret_cast<const int16_t*>(pcm.constData() + i);
    return std::abs(int(s[0])) > 8 || std::abs(int(s[1])) > 8;
}

// The byte offset of the first sound from byte `from` on, -1 if none.
inline qsizetype firstSound(const QByteArray& pcm, qsizetype from = 0) {
    for (qsizetype i = from - from % kFrameBytes; i + kFrameBytes <= pcm.size(); i += kFrameBytes) {
        if (isLoud(pcm, i)) {
            return i;
        }
    }
    return -1;
}

inline bool isSilence(const QByteArray& pcm) {
    return firstSound(pcm) < 0;
}

inline qsizetype lastSound(const QByteArray& pcm) {
    for (qsizetype i = pcm.size() - pcm.size() % kFrameBytes - kFrameBytes; i >= 0;
         i -= kFrameBytes) {
        if (isLoud(pcm, i)) {
            return i;
        }
    }
    return -1;
}

inline qsizetype waitForSound(ShairportSpeaker& receiver) {
    qsizetype at = -1;
    waitUntil([&] { return (at = firstSound(receiver.pcm())) >= 0; }, std::chrono::seconds(15));
    return at;
}

// The first sound the receiver plays after byte `from` continues
// `reference` at `frame`, give or take what it drops while it settles.
inline void expectContinuesAt(ShairportSpeaker& receiver, qsizetype from,
                              const QByteArray& reference, qsizetype frame) {
    qsizetype at = -1;
    ASSERT_TRUE(waitUntil(
        [&] {
            const QByteArray pcm = receiver.pcm();
            at = firstSound(pcm, from);
            return at >= 0 && pcm.size() >= at + 400 * kFrameBytes;
        },
        std::chrono::seconds(10)))
        << "no sound after the restart";
    const QByteArray block = receiver.pcm().mid(at + 16 * kFrameBytes, 352 * kFrameBytes);
    const qsizetype offset = bestAlignment(block, reference, frame - 2000, frame + 16 + 4410);
    EXPECT_EQ(mismatchedSamples(block, reference.mid(offset, block.size())), 0)
        << "not audio of this track";
    EXPECT_GE(offset / kFrameBytes, frame + 16) << "played audio from before the place";
    EXPECT_LE(offset / kFrameBytes, frame + 16 + 4410) << "skipped audio after the place";
}

// Where, from about `frame` on (give or take a second), the receiver's first
// sound lies in `reference`; checks that all it played from there matches it
// sample for sample. Returns the frame, -1 when it matched nothing.
inline qsizetype expectPlaysFrom(const QByteArray& pcm, const QByteArray& reference,
                                 qsizetype frame) {
    const qsizetype first = firstSound(pcm);
    if (first < 0) {
        ADD_FAILURE() << "it played no sound";
        return -1;
    }
    // Past the few frames a receiver may fade in.
    const qsizetype probe = first + 16 * kFrameBytes;
    const qsizetype offset =
        bestAlignment(pcm.mid(probe, 352 * kFrameBytes), reference, frame - 44100, frame + 44100);
    const qsizetype length =
        std::min(pcm.size() - probe, reference.size() - offset) / kFrameBytes * kFrameBytes;
    EXPECT_EQ(mismatchedSamples(pcm.mid(probe, length), reference.mid(offset, length)), 0)
        << length / kFrameBytes << " frames from frame " << offset / kFrameBytes;
    return offset / kFrameBytes;
}
