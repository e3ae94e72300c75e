#include "musicapp/LibraryIndex.h"

#include "musicapp/TrackIdentity.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

namespace {

constexpr int schemaVersion = 2;

const QString tracksTable =
    QStringLiteral("CREATE TABLE tracks ("
                   " path TEXT PRIMARY KEY NOT NULL,"
                   " persistent_id INTEGER NOT NULL,"
                   " album_id INTEGER NOT NULL,"
                   " title TEXT NOT NULL, album TEXT NOT NULL, artist TEXT NOT NULL,"
                   " album_artist TEXT NOT NULL, genre TEXT NOT NULL,"
                   " compilation INTEGER NOT NULL, disc INTEGER NOT NULL,"
                   " track INTEGER NOT NULL, duration_ms INTEGER NOT NULL,"
                   " has_picture INTEGER NOT NULL, size INTEGER NOT NULL,"
                   " modified_ms INTEGER NOT NULL, first_seen_ms INTEGER NOT NULL,"
                   " last_played_ms INTEGER NOT NULL DEFAULT 0)");
const QString unreadableTable =
    QStringLiteral("CREATE TABLE unreadable ("
                   " path TEXT PRIMARY KEY NOT NULL,"
                   " size INTEGER NOT NULL, modified_ms INTEGER NOT NULL)");
const QString foldersTable =
    QStringLiteral("CREATE TABLE folders ("
                   " path TEXT PRIMARY KEY NOT NULL, cover TEXT NOT NULL,"
                   " cover_size INTEGER NOT NULL, cover_modified_ms INTEGER NOT NULL)");
const QString tombstonesTable =
    QStringLiteral("CREATE TABLE tombstones ("
                   " path TEXT PRIMARY KEY NOT NULL, first_seen_ms INTEGER NOT NULL,"
                   " last_played_ms INTEGER NOT NULL, removed_ms INTEGER NOT NULL)");

QString nextConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("korvid-library-%1").arg(counter.fetchAndAddRelaxed(1));
}

bool exec(QSqlQuery& query, const QString& statement) {
    return query.exec(statement);
}

qint64 stored(std::uint64_t value) {
    return static_cast<qint64>(value);
}

// A null QString binds as SQL NULL; the columns hold text, possibly empty.
QString stored(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

// Album ids as the scanner now makes them, for songs in disc folders.
bool joinDiscFolders(QSqlDatabase& db) {
    QSqlQuery songs(db);
    QSqlQuery update(db);
    if (!songs.exec(QStringLiteral("SELECT path, album, album_artist, album_id FROM tracks")) ||
        !update.prepare(QStringLiteral("UPDATE tracks SET album_id = ? WHERE path = ?")))
        return false;
    QList<std::pair<QString, qint64>> changed;
    while (songs.next()) {
        const QString path = songs.value(0).toString();
        const qint64 id = stored(TrackIdentity::albumPersistentID(
            songs.value(1).toString(), songs.value(2).toString(),
            TrackIdentity::albumFolderOf(TrackIdentity::relativeFolderOf(path))));
        if (id != songs.value(3).toLongLong())
            changed.append({path, id});
    }
    for (const auto& [path, id] : changed) {
        update.addBindValue(id);
        update.addBindValue(path);
        if (!update.exec())
            return false;
    }
    return true;
}

} // namespace

LibraryIndex::LibraryIndex(const QString& databasePath)
    : connection_(nextConnectionName()) {
    QDir().mkpath(QFileInfo(databasePath).absolutePath());
    if (open(databasePath) != Opening::damaged)
        return;
    // Without a readable index every song's date added and last play are
    // gone anyway; keep the damaged file for whoever wants to look at it,
    // and read the folder into a new one.
    QSqlDatabase::database(connection_, false).close();
    const QString aside = databasePath + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (!QFile::rename(databasePath, aside))
        return;
    for (const char* suffix : {"-wal", "-shm"})
        QFile::remove(databasePath + QLatin1String(suffix));
    rebuilt_ = open(databasePath) == Opening::opened;
}

