// The album record and its cover, over hand-made index contents.
#include "musicapp/AppleMusicAlbum.h"
#include "musicapp/FolderCover.h"
#include "musicapp/TrackIdentity.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

struct Song {
    QString path;
    std::uint64_t album;
    int disc;
    int track;
    QString genre = {};
};

std::shared_ptr<const LibrarySnapshot> snapshotOf(const QList<Song>& songs) {
    auto snapshot = std::make_shared<LibrarySnapshot>();
    snapshot->musicFolder = QStringLiteral("/music");
    std::uint64_t id = 1;
    for (const Song& song : songs) {
        IndexedTrack track;
        track.relativePath = song.path;
        track.persistentID = id++;
        track.albumPersistentID = song.album;
        track.tags.album = QStringLiteral("Album %1").arg(song.album);
        track.tags.discNumber = song.disc;
        track.tags.trackNumber = song.track;
        track.tags.genre = song.genre;
        track.firstSeenMs = 1'700'000'000'000 + static_cast<qint64>(id) * 1000;
        snapshot->tracks.append(track);
    }
    return snapshot;
}

TEST(LibraryAlbumsTest, UnifiedRecordOfALocalAlbum) {
    QList<Song> songs;
    for (int i = 1; i <= 10; ++i)
        songs.append({QStringLiteral("A/%1.flac").arg(i), 0xAB, 1, i,
                      i <= 7 ? "Rock" : (i <= 9 ? "Pop" : "")});
    songs[0].path.clear(); // a song the index knows without a file
    auto snapshot = snapshotOf(songs);
    auto albums = groupAlbums(snapshot);
    ASSERT_EQ(albums.size(), 1);
    const UnifiedAlbum album = albums[0].unified();
    // The record holds the songs' ids and paths, not the snapshot: one that
    // outlives a rescan keeps no old library in memory.
    albums.clear();
    EXPECT_EQ(snapshot.use_count(), 1);

    EXPECT_EQ(album.id, "apple-171");
    EXPECT_EQ(album.title, "Album 171");
    EXPECT_EQ(album.trackCount, 10);
    EXPECT_EQ(album.rawGenres.size(), 9);
    EXPECT_EQ(album.rawGenres.count("Rock"), 7);
    EXPECT_TRUE(album.artwork.isLocal());
    EXPECT_EQ(album.artwork.localImage(), nullptr);
    // Never played: sorted by when its first song was first seen.
    EXPECT_EQ(album.sortDate,
              QDateTime::fromMSecsSinceEpoch(snapshot->tracks[0].firstSeenMs, QTimeZone::utc()));

    const AppleMusicPlaybackHandle* handle = album.playback.appleMusicHandle();
    ASSERT_NE(handle, nullptr);
    const auto tracks = handle->tracks();
    ASSERT_EQ(tracks.size(), 10);
    EXPECT_EQ(tracks[0].id, "0000000000000001");
    EXPECT_FALSE(tracks[0].url);
    EXPECT_EQ(tracks[1].id, "0000000000000002");
    EXPECT_EQ(tracks[1].url, QUrl::fromLocalFile("/music/A/2.flac"));
    for (const auto& track : tracks)
        EXPECT_TRUE(QRegularExpression("^[0-9A-F]{16}$").match(track.id).hasMatch())
            << track.id.toStdString();
}

TEST(LibraryAlbumsTest, TheCoverAmongAFoldersPictures) {
    const struct {
        QStringList names;
        QString cover;
    } cases[] = {
        {{"back.jpg", "Cover.JPG", "folder.jpg"}, "Cover.JPG"},
        {{"albumart.png", "front.jpeg", "Folder.png"}, "Folder.png"},
        {{"AlbumArtSmall.jpg", "albumart.jpg", "album.bmp"}, "album.bmp"},
        {{"scan-Front-hq.webp", "booklet.png"}, "scan-Front-hq.webp"},
        {{"cover.png", "cover.jpg", "cover.gif"}, "cover.jpg"},
        {{"B cover.png", "a cover.png"}, "a cover.png"},
        {{"cover.txt", "cover.jpg.part", "back.jpg", "cover", ".jpg"}, ""},
        {{"notes.pdf", "01 Song.flac"}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FolderCover::choose(c.names), c.cover) << c.names.join(", ").toStdString();
    for (const char* disc : {"CD1", "cd 2", "Disc 2", "DISK03", "Disc 1 - Live", "cd_4"})
        EXPECT_TRUE(TrackIdentity::isDiscFolderName(disc)) << disc;
    for (const char* other : {"CDs", "Discography", "Album 2", "Disco 1", "1 CD"})
        EXPECT_FALSE(TrackIdentity::isDiscFolderName(other)) << other;
}

TEST(LibraryAlbumsTest, AFolderCoverComesAfterTheEmbeddedPictureAndAboveADiscFolder) {
    auto snapshot = std::make_shared<LibrarySnapshot>(*snapshotOf({
        {"Album/CD2/01.flac", 1, 2, 1},
        {"Other/Disc Two/01.flac", 2, 1, 1},
        {"Top.flac", 3, 1, 1},
        {"Deep/Album/Bonus/01.flac", 4, 1, 1},
    }));
    snapshot->folderCovers.insert("Album", {"cover.jpg", 10, 20});
    snapshot->folderCovers.insert("", {"folder.png", 30, 40});
    snapshot->folderCovers.insert("Deep/Album", {"front.jpg", 50, 60});
    const QList<AppleMusicAlbum> albums = groupAlbums(snapshot);
    ASSERT_EQ(albums.size(), 4);
    EXPECT_EQ(albums[0].folderCover()->first, "Album/cover.jpg");
    EXPECT_TRUE(albums[0].artworkImage());
    // "Disc Two" names no number; "Bonus" is no disc folder.
    EXPECT_FALSE(albums[1].folderCover());
    EXPECT_FALSE(albums[1].artworkImage());
    EXPECT_EQ(albums[2].folderCover()->first, "folder.png");
    EXPECT_FALSE(albums[3].folderCover());

    // A new cover picture makes a new record.
    const std::size_t before = albums[0].contentStamp();
    snapshot->folderCovers["Album"].modifiedMs = 21;
    EXPECT_NE(groupAlbums(snapshot)[0].contentStamp(), before);
}

} // namespace
