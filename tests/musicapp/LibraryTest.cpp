// The library over a real music folder made with ffmpeg, read with TagLib
// into a real SQLite index.
#include "TestMusicFolder.h"
#include "musicapp/AppleMusicLibrary.h"
#include "musicapp/FolderCover.h"
#include "musicapp/LibraryIndex.h"
#include "musicapp/LibraryScanner.h"
#include "musicapp/TagReader.h"
#include "musicapp/TrackIdentity.h"
#include "support/FakeClock.h"
#include "support/RunTask.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Tags = QList<QPair<QString, QString>>;

const QStringList flac{"-c:a", "flac"};
const QStringList mp3{"-c:a", "libmp3lame", "-id3v2_version", "3"};
const QStringList aac{"-c:a", "aac", "-b:a", "64k"};
const QStringList alac{"-c:a", "alac"};
const QStringList vorbis{"-c:a", "libvorbis"};
const QStringList opus{"-c:a", "libopus"};
const QStringList wav{"-c:a", "pcm_s16le"};
const QStringList aiff{"-c:a", "pcm_s16be", "-write_id3v2", "1"};

// A song of "Far Album" by The Band, whose songs lie far apart.
TestSong farSong(const char* path, const QStringList& codec, const char* title, const char* artist,
                 const char* disc, const char* track, const char* genre, bool cover) {
    return {path, codec,
            Tags{{"title", title},
                 {"album", "Far Album"},
                 {"album_artist", "The Band"},
                 {"artist", artist},
                 {"disc", disc},
                 {"track", track},
                 {"genre", genre}},
            cover};
}

const QList<TestSong>& songs() {
    static const QList<TestSong> list{
        farSong("Far/A/first.flac", flac, "First", "Singer A", "1/2", "1/3", "Rock", true),
        farSong("Far/M/second.m4a", aac, "Second", "Singer B", "1/2", "2/3", "Rock", false),
        farSong("Z/far/third.mp3", mp3, "Third", "Singer C", "2/2", "1", "Pop", true),
        {"Hits/a.ogg", vorbis,
         Tags{{"title", "A"},
              {"album", "Hits"},
              {"artist", "X"},
              {"compilation", "1"},
              {"track", "2"},
              {"genre", "Dance"}}},
        {"Hits/b.opus", opus,
         Tags{{"title", "B"},
              {"album", "Hits"},
              {"artist", "Y"},
              {"compilation", "1"},
              {"track", "1"}}},
        {"Plain/p.wav", wav, Tags{{"title", "W"}, {"album", "Plain"}, {"artist", "Wave Artist"}}},
        {"Plain/q.aiff", aiff,
         Tags{{"title", "Q"}, {"album", "Aiff Album"}, {"artist", "Aiff Artist"}}},
        {"Lossless/l.m4a", alac, Tags{{"title", "L"}, {"album", "Lossless"}, {"artist", "L"}}},
        {"Video/clip.mp4", aac, Tags{{"title", "Clip"}, {"album", "Video Album"}}, false, true},
        {"Video/clip.m4a", aac, Tags{{"title", "Clip"}, {"album", "Video Album"}}, false, true},
        {"Bad/bad.flac", flac,
         Tags{{"title", "BADUTF8X"}, {"album", "Bad Bytes"}, {"artist", "Bytes"}}},
        {"Broken/broken.mp3", mp3,
         Tags{{"title", "Broken"}, {"album", "Broken Tags"}, {"artist", "B"}}},
        {"Loose/untagged.flac", flac, Tags{}},
    };
    return list;
}

