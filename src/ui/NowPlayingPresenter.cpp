#include "ui/NowPlayingPresenter.h"

#include "musicapp/AppleMusicLibrary.h"
#include "platform/Clock.h"
#include "playback/HomeViewModel.h"
#include "playback/PlaybackViewModel.h"
#include "ui/PlaybackTexts.h"

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

NowPlayingPresenter::NowPlayingPresenter(PlaybackViewModel& playback, AppleMusicLibrary& appleMusic,
                                         HomeViewModel& home, Clock& clock, CoverSource cover,
                                         QObject* parent)
    : QObject(parent)
    , playback_(playback)
    , appleMusic_(appleMusic)
    , home_(home)
    , clock_(clock)
    , cover_(std::move(cover)) {
    // The position moves between two polls; a few steps a second look smooth.
    ticker_.setInterval(250ms);
    connect(&ticker_, &QTimer::timeout, this, &NowPlayingPresenter::tick);
    const auto follow = [this] {
        playback_.isPlaying() ? ticker_.start() : ticker_.stop();
        tick();
    };
    connect(&playback_, &PlaybackViewModel::isPlayingChanged, this, follow);
    connect(&playback_, &PlaybackViewModel::progressChanged, this, &NowPlayingPresenter::tick);
    connect(&playback_, &PlaybackViewModel::activeSourceChanged, this,
            &NowPlayingPresenter::outputChanged);
    connect(&playback_, &PlaybackViewModel::nowPlayingChanged, this, [this] {
        Q_EMIT outputChanged(); // a Spotify answer may name another device
        Q_EMIT artworkChanged();
        updateUpNext();
    });
    connect(&appleMusic_, &AppleMusicLibrary::outputChanged, this,
            &NowPlayingPresenter::outputChanged);
    connect(&appleMusic_, &AppleMusicLibrary::groupChanged, this,
            &NowPlayingPresenter::outputChanged);
    connect(&home_, &HomeViewModel::albumsChanged, this, &NowPlayingPresenter::updateUpNext);
    follow();
    updateUpNext();
}

void NowPlayingPresenter::tick() {
    // Also when the position stays: the length may have changed.
    positionMs_ = playback_.currentProgressMs(clock_.now());
    Q_EMIT positionChanged();
}

QString NowPlayingPresenter::elapsedText() const {
    return PlaybackTexts::time(positionMs_);
}

QString NowPlayingPresenter::durationText() const {
    return PlaybackTexts::time(playback_.durationMs());
}

// Spotify plays on the device its last answer named; local albums on the
// library's output; with neither known, this computer.
QString NowPlayingPresenter::outputSymbol() const {
    const auto& spotify = playback_.latestSpotifyState();
    if (playback_.activeSource() == PlaybackSource::spotify && spotify && spotify->device) {
        return PlaybackTexts::spotifyDeviceSymbol(spotify->device->type);
    }
    // This computer's own output is drawn as a computer, whatever its symbol
    // in the speaker list.
    const auto& output = appleMusic_.output();
    if (playback_.isPlayingLocally() && output && !output->isComputer()) {
        return output->systemImage();
    }
    return QStringLiteral("computer");
}

QString NowPlayingPresenter::outputName() const {
    const auto& spotify = playback_.latestSpotifyState();
    if (playback_.activeSource() == PlaybackSource::spotify && spotify && spotify->device) {
        return spotify->device->name;
    }
    if (playback_.isPlayingLocally() && appleMusic_.output()) {
        const QList<AirPlay1Speaker> group = appleMusic_.groupSpeakers();
        if (group.size() > 1) {
            QStringList names;
            for (const AirPlay1Speaker& speaker : group) {
                names.append(speaker.name);
            }
            return PlaybackTexts::groupName(names);
        }
        return appleMusic_.output()->displayName();
    }
    return tr("This Computer");
}

QString NowPlayingPresenter::outputHelp() const {
    const bool legacy = playback_.isPlayingLocally() && appleMusic_.output() &&
                        appleMusic_.output()->isLegacy() &&
                        playback_.activeSource() != PlaybackSource::spotify;
    return PlaybackTexts::playingOn(outputName(), legacy,
                                    legacy && appleMusic_.groupSpeakers().size() > 1);
}

QUrl NowPlayingPresenter::artwork() const {
    const auto& artwork = playback_.nowPlayingArtwork();
    return artwork && cover_ ? cover_(playback_.nowPlayingAlbumIDText(), *artwork) : QUrl();
}

QString NowPlayingPresenter::upNextTitle() const {
    return upNext_ ? upNext_->album.title : QString();
}

QString NowPlayingPresenter::upNextSpotifyAlbumID() const {
    static const QString prefix = QStringLiteral("spotify-");
    if (!upNext_ || !upNext_->album.playback.isSpotify() || !upNext_->id().startsWith(prefix))
        return {};
    return upNext_->id().mid(prefix.size());
}

QString NowPlayingPresenter::upNextArtistNames() const {
    return upNext_ ? upNext_->album.artistNames : QString();
}

QUrl NowPlayingPresenter::upNextArtwork() const {
    return upNext_ && cover_ ? cover_(upNext_->id(), upNext_->album.artwork) : QUrl();
}

void NowPlayingPresenter::togglePlayPause() {
    playback_.togglePlayPause();
}

void NowPlayingPresenter::skipToNext() {
    playback_.skipToNext();
}

void NowPlayingPresenter::skipToPrevious() {
    playback_.skipToPrevious();
}

void NowPlayingPresenter::seek(double ms) {
    playback_.seek(qint64(std::clamp(ms, 0.0, double(playback_.durationMs()))));
}

void NowPlayingPresenter::playUpNext() {
    if (upNext_) {
        playback_.play(upNext_->album, 0, 0);
    }
}

void NowPlayingPresenter::updateUpNext() {
    upNext_ = PlaybackTexts::nextAlbum(home_.albums(), playback_.nowPlayingAlbumIDText());
    Q_EMIT upNextChanged();
}
