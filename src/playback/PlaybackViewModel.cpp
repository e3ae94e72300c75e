#include "playback/PlaybackViewModel.h"

#include "model/MusicSourceSettings.h"
#include "model/PlayHistoryStore.h"
#include "musicapp/LocalPlayback.h"
#include "musicapp/MicrophoneMonitor.h"
#include "musicapp/PulseAudioInputSystem.h"
#include "platform/Clock.h"
#include "platform/KorvidError.h"
#include "spotify/SpotifyAPI.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

// Runs a command in the background; what it does afterwards checks that the
// coordinator still exists.
template <typename Body> void detach(Body body) {
    [](Body task) -> QCoro::Task<> { co_await task(); }(std::move(body));
}

} // namespace

PlaybackViewModel::PlaybackViewModel(SpotifyAPI& api, LocalPlayback& appleMusic,
                                     MusicSourceSettings& sourceSettings,
                                     PlayHistoryStore& playHistory, Clock& clock,
                                     std::unique_ptr<AudioInputSystem> microphoneInput,
                                     QObject* parent)
    : QObject(parent)
    , api_(api)
    , appleMusic_(appleMusic)
    , sourceSettings_(sourceSettings)
    , playHistory_(playHistory)
    , clock_(clock)
    , progressUpdatedAt_(clock.now())
    , volumeHoldUntil_(distantPast()) {
    if (!microphoneInput) {
        microphoneInput = std::make_unique<PulseAudioInputSystem>();
    }
    microphone_ = std::make_unique<MicrophoneMonitor>(std::move(microphoneInput), clock,
                                                      QCoreApplication::applicationPid());

    const QPointer<PlaybackViewModel> self(this);
    appleMusic_.setOnPlaybackStateChanged([self] {
        if (self) {
            self->syncAppleMusicPlaybackState();
        }
    });
    appleMusic_.setOnError([self](const QString& message) {
        if (self) {
            self->setErrorMessage(message);
        }
    });
    microphone_->onChange = [self](bool inUse) {
        if (self) {
            detach([self, inUse]() -> QCoro::Task<> {
                if (self) {
                    co_await self->microphoneChanged(inUse);
                }
            });
        }
    };
    microphone_->start();
}

PlaybackViewModel::~PlaybackViewModel() {
    // The local player outlives this object; its callbacks must not call in.
    appleMusic_.setOnPlaybackStateChanged({});
    appleMusic_.setOnError({});
}

QDateTime PlaybackViewModel::now() const {
    return clock_.now();
}

// ---- Playing ----

QCoro::Task<> PlaybackViewModel::play(UnifiedAlbum album, int startTrackIndex,
                                      double startSeconds) {
    setErrorMessage(std::nullopt);
    ++playGeneration_;
    pausedForMicrophone_ = false;

    if (const QString* uri = album.playback.spotifyURI()) {
        const std::optional<PlaybackSource> previous = activeSource_;
        setActiveSource(PlaybackSource::spotify);
        co_await playOnSpotify(*uri, startTrackIndex);
        if (errorMessage_) {
            if (previous == PlaybackSource::appleMusic) {
                setActiveSource(PlaybackSource::appleMusic);
                setPlaying(appleMusic_.isPlaying());
            } else {
                setPlaying(false);
            }
            co_return;
        }
        // Only now, so a failed start leaves a local album playing.
        appleMusic_.pause();
        playHistory_.recordPlay(album);
        co_return;
    }

    const AppleMusicPlaybackHandle handle = *album.playback.appleMusicHandle();
    setActiveSource(PlaybackSource::appleMusic);
    if (MusicSources::includesSpotify(sourceSettings_.current())) {
        co_await pauseSpotify();
    }
    appleMusic_.play(handle, startTrackIndex, startSeconds);
    playHistory_.recordPlay(album);
    appleMusicAlbum_ = album;
    showLocalAlbum(album, true);
    showLocalTrack();
    saveAppleMusicSession(album, startTrackIndex, startSeconds);
}

void PlaybackViewModel::showLocalAlbum(const UnifiedAlbum& album, bool playing) {
    setNowPlaying(album.title, album.artistNames, album.artwork, album.id);
    setTrackPlace({album.title, 0, -1});
    setPlaying(playing);
    setProgress(0, 0);
    updateVolume(appleMusic_.outputVolumePercent());
}