class LibraryTest : public ::testing::Test {
protected:
    // Every song of the list, and files that only look like songs.
    void makeWholeFolder() {
        const QString root = music();
        for (const TestSong& song : songs())
            ASSERT_TRUE(makeSong(root, song)) << song.path.toStdString();
        // Tag bytes that are not UTF-8 where UTF-8 is required.
        ASSERT_TRUE(
            patchBytes(root + "/Bad/bad.flac", "BADUTF8X", QByteArray("Bad\xff\xfe\xc3(\x80", 8)));
        // An ID3 tag whose size runs far past the end of the file.
        QFile broken(root + "/Broken/broken.mp3");
        ASSERT_TRUE(broken.open(QIODevice::ReadWrite));
        broken.seek(6);
        broken.write(QByteArray("\x7f\x7f\x7f\x7f", 4));
        broken.close();
        // Not audio, and audio names over things that are not audio.
        QFile::copy(root + "/Loose/untagged.flac", root + "/Broken/truncated.flac");
        QFile::resize(root + "/Broken/truncated.flac", 20);
        for (const char* name : {"/notes.txt", "/fake.mp3"}) {
            QFile text(root + name);
            ASSERT_TRUE(text.open(QIODevice::WriteOnly));
            text.write("these are not the files you are looking for\n");
        }
    }

    QString music() const { return home.filePath("music"); }
    QString indexPath() const { return home.filePath("index/library.sqlite"); }

    std::unique_ptr<AppleMusicLibrary> openLibrary() {
        auto library =
            std::make_unique<AppleMusicLibrary>(music(), indexPath(), makeTagLibReader(), &clock);
        EXPECT_TRUE(runTask(library->requestAuthorizationIfNeeded(), 30s));
        EXPECT_TRUE(waitUntil([&] { return !library->isScanning(); }, 60s));
        return library;
    }

    static const AppleMusicAlbum* find(const QList<AppleMusicAlbum>& albums, const QString& title) {
        for (const auto& album : albums) {
            if (album.title() == title)
                return &album;
        }
        return nullptr;
    }

    static QStringList titlesOf(const AppleMusicAlbum& album) {
        QStringList titles;
        for (qsizetype i = 0; i < album.trackCount(); ++i)
            titles << album.track(i).tags.title;
        return titles;
    }

    void waitForScan(AppleMusicLibrary& library) {
        ASSERT_TRUE(waitUntil([&] { return !library.isScanning(); }, 30s));
    }

    // The colour the album's cover is drawn in; invalid without a cover.
    static QColor coverColour(const AppleMusicAlbum* album) {
        const auto image = album ? album->unified().artwork.localImage() : nullptr;
        const QImage picture = image ? image->image(QSize(8, 8)) : QImage();
        return picture.isNull() ? QColor() : QColor(picture.pixel(4, 4));
    }
    static bool isColour(const QColor& drawn, QRgb expected) {
        return drawn.isValid() && std::abs(drawn.red() - qRed(expected)) < 12 &&
               std::abs(drawn.green() - qGreen(expected)) < 12 &&
               std::abs(drawn.blue() - qBlue(expected)) < 12;
    }
    bool song(const QString& path, const QString& album, bool embeddedCover = false) {
        return makeSong(
            music(), {path, flac, Tags{{"album", album}, {"album_artist", "Band"}}, embeddedCover});
    }

    TestHome home;
    FakeClock clock;
};

const QRgb green = qRgb(20, 180, 40);
const QRgb blue = qRgb(30, 40, 200);
const QRgb embeddedRed = qRgb(200, 30, 60);

