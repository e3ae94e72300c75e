#include "playback/AlbumCollection.h"

#include <QSet>

#include <algorithm>
#include <limits>

namespace AlbumCollection {

std::vector<qsizetype> newestFirst(qsizetype count,
                                   const std::function<QDateTime(qsizetype)>& dateAt) {
    // Sorting on the numbers is far quicker than comparing dates.
    std::vector<std::pair<qint64, qsizetype>> keys;
    keys.reserve(std::size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const QDateTime date = dateAt(i);
        keys.emplace_back(
            date.isValid() ? date.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min(), i);
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<qsizetype> order;
    order.reserve(keys.size());
    for (const auto& key : keys)
        order.push_back(key.second);
    return order;
}

bool hasCoverArt(const UnifiedAlbum& album) {
    return album.artwork.isRemote() ? album.artwork.url().has_value()
                                    : album.artwork.localImage() != nullptr;
}

QList<AlbumRecord> finish(QList<AlbumRecord> records, qint64 minTracks, bool needsCoverArt) {
    QSet<QString> seen;
    seen.reserve(records.size());
    QList<AlbumRecord> kept;
    kept.reserve(records.size());
    for (AlbumRecord& record : records) {
        const UnifiedAlbum& album = record.album.album;
        if (album.trackCount < minTracks || (needsCoverArt && !hasCoverArt(album)))
            continue;
        // Spotify's pages can repeat an album saved while they were read.
        if (seen.contains(album.id))
            continue;
        seen.insert(album.id);
        kept.append(std::move(record));
    }
    const std::vector<qsizetype> order =
        newestFirst(kept.size(), [&kept](qsizetype i) { return kept[i].album.album.sortDate; });
    QList<AlbumRecord> sorted;
    sorted.reserve(kept.size());
    for (const qsizetype i : order)
        sorted.append(std::move(kept[i]));
    return sorted;
}

QList<DisplayAlbum> displayAlbums(QList<AlbumRecord> records) {
    QList<DisplayAlbum> albums;
    albums.reserve(records.size());
    for (AlbumRecord& record : records)
        albums.append(std::move(record.album));
    return albums;
}

} // namespace AlbumCollection
