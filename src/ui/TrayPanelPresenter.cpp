#include "ui/TrayPanelPresenter.h"

#include "playback/HomeViewModel.h"
#include "playback/PlaybackViewModel.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>

TrayPanelPresenter::TrayPanelPresenter(PlaybackViewModel& playback, HomeViewModel& home,
                                       AlbumListModel::ArtworkURL artworkURL, QObject* parent)
    : QObject(parent)
    , playback_(playback)
    , home_(home) {
    if (artworkURL) {
        recent_.setArtworkURL(artworkURL);
        sameGenre_.setArtworkURL(std::move(artworkURL));
    }
    connect(&home_, &HomeViewModel::recentlyPlayedChanged, this, &TrayPanelPresenter::updateRecent);
    connect(&playback_, &PlaybackViewModel::nowPlayingChanged, this, [this] {
        recent_.setNowPlayingAlbumID(playback_.nowPlayingAlbumIDText());
        sameGenre_.setNowPlayingAlbumID(playback_.nowPlayingAlbumIDText());
        Q_EMIT toolTipChanged();
    });
    connect(&playback_, &PlaybackViewModel::isPlayingChanged, this,
            &TrayPanelPresenter::toolTipChanged);
    updateRecent();
}

QString TrayPanelPresenter::sameGenreTitle() const {
    return sameGenreValue_ ? tr("More %1").arg(QCoreApplication::translate(
                                 "Genre", qPrintable(sameGenreValue_->displayName)))
                           : tr("More Like This");
}

QString TrayPanelPresenter::toolTip() const {
    return toolTipFor(playback_.nowPlayingTrackNameText(), playback_.nowPlayingArtistNamesText(),
                      playback_.nowPlayingAlbumTitle(), playback_.isPlaying());
}

QString TrayPanelPresenter::toolTipFor(const QString& trackName, const QString& artistNames,
                                       const QString& albumTitle, bool isPlaying) {
    if (trackName.isEmpty()) {
        return tr("Korvid: Not Playing");
    }
    QString text = artistNames.isEmpty() ? trackName : tr("%1 – %2").arg(trackName, artistNames);
    if (!isPlaying) {
        text = tr("%1 (Paused)").arg(text);
    }
    // The album on a line of its own.
    return albumTitle.isEmpty() ? text : QStringLiteral("%1\n%2").arg(text, albumTitle);
}

QCoro::Task<> TrayPanelPresenter::open() {
    // The models outlive the panel; the presenter may not.
    return [](QPointer<TrayPanelPresenter> self, HomeViewModel& home,
              PlaybackViewModel& playback) -> QCoro::Task<> {
        if (home.albums().isEmpty()) {
            co_await home.load();
        }
        co_await playback.refreshOnce();
        if (self) {
            self->pickSameGenreAlbums();
        }
    }(this, home_, playback_);
}

void TrayPanelPresenter::panelOpened() {
    open();
}

void TrayPanelPresenter::pickSameGenreAlbums() {
    sameGenreValue_ = home_.genre(playback_.nowPlayingAlbumID());
    if (!sameGenreValue_) {
        sameGenre_.setAlbums({});
    } else {
        // Albums listed above are not offered again.
        QSet<QString> shown;
        for (int row = 0; row < recent_.count(); ++row) {
            shown.insert(recent_.album(row).id());
        }
        sameGenre_.setAlbums(home_.randomAlbums(*sameGenreValue_, sameGenreCount, shown));
    }
    Q_EMIT sameGenreChanged();
}

void TrayPanelPresenter::play(const QString& albumID) {
    const DisplayAlbum* album = recent_.albumWithID(albumID);
    if (!album) {
        album = sameGenre_.albumWithID(albumID);
    }
    if (album) {
        playback_.play(album->album);
    }
}

void TrayPanelPresenter::updateRecent() {
    recent_.setAlbums(home_.recentlyPlayedModel()->albums().mid(0, recentCount));
}