TEST_F(LibraryTest, FirstScanBuildsTheAlbumsOfEveryFormatAndARescanReadsOnlyWhatChanged) {
    ASSERT_NO_FATAL_FAILURE(makeWholeFolder());
    auto library = openLibrary();
    EXPECT_TRUE(library->isAuthorized());
    const ScanReport& report = library->lastScanReport();
    EXPECT_TRUE(report.completed);
    // fake.mp3, both videos and the truncated file are not songs; notes.txt is not looked at.
    EXPECT_GE(report.unreadable, 4);
    EXPECT_EQ(report.added + report.unreadable, songs().size() + 2);

    const QList<AppleMusicAlbum> albums = library->albums();
    QStringList titles;
    for (const auto& album : albums)
        titles << album.unified().title;
    titles.sort();
    EXPECT_EQ(titles.filter("Video").size(), 0);
    for (const char* expected :
         {"Far Album", "Hits", "Plain", "Aiff Album", "Lossless", "Bad Bytes", "Unknown Album"})
        EXPECT_TRUE(titles.contains(expected))
            << expected << " in " << titles.join(", ").toStdString();

    const AppleMusicAlbum* far = find(albums, "Far Album");
    ASSERT_TRUE(far);
    EXPECT_EQ(titlesOf(*far), QStringList({"First", "Second", "Third"}));
    const UnifiedAlbum unified = far->unified();
    EXPECT_EQ(unified.id, "apple-" + QString::number(TrackIdentity::albumPersistentID(
                                         "Far Album", "The Band", "")));
    EXPECT_EQ(unified.artistNames, "The Band");
    EXPECT_EQ(unified.rawGenres, QStringList({"Rock", "Rock", "Pop"}));
    EXPECT_EQ(unified.sortDate, clock.now());
    const auto* handle = unified.playback.appleMusicHandle();
    ASSERT_TRUE(handle);
    const auto tracks = handle->tracks();
    ASSERT_EQ(tracks.size(), 3);
    EXPECT_EQ(tracks[2].id,
              TrackIdentity::hexTrackID(TrackIdentity::trackPersistentID("Z/far/third.mp3")));
    EXPECT_EQ(tracks[2].url, QUrl::fromLocalFile(music() + "/Z/far/third.mp3"));
    EXPECT_TRUE(QFile::exists(tracks[1].url->toLocalFile()));

    // The cover of the first song, decoded only now and scaled to fit.
    ASSERT_TRUE(unified.artwork.isLocal());
    ASSERT_TRUE(unified.artwork.localImage());
    const QImage cover = unified.artwork.localImage()->image(QSize(30, 30));
    EXPECT_EQ(cover.size(), QSize(30, 20));
    EXPECT_EQ(QColor(cover.pixel(15, 10)).red(), 200);
    EXPECT_EQ(unified.artwork.localImage()->image().size(), QSize(120, 80));

    const AppleMusicAlbum* hits = find(albums, "Hits");
    ASSERT_TRUE(hits);
    EXPECT_EQ(hits->unified().artistNames, "Various Artists");
    EXPECT_EQ(titlesOf(*hits), QStringList({"B", "A"}));
    EXPECT_FALSE(hits->unified().artwork.localImage());

    const AppleMusicAlbum* bad = find(albums, "Bad Bytes");
    ASSERT_TRUE(bad);
    // TagLib drops a text that is not valid UTF-8; the song stays, named after its file.
    EXPECT_EQ(bad->track(0).tags.title, "bad");
    EXPECT_EQ(bad->unified().artistNames, "Bytes");

    const AppleMusicAlbum* loose = find(albums, "");
    ASSERT_TRUE(loose);
    EXPECT_EQ(loose->unified().title, "Unknown Album");
    EXPECT_EQ(loose->unified().artistNames, "Unknown Artist");
    EXPECT_EQ(loose->track(0).tags.title, "untagged");

    // A rescan reads only what changed.
    const int songCount = report.added;
    const int unreadableCount = report.unreadable;
    const QDateTime firstScan = clock.now();
    clock.advance(24h);

    ASSERT_TRUE(makeSong(music(), {"Elsewhere/fourth.flac", flac,
                                   Tags{{"title", "Fourth"},
                                        {"album", "Far Album"},
                                        {"album_artist", "The Band"},
                                        {"disc", "2"},
                                        {"track", "2"}}}));
    ASSERT_TRUE(QFile::remove(music() + "/Plain/q.aiff"));
    ASSERT_TRUE(
        makeSong(music(), {"Plain/q.aiff", aiff,
                           Tags{{"title", "Q"}, {"album", "Renamed"}, {"artist", "Aiff Artist"}}}));
    touchLater(music() + "/Plain/q.aiff", 5);
    ASSERT_TRUE(QFile::remove(music() + "/Hits/a.ogg"));

    QSignalSpy changed(library.get(), &AppleMusicLibrary::albumsChanged);
    library->rescan();
    ASSERT_TRUE(waitUntil([&] { return !library->isScanning(); }, 30s));
    const ScanReport rescan = library->lastScanReport();
    EXPECT_EQ(rescan.added, 1);
    EXPECT_EQ(rescan.updated, 1);
    EXPECT_EQ(rescan.removed, 1);
    EXPECT_EQ(rescan.unchanged, songCount + unreadableCount - 2);
    EXPECT_EQ(changed.size(), 1);

    const auto rescanned = library->albums();
    ASSERT_TRUE(find(rescanned, "Far Album") && find(rescanned, "Hits"));
    EXPECT_EQ(titlesOf(*find(rescanned, "Far Album")),
              QStringList({"First", "Second", "Third", "Fourth"}));
    EXPECT_EQ(titlesOf(*find(rescanned, "Hits")), QStringList({"B"}));
    EXPECT_FALSE(find(rescanned, "Aiff Album"));
    ASSERT_TRUE(find(rescanned, "Renamed"));
    // A changed file keeps the date it was first seen; a new one gets today.
    EXPECT_EQ(find(rescanned, "Renamed")->unified().sortDate, firstScan);
    EXPECT_EQ(find(rescanned, "Far Album")->track(3).firstSeenMs, clock.now().toMSecsSinceEpoch());
}

