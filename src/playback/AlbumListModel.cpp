#include "playback/AlbumListModel.h"

#include "playback/AlbumListDiff.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <utility>

namespace {

struct RoleColumn {
    AlbumListModel::Role role;
    const char* name;
    QVariant (*value)(const DisplayAlbum& album, const AlbumListModel::ArtworkURL& artworkURL,
                      bool playing);
};

// The one table of roles the views bind to.
const std::array<RoleColumn, 6> kRoles{{
    {AlbumListModel::AlbumIDRole, "albumID",
     [](const DisplayAlbum& a, const AlbumListModel::ArtworkURL&, bool) {
         return QVariant(a.album.id);
     }},
    {AlbumListModel::TitleRole, "title",
     [](const DisplayAlbum& a, const AlbumListModel::ArtworkURL&, bool) {
         return QVariant(a.album.title);
     }},
    {AlbumListModel::ArtistNamesRole, "artistNames",
     [](const DisplayAlbum& a, const AlbumListModel::ArtworkURL&, bool) {
         return QVariant(a.album.artistNames);
     }},
    {AlbumListModel::GenreRole, "genre",
     [](const DisplayAlbum& a, const AlbumListModel::ArtworkURL&, bool) {
         return QVariant(a.genre.displayName);
     }},
    {AlbumListModel::ArtworkRole, "artwork",
     [](const DisplayAlbum& a, const AlbumListModel::ArtworkURL& artworkURL, bool) {
         return QVariant(artworkURL(a));
     }},
    {AlbumListModel::IsPlayingRole, "isPlaying",
     [](const DisplayAlbum&, const AlbumListModel::ArtworkURL&, bool playing) {
         return QVariant(playing);
     }},
}};

// The roles a changed album record can change.
const QList<int> kRecordRoles{AlbumListModel::TitleRole, AlbumListModel::ArtistNamesRole,
                              AlbumListModel::GenreRole, AlbumListModel::ArtworkRole};

bool sameArtwork(const AlbumArtwork& a, const AlbumArtwork& b) {
    return a.kind() == b.kind() && a.url() == b.url() && a.localImage() == b.localImage();
}

bool sameShown(const DisplayAlbum& a, const DisplayAlbum& b) {
    return a.album.title == b.album.title && a.album.artistNames == b.album.artistNames &&
           a.genre.id == b.genre.id && sameArtwork(a.album.artwork, b.album.artwork);
}

QList<QStringView> idsOf(const QList<const DisplayAlbum*>& albums) {
    QList<QStringView> ids;
    ids.reserve(albums.size());
    for (const DisplayAlbum* album : albums)
        ids.append(album->id());
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
    // Addresses are made when a view asks, so every row may have a new one.
    if (!rows_.isEmpty())
        Q_EMIT dataChanged(index(0), index(count() - 1), {ArtworkRole});
}

QList<DisplayAlbum> AlbumListModel::albums() const {
    QList<DisplayAlbum> albums;
    albums.reserve(rows_.size());
    for (const DisplayAlbum* album : rows_)
        albums.append(*album);
    return albums;
}

void AlbumListModel::setAlbums(QList<DisplayAlbum> albums) {
    QList<qsizetype> rows(albums.size());
    std::iota(rows.begin(), rows.end(), 0);
    setAlbums(std::move(albums), rows);
}

void AlbumListModel::setAlbums(QList<DisplayAlbum> source, const QList<qsizetype>& rows) {
    const int before = count();
    // Pointers are taken from this copy only, through const access, so they
    // stay valid whatever the owner of the list does with its own copy.
    const QList<DisplayAlbum> previous = std::exchange(source_, std::move(source));
    QList<const DisplayAlbum*> next;
    next.reserve(rows.size());
    for (const qsizetype row : rows)
        next.append(&source_.constData()[row]);

    const AlbumListDiff diff = AlbumListDiff::between(idsOf(rows_), idsOf(next));
    if (diff.stepCount() > maxSteps) {
        beginResetModel();
        rows_ = std::move(next);
        endResetModel();
    } else {
        for (const auto& [first, last] : diff.removals) {
            beginRemoveRows({}, first, last);
            rows_.remove(first, last - first + 1);
            endRemoveRows();
        }
        for (const auto& [row, destination] : diff.moves) {
            beginMoveRows({}, row, row, {}, destination);
            rows_.move(row, destination > row ? destination - 1 : destination);
            endMoveRows();
        }
        for (const auto& [first, last] : diff.insertions) {
            beginInsertRows({}, first, last);
            rows_ = rows_.first(first) + next.sliced(first, last - first + 1) + rows_.sliced(first);
            endInsertRows();
        }
        // Every row now shows its album, but from the previous list: take
        // the new records and tell the views where what they show changed.
        QList<int> changed;
        for (qsizetype i = 0; i < next.size(); ++i) {
            if (rows_[i] != next[i] && !sameShown(*rows_[i], *next[i]))
                changed.append(int(i));
        }
        rows_ = std::move(next);
        emitChanged(changed, kRecordRoles);
    }
    if (count() != before)
        Q_EMIT countChanged();
}

const DisplayAlbum* AlbumListModel::albumWithID(const QString& id) const {
    const int row = rowOf(id);
    return row < 0 ? nullptr : rows_[row];
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
    for (qsizetype i = 0; i < rows_.size(); ++i) {
        if (rows_[i]->id() == id)
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
    const DisplayAlbum& album = *rows_[index.row()];
    for (const RoleColumn& column : kRoles) {
        if (column.role == role)
            return column.value(album, artworkURL_,
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
