#include "musicapp/AppleMusicAlbum.h"

#include "musicapp/EmbeddedArtwork.h"
#include "musicapp/FolderArtwork.h"
#include "musicapp/TrackIdentity.h"

#include <QHash>
#include <QTimeZone>

#include <algorithm>

namespace {

// The file of a song, absent when it has no path.
std::optional<QUrl> fileURL(const QString& musicFolder, const QString& relativePath) {
    if (relativePath.isEmpty())
        return std::nullopt;
    return QUrl::fromLocalFile(musicFolder + u'/' + relativePath);
}

// An album's songs as the player needs them: ids and files. It keeps the
// persistent ids and the paths the snapshot already holds (shared, not
// copied), not the snapshot itself, so an album record that outlives a
// rescan keeps no old snapshot alive.
class SongFiles final : public AppleMusicPlaybackHandle::TrackSource {
public:
    explicit SongFiles(const AppleMusicAlbum& album)
        : folder_(album.musicFolder()) {
        songs_.reserve(album.trackCount());
        for (qsizetype i = 0; i < album.trackCount(); ++i)
            songs_.append({album.track(i).persistentID, album.track(i).relativePath});
    }

    QList<AppleMusicPlaybackHandle::Track> tracks() const override {
        QList<AppleMusicPlaybackHandle::Track> tracks;
        tracks.reserve(songs_.size());
        for (const auto& [persistentID, relativePath] : songs_)
            tracks.append(
                {TrackIdentity::hexTrackID(persistentID), fileURL(folder_, relativePath)});
        return tracks;
    }

private:
    QString folder_;
    QList<std::pair<std::uint64_t, QString>> songs_;
};

} // namespace

AppleMusicAlbum::AppleMusicAlbum(std::shared_ptr<const LibrarySnapshot> snapshot,
                                 QList<qint32> trackIndexes)
    : snapshot_(std::move(snapshot))
    , trackIndexes_(std::move(trackIndexes)) {
    Q_ASSERT(snapshot_ && !trackIndexes_.isEmpty());
}

QString AppleMusicAlbum::id() const {
    return QString::number(persistentID());
}

QString AppleMusicAlbum::artistNames() const {
    if (!albumArtist().isEmpty())
        return albumArtist();
    if (isCompilation())
        return QStringLiteral("Various Artists");
    if (!first().tags.artist.isEmpty())
        return first().tags.artist;
    return QStringLiteral("Unknown Artist");
}

QStringList AppleMusicAlbum::genres() const {
    QStringList genres;
    genres.reserve(trackIndexes_.size());
    for (qsizetype i = 0; i < trackCount(); ++i) {
        if (const QString& genre = track(i).tags.genre; !genre.isEmpty())
            genres.append(genre);
    }
    return genres;
}

QDateTime AppleMusicAlbum::dateAdded() const {
    if (first().firstSeenMs == 0)
        return distantPast();
    return QDateTime::fromMSecsSinceEpoch(first().firstSeenMs, QTimeZone::utc());
}

std::optional<QDateTime> AppleMusicAlbum::lastPlayedDate() const {
    qint64 latest = 0;
    for (qsizetype i = 0; i < trackCount(); ++i)
        latest = std::max(latest, track(i).lastPlayedMs);
    if (latest == 0)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(latest, QTimeZone::utc());
}

std::shared_ptr<const LocalArtworkImage> AppleMusicAlbum::artworkImage() const {
    if (first().tags.hasPicture && snapshot_->reader)
        return std::make_shared<EmbeddedArtwork>(
            snapshot_->musicFolder + u'/' + first().relativePath, snapshot_->reader);
    if (const auto cover = folderCover())
        return std::make_shared<FolderArtwork>(snapshot_->musicFolder + u'/' + cover->first);
    return nullptr;
}

std::optional<std::pair<QString, FolderCoverFile>> AppleMusicAlbum::folderCover() const {
    const QHash<QString, FolderCoverFile>& covers = snapshot_->folderCovers;
    if (covers.isEmpty())
        return std::nullopt;
    const QString songs = TrackIdentity::relativeFolderOf(first().relativePath);
    for (const QString& folder : {songs, TrackIdentity::albumFolderOf(songs)}) {
        if (const auto found = covers.constFind(folder); found != covers.cend()) {
            const QString file =
                folder.isEmpty() ? found->fileName : folder + u'/' + found->fileName;
            return std::pair{file, *found};
        }
    }
    return std::nullopt;
}

UnifiedAlbum AppleMusicAlbum::unified() const {
    UnifiedAlbum album;
    album.id = unifiedID();
    album.title = title().isEmpty() ? QStringLiteral("Unknown Album") : title();
    album.artistNames = artistNames();
    album.rawGenres = genres();
    album.artwork = AlbumArtwork::local(artworkImage());
    album.sortDate = lastPlayedDate().value_or(dateAdded());
    album.trackCount = trackCount();
    album.playback = UnifiedAlbum::Playback::appleMusic(
        AppleMusicPlaybackHandle(std::make_shared<SongFiles>(*this)));
    return album;
}

std::size_t AppleMusicAlbum::contentStamp() const {
    // The scanner reads a file's tags again only when its size or time
    // changed, and a track id is a hash of its path: so the numbers below
    // tell every change of what unified() reads, without hashing any text.
    std::size_t stamp =
        qHashMulti(0, snapshot_->musicFolder, first().firstSeenMs, trackIndexes_.size());
    for (qsizetype i = 0; i < trackCount(); ++i) {
        const IndexedTrack& song = track(i);
        stamp = qHashMulti(stamp, song.persistentID, song.size, song.modifiedMs, song.lastPlayedMs);
    }
    if (!first().tags.hasPicture) {
        if (const auto cover = folderCover())
            stamp = qHashMulti(stamp, cover->first, cover->second.size, cover->second.modifiedMs);
    }
    return stamp;
}

QList<AppleMusicAlbum> groupAlbums(const std::shared_ptr<const LibrarySnapshot>& snapshot) {
    QList<AppleMusicAlbum> albums;
    if (!snapshot)
        return albums;
    const QList<IndexedTrack>& tracks = snapshot->tracks;
    QHash<std::uint64_t, qsizetype> groupOf;
    QList<QList<qint32>> groups;
    for (qint32 i = 0; i < static_cast<qint32>(tracks.size()); ++i) {
        auto it = groupOf.find(tracks[i].albumPersistentID);
        if (it == groupOf.end()) {
            it = groupOf.insert(tracks[i].albumPersistentID, groups.size());
            groups.emplace_back();
        }
        groups[*it].append(i);
    }
    albums.reserve(groups.size());
    for (QList<qint32>& group : groups) {
        std::stable_sort(group.begin(), group.end(), [&tracks](qint32 a, qint32 b) {
            const TrackTags& x = tracks[a].tags;
            const TrackTags& y = tracks[b].tags;
            return x.discNumber != y.discNumber ? x.discNumber < y.discNumber
                                                : x.trackNumber < y.trackNumber;
        });
        albums.append(AppleMusicAlbum(snapshot, std::move(group)));
    }
    return albums;
}
