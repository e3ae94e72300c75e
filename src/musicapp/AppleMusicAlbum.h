#pragma once

#include "model/UnifiedAlbum.h"
#include "musicapp/LibraryIndex.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

class TagReader;

// Everything the index held at one moment, shared by the albums made from it.
struct LibrarySnapshot {
    QString musicFolder;
    QList<IndexedTrack> tracks;              // in the order the scanner first found them
    std::shared_ptr<const TagReader> reader; // for pictures, read when drawn
    // The cover picture of each folder that keeps one, by relative folder.
    QHash<QString, FolderCoverFile> folderCovers;
};

// One album of the local library: its songs in album order. The album's own
// fields (title, album artist, compilation, disc) are those of its first song.
class AppleMusicAlbum {
public:
    AppleMusicAlbum(std::shared_ptr<const LibrarySnapshot> snapshot, QList<qint32> trackIndexes);

    std::uint64_t persistentID() const { return first().albumPersistentID; }
    // The persistent id in decimal, without a prefix.
    QString id() const;
    // The id of its UnifiedAlbum: "apple-" and the persistent id.
    QString unifiedID() const { return QStringLiteral("apple-") + id(); }
    QString title() const { return first().tags.album; }
    QString albumArtist() const { return first().tags.albumArtist; }
    bool isCompilation() const { return first().tags.compilation; }

    qsizetype trackCount() const { return trackIndexes_.size(); }
    const IndexedTrack& track(qsizetype i) const {
        return snapshot_->tracks.at(trackIndexes_.at(i));
    }

    // Album artist; else "Various Artists" for a compilation; else the first
    // song's artist; else "Unknown Artist".
    QString artistNames() const;
    // One genre per tagged song, in album order.
    QStringList genres() const;
    // When the first song was first seen; the distant past without one.
    QDateTime dateAdded() const;
    // The latest play of any song; absent when none was played.
    std::optional<QDateTime> lastPlayedDate() const;
    // The first song's picture; else the cover picture in its folder, or in
    // the folder above when its own is one disc's ("CD2"). Decoded when
    // drawn; null without any.
    std::shared_ptr<const LocalArtworkImage> artworkImage() const;
    // The file of that folder cover, relative to the music folder, and its
    // stamp; absent when the album has none.
    std::optional<std::pair<QString, FolderCoverFile>> folderCover() const;
    const QString& musicFolder() const { return snapshot_->musicFolder; }

    UnifiedAlbum unified() const;
    // A digest of everything unified() reads. Albums with equal stamps make
    // equal records, so a screen can keep the record it built last time.
    std::size_t contentStamp() const;

private:
    const IndexedTrack& first() const { return track(0); }

    std::shared_ptr<const LibrarySnapshot> snapshot_;
    QList<qint32> trackIndexes_;
};

// Groups the songs into albums by album id, each ordered by (disc, track)
// with ties kept in library order. Albums come in the order of their first song.
QList<AppleMusicAlbum> groupAlbums(const std::shared_ptr<const LibrarySnapshot>& snapshot);