LibraryIndex::Opening LibraryIndex::open(const QString& databasePath) {
    QSqlDatabase db = QSqlDatabase::contains(connection_)
                          ? QSqlDatabase::database(connection_, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(databasePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        return Opening::failed;
    QSqlQuery query(db);
    const auto failure = [&query] {
        // SQLITE_CORRUPT and SQLITE_NOTADB: the file is not one SQLite can use.
        const QString code = query.lastError().nativeErrorCode();
        return code == QLatin1String("11") || code == QLatin1String("26") ? Opening::damaged
                                                                          : Opening::failed;
    };
    // WAL keeps the last committed state readable whatever moment the
    // process dies at; NORMAL sync is enough for that.
    if (!exec(query, QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !exec(query, QStringLiteral("PRAGMA synchronous=NORMAL")))
        return failure();
    if (!exec(query, QStringLiteral("PRAGMA user_version")) || !query.next())
        return failure();
    const int version = query.value(0).toInt();
    if (version != schemaVersion) {
        db.transaction();
        bool made = true;
        if (version != 1) {
            // An index is only a cache of the folder: an unknown layout is rebuilt.
            made = exec(query, QStringLiteral("DROP TABLE IF EXISTS tracks")) &&
                   exec(query, QStringLiteral("DROP TABLE IF EXISTS unreadable")) &&
                   exec(query, QStringLiteral("DROP TABLE IF EXISTS folders")) &&
                   exec(query, QStringLiteral("DROP TABLE IF EXISTS tombstones")) &&
                   exec(query, tracksTable) && exec(query, unreadableTable);
        }
        // The first layout had no folder covers and forgot removed songs;
        // its songs and their history carry over, and the discs of an album
        // without an album artist become one album.
        made = made && exec(query, foldersTable) && exec(query, tombstonesTable) &&
               (version != 1 || joinDiscFolders(db)) &&
               exec(query, QStringLiteral("PRAGMA user_version=%1").arg(schemaVersion));
        if (!made || !db.commit()) {
            db.rollback();
            return failure();
        }
    }
    open_ = true;
    return Opening::opened;
}

LibraryIndex::~LibraryIndex() {
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

QString LibraryIndex::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Korvid/library.sqlite");
}

QList<IndexedTrack> LibraryIndex::loadTracks() const {
    QList<IndexedTrack> tracks;
    if (!open_)
        return tracks;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    // A list grown one song at a time ends up to half again larger than the
    // library: sized from the count, 50,000 songs hold about 6 MB less.
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM tracks")) && query.next())
        tracks.reserve(query.value(0).toLongLong());
    if (!query.exec(QStringLiteral(
            "SELECT path, persistent_id, album_id, title, album, artist, album_artist, genre,"
            " compilation, disc, track, duration_ms, has_picture, size, modified_ms,"
            " first_seen_ms, last_played_ms FROM tracks ORDER BY rowid")))
        return tracks;
    // Songs of one album repeat its texts; sharing one copy of each keeps a
    // large library's snapshot much smaller.
    QSet<QString> pool;
    const auto shared = [&pool](const QVariant& value) {
        const QString text = value.toString();
        return *pool.insert(text);
    };
    while (query.next()) {
        IndexedTrack track;
        track.relativePath = query.value(0).toString();
        track.persistentID = static_cast<std::uint64_t>(query.value(1).toLongLong());
        track.albumPersistentID = static_cast<std::uint64_t>(query.value(2).toLongLong());
        track.tags.title = query.value(3).toString();
        track.tags.album = shared(query.value(4));
        track.tags.artist = shared(query.value(5));
        track.tags.albumArtist = shared(query.value(6));
        track.tags.genre = shared(query.value(7));
        track.tags.compilation = query.value(8).toInt() != 0;
        track.tags.discNumber = query.value(9).toInt();
        track.tags.trackNumber = query.value(10).toInt();
        track.tags.durationMs = query.value(11).toLongLong();
        track.tags.hasPicture = query.value(12).toInt() != 0;
        track.size = query.value(13).toLongLong();
        track.modifiedMs = query.value(14).toLongLong();
        track.firstSeenMs = query.value(15).toLongLong();
        track.lastPlayedMs = query.value(16).toLongLong();
        tracks.append(std::move(track));
    }
    return tracks;
}

QHash<QString, FileStamp> LibraryIndex::fileStamps() const {
    QHash<QString, FileStamp> stamps;
    if (!open_)
        return stamps;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    for (const QString& table : {QStringLiteral("tracks"), QStringLiteral("unreadable")}) {
        if (!query.exec(QStringLiteral("SELECT path, size, modified_ms FROM %1").arg(table)))
            continue;
        while (query.next())
            stamps.insert(query.value(0).toString(),
                          FileStamp{query.value(1).toLongLong(), query.value(2).toLongLong()});
    }
    return stamps;
}

bool LibraryIndex::recordPlay(std::uint64_t persistentID, qint64 playedMs) {
    if (!open_)
        return false;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral("UPDATE tracks SET last_played_ms = ? WHERE persistent_id = ?"));
    query.addBindValue(playedMs);
    query.addBindValue(stored(persistentID));
    return query.exec() && query.numRowsAffected() > 0;
}

QHash<QString, FolderCoverFile> LibraryIndex::folderCovers() const {
    QHash<QString, FolderCoverFile> covers;
    if (!open_)
        return covers;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    if (!query.exec(
            QStringLiteral("SELECT path, cover, cover_size, cover_modified_ms FROM folders")))
        return covers;
    while (query.next())
        covers.insert(query.value(0).toString(),
                      FolderCoverFile{query.value(1).toString(), query.value(2).toLongLong(),
                                      query.value(3).toLongLong()});
    return covers;
}

namespace {
// Binds the values in order and runs the prepared statement.
template <typename... Values> bool run(QSqlQuery& query, const Values&... values) {
    (query.addBindValue(values), ...);
    return query.exec();
}
} // namespace

bool LibraryIndex::apply(const IndexChanges& changes) {
    if (!open_)
        return false;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction())
        return false;
    QSqlQuery upsert(db);
    QSqlQuery dropUnreadable(db);
    QSqlQuery markUnreadable(db);
    QSqlQuery bury(db);
    QSqlQuery dropTrack(db);
    QSqlQuery unbury(db);
    QSqlQuery setCover(db);
    QSqlQuery dropCover(db);
    QSqlQuery prune(db);
    // A changed file keeps its row (and so its place and first-seen time); a
    // file that comes back where a removed one was takes up its history.
    bool ok =
        upsert.prepare(QStringLiteral(
            "INSERT INTO tracks (path, persistent_id, album_id, title, album, artist,"
            " album_artist, genre, compilation, disc, track, duration_ms, has_picture, size,"
            " modified_ms, first_seen_ms, last_played_ms)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
            " COALESCE((SELECT first_seen_ms FROM tombstones WHERE path = ?), ?),"
            " COALESCE((SELECT last_played_ms FROM tombstones WHERE path = ?), 0))"
            " ON CONFLICT(path) DO UPDATE SET persistent_id=excluded.persistent_id,"
            " album_id=excluded.album_id, title=excluded.title, album=excluded.album,"
            " artist=excluded.artist, album_artist=excluded.album_artist,"
            " genre=excluded.genre, compilation=excluded.compilation, disc=excluded.disc,"
            " track=excluded.track, duration_ms=excluded.duration_ms,"
            " has_picture=excluded.has_picture, size=excluded.size,"
            " modified_ms=excluded.modified_ms")) &&
        dropUnreadable.prepare(QStringLiteral("DELETE FROM unreadable WHERE path = ?")) &&
        markUnreadable.prepare(QStringLiteral(
            "INSERT OR REPLACE INTO unreadable (path, size, modified_ms) VALUES (?, ?, ?)")) &&
        bury.prepare(QStringLiteral(
            "INSERT OR REPLACE INTO tombstones (path, first_seen_ms, last_played_ms, removed_ms)"
            " SELECT path, first_seen_ms, last_played_ms, ? FROM tracks WHERE path = ?")) &&
        dropTrack.prepare(QStringLiteral("DELETE FROM tracks WHERE path = ?")) &&
        unbury.prepare(QStringLiteral("DELETE FROM tombstones WHERE path = ?")) &&
        setCover.prepare(QStringLiteral("INSERT OR REPLACE INTO folders"
                                        " (path, cover, cover_size, cover_modified_ms)"
                                        " VALUES (?, ?, ?, ?)")) &&
        dropCover.prepare(QStringLiteral("DELETE FROM folders WHERE path = ?")) &&
        prune.prepare(QStringLiteral("DELETE FROM tombstones WHERE removed_ms < ?"));
    // A song leaves the tracks (gone, or no longer readable) through here.
    const auto remove = [&](const QString& path) {
        return run(bury, changes.nowMs, path) && run(dropTrack, path);
    };

    for (const IndexedTrack& track : changes.upserts) {
        if (!ok)
            break;
        const TrackTags& tags = track.tags;
        ok = run(upsert, track.relativePath, stored(track.persistentID),
                 stored(track.albumPersistentID), stored(tags.title), stored(tags.album),
                 stored(tags.artist), stored(tags.albumArtist), stored(tags.genre),
                 tags.compilation ? 1 : 0, tags.discNumber, tags.trackNumber, tags.durationMs,
                 tags.hasPicture ? 1 : 0, track.size, track.modifiedMs, track.relativePath,
                 track.firstSeenMs, track.relativePath) &&
             run(unbury, track.relativePath) && run(dropUnreadable, track.relativePath);
    }
    for (const auto& [path, stamp] : changes.unreadable) {
        if (!ok)
            break;
        ok = remove(path) && run(markUnreadable, path, stamp.size, stamp.modifiedMs);
    }
    for (const QString& path : changes.removals) {
        if (!ok)
            break;
        ok = remove(path) && run(dropUnreadable, path);
    }
    for (const auto& [folder, cover] : changes.covers) {
        if (!ok)
            break;
        ok = run(setCover, stored(folder), cover.fileName, cover.size, cover.modifiedMs);
    }
    for (const QString& folder : changes.coverRemovals) {
        if (!ok)
            break;
        ok = run(dropCover, stored(folder));
    }
    if (ok && changes.nowMs > 0)
        ok = run(prune, changes.nowMs - historyKeptMs);
    for (QSqlQuery* query : {&upsert, &dropUnreadable, &markUnreadable, &bury, &dropTrack, &unbury,
                             &setCover, &dropCover, &prune})
        query->finish();
    if (ok && db.commit())
        return true;
    db.rollback();
    return false;
}
