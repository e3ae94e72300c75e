#pragma once

#include "airplay1/AirPlay1FrameSource.h"

#include <cstdint>

// What the send loop does when a packet is due, given how much decoded audio
// its source holds. Decoding runs on a thread of its own, so the sender never
// waits for it: when the source runs dry mid-run the receiver gets silence in
// time, and real audio comes back only once a cushion has built up again, so
// a slow disk is heard as one pause rather than as stutter.

// Blocks that must be ready before a run starts or resumes after running dry
// (about 130 ms), unless the source holds all it ever will.
inline constexpr size_t kCushionBlocks = 16;

// How far the loop may fall behind the clock (when the thread itself was held
// up) before it gives the missed time up and re-anchors the run. Catching up
// on a second refills the receiver's buffer (about two seconds); older packets
// would arrive too late to play, and sending them back to back could use up a
// real-time thread's CPU budget.
inline constexpr uint64_t kMaxLateFrames = 44100;

enum class SendStep {
    audio,   // send the next decoded block
    silence, // send a packet of silence: the source has run dry
    finished // the source is done: the run ends
};

// Whether a run may send its first packet yet; until then it keeps its
// anchor at "now", so its timeline starts with real audio.
bool runMayBegin(const AirPlay1Readiness& ready);

// The next packet of a run that has begun. `refilling` is kept between calls
// (false when the run begins): set when the source ran dry, cleared once the
// cushion is back.
SendStep nextSendStep(bool& refilling, const AirPlay1Readiness& ready);

// True when the loop is so far behind the clock that it should re-anchor.
bool fallenBehind(uint64_t framesSinceAnchor, uint64_t elapsed);
