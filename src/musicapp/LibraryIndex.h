#pragma once

#include "musicapp/TagReader.h"

#include <QHash>
#include <QList>
#include <QString>

#include <cstdint>

// One song of the index.
struct IndexedTrack {
    QString relativePath; // '/'-separated, inside the music folder
    std::uint64_t persistentID = 0;
    std::uint64_t albumPersistentID = 0;
    TrackTags tags;
    qint64 size = 0;
    qint64 modifiedMs = 0;   // file modification time, ms since the epoch
    qint64 firstSeenMs = 0;  // when a scan first found it: its "date added"
    qint64 lastPlayedMs = 0; // 0 until a play is recorded

    bool operator==(const IndexedTrack&) const = default;
};

// Size and modification time: what tells a changed file from an unchanged one.
struct FileStamp {
    qint64 size = 0;
    qint64 modifiedMs = 0;
    bool operator==(const FileStamp&) const = default;
};

// One batch of scan results, written in one transaction so a kill leaves
// either all of it or none.
struct IndexChanges {
    QList<IndexedTrack> upserts;                     // new or changed songs
    QList<std::pair<QString, FileStamp>> unreadable; // files that are not songs
    QStringList removals;                            // paths that are gone
};

// The library index in SQLite (WAL). One object per thread: each opens its
// own connection.
class LibraryIndex {
public:
    explicit LibraryIndex(const QString& databasePath);
    ~LibraryIndex();
    LibraryIndex(const LibraryIndex&) = delete;
    LibraryIndex& operator=(const LibraryIndex&) = delete;

    bool isOpen() const { return open_; }
    // Every song, in the order the scanner first found them.
    QList<IndexedTrack> loadTracks() const;
    // Stamps of every file the index knows, songs and unreadable files alike.
    QHash<QString, FileStamp> fileStamps() const;
    // Applies a batch. A changed song keeps its first-seen time.
    bool apply(const IndexChanges& changes);
    // Stores when a song was last played; false when it is not in the index.
    bool recordPlay(std::uint64_t persistentID, qint64 playedMs);

    // Where the index lives by default: under the XDG data folder.
    static QString defaultPath();

private:
    QString connection_;
    bool open_ = false;
};
