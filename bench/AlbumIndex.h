#pragma once

// A library index of many albums, written straight into the index over a
// folder of song files, so that a start of the program finds every file
// unchanged and reads the albums from the index, as on any day after the
// first scan.
#include "AlbumTags.h"

#include "musicapp/LibraryIndex.h"
#include "musicapp/TrackIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

inline const QStringList kArtists{"Sigur Rós",      "Beyoncé",   "Mötley Crüe",    "Björk",
                                  "Ólafur Arnalds", "Radiohead", "Massive Attack", "Daft Punk"};

struct AlbumIndexShape {
    int albums = 0;
    int tracksPerAlbum = 10;
    // When set, each album's track 1 is a hard link to this file (a song with
    // a cover), so that covers really decode; the other songs are empty.
    QString coverSong;
};

// Album n is "Album n" by one of kArtists, its songs in reverse order of
// their track numbers, added a minute after album n - 1. False when a file
// could not be made.
inline bool makeAlbumIndex(const QString& musicFolder, const QString& indexPath,
                           const AlbumIndexShape& shape) {
    LibraryIndex index(indexPath);
    IndexChanges changes;
    for (int album = 0; album < shape.albums; ++album) {
        const QString folder = QStringLiteral("%1/%2").arg(album / 100).arg(album);
        QDir().mkpath(musicFolder + u'/' + folder);
        const QStringList tags = albumTags(album);
        for (int t = 0; t < shape.tracksPerAlbum; ++t) {
            IndexedTrack track;
            track.relativePath = QStringLiteral("%1/%2.flac").arg(folder).arg(t);
            const QString path = musicFolder + u'/' + track.relativePath;
            if (t == shape.tracksPerAlbum - 1 && !shape.coverSong.isEmpty()) {
                if (::link(QFile::encodeName(shape.coverSong).constData(),
                           QFile::encodeName(path).constData()) != 0)
                    return false;
            } else {
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly))
                    return false;
            }
            const QFileInfo info(path);
            track.size = info.size();
            track.modifiedMs = info.lastModified().toMSecsSinceEpoch();
            track.persistentID = TrackIdentity::trackPersistentID(track.relativePath);
            track.tags.title = QStringLiteral("Song %1").arg(t);
            track.tags.album = QStringLiteral("Album %1").arg(album);
            track.tags.artist = kArtists[album % kArtists.size()];
            track.tags.albumArtist = track.tags.artist;
            track.tags.genre = tags.at(t);
            track.tags.trackNumber = shape.tracksPerAlbum - t;
            track.tags.hasPicture = true;
            track.albumPersistentID =
                TrackIdentity::albumPersistentID(track.tags.album, track.tags.albumArtist, {});
            track.firstSeenMs = 1'700'000'000'000 + qint64(album) * 60'000;
            changes.upserts.append(std::move(track));
        }
    }
    index.apply(changes);
    return true;
}
