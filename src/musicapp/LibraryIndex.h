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

// The picture a folder keeps as its cover, and what tells when it changed.
struct FolderCoverFile {
    QString fileName; // within the folder
    qint64 size = 0;
    qint64 modifiedMs = 0;
    bool operator==(const FolderCoverFile&) const = default;
};

// One batch of scan results, written in one transaction so a kill leaves
// either all of it or none.
struct IndexChanges {
    QList<IndexedTrack> upserts;                     // new or changed songs
    QList<std::pair<QString, FileStamp>> unreadable; // files that are not songs
    QStringList removals;                            // paths that are gone
    // Folders ('/'-separated, "" for the music folder itself) whose cover
    // was found or changed, and those that no longer have one.
    QList<std::pair<QString, FolderCoverFile>> covers;
    QStringList coverRemovals;
    // When the scan ran: what a removal is stamped with.
    qint64 nowMs = 0;
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
    // Whether the file found was damaged (not a database, or corrupt): it
    // was moved aside, beside the index with ".damaged" added, and a new
    // index started.
    bool rebuiltAfterDamage() const { return rebuilt_; }
    // Every song, in the order the scanner first found them.
    QList<IndexedTrack> loadTracks() const;
    // Stamps of every file the index knows, songs and unreadable files alike.
    QHash<QString, FileStamp> fileStamps() const;
    // The cover of every folder that has one, by folder.
    QHash<QString, FolderCoverFile> folderCovers() const;
    // Applies a batch. A changed song keeps its first-seen time. A removed
    // song leaves its first-seen and last-played times behind for a year,
    // and a song that comes back at the same path takes them up again.
    bool apply(const IndexChanges& changes);
    // Stores when a song was last played; false when it is not in the index.
    bool recordPlay(std::uint64_t persistentID, qint64 playedMs);

    // Where the index lives by default: under the XDG data folder.
    static QString defaultPath();

    // How long a removed song's history waits for it to come back.
    static constexpr qint64 historyKeptMs = 366LL * 24 * 60 * 60 * 1000;

private:
    enum class Opening { opened, failed, damaged };
    Opening open(const QString& databasePath);

    QString connection_;
    bool open_ = false;
    bool rebuilt_ = false;
};
