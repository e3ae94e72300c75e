#include "playback/AlbumListModel.h"

#include "playback/AlbumListDiff.h"

#include <algorithm>
#include <array>

namespace {

struct RoleColumn {
    AlbumListModel::Role role;
    const char* name;
    QVariant (*value)(const DisplayAlbum& album, const QUrl& artwork, bool playing);
};

// The one table of roles the views bind to.
const std::array<RoleColumn, 6> kRoles{{
    {AlbumListModel::AlbumIDRole, "albumID",
     [](const DisplayAlbum& a, const QUrl&, bool) { return QVariant(a.album.id); }},
    {AlbumListModel::TitleRole, "title",
     [](const DisplayAlbum& a, const QUrl&, bool) { return QVariant(a.album.title); }},
    {AlbumListModel::ArtistNamesRole, "artistNames",
     [](const DisplayAlbum& a, const QUrl&, bool) { return QVariant(a.album.artistNames); }},
    {AlbumListModel::GenreRole, "genre",
     [](const DisplayAlbum& a, const QUrl&, bool) { return QVariant(a.genre.displayName); }},
    {AlbumListModel::ArtworkRole, "artwork",
     [](const DisplayAlbum&, const QUrl& artwork, bool) { return QVariant(artwork); }},
    {AlbumListModel::IsPlayingRole, "isPlaying",
     [](const DisplayAlbum&, const QUrl&, bool playing) { return QVariant(playing); }},
}};

// The roles a changed album record can change.
const QList<int> kRecordRoles{AlbumListModel::TitleRole, AlbumListModel::ArtistNamesRole,
                              AlbumListModel::GenreRole, AlbumListModel::ArtworkRole};

bool sameArtwork(const AlbumArtwork& a, const AlbumArtwork& b) {
    return a.kind() == b.kind() && a.url() == b.url() && a.localImage() == b.localImage();
}

QList<QString> idsOf(const QList<DisplayAlbum>& albums) {
    QList<QString> ids;
    ids.reserve(albums.size());
    for (const DisplayAlbum& album : albums)
        ids.append(album.id());
    return ids;
}

} // namespace

AlbumListModel::AlbumListModel(QObject* parent)
    : QAbstractListModel(parent)
    , artworkURL_(&AlbumListModel::remoteArtworkURL) {}

QUrl AlbumListModel::remoteArtworkURL(const DisplayAlbum& album) {
    return album.album.artwork.isRemote() ? album.album.artwork.url().value_or(QUrl()) : QUrl();
}

void AlbumListModel::setArtworkURL(ArtworkURL artworkURL) {
    artworkURL_ =
        artworkURL ? std::move(artworkURL) : ArtworkURL(&AlbumListModel::remoteArtworkURL);
    QList<int> changed;
    for (qsizetype i = 0; i < albums_.size(); ++i) {
        QUrl url = artworkURL_(albums_[i]);
        if (url != artwork_[i]) {
            artwork_[i] = std::move(url);
            changed.append(int(i));
        }
    }
    emitChanged(changed, {ArtworkRole});
}

void AlbumListModel::setAlbums(QList<DisplayAlbum> albums) {
    const int before = count();
    const AlbumListDiff diff = AlbumListDiff::between(idsOf(albums_), idsOf(albums));
    if (diff.stepCount() > maxSteps) {
        beginResetModel();
        albums_ = std::move(albums);
        artwork_.clear();
        artwork_.reserve(albums_.size());
        for (const DisplayAlbum& album : std::as_const(albums_))
            artwork_.append(artworkURL_(album));
        endResetModel();
    } else {
        for (const auto& [first, last] : diff.removals) {
            beginRemoveRows({}, first, last);
            albums_.remove(first, last - first + 1);
            artwork_.remove(first, last - first + 1);
            endRemoveRows();
        }
        for (const auto& [row, destination] : diff.moves) {
            beginMoveRows({}, row, row, {}, destination);
            const int to = destination > row ? destination - 1 : destination;
            albums_.move(row, to);
            artwork_.move(row, to);
            endMoveRows();
        }
        for (const auto& [first, last] : diff.insertions) {
            beginInsertRows({}, first, last);
            const QList<DisplayAlbum> added = albums.mid(first, last - first + 1);
            QList<QUrl> urls;
            urls.reserve(added.size());
            for (const DisplayAlbum& album : added)
                urls.append(artworkURL_(album));
            albums_ = albums_.first(first) + added + albums_.sliced(first);
            artwork_ = artwork_.first(first) + urls + artwork_.sliced(first);
            endInsertRows();
        }
        // Every row now holds its album; the records themselves may be newer.
        QList<int> changed;
        for (qsizetype i = 0; i < albums.size(); ++i) {
            const UnifiedAlbum& old = albums_[i].album;
            const UnifiedAlbum& now = albums[i].album;
            bool differs = old.title != now.title || old.artistNames != now.artistNames ||
                           albums_[i].genre.id != albums[i].genre.id;
            if (!sameArtwork(old.artwork, now.artwork)) {
                QUrl url = artworkURL_(albums[i]);
                differs = differs || url != artwork_[i];
                artwork_[i] = std::move(url);
            }
            if (differs)
                changed.append(int(i));
        }
        albums_ = std::move(albums);
        emitChanged(changed, kRecordRoles);
    }
    if (count() != before)
        Q_EMIT countChanged();
}

const DisplayAlbum* AlbumListModel::albumWithID(const QString& id) const {
    const int row = rowOf(id);
    return row < 0 ? nullptr : &albums_[row];
}

void AlbumListModel::setNowPlayingAlbumID(const QString& id) {
    if (id == nowPlayingAlbumID_)
        return;
    const int previous = rowOf(nowPlayingAlbumID_);
    nowPlayingAlbumID_ = id;
    QList<int> rows;
    for (const int row : {previous, rowOf(id)}) {
        if (row >= 0)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    emitChanged(rows, {IsPlayingRole});
    Q_EMIT nowPlayingAlbumIDChanged();
}

int AlbumListModel::rowOf(const QString& id) const {
    if (id.isEmpty())
        return -1;
    for (qsizetype i = 0; i < albums_.size(); ++i) {
        if (albums_[i].id() == id)
            return int(i);
    }
    return -1;
}

void AlbumListModel::emitChanged(const QList<int>& rows, const QList<int>& roles) {
    // One signal per run of neighbouring rows.
    for (qsizetype i = 0; i < rows.size();) {
        qsizetype j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        Q_EMIT dataChanged(index(rows[i]), index(rows[j]), roles);
        i = j + 1;
    }
}

int AlbumListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant AlbumListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const DisplayAlbum& album = albums_[index.row()];
    for (const RoleColumn& column : kRoles) {
        if (column.role == role)
            return column.value(album, artwork_[index.row()],
                                !nowPlayingAlbumID_.isEmpty() && album.id() == nowPlayingAlbumID_);
    }
    return {};
}

QHash<int, QByteArray> AlbumListModel::roleNames() const {
    QHash<int, QByteArray> names;
    for (const RoleColumn& column : kRoles)
        names.insert(column.role, column.name);
    return names;
}
