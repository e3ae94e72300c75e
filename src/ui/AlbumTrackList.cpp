#include "ui/AlbumTrackList.h"

#include "musicapp/LocalPlayback.h"
#include "platform/KorvidError.h"
#include "playback/PlaybackViewModel.h"
#include "spotify/SpotifyRecords.h"
#include "ui/PlaybackTexts.h"

#include <QPointer>

namespace {

const QString kSpotifyPrefix = QStringLiteral("spotify-");
const QString kLocalPrefix = QStringLiteral("apple-");

} // namespace

AlbumTrackList::AlbumTrackList(PlaybackViewModel& playback, LocalPlayback& local,
                               SpotifyTracks spotify, AlbumLookup lookup, QObject* parent)
    : QAbstractListModel(parent)
    , playback_(playback)
    , local_(local)
    , spotify_(std::move(spotify))
    , lookup_(std::move(lookup)) {
    connect(&playback_, &PlaybackViewModel::nowPlayingChanged, this, &AlbumTrackList::follow);
    follow();
}

int AlbumTrackList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant AlbumTrackList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size()) {
        return {};
    }
    const Row& row = rows_[index.row()];
    switch (role) {
    case NumberRole:
        // Untagged tracks count by their place.
        return row.number > 0 ? row.number : qint64(index.row()) + 1;
    case TitleRole:
        return row.title;
    case LengthRole:
        return row.durationMs > 0 ? PlaybackTexts::time(row.durationMs) : QString();
    case IsCurrentRole:
        return index.row() == currentRow_;
    default:
        return {};
    }
}

QHash<int, QByteArray> AlbumTrackList::roleNames() const {
    return {{NumberRole, "number"},
            {TitleRole, "title"},
            {LengthRole, "length"},
            {IsCurrentRole, "isCurrent"}};
}

void AlbumTrackList::follow() {
    if (albumTitle_ != playback_.nowPlayingAlbumTitle()) {
        albumTitle_ = playback_.nowPlayingAlbumTitle();
        Q_EMIT albumTitleChanged();
    }
    const QString id = playback_.nowPlayingAlbumIDText();
    if (id != albumID_) {
        albumID_ = id;
        ++generation_;
        QList<Row> rows;
        if (id.startsWith(kLocalPrefix)) {
            for (const LocalTrack& track : local_.albumTracks(id)) {
                rows.append({track.trackNumber, track.title, track.durationMs});
            }
        } else if (id.startsWith(kSpotifyPrefix) && spotify_) {
            loadSpotify(id.mid(kSpotifyPrefix.size()), generation_);
        }
        show(std::move(rows));
    }
    updateCurrentRow();
}

QCoro::Task<> AlbumTrackList::loadSpotify(QString spotifyID, quint64 generation) {
    const QPointer<AlbumTrackList> self(this);
    QList<PreviewTrack> tracks;
    try {
        tracks = co_await spotify_(std::move(spotifyID));
    } catch (const KorvidError&) {
        co_return; // the sheet goes without a list; the album still plays
    }
    if (!self || self->generation_ != generation) {
        co_return;
    }
    QList<Row> rows;
    for (const PreviewTrack& track : tracks) {
        rows.append({track.trackNumber, track.name, track.durationMs});
    }
    self->show(std::move(rows));
    self->updateCurrentRow();
}

void AlbumTrackList::show(QList<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    currentRow_ = -1;
    endResetModel();
    Q_EMIT countChanged();
    Q_EMIT currentRowChanged();
}

void AlbumTrackList::updateCurrentRow() {
    int row = -1;
    if (albumID_.startsWith(kLocalPrefix)) {
        row = playback_.nowPlayingTrackIndex();
    } else {
        // Spotify names the track that plays, not its place.
        const QString name = playback_.nowPlayingTrackNameText();
        for (qsizetype i = 0; i < rows_.size() && row < 0; ++i) {
            row = rows_[i].title == name ? int(i) : -1;
        }
    }
    if (row >= rows_.size()) {
        row = -1;
    }
    if (row == currentRow_) {
        return;
    }
    const int previous = std::exchange(currentRow_, row);
    for (const int changed : {previous, row}) {
        if (changed >= 0) {
            Q_EMIT dataChanged(index(changed), index(changed), {IsCurrentRole});
        }
    }
    Q_EMIT currentRowChanged();
}

void AlbumTrackList::play(int row) {
    if (row < 0 || row >= rows_.size()) {
        return;
    }
    std::optional<UnifiedAlbum> album = lookup_ ? lookup_(albumID_) : std::nullopt;
    if (!album && albumID_.startsWith(kSpotifyPrefix)) {
        // An album the screens do not list: what the coordinator shows of it.
        album.emplace();
        album->id = albumID_;
        album->title = albumTitle_;
        album->artistNames = playback_.nowPlayingArtistNamesText();
        album->artwork = playback_.nowPlayingArtwork().value_or(AlbumArtwork());
        album->playback = UnifiedAlbum::Playback::spotify(QStringLiteral("spotify:album:") +
                                                          albumID_.mid(kSpotifyPrefix.size()));
    }
    if (album) {
        playback_.play(*album, row, 0);
    }
}