// The player knows the track and where it is, where the album alone said
// little: the track's own title and artists, its length and position.
void PlaybackViewModel::showLocalTrack() {
    if (activeSource_ != PlaybackSource::appleMusic || !appleMusicAlbum_) {
        return;
    }
    const std::optional<LocalNowPlaying> playing = appleMusic_.nowPlaying();
    if (!playing) {
        return;
    }
    const UnifiedAlbum& album = *appleMusicAlbum_;
    const LocalTrack& track = playing->track;
    setNowPlaying(track.title.isEmpty() ? album.title : track.title,
                  track.artistNames.isEmpty() ? album.artistNames : track.artistNames,
                  album.artwork, album.id);
    setTrackPlace({album.title, track.trackNumber, track.index});
    progressUpdatedAt_ = now();
    setProgress(playing->positionMs, track.durationMs);
}

QCoro::Task<> PlaybackViewModel::playOnSpotify(QString uri, int startTrackIndex) {
    // The chosen device, else the first known; what Spotify last reported
    // playing on does not count here.
    std::optional<QString> device = selectedDeviceID_;
    if (!device && !devices_.isEmpty()) {
        device = devices_.first().id;
    }
    if (!device) {
        setErrorMessage(QString::fromUtf8(noDeviceMessage));
        co_return;
    }
    try {
        co_await api_.play(uri, *device, std::max(0, startTrackIndex));
    } catch (const KorvidError& error) {
        setErrorMessage(error.description());
        co_return;
    }
    co_await refreshNowPlaying();
}

QCoro::Task<> PlaybackViewModel::pauseSpotify() {
    try {
        co_await api_.pause(spotifyTargetDeviceID());
    } catch (const KorvidError&) {
        // Spotify may not be playing at all; the local start goes on.
    }
    setPlaying(false);
}

std::optional<QString> PlaybackViewModel::spotifyTargetDeviceID() const {
    if (latestSpotifyState_ && latestSpotifyState_->device) {
        return latestSpotifyState_->device->id;
    }
    if (selectedDeviceID_) {
        return selectedDeviceID_;
    }
    if (!devices_.isEmpty()) {
        return devices_.first().id;
    }
    return std::nullopt;
}

// ---- Devices ----

void PlaybackViewModel::selectDevice(const SpotifyDevice& device) {
    setSelectedDeviceID(device.id);
    // So that Spotify commands address the chosen device from now on.
    latestSpotifyState_.reset();
    SpotifyAPI* api = &api_;
    detach([api, id = device.id]() -> QCoro::Task<> {
        try {
            co_await api->transferPlayback(id, false);
        } catch (const KorvidError&) {
            // The device may have gone; the next play addresses it anyway.
        }
    });
}

QCoro::Task<> PlaybackViewModel::refreshDevices() {
    if (!MusicSources::includesSpotify(sourceSettings_.current())) {
        co_return;
    }
    setLoadingDevices(true);
    QList<SpotifyDevice> fetched;
    try {
        fetched = co_await api_.devices();
    } catch (const KorvidError& error) {
        setErrorMessage(error.description());
        setLoadingDevices(false);
        co_return;
    }
    setDevices(fetched);
    const auto listed = [&](const QString& id) {
        return std::any_of(fetched.cbegin(), fetched.cend(),
                           [&](const SpotifyDevice& d) { return d.id == id; });
    };
    if (!selectedDeviceID_ || !listed(*selectedDeviceID_)) {
        const auto active = std::find_if(fetched.cbegin(), fetched.cend(),
                                         [](const SpotifyDevice& d) { return d.isActive; });
        if (active != fetched.cend()) {
            setSelectedDeviceID(active->id);
        } else if (!fetched.isEmpty()) {
            setSelectedDeviceID(fetched.first().id);
        } else {
            setSelectedDeviceID(std::nullopt);
        }
    }
    setLoadingDevices(false);
}

// ---- Transport ----

QCoro::Task<> PlaybackViewModel::togglePlayPause() {
    // A press of the user's own ends any microphone pause.
    pausedForMicrophone_ = false;
    if (activeSource_ == PlaybackSource::appleMusic) {
        appleMusic_.togglePlayPause();
        setPlaying(appleMusic_.isPlaying());
        co_return;
    }
    const std::optional<QString> device = spotifyTargetDeviceID();
    try {
        if (isPlaying_) {
            co_await api_.pause(device);
            setProgress(currentProgressMs(now()), durationMs_);
            setPlaying(false);
        } else {
            co_await api_.resume(device);
            progressUpdatedAt_ = now();
            setPlaying(true);
        }
    } catch (const KorvidError& error) {
        setErrorMessage(error.description());
    }
}

QCoro::Task<> PlaybackViewModel::skipToNext() {
    return skip(true);
}

QCoro::Task<> PlaybackViewModel::skipToPrevious() {
    return skip(false);
}

