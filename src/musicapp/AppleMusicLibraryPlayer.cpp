// The playing half of AppleMusicLibrary: one album at a time on a music
// player output or a legacy AirPlay 1 speaker. Every command that talks to
// either runs on the command chain, after the one before it.
#include "musicapp/AppleMusicLibrary.h"
#include "platform/SettingsWriter.h"

#include "airplay1/AirPlay1Player.h"
#include "airplay1/AirPlay1SpeakerBrowser.h"
#include "model/StoredValues.h"
#include "musicapp/LocalPlayerCommon.h"
#include "musicapp/LocalPlayerRules.h"
#include "platform/Clock.h"

#include <QPointer>
#include <QSettings>

#include <algorithm>
#include <cmath>

using namespace std::chrono_literals;
using LocalPlayerCommon::describe;
using LocalPlayerCommon::kStartGrace;
using LocalPlayerCommon::toPlace;

namespace {

constexpr auto kVolumeKey = "airPlay1VolumePercent";
// Lets the player settle before the status after a start is read.
constexpr auto kQueueSettle = 800ms;

} // namespace

void AppleMusicLibrary::setUpPlayer(PlayerParts parts) {
    parts.musicApp.musicFolder = musicFolder_;
    // Called on this thread: the ids the library hands out are the files MPD plays.
    parts.musicApp.trackFile = [self = QPointer<AppleMusicLibrary>(this)](const QString& id) {
        return self ? self->trackFile(id) : QString();
    };
    musicApp_ = std::make_unique<MusicAppController>(std::move(parts.musicApp));
    airPlay1Browser_ = std::make_unique<AirPlay1SpeakerBrowser>(std::move(parts.browsing));
    airPlay1Player_ = std::make_unique<AirPlay1Player>(playerClock_, std::move(parts.decoding));
    connect(airPlay1Player_.get(), &AirPlay1Player::event, this,
            &AppleMusicLibrary::handleAirPlay1Event);
    connect(airPlay1Player_.get(), &AirPlay1Player::speakerLost, this,
            &AppleMusicLibrary::handleSpeakerLost);
    connect(airPlay1Browser_.get(), &AirPlay1SpeakerBrowser::speakersChanged, this,
            &AppleMusicLibrary::followLegacySpeaker);
    connect(airPlay1Browser_.get(), &AirPlay1SpeakerBrowser::speakersChanged, this,
            &AppleMusicLibrary::followGroupSpeakers);
    connect(airPlay1Browser_.get(), &AirPlay1SpeakerBrowser::speakersChanged, this,
            &AppleMusicLibrary::legacySpeakersChanged);
    if (const auto stored = StoredValues::number(QSettings().value(QLatin1String(kVolumeKey)));
        stored && std::isfinite(*stored)) {
        airPlay1VolumePercent_ = *stored;
    }
}

void AppleMusicLibrary::setOnPlaybackStateChanged(std::function<void()> callback) {
    onPlaybackStateChanged_ = std::move(callback);
}

void AppleMusicLibrary::setOnError(std::function<void(const QString&)> callback) {
    onError_ = std::move(callback);
}

// ---- Derived values ----

std::optional<AirPlay1Speaker> AppleMusicLibrary::legacySpeaker() const {
    if (output_ && output_->isLegacy()) {
        return output_->legacySpeaker();
    }
    return std::nullopt;
}

std::optional<QString> AppleMusicLibrary::musicDeviceForPlayback() const {
    return LocalPlayerRules::musicDeviceForPlayback(output_, musicDevices_);
}

double AppleMusicLibrary::outputVolumePercent() const {
    return LocalPlayerRules::outputVolumePercent(output_, musicDevices_, musicVolume_,
                                                 airPlay1VolumePercent_);
}

ListeningSession::Device AppleMusicLibrary::sessionDevice() const {
    return LocalPlayerRules::sessionDevice(output_);
}

QList<AirPlay1Speaker> AppleMusicLibrary::legacySpeakersFound() const {
    return airPlay1Browser_->speakers();
}

QCoro::Task<> AppleMusicLibrary::commandsFinished() {
    return commands_.idle();
}

// ---- Commands ----

