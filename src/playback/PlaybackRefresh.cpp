// The coordinator's view of what plays, kept current by polling: Spotify
// sends no events, and the local player is asked after each command.
#include "playback/PlaybackViewModel.h"

#include "model/MusicSourceSettings.h"
#include "musicapp/LocalPlayback.h"
#include "platform/Clock.h"
#include "platform/KorvidError.h"
#include "spotify/SpotifyAPI.h"

#include <QPointer>

#include <cmath>
#include <limits>

QCoro::Task<> PlaybackViewModel::refreshNowPlaying() {
    if (!MusicSources::includesSpotify(sourceSettings_.current())) {
        co_return;
    }
    const qint64 generation = playGeneration_;
    std::optional<CurrentlyPlayingResponse> state;
    try {
        state = co_await api_.currentPlayback();
    } catch (const KorvidError&) {
        co_return; // the next poll asks again
    }
    if (playGeneration_ != generation) {
        co_return; // a play began meanwhile; this answer is from before it
    }
    if (!state) {
        if (activeSource_ == PlaybackSource::appleMusic) {
            co_return;
        }
        setActiveSource(std::nullopt);
        setPlaying(false);
        clearNowPlaying();
        co_return;
    }
    if (!state->isPlaying && activeSource_ == PlaybackSource::appleMusic) {
        co_return; // a paused Spotify session does not take over a local album
    }
    adoptSpotifyState(*state);
}

void PlaybackViewModel::adoptSpotifyState(const CurrentlyPlayingResponse& state) {
    latestSpotifyState_ = state;
    setActiveSource(PlaybackSource::spotify);
    setPlaying(state.isPlaying);
    if (const std::optional<SpotifyTrackDetail>& item = state.item) {
        QStringList artists;
        for (const SpotifyArtist& artist : item->artists) {
            artists << artist.name;
        }
        std::optional<AlbumArtwork> artwork;
        if (const std::optional<QUrl> cover = item->album.coverURL()) {
            artwork = AlbumArtwork::remote(cover);
        }
        setNowPlaying(item->name, artists.join(QStringLiteral(", ")), std::move(artwork),
                      QStringLiteral("spotify-") + item->album.id);
        setTrackPlace({item->album.name, 0, -1});
    } else {
        setNowPlaying(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
        setTrackPlace({});
    }
    progressUpdatedAt_ = now();
    setProgress(state.progressMs.value_or(0), state.item ? state.item->durationMs : 0);
    if (state.device && state.device->volumePercent) {
        updateVolume(double(*state.device->volumePercent));
    }
}

void PlaybackViewModel::clearNowPlaying() {
    setNowPlaying(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    setTrackPlace({});
    setProgress(0, 0);
}

QCoro::Task<> PlaybackViewModel::refreshAppleMusic() {
    co_await appleMusic_.refreshStatus();
    if (activeSource_) {
        // Kept current by its own refresh or the player's callback; the
        // local position is read here, as Spotify's is by its refresh.
        showLocalTrack();
        co_return;
    }
    const std::optional<LocalTakeOver> taken = co_await appleMusic_.takeOverOngoingPlayback();
    if (!taken || activeSource_) {
        co_return;
    }
    setActiveSource(PlaybackSource::appleMusic);
    appleMusicAlbum_ = taken->album;
    showLocalAlbum(taken->album, taken->isPlaying);
    showLocalTrack();
}

QCoro::Task<> PlaybackViewModel::refreshOnce() {
    co_await refreshNowPlaying();
    co_await refreshAppleMusic();
}

void PlaybackViewModel::syncAppleMusicPlaybackState() {
    if (activeSource_ != PlaybackSource::appleMusic) {
        return;
    }
    setPlaying(appleMusic_.isPlaying());
    updateVolume(appleMusic_.outputVolumePercent());
    showLocalTrack();
}

qint64 PlaybackViewModel::currentProgressMs(const QDateTime& at) const {
    if (!isPlaying_) {
        return progressMs_;
    }
    const qint64 elapsed = std::max<qint64>(0, progressUpdatedAt_.msecsTo(at));
    // Saturates instead of wrapping; the result is capped by the length anyway.
    const qint64 position = elapsed > std::numeric_limits<qint64>::max() - progressMs_
                                ? std::numeric_limits<qint64>::max()
                                : progressMs_ + elapsed;
    return std::min(position, durationMs_);
}

qint64 PlaybackViewModel::currentProgressMsNow() const {
    return currentProgressMs(now());
}

void PlaybackViewModel::updateVolume(double percent) {
    if (isAdjustingVolume_ || now() <= volumeHoldUntil_ || !std::isfinite(percent)) {
        return;
    }
    setVolumePercent(percent);
}

void PlaybackViewModel::setVolumePercent(double percent) {
    if (std::isnan(percent)) {
        return;
    }
    percent = std::clamp(percent, 0.0, 100.0);
    if (volumePercent_ != percent) {
        volumePercent_ = percent;
        Q_EMIT volumePercentChanged();
    }
}

void PlaybackViewModel::setAdjustingVolume(bool adjusting) {
    if (isAdjustingVolume_ != adjusting) {
        isAdjustingVolume_ = adjusting;
        Q_EMIT isAdjustingVolumeChanged();
    }
}

void PlaybackViewModel::commitVolume() {
    volumeHoldUntil_ = now().addMSecs(volumeHoldMs);
    if (activeSource_ == PlaybackSource::appleMusic) {
        appleMusic_.setOutputVolume(volumePercent_);
        return;
    }
    const QPointer<PlaybackViewModel> self(this);
    const int percent = int(volumePercent_); // whole percent, as Spotify takes it
    const std::optional<QString> device = spotifyTargetDeviceID();
    [](QPointer<PlaybackViewModel> self, SpotifyAPI& api, int percent,
       std::optional<QString> device) -> QCoro::Task<> {
        try {
            co_await api.setVolume(percent, device);
        } catch (const KorvidError& error) {
            if (self) {
                self->setErrorMessage(error.description());
            }
        }
    }(self, api_, percent, device);
}