TEST_F(LibraryTest, AKilledScanLeavesAUsableIndex) {
    // Many copies of one small song, so the scan takes a while.
    const QString folder = home.filePath("many");
    const QString song = home.filePath("seed/untagged.flac");
    ASSERT_TRUE(makeSong(home.filePath("seed"), {"untagged.flac", flac, Tags{}}));
    constexpr int copies = 400;
    for (int i = 0; i < copies; ++i) {
        const QString target = QStringLiteral("%1/%2/song%3.flac").arg(folder).arg(i / 100).arg(i);
        QDir().mkpath(QFileInfo(target).absolutePath());
        ASSERT_TRUE(QFile::copy(song, target));
    }
    const QString index = home.filePath("killed/library.sqlite");
    QProcess child;
    child.start(LIBRARY_SCAN_CHILD, {folder, index});
    ASSERT_TRUE(child.waitForStarted());
    int looked = 0;
    while (looked < LibraryScanner::batchSize + 50 && child.state() == QProcess::Running) {
        child.waitForReadyRead(5000);
        while (child.canReadLine())
            looked = child.readLine().trimmed().toInt();
    }
    ASSERT_EQ(child.state(), QProcess::Running) << "the scan ended before it could be killed";
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished();

    int kept = 0;
    {
        LibraryIndex reopened(index);
        ASSERT_TRUE(reopened.isOpen());
        kept = reopened.loadTracks().size();
        EXPECT_GE(kept, LibraryScanner::batchSize);
        EXPECT_LT(kept, copies);
        LibraryScanner scanner(makeTagLibReader(), folder, reopened);
        const ScanReport report = scanner.scan(clock.now().toMSecsSinceEpoch());
        EXPECT_TRUE(report.completed);
        EXPECT_EQ(report.added, copies - kept);
        EXPECT_EQ(report.unchanged, kept);
        EXPECT_EQ(reopened.loadTracks().size(), copies);
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "integrity");
        db.setDatabaseName(index);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec("PRAGMA integrity_check") && query.next());
        EXPECT_EQ(query.value(0).toString(), "ok");
        db.close();
    }
    QSqlDatabase::removeDatabase("integrity");
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

TEST_F(LibraryTest, CoversKeptBesideTheSongsAreTheAlbumsArtwork) {
    ASSERT_TRUE(song("Amber/01 One.flac", "Amber") && song("Blue/CD1/01 A.flac", "Blue") &&
                song("Blue/CD2/01 B.flac", "Blue") && song("Inside/01.flac", "Inside", true) &&
                song("Bare/01.flac", "Bare"));
    ASSERT_TRUE(writePicture(music() + "/Amber/cover.jpg", green) &&
                writePicture(music() + "/Amber/back.jpg", blue) &&
                writePicture(music() + "/Blue/Folder.jpg", blue) &&
                writePicture(music() + "/Inside/cover.jpg", green));
    auto library = openLibrary();
    QList<AppleMusicAlbum> albums = library->albums();
    EXPECT_TRUE(isColour(coverColour(find(albums, "Amber")), green));
    EXPECT_TRUE(isColour(coverColour(find(albums, "Blue")), blue)); // above its disc folders
    EXPECT_TRUE(isColour(coverColour(find(albums, "Inside")), embeddedRed));
    EXPECT_FALSE(coverColour(find(albums, "Bare")).isValid());

    // A cover put beside songs that did not change, and one taken away.
    QSignalSpy changed(library.get(), &AppleMusicLibrary::albumsChanged);
    ASSERT_TRUE(writePicture(music() + "/Bare/front.jpg", blue));
    ASSERT_TRUE(QFile::remove(music() + "/Amber/cover.jpg"));
    library->rescan();
    waitForScan(*library);
    EXPECT_EQ(library->lastScanReport().coversChanged, 2);
    EXPECT_GE(changed.size(), 1);
    albums = library->albums();
    EXPECT_TRUE(isColour(coverColour(find(albums, "Bare")), blue));
    EXPECT_FALSE(coverColour(find(albums, "Amber")).isValid()); // back.jpg is no cover
}