void AppleMusicLibrary::play(const AppleMusicPlaybackHandle& handle, int startIndex,
                             double startSeconds) {
    const QList<Track> tracks = handle.tracks();
    openTracks(tracks);
    setLoadedTracks(tracks);
    resumePoint_.reset();
    lastRecordedTrackID_.reset();
    pendingPlace_ = PlayerPlace{std::max(0, startIndex), std::max(0.0, startSeconds)};
    setPlaying(true);
    expectPlayingUntil_ = now() + kStartGrace;
    QPointer<AppleMusicLibrary> self(this);

    if (const auto speaker = legacySpeaker()) {
        const auto queue = LocalPlayerRules::legacyQueue(tracks, startIndex);
        musicHasQueue_ = false;
        runCommand([self, queue, startSeconds, speaker = *speaker]() -> QCoro::Task<> {
            if (self) {
                co_await self->airPlay1Player_->play(queue.urls, queue.index, startSeconds, speaker,
                                                     self->airPlay1VolumePercent_);
            }
        });
        return;
    }

    runCommand([self, ids = loadedTrackIDs(), startIndex, startSeconds]() -> QCoro::Task<> {
        if (!self) {
            co_return;
        }
        std::exception_ptr failure;
        try {
            co_await self->musicApp_->launchIfNeeded();
            if (self && self->musicDevices_.isEmpty()) {
                const MusicPlayerStatus status = co_await self->musicApp_->status();
                if (self) {
                    self->apply(status, false);
                }
            }
            if (self) {
                co_await self->musicApp_->playQueue(ids, startIndex, startSeconds,
                                                    self->musicDeviceForPlayback());
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (!self) {
            co_return;
        }
        if (failure) {
            self->report(describe(failure));
            co_return;
        }
        self->musicHasQueue_ = true;
        co_await self->playerClock_.sleep(kQueueSettle);
        if (self) {
            co_await self->readStatus(1);
        }
    });
}

void AppleMusicLibrary::pause() {
    setPlaying(false);
    expectPlayingUntil_ = Moment::min();
    QPointer<AppleMusicLibrary> self(this);
    if (legacySpeaker()) {
        runCommand([self]() -> QCoro::Task<> {
            if (self) {
                co_await self->airPlay1Player_->pause();
            }
        });
        return;
    }
    runCommand([self]() -> QCoro::Task<> {
        // Decided when it runs: a start issued just before has read its
        // status by then. Music the user queued in the player is never paused.
        if (!self || (!self->musicStatus_ && self->loadedTracks_.isEmpty()) ||
            (self->musicStatus_ && !self->musicStatus_->isPlayingQueue)) {
            co_return;
        }
        try {
            // Awaited on a line of its own: with the await inside the if
            // condition, g++ 12 never freed this coroutine's frame.
            const bool running = co_await self->musicApp_->isRunning();
            if (running && self) {
                co_await self->musicApp_->pause();
            }
        } catch (...) {
            // Nothing plays that could be stopped.
        }
    });
}

void AppleMusicLibrary::pauseOwnPlayerForQuit() {
    musicApp_->pauseOwnPlayer(std::chrono::seconds(2));
}

void AppleMusicLibrary::togglePlayPause() {
    if (isPlaying_) {
        pause();
        return;
    }
    setPlaying(true);
    expectPlayingUntil_ = now() + kStartGrace;
    QPointer<AppleMusicLibrary> self(this);

    if (const auto speaker = legacySpeaker()) {
        runCommand([self, speaker = *speaker]() -> QCoro::Task<> {
            if (!self) {
                co_return;
            }
            const auto at = self->airPlay1Player_->position();
            if (at && !self->airPlay1Player_->sessionUri().isEmpty()) {
                co_await self->airPlay1Player_->resume();
                co_return;
            }
            if (self->loadedTracks_.isEmpty()) {
                co_return;
            }
            if (at) {
                // The connection was lost there. Start again on the speaker as
                // it is announced now (it may have come back on another port),
                // and keep the place until it plays, should it still be away.
                self->resumePoint_ = toPlace(*at, self->loadedTracks_);
            }
            const PlayerPlace start = self->resumePoint_.value_or(PlayerPlace{});
            const auto queue = LocalPlayerRules::legacyQueue(self->loadedTracks_, start.index);
            co_await self->airPlay1Player_->play(queue.urls, queue.index, start.seconds, speaker,
                                                 self->airPlay1VolumePercent_);
        });
        return;
    }

    runCommand([self]() -> QCoro::Task<> {
        if (!self) {
            co_return;
        }
        std::exception_ptr failure;
        try {
            if (!self->musicHasQueue_ && !self->loadedTracks_.isEmpty()) {
                co_await self->musicApp_->launchIfNeeded();
                if (self) {
                    const PlayerPlace start = self->resumePoint_.value_or(PlayerPlace{});
                    co_await self->musicApp_->playQueue(self->loadedTrackIDs(), start.index,
                                                        start.seconds,
                                                        self->musicDeviceForPlayback());
                    if (self) {
                        self->musicHasQueue_ = true;
                    }
                }
            } else {
                co_await self->musicApp_->play();
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (!self) {
            co_return;
        }
        if (failure) {
            self->report(describe(failure));
        }
        co_await self->readStatus(1);
    });
}

void AppleMusicLibrary::skipToNext() {
    skip(1);
}

// Restarts the current track.
void AppleMusicLibrary::skipToPrevious() {
    skip(0);
}

void AppleMusicLibrary::skip(int by) {
    QPointer<AppleMusicLibrary> self(this);
    const bool legacy = legacySpeaker().has_value();
    runCommand([self, legacy, by]() -> QCoro::Task<> {
        if (!self) {
            co_return;
        }
        if (legacy) {
            co_await self->airPlay1Player_->skip(by);
            co_return;
        }
        try {
            if (by > 0) {
                co_await self->musicApp_->nextTrack();
            } else {
                co_await self->musicApp_->restartTrack();
            }
        } catch (...) {
            // A skip that did not happen needs no message.
        }
        // So the track shown follows at once, not at the next poll.
        if (self) {
            co_await self->readStatus(1);
        }
    });
}

void AppleMusicLibrary::setOutputVolume(double percent) {
    if (!std::isfinite(percent)) {
        return;
    }
    const auto target = LocalPlayerRules::volumeTarget(output_, percent);
    QPointer<AppleMusicLibrary> self(this);
    switch (target.kind) {
    case LocalPlayerRules::VolumeTarget::Kind::legacySpeaker: {
        if (airPlay1VolumePercent_ != percent) {
            airPlay1VolumePercent_ = percent;
            Q_EMIT airPlay1VolumePercentChanged();
        }
        SettingsWriter::instance().writeSoon(QLatin1String(kVolumeKey), percent);
        runCommand([self, percent]() -> QCoro::Task<> {
            if (self) {
                co_await self->airPlay1Player_->setVolume(percent);
            }
        });
        return;
    }
    case LocalPlayerRules::VolumeTarget::Kind::musicPlayer:
        setMusicVolume(std::clamp(target.volume, 0, 100));
        break;
    case LocalPlayerRules::VolumeTarget::Kind::musicDevice: {
        QList<MusicAirPlayDevice> devices = musicDevices_;
        for (MusicAirPlayDevice& device : devices) {
            if (device.name == target.deviceName) {
                device.volume = std::clamp(target.volume, 0, 100);
            }
        }
        setMusicDevices(std::move(devices));
        break;
    }
    }
    runCommand([self, target]() -> QCoro::Task<> {
        std::exception_ptr failure;
        try {
            if (!self) {
                co_return;
            }
            if (target.kind == LocalPlayerRules::VolumeTarget::Kind::musicDevice) {
                co_await self->musicApp_->setDeviceVolume(target.volume, target.deviceName);
            } else {
                co_await self->musicApp_->setMusicVolume(target.volume);
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (self && failure) {
            self->report(describe(failure));
        }
    });
}

// ---- State ----

void AppleMusicLibrary::report(const QString& description) {
    setPlaying(false);
    if (onError_) {
        onError_(description);
    }
    stateChanged();
}

void AppleMusicLibrary::stateChanged() {
    if (onPlaybackStateChanged_) {
        onPlaybackStateChanged_();
    }
}

void AppleMusicLibrary::noteCurrentTrack(const std::optional<QString>& trackID) {
    if (!trackID || trackID == lastRecordedTrackID_) {
        return;
    }
    const bool ours = std::any_of(loadedTracks_.cbegin(), loadedTracks_.cend(),
                                  [&](const Track& track) { return track.id == *trackID; });
    if (!ours) {
        return;
    }
    lastRecordedTrackID_ = trackID;
    recordPlay(*trackID);
}

void AppleMusicLibrary::openTracks(const QList<Track>& tracks) {
    // Any readable file can be opened here: access always starts.
    securityScopedURLs_.clear();
    for (const Track& track : tracks) {
        if (track.url) {
            securityScopedURLs_.append(*track.url);
        }
    }
}

QStringList AppleMusicLibrary::loadedTrackIDs() const {
    QStringList ids;
    ids.reserve(loadedTracks_.size());
    for (const Track& track : loadedTracks_) {
        ids.append(track.id);
    }
    return ids;
}

AppleMusicLibrary::Moment AppleMusicLibrary::now() const {
    return playerClock_.monotonic();
}

void AppleMusicLibrary::setPlaying(bool value) {
    if (isPlaying_ == value) {
        return;
    }
    isPlaying_ = value;
    Q_EMIT isPlayingChanged();
}

void AppleMusicLibrary::setOutput(std::optional<SpeakerOutput> output) {
    const bool sameIdentity =
        output.has_value() == output_.has_value() && (!output || output->id() == output_->id());
    output_ = std::move(output);
    if (!sameIdentity) {
        Q_EMIT outputChanged();
    }
}

void AppleMusicLibrary::setMusicDevices(QList<MusicAirPlayDevice> devices) {
    if (musicDevices_ == devices) {
        return;
    }
    musicDevices_ = std::move(devices);
    Q_EMIT musicDevicesChanged();
}

void AppleMusicLibrary::setMusicVolume(int volume) {
    if (musicVolume_ == volume) {
        return;
    }
    musicVolume_ = volume;
    Q_EMIT musicVolumeChanged();
}

void AppleMusicLibrary::setMusicAccessProblem(std::optional<QString> problem) {
    if (musicAccessProblem_ == problem) {
        return;
    }
    musicAccessProblem_ = std::move(problem);
    Q_EMIT musicAccessProblemChanged();
}

void AppleMusicLibrary::setLoadedTracks(QList<Track> tracks) {
    loadedTracks_ = std::move(tracks);
    Q_EMIT loadedTracksChanged();
}
