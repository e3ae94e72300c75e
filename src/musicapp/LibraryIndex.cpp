#include "musicapp/LibraryIndex.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

namespace {

constexpr int schemaVersion = 1;

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

} // namespace

LibraryIndex::LibraryIndex(const QString& databasePath)
    : connection_(nextConnectionName()) {
    QDir().mkpath(QFileInfo(databasePath).absolutePath());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(databasePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        return;
    QSqlQuery query(db);
    // WAL keeps the last committed state readable whatever moment the
    // process dies at; NORMAL sync is enough for that.
    if (!exec(query, QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !exec(query, QStringLiteral("PRAGMA synchronous=NORMAL")))
        return;
    if (!exec(query, QStringLiteral("PRAGMA user_version")) || !query.next())
        return;
    const int version = query.value(0).toInt();
    if (version != schemaVersion) {
        // An index is only a cache of the folder: an unknown layout is rebuilt.
        db.transaction();
        exec(query, QStringLiteral("DROP TABLE IF EXISTS tracks"));
        exec(query, QStringLiteral("DROP TABLE IF EXISTS unreadable"));
        const bool created =
            exec(query,
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
                                " last_played_ms INTEGER NOT NULL DEFAULT 0)")) &&
            exec(query, QStringLiteral("CREATE TABLE unreadable ("
                                       " path TEXT PRIMARY KEY NOT NULL,"
                                       " size INTEGER NOT NULL, modified_ms INTEGER NOT NULL)")) &&
            exec(query, QStringLiteral("PRAGMA user_version=%1").arg(schemaVersion));
        if (!created || !db.commit()) {
            db.rollback();
            return;
        }
    }
    open_ = true;
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

bool LibraryIndex::apply(const IndexChanges& changes) {
    if (!open_)
        return false;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction())
        return false;
    QSqlQuery upsert(db);
    QSqlQuery dropUnreadable(db);
    QSqlQuery markUnreadable(db);
    QSqlQuery dropTrack(db);
    // A changed file keeps its row (and so its place and first-seen time).
    bool ok =
        upsert.prepare(QStringLiteral(
            "INSERT INTO tracks (path, persistent_id, album_id, title, album, artist,"
            " album_artist, genre, compilation, disc, track, duration_ms, has_picture, size,"
            " modified_ms, first_seen_ms)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
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
        dropTrack.prepare(QStringLiteral("DELETE FROM tracks WHERE path = ?"));

    for (const IndexedTrack& track : changes.upserts) {
        if (!ok)
            break;
        const TrackTags& tags = track.tags;
        upsert.addBindValue(track.relativePath);
        upsert.addBindValue(stored(track.persistentID));
        upsert.addBindValue(stored(track.albumPersistentID));
        upsert.addBindValue(stored(tags.title));
        upsert.addBindValue(stored(tags.album));
        upsert.addBindValue(stored(tags.artist));
        upsert.addBindValue(stored(tags.albumArtist));
        upsert.addBindValue(stored(tags.genre));
        upsert.addBindValue(tags.compilation ? 1 : 0);
        upsert.addBindValue(tags.discNumber);
        upsert.addBindValue(tags.trackNumber);
        upsert.addBindValue(tags.durationMs);
        upsert.addBindValue(tags.hasPicture ? 1 : 0);
        upsert.addBindValue(track.size);
        upsert.addBindValue(track.modifiedMs);
        upsert.addBindValue(track.firstSeenMs);
        dropUnreadable.addBindValue(track.relativePath);
        ok = upsert.exec() && dropUnreadable.exec();
    }
    for (const auto& [path, stamp] : changes.unreadable) {
        if (!ok)
            break;
        dropTrack.addBindValue(path);
        markUnreadable.addBindValue(path);
        markUnreadable.addBindValue(stamp.size);
        markUnreadable.addBindValue(stamp.modifiedMs);
        ok = dropTrack.exec() && markUnreadable.exec();
    }
    for (const QString& path : changes.removals) {
        if (!ok)
            break;
        dropTrack.addBindValue(path);
        dropUnreadable.addBindValue(path);
        ok = dropTrack.exec() && dropUnreadable.exec();
    }
    upsert.finish();
    dropUnreadable.finish();
    markUnreadable.finish();
    dropTrack.finish();
    if (ok && db.commit())
        return true;
    db.rollback();
    return false;
}