TEST_F(LibraryTest, MusicAddedWhileKorvidRunsAppearsWithoutAsking) {
    ASSERT_TRUE(song("First/01.flac", "First"));
    auto library = openLibrary();
    EXPECT_TRUE(library->watchesEveryFolder());
    ASSERT_TRUE(song("Later/CD1/01.flac", "Later") &&
                writePicture(music() + "/Later/cover.jpg", green));
    EXPECT_TRUE(waitUntil(
        [&] { return isColour(coverColour(find(library->albums(), "Later")), green); }, 20s));
    // Reading the songs (a scan, a cover drawn, another program) changes
    // nothing the watches see: no scan wakes the next.
    waitForScan(*library);
    QSignalSpy scans(library.get(), &AppleMusicLibrary::scanFinished);
    const auto reader = makeTagLibReader();
    EXPECT_TRUE(reader->readTags(music() + "/Later/CD1/01.flac"));
    reader->readPicture(music() + "/First/01.flac");
    QTest::qWait(int(AppleMusicLibrary::changesSettle.count()) + 1000);
    EXPECT_EQ(scans.size(), 0);

    // Past its watches, the library looks at the whole folder now and then.
    library->setFolderWatching(1, 300ms);
    EXPECT_FALSE(library->watchesEveryFolder());
    ASSERT_TRUE(song("Later/CD2/01.flac", "Later"));
    EXPECT_TRUE(waitUntil(
        [&] {
            const QList<AppleMusicAlbum> albums = library->albums();
            return find(albums, "Later") && find(albums, "Later")->trackCount() == 2;
        },
        20s));
}

