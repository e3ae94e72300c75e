#pragma once

#include "model/AlbumArtwork.h"
#include "model/ListeningSession.h"
#include "model/UnifiedAlbum.h"
#include "musicapp/SpeakerOutput.h"

#include <QUuid>

#include <algorithm>
#include <limits>
#include <optional>

// "Pick up where you left off?": the session the previous run stored, with
// what resuming it needs now.
struct ResumeOffer {
    QUuid id;
    ListeningSession session;
    // The local album found again; absent for Spotify sessions.
    std::optional<UnifiedAlbum> album;
    AlbumArtwork artwork;
    // Where the session's device is reachable now; absent for Spotify
    // sessions and when it is not.
    std::optional<SpeakerOutput> target;
};

// The track a session resumes at. The index comes from the preferences; keep
// it in range of the player's int.
inline int resumeTrackIndex(const ListeningSession& session) {
    return int(std::clamp<qint64>(session.trackIndex, 0, std::numeric_limits<int>::max()));
}
