#pragma once

// What both halves of the local player (playing, and handing over between
// outputs) share.
#include "airplay1/AirPlay1Player.h"
#include "musicapp/AppleMusicLibrary.h"
#include "musicapp/LocalPlayerRules.h"
#include "platform/KorvidError.h"

#include <chrono>
#include <exception>

namespace LocalPlayerCommon {

// Within this time after a start the player may still report stopped.
inline constexpr std::chrono::seconds kStartGrace{8};

inline QString describe(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const KorvidError& error) {
        return error.description();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QString::fromLatin1("Unknown error.");
    }
}

inline PlayerPlace toPlace(const AirPlay1PlaybackPosition& position,
                           const QList<AppleMusicPlaybackHandle::Track>& tracks) {
    return {LocalPlayerRules::fullIndex(tracks, position.index), position.seconds};
}

} // namespace LocalPlayerCommon
