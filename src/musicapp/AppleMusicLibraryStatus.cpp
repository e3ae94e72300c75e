// How AppleMusicLibrary learns what the player does: its status, read by
// polls and after each command, the legacy speaker's events, and an album of
// ours found playing after a restart.
#include "musicapp/AppleMusicLibrary.h"

#include "airplay1/AirPlay1Player.h"
#include "airplay1/AirPlay1SpeakerBrowser.h"
#include "musicapp/LocalPlayerCommon.h"
#include "musicapp/LocalPlayerRules.h"
#include "musicapp/TrackIdentity.h"

#include <QPointer>
#include <QSet>

using LocalPlayerCommon::describe;
using LocalPlayerCommon::toPlace;

namespace {

// Beyond a run's cushion of decoded audio and the speaker's latency.
constexpr std::chrono::milliseconds kRunHeardAfter{600};

} // namespace

QCoro::Task<> AppleMusicLibrary::refreshSpeakers() {
    QPointer<AppleMusicLibrary> self(this);
    airPlay1Browser_->start();
    const CommandChain::Mark readAt = commands_.mark();
    std::optional<MusicPlayerStatus> status;
    std::exception_ptr failure;
    try {
        co_await musicApp_->launchIfNeeded();
        if (self) {
            status = co_await musicApp_->status();
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) {
        co_return;
    }
    if (failure) {
        setMusicAccessProblem(describe(failure));
        co_return;
    }
    if (status) {
        apply(*status, commands_.quietSince(readAt));
        setMusicAccessProblem(std::nullopt);
    }
}

QCoro::Task<> AppleMusicLibrary::readStatus(quint64 runningCommands) {
    QPointer<AppleMusicLibrary> self(this);
    const CommandChain::Mark readAt = commands_.mark(runningCommands);
    if (legacySpeaker() && isPlaying_) {
        if (const auto position = airPlay1Player_->position();
            position && !loadedTracks_.isEmpty()) {
            noteCurrentTrack(loadedTracks_[toPlace(*position, loadedTracks_).index].id);
        }
    }
    // Reading the status never starts a player: without one it fails.
    MusicPlayerStatus status;
    std::exception_ptr failure;
    try {
        status = co_await musicApp_->status();
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) {
        co_return;
    }
    if (!failure) {
        apply(status, commands_.quietSince(readAt));
        co_return;
    }
    // The player went away while it played this album: say so, and keep the
    // place so that play continues there once it is back.
    if (isPlaying_ && musicHasQueue_ && !legacySpeaker() && now() > expectPlayingUntil_) {
        if (musicStatus_ && musicStatus_->isPlayingQueue) {
            resumePoint_ =
                PlayerPlace{LocalPlayerRules::fullIndexOfStatus(loadedTracks_, *musicStatus_),
                            musicStatus_->positionSeconds};
        }
        musicHasQueue_ = false;
        report(describe(failure));
    }
}

void AppleMusicLibrary::apply(const MusicPlayerStatus& status, bool playStateIsCurrent) {
    // A new track, or the player's own word on where a start or seek went,
    // is news for the now-playing line even when the playing state holds.
    const bool settled = pendingPlace_ && playStateIsCurrent && !legacySpeaker();
    const bool moved =
        settled || !musicStatus_ || musicStatus_->currentTrackID != status.currentTrackID;
    musicStatus_ = status;
    statusReadAt_ = now();
    if (settled) {
        pendingPlace_.reset();
    }
    LocalPlayerRules::StatusState state;
    state.output = output_;
    state.musicDevices = musicDevices_;
    state.musicVolume = musicVolume_;
    state.isPlaying = isPlaying_;
    state.now = now();
    state.expectPlayingUntil = expectPlayingUntil_;
    state.playStateIsCurrent = playStateIsCurrent;
    QSet<QString> legacyNames;
    for (const AirPlay1Speaker& speaker : airPlay1Browser_->speakers()) {
        legacyNames.insert(speaker.name);
    }
    const auto outcome = LocalPlayerRules::applyStatus(state, status, legacyNames);
    setMusicDevices(status.devices);
    setMusicVolume(status.volume);
    setOutput(outcome.output);
    setPlaying(outcome.isPlaying);
    if (!legacySpeaker() && status.isPlaying && status.isPlayingQueue) {
        noteCurrentTrack(status.currentTrackID);
    }
    if (outcome.notify || moved) {
        stateChanged();
    }
}

void AppleMusicLibrary::handleAirPlay1Event(const AirPlay1PlayerEvent& event) {
    if (!legacySpeaker()) {
        return;
    }
    switch (event.kind) {
    case AirPlay1PlayerEvent::Kind::started:
        setPlaying(true);
        resumePoint_.reset(); // the speaker holds the place now
        pendingPlace_.reset();
        legacyRunStart_.reset();
        if (const auto position = airPlay1Player_->position();
            position && !loadedTracks_.isEmpty()) {
            legacyRunStart_ = toPlace(*position, loadedTracks_);
            noteCurrentTrack(loadedTracks_[legacyRunStart_->index].id);
        }
        // The run is heard only once its first packets have gone out and the
        // speaker's latency has passed; until then its start is shown. Said
        // again then, the position moves with what is heard.
        QTimer::singleShot(kRunHeardAfter, this, [this] {
            if (legacySpeaker() && isPlaying_) {
                stateChanged();
            }
        });
        // A new stream (a start, or one after a lost connection) has only
        // its first speaker: the rest of the group joins it.
        joinGroup();
        break;
    case AirPlay1PlayerEvent::Kind::paused:
    case AirPlay1PlayerEvent::Kind::finished:
        setPlaying(false);
        break;
    case AirPlay1PlayerEvent::Kind::failed:
        setPlaying(false);
        pendingPlace_.reset();
        if (onError_) {
            onError_(event.message);
        }
        break;
    }
    stateChanged();
}

QCoro::Task<std::optional<AppleMusicLibrary::TakeOver>>
AppleMusicLibrary::takeOverOngoingPlayback() {
    QPointer<AppleMusicLibrary> self(this);
    if (legacySpeaker() || !musicStatus_ || !musicStatus_->isPlayingQueue ||
        !musicStatus_->currentTrackID || musicStatus_->currentTrackID == lastTakeoverTrackID_) {
        co_return std::nullopt;
    }
    const MusicPlayerStatus status = *musicStatus_;
    lastTakeoverTrackID_ = status.currentTrackID;
    const bool authorized = co_await requestAuthorizationIfNeeded();
    if (!self || !authorized) {
        co_return std::nullopt;
    }
    std::uint64_t current = 0;
    if (!TrackIdentity::parseHexTrackID(*status.currentTrackID, &current)) {
        co_return std::nullopt;
    }
    for (const AppleMusicAlbum& album : albums()) {
        for (qsizetype i = 0; i < album.trackCount(); ++i) {
            if (album.track(i).persistentID != current) {
                continue;
            }
            TakeOver taken{album.unified(), status.isPlaying};
            const QList<Track> tracks = taken.album.playback.appleMusicHandle()->tracks();
            openTracks(tracks);
            setLoadedTracks(tracks);
            resumePoint_.reset();
            musicHasQueue_ = true;
            setPlaying(status.isPlaying);
            co_return taken;
        }
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<PlayerPlace>> AppleMusicLibrary::currentPosition() {
    if (legacySpeaker()) {
        if (const auto position = airPlay1Player_->position()) {
            co_return toPlace(*position, loadedTracks_);
        }
        co_return std::nullopt;
    }
    if (musicStatus_ && musicStatus_->isPlayingQueue) {
        co_return PlayerPlace{LocalPlayerRules::fullIndexOfStatus(loadedTracks_, *musicStatus_),
                              musicStatus_->positionSeconds};
    }
    co_return std::nullopt;
}
