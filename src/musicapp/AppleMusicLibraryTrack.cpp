// Which track of the loaded album plays, how far into it, and moving within
// it: what the now-playing line, the scrubber and the track list show.
#include "musicapp/AppleMusicLibrary.h"

#include "airplay1/AirPlay1Packets.h"
#include "airplay1/AirPlay1Player.h"
#include "musicapp/LocalPlayerCommon.h"
#include "musicapp/LocalPlayerRules.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

using LocalPlayerCommon::toPlace;

namespace {

LocalTrack describeTrack(int index, const IndexedTrack& indexed) {
    const TrackTags& tags = indexed.tags;
    return {index, tags.trackNumber, tags.title,
            tags.artist.isEmpty() ? tags.albumArtist : tags.artist, tags.durationMs};
}

} // namespace

std::optional<PlayerPlace> AppleMusicLibrary::heardPlace() const {
    if (pendingPlace_) {
        return pendingPlace_;
    }
    if (legacySpeaker()) {
        const auto at = airPlay1Player_->position();
        if (!at) {
            return std::nullopt;
        }
        // The stream stands where it sends; the speaker plays each packet
        // the latency its sync packets give later. A run never shows before
        // its own start: a seek to 0:30 shows 0:30 until 0:30 is heard.
        // Paused, the place is where play starts again.
        PlayerPlace place = toPlace(*at, loadedTracks_);
        if (isPlaying_) {
            place.seconds -= double(kSyncLatencyFrames) / kSampleRate;
        }
        if (legacyRunStart_ && legacyRunStart_->index == place.index) {
            place.seconds = std::max(place.seconds, legacyRunStart_->seconds);
        }
        place.seconds = std::max(0.0, place.seconds);
        return place;
    }
    if (!musicStatus_ || !musicStatus_->isPlayingQueue) {
        return std::nullopt;
    }
    PlayerPlace place{LocalPlayerRules::fullIndexOfStatus(loadedTracks_, *musicStatus_),
                      musicStatus_->positionSeconds};
    if (musicStatus_->isPlaying) {
        // The player ran on since it was asked.
        place.seconds += double(std::max(Moment{0}, now() - statusReadAt_).count()) / 1000.0;
    }
    return place;
}

std::optional<LocalNowPlaying> AppleMusicLibrary::nowPlaying() const {
    const std::optional<PlayerPlace> place = heardPlace();
    if (!place || place->index < 0 || place->index >= loadedTracks_.size()) {
        return std::nullopt;
    }
    LocalNowPlaying playing;
    if (const IndexedTrack* indexed = indexedTrack(loadedTracks_[place->index].id)) {
        playing.track = describeTrack(place->index, *indexed);
    } else {
        playing.track.index = place->index;
    }
    if (playing.track.durationMs <= 0 && !legacySpeaker() && musicStatus_) {
        playing.track.durationMs = qint64(musicStatus_->durationSeconds * 1000);
    }
    const double ms = std::isfinite(place->seconds) ? std::max(0.0, place->seconds * 1000) : 0;
    playing.positionMs = qint64(std::min(ms, 1e15));
    if (playing.track.durationMs > 0) {
        playing.positionMs = std::min(playing.positionMs, playing.track.durationMs);
    }
    return playing;
}

QList<LocalTrack> AppleMusicLibrary::albumTracks(const QString& albumID) const {
    QList<LocalTrack> tracks;
    for (const AppleMusicAlbum& album : albums()) {
        if (album.unifiedID() != albumID) {
            continue;
        }
        tracks.reserve(album.trackCount());
        for (qsizetype i = 0; i < album.trackCount(); ++i) {
            tracks.append(describeTrack(int(i), album.track(i)));
        }
        break;
    }
    return tracks;
}

bool AppleMusicLibrary::seek(double seconds) {
    const std::optional<LocalNowPlaying> current = nowPlaying();
    if (!current || !std::isfinite(seconds)) {
        return false;
    }
    seconds = std::max(0.0, seconds);
    const PlayerPlace target{current->track.index, seconds};
    const bool legacy = legacySpeaker().has_value();
    if (!legacy && !musicHasQueue_) {
        // The player lost the album (it went away): play resumes there.
        resumePoint_ = target;
        return true;
    }
    pendingPlace_ = target;
    QPointer<AppleMusicLibrary> self(this);
    runCommand([self, legacy, seconds]() -> QCoro::Task<> {
        if (!self) {
            co_return;
        }
        if (legacy) {
            co_await self->airPlay1Player_->seek(seconds);
        } else {
            try {
                co_await self->musicApp_->seekWithinTrack(seconds);
            } catch (...) {
                // Nothing plays to move within; the next reading says where it is.
            }
            if (self) {
                co_await self->readStatus(1);
            }
        }
        if (self) {
            self->pendingPlace_.reset();
            self->stateChanged();
        }
    });
    return true;
}