QCoro::Task<> PlaybackViewModel::skip(bool forward) {
    if (activeSource_ == PlaybackSource::appleMusic) {
        forward ? appleMusic_.skipToNext() : appleMusic_.skipToPrevious();
        co_return;
    }
    try {
        const std::optional<QString> device = spotifyTargetDeviceID();
        // Two awaits, not one over a ?: of two tasks: g++ 12 destroys the
        // chosen task twice there, and every Spotify skip crashed.
        if (forward) {
            co_await api_.skipToNext(device);
        } else {
            co_await api_.skipToPrevious(device);
        }
    } catch (const KorvidError& error) {
        setErrorMessage(error.description());
        co_return;
    }
    co_await refreshNowPlaying();
}

QCoro::Task<> PlaybackViewModel::seek(qint64 ms) {
    if (activeSource_ == PlaybackSource::appleMusic) {
        if (!appleMusic_.seek(double(std::max<qint64>(0, ms)) / 1000.0)) {
            co_return; // nothing to move within: the position stays as it is
        }
        progressUpdatedAt_ = now();
        setProgress(ms, durationMs_);
        Q_EMIT seeked(ms);
        co_return;
    }
    try {
        co_await api_.seek(ms, spotifyTargetDeviceID());
    } catch (const KorvidError& error) {
        setErrorMessage(error.description());
        co_return;
    }
    progressUpdatedAt_ = now();
    setProgress(ms, durationMs_);
    Q_EMIT seeked(ms);
}

// ---- Microphone ----

QCoro::Task<> PlaybackViewModel::microphoneChanged(bool inUse) {
    if (inUse) {
        if (isPlaying_ && !pausedForMicrophone_) {
            co_await togglePlayPause();
            // Only a pause that took effect is Korvid's to undo.
            pausedForMicrophone_ = !isPlaying_;
        }
        co_return;
    }
    if (pausedForMicrophone_) {
        pausedForMicrophone_ = false;
        if (!isPlaying_) {
            co_await togglePlayPause();
        }
    }
}

// ---- Setters: an equal value notifies nobody ----

void PlaybackViewModel::setDevices(QList<SpotifyDevice> devices) {
    if (devices_ != devices) {
        devices_ = std::move(devices);
        Q_EMIT devicesChanged();
    }
}

void PlaybackViewModel::setSelectedDeviceID(std::optional<QString> id) {
    if (selectedDeviceID_ != id) {
        selectedDeviceID_ = std::move(id);
        Q_EMIT selectedDeviceIDChanged();
    }
}

void PlaybackViewModel::setLoadingDevices(bool loading) {
    if (isLoadingDevices_ != loading) {
        isLoadingDevices_ = loading;
        Q_EMIT isLoadingDevicesChanged();
    }
}

void PlaybackViewModel::setErrorMessage(std::optional<QString> message) {
    if (errorMessage_ != message) {
        errorMessage_ = std::move(message);
        Q_EMIT errorMessageChanged();
    }
}

void PlaybackViewModel::setActiveSource(std::optional<PlaybackSource> source) {
    if (activeSource_ != source) {
        activeSource_ = source;
        Q_EMIT activeSourceChanged();
    }
}

void PlaybackViewModel::setPlaying(bool playing) {
    if (isPlaying_ != playing) {
        isPlaying_ = playing;
        Q_EMIT isPlayingChanged();
    }
}

void PlaybackViewModel::setNowPlaying(std::optional<QString> trackName,
                                      std::optional<QString> artistNames,
                                      std::optional<AlbumArtwork> artwork,
                                      std::optional<QString> albumID) {
    // Artwork has no equality of its own: a new album brings a new one.
    const bool changed = nowPlayingTrackName_ != trackName ||
                         nowPlayingArtistNames_ != artistNames || nowPlayingAlbumID_ != albumID ||
                         nowPlayingArtwork_.has_value() != artwork.has_value() ||
                         (artwork && (artwork->url() != nowPlayingArtwork_->url() ||
                                      artwork->localImage() != nowPlayingArtwork_->localImage()));
    nowPlayingTrackName_ = std::move(trackName);
    nowPlayingArtistNames_ = std::move(artistNames);
    nowPlayingArtwork_ = std::move(artwork);
    nowPlayingAlbumID_ = std::move(albumID);
    if (changed) {
        Q_EMIT nowPlayingChanged();
    }
}

void PlaybackViewModel::setTrackPlace(TrackPlace place) {
    if (trackPlace_ != place) {
        trackPlace_ = std::move(place);
        Q_EMIT nowPlayingChanged();
    }
}

void PlaybackViewModel::setProgress(qint64 progressMs, qint64 durationMs) {
    if (progressMs_ != progressMs || durationMs_ != durationMs) {
        progressMs_ = progressMs;
        durationMs_ = durationMs;
        Q_EMIT progressChanged();
    }
}
