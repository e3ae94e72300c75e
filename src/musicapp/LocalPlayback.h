#pragma once

#include "model/ListeningSession.h"
#include "model/UnifiedAlbum.h"
#include "musicapp/SpeakerOutput.h"

#include <QCoroTask>
#include <QString>

#include <functional>
#include <optional>

// A place in an album: track index (counting every track) and seconds into it.
struct PlayerPlace {
    int index = 0;
    double seconds = 0;
    friend bool operator==(const PlayerPlace&, const PlayerPlace&) = default;
};

// One track of a local album, as lists and the now-playing line show it.
struct LocalTrack {
    int index = 0;       // in the album, counting every track
    int trackNumber = 0; // as tagged; 0 when untagged
    QString title;
    QString artistNames;
    qint64 durationMs = 0; // 0 when unknown
    friend bool operator==(const LocalTrack&, const LocalTrack&) = default;
};

// The track the local player is at, and how far into it, as of the moment
// it is asked (a playing track's position runs on from the last reading).
struct LocalNowPlaying {
    LocalTrack track;
    qint64 positionMs = 0;
    friend bool operator==(const LocalNowPlaying&, const LocalNowPlaying&) = default;
};

// Playback that was already going on in the music player when Korvid looked.
struct LocalTakeOver {
    UnifiedAlbum album;
    bool isPlaying = false;
};

// What the playback coordinator asks of the local player: the commands, the
// state they leave behind, and the look-ups that resuming needs. The player
// reports changes and errors through the two callbacks instead of raising.
class LocalPlayback {
public:
    virtual ~LocalPlayback() = default;

    virtual bool isPlaying() const = 0;
    // 0-100, of the selected output.
    virtual double outputVolumePercent() const = 0;
    virtual const std::optional<SpeakerOutput>& output() const = 0;
    // The selected output as a stored session names it.
    virtual ListeningSession::Device sessionDevice() const = 0;

    virtual void setOnPlaybackStateChanged(std::function<void()> callback) = 0;
    virtual void setOnError(std::function<void(const QString&)> callback) = 0;

    virtual void play(const AppleMusicPlaybackHandle& handle, int startIndex,
                      double startSeconds) = 0;
    virtual void pause() = 0;
    virtual void togglePlayPause() = 0;
    virtual void skipToNext() = 0;
    virtual void skipToPrevious() = 0;
    // Moves within the current track; false when no track is there to move in.
    virtual bool seek(double seconds) = 0;
    virtual void select(const SpeakerOutput& output) = 0;
    virtual void setOutputVolume(double percent) = 0;

    // The track that plays or is paused; absent when nothing of an album of
    // ours is loaded or the player has not told where it is.
    virtual std::optional<LocalNowPlaying> nowPlaying() const = 0;
    // The tracks of the local album whose album id is `albumID`, in album order.
    virtual QList<LocalTrack> albumTracks(const QString& albumID) const = 0;

    virtual QCoro::Task<> refreshStatus() = 0;
    virtual QCoro::Task<std::optional<LocalTakeOver>> takeOverOngoingPlayback() = 0;
    virtual QCoro::Task<std::optional<PlayerPlace>> currentPosition() = 0;
    virtual QCoro::Task<bool> requestAuthorizationIfNeeded() = 0;
    // The local album whose album id ("apple-...") is `id`, as the library has it now.
    virtual std::optional<UnifiedAlbum> unifiedAlbum(const QString& id) const = 0;
    virtual QCoro::Task<std::optional<SpeakerOutput>>
    availableOutput(ListeningSession::Device device) = 0;
    virtual QCoro::Task<> selectThisMac() = 0;
};
