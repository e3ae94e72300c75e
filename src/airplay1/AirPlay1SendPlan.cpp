#include "airplay1/AirPlay1SendPlan.h"

bool runMayBegin(const AirPlay1Readiness& ready) {
    return ready.complete || ready.blocks >= kCushionBlocks;
}

SendStep nextSendStep(bool& refilling, const AirPlay1Readiness& ready) {
    if (ready.blocks == 0 && ready.complete) {
        return SendStep::finished;
    }
    if (refilling && !runMayBegin(ready)) {
        return SendStep::silence;
    }
    refilling = ready.blocks == 0;
    return refilling ? SendStep::silence : SendStep::audio;
}

bool fallenBehind(uint64_t framesSinceAnchor, uint64_t elapsed) {
    return elapsed > framesSinceAnchor + kMaxLateFrames;
}