TEST_F(LibraryTest, WhatAScanCannotSeeKeepsItsSongsAndReturningSongsKeepTheirHistory) {
    {
        // A folder that is not there is an empty library.
        AppleMusicLibrary missing(music(), indexPath(), makeTagLibReader(), &clock);
        QSignalSpy authorized(&missing, &AppleMusicLibrary::isAuthorizedChanged);
        EXPECT_FALSE(runTask(missing.requestAuthorizationIfNeeded()));
        EXPECT_FALSE(missing.isAuthorized());
        EXPECT_TRUE(missing.albums().isEmpty());
        EXPECT_EQ(authorized.size(), 0);
        missing.rescan(); // nothing to do before authorization
        EXPECT_FALSE(missing.isScanning());
    }
    ASSERT_TRUE(song("One/01.flac", "One") && song("Two/01.flac", "Two"));
    const qint64 added = clock.now().toMSecsSinceEpoch();
    const qint64 played = added + 3'600'000;
    auto library = openLibrary();
    {
        LibraryIndex index(indexPath());
        ASSERT_TRUE(index.recordPlay(TrackIdentity::trackPersistentID("One/01.flac"), played));
    }
    // A folder that vanishes after a scan (an unmounted disk) does not empty
    // the index.
    ASSERT_TRUE(QDir().rename(music(), music() + ".away"));
    library->rescan();
    waitForScan(*library);
    EXPECT_FALSE(library->lastScanReport().completed);
    EXPECT_EQ(library->albums().size(), 2);
    library.reset();
    clock.advance(24h);

    // Korvid starts before the disk is mounted: the folder is there, empty.
    ASSERT_TRUE(QDir().mkpath(music()));
    library = openLibrary();
    EXPECT_TRUE(library->lastScanReport().foundNoSongs);
    EXPECT_EQ(library->lastScanReport().removed, 0);
    EXPECT_EQ(library->albums().size(), 2);
    library.reset();
    ASSERT_TRUE(QDir(music()).removeRecursively() && QDir().rename(music() + ".away", music()));

    // A folder the scan cannot list (here as another user would find it).
    ASSERT_TRUE(QFile::setPermissions(music() + "/Two", {}));
    QProcess child;
    if (::geteuid() == 0) // root reads everything, but not from a user namespace of its own
        child.start("unshare", {"-U", LIBRARY_SCAN_CHILD, music(), indexPath()});
    else
        child.start(LIBRARY_SCAN_CHILD, {music(), indexPath()});
    ASSERT_TRUE(child.waitForFinished(30000)) << child.errorString().toStdString();
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    ASSERT_TRUE(QFile::setPermissions(music() + "/Two",
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(LibraryIndex(indexPath()).loadTracks().size(), 2);

    // An album deleted, then put back where it was: it keeps when it came
    // and when it was played.
    library = openLibrary();
    ASSERT_TRUE(QDir().rename(music() + "/One", home.filePath("One")));
    library->rescan();
    waitForScan(*library);
    EXPECT_EQ(library->lastScanReport().removed, 1);
    EXPECT_FALSE(find(library->albums(), "One"));
    clock.advance(24h);
    ASSERT_TRUE(QDir().rename(home.filePath("One"), music() + "/One"));
    library->rescan();
    waitForScan(*library);
    const QList<AppleMusicAlbum> albums = library->albums();
    const AppleMusicAlbum* one = find(albums, "One");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->track(0).firstSeenMs, added);
    EXPECT_EQ(one->track(0).lastPlayedMs, played);
}

TEST_F(LibraryTest, ADamagedIndexIsRebuiltAndAnOlderOneKeepsItsHistory) {
    // Two discs of an album without an album artist, each in its own folder.
    for (const char* disc : {"Two/CD1/01.flac", "Two/CD2/01.flac"})
        ASSERT_TRUE(makeSong(music(), {disc, flac, Tags{{"album", "Two"}, {"artist", "Solo"}}}));
    ASSERT_TRUE(QDir().mkpath(home.filePath("index")));
    {
        QFile garbage(indexPath());
        ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, 'x'));
    }
    auto library = openLibrary();
    EXPECT_TRUE(library->isAuthorized());
    ASSERT_EQ(library->albums().size(), 1);
    EXPECT_EQ(library->albums().first().trackCount(), 2);
    EXPECT_FALSE(library->libraryNotice().isEmpty());
    EXPECT_TRUE(QFile::exists(indexPath() + ".damaged"));
    const qint64 added = library->albums().first().track(0).firstSeenMs;
    library.reset();

    // The index as the first version wrote it: no folder covers, no
    // tombstones, and each disc folder an album of its own. Its songs and
    // their dates carry over, and the discs become one album.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "older");
        db.setDatabaseName(indexPath());
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        const auto oldID = TrackIdentity::albumPersistentID("Two", "", "Two/CD2");
        for (const QString& statement :
             {QStringLiteral("UPDATE tracks SET album_id = %1 WHERE path = 'Two/CD2/01.flac'")
                  .arg(static_cast<qint64>(oldID)),
              QStringLiteral("DROP TABLE folders"), QStringLiteral("DROP TABLE tombstones"),
              QStringLiteral("PRAGMA user_version=1")})
            ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase("older");
    clock.advance(24h);
    ASSERT_TRUE(writePicture(music() + "/Two/cover.jpg", green));
    library = openLibrary();
    EXPECT_TRUE(library->libraryNotice().isEmpty());
    ASSERT_EQ(library->albums().size(), 1);
    EXPECT_EQ(library->albums().first().trackCount(), 2);
    EXPECT_EQ(library->albums().first().track(0).firstSeenMs, added);
    EXPECT_TRUE(isColour(coverColour(&library->albums().first()), green));
}

} // namespace
