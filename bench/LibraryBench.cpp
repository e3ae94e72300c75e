// The local library at scale: scanning a folder of 10,000 small tagged files
// whose albums keep their covers beside them, rescanning it unchanged,
// listing 5,000 albums of 50,000 songs, and how soon an album copied into a
// watched library reaches Home.
#include "BenchMain.h"
#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "model/PlayHistoryStore.h"
#include "musicapp/AppleMusicAlbum.h"
#include "musicapp/AppleMusicLibrary.h"
#include "musicapp/LibraryIndex.h"
#include "musicapp/LibraryScanner.h"
#include "musicapp/TagReader.h"
#include "musicapp/TrackIdentity.h"
#include "platform/SynchronizedKeyValueStore.h"
#include "playback/HomeViewModel.h"
#include "support/TestAudio.h"
#include "support/TestHome.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

constexpr int folderFiles = 10'000;
constexpr int indexTracks = 50'000;
constexpr int tracksPerAlbum = 10;

// An album title as long as the placeholder it replaces.
QString albumTitle(const char* prefix, int number) {
    const QByteArray start(prefix);
    return QString::fromLatin1(start +
                               QByteArray::number(number).rightJustified(17 - start.size(), '0'));
}

// One small song, copied and re-tagged by patching same-length placeholders:
// much quicker than running ffmpeg ten thousand times.
QByteArray songBytes(int number, const QString& album) {
    static const QByteArray seed = [] {
        QTemporaryDir dir;
        const QString path = dir.filePath("seed.flac");
        makeTestAudio(path, {.source = "sine=frequency=440:sample_rate=8000",
                             .seconds = 0.05,
                             .channels = 1,
                             .output = {"-c:a", "flac"},
                             .tags = {{"title", "TITLE_PLACEHOLDER"},
                                      {"album", "ALBUM_PLACEHOLDER"},
                                      {"artist", "Bench Artist"},
                                      {"track", "1"},
                                      {"genre", "Rock"}}});
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    QByteArray copy = seed;
    const QByteArray title =
        QByteArray("Song ") + QByteArray::number(number).rightJustified(12, '0');
    const QByteArray albumBytes = album.toUtf8();
    copy.replace(copy.indexOf("TITLE_PLACEHOLDER"), title.size(), title);
    copy.replace(copy.indexOf("ALBUM_PLACEHOLDER"), albumBytes.size(), albumBytes);
    return copy;
}

// A small cover picture, as a cover.jpg beside an album's songs holds it.
const QByteArray& coverBytes() {
    static const QByteArray bytes = [] {
        QImage picture(300, 300, QImage::Format_RGB32);
        picture.fill(qRgb(200, 30, 60));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "JPG");
        return jpeg;
    }();
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
}

// An album's songs and its cover in a new folder.
void writeAlbum(const QString& folder, int firstSong, const QString& album) {
    QDir().mkpath(folder);
    for (int i = firstSong; i < firstSong + tracksPerAlbum; ++i)
        writeFile(QStringLiteral("%1/%2.flac").arg(folder).arg(i), songBytes(i, album));
    writeFile(folder + QStringLiteral("/cover.jpg"), coverBytes());
}

QString musicFolder() {
    static QTemporaryDir dir;
    static bool made = false;
    if (made)
        return dir.path() + "/music";
    made = true;
    for (int album = 0; album < folderFiles / tracksPerAlbum; ++album)
        writeAlbum(QStringLiteral("%1/music/%2/%3").arg(dir.path()).arg(album / 100).arg(album),
                   album * tracksPerAlbum, albumTitle("Album ", album));
    return dir.path() + "/music";
}

void BM_FirstScan(benchmark::State& state) {
    const QString folder = musicFolder();
    const auto reader = makeTagLibReader();
    QTemporaryDir indexDir;
    int looked = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = indexDir.filePath(QStringLiteral("index-%1.sqlite").arg(looked));
        state.ResumeTiming();
        LibraryIndex index(path);
        LibraryScanner scanner(reader, folder, index);
        const ScanReport report = scanner.scan(QDateTime::currentMSecsSinceEpoch());
        looked += report.added + report.unreadable;
        if (report.added != folderFiles || report.coversChanged != folderFiles / tracksPerAlbum)
            state.SkipWithError("not every file or cover was read");
    }
    state.counters["files/s"] = benchmark::Counter(looked, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FirstScan)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_RescanUnchanged(benchmark::State& state) {
    const QString folder = musicFolder();
    const auto reader = makeTagLibReader();
    QTemporaryDir indexDir;
    LibraryIndex index(indexDir.filePath("index.sqlite"));
    LibraryScanner scanner(reader, folder, index);
    scanner.scan(QDateTime::currentMSecsSinceEpoch());
    for (auto _ : state) {
        const ScanReport report = scanner.scan(QDateTime::currentMSecsSinceEpoch());
        if (report.unchanged != folderFiles)
            state.SkipWithError("the rescan read files");
    }
}
BENCHMARK(BM_RescanUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime();

// An index of 50,000 songs in 5,000 albums, written through the index itself.
const QString& bigIndex() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath("big.sqlite");
        LibraryIndex index(file);
        IndexChanges changes;
        for (int i = 0; i < indexTracks; ++i) {
            IndexedTrack track;
            const int album = i / tracksPerAlbum;
            track.relativePath = QStringLiteral("Artist %1/Album %2/%3 Song number %4.flac")
                                     .arg(album / 5)
                                     .arg(album)
                                     .arg(i % tracksPerAlbum + 1)
                                     .arg(i);
            track.persistentID = TrackIdentity::trackPersistentID(track.relativePath);
            track.tags.title = QStringLiteral("Song number %1").arg(i);
            track.tags.album = QStringLiteral("Album %1").arg(album);
            track.tags.artist = QStringLiteral("Artist %1").arg(album / 5);
            track.tags.albumArtist = track.tags.artist;
            track.tags.genre = i % 3 ? QStringLiteral("Rock") : QStringLiteral("Indie Pop");
            // Songs of one album are listed in reverse, so sorting has work to do.
            track.tags.trackNumber = tracksPerAlbum - i % tracksPerAlbum;
            track.tags.discNumber = 1;
            track.tags.durationMs = 200'000;
            track.tags.hasPicture = true;
            track.albumPersistentID =
                TrackIdentity::albumPersistentID(track.tags.album, track.tags.albumArtist, {});
            track.size = 5'000'000;
            track.modifiedMs = 1'700'000'000'000;
            track.firstSeenMs = 1'700'000'000'000 + i;
            changes.upserts.append(std::move(track));
        }
        index.apply(changes);
        return file;
    }();
    return path;
}

std::shared_ptr<const LibrarySnapshot> bigSnapshot() {
    LibraryIndex index(bigIndex());
    auto snapshot = std::make_shared<LibrarySnapshot>();
    snapshot->musicFolder = QStringLiteral("/home/user/Music");
    snapshot->tracks = index.loadTracks();
    snapshot->reader = makeTagLibReader();
    return snapshot;
}

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

void BM_LoadIndex(benchmark::State& state) {
    bigIndex();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        auto snapshot = bigSnapshot();
        bytes = heapInUse() - before;
        benchmark::DoNotOptimize(snapshot);
    }
    state.counters["snapshot_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_LoadIndex)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Albums(benchmark::State& state) {
    const auto snapshot = bigSnapshot();
    std::size_t bytes = 0;
    qsizetype albums = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        const QList<AppleMusicAlbum> list = groupAlbums(snapshot);
        bytes = heapInUse() - before;
        albums = list.size();
        benchmark::DoNotOptimize(list);
    }
    if (albums != indexTracks / tracksPerAlbum)
        state.SkipWithError("wrong album count");
    state.counters["albums"] = static_cast<double>(albums);
    state.counters["album_list_KB"] = static_cast<double>(bytes) / 1024.0;
}
BENCHMARK(BM_Albums)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a screen does next: every album as a unified record.
void BM_AlbumsUnified(benchmark::State& state) {
    const auto snapshot = bigSnapshot();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        QList<UnifiedAlbum> unified;
        const QList<AppleMusicAlbum> list = groupAlbums(snapshot);
        unified.reserve(list.size());
        for (const auto& album : list)
            unified.append(album.unified());
        bytes = heapInUse() - before;
        benchmark::DoNotOptimize(unified);
    }
    state.counters["unified_list_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_AlbumsUnified)->Unit(benchmark::kMillisecond)->UseRealTime();

// From an album copied into a watched library of 10,000 files to Home
// listing it: the watch, the wait for changes to settle, the rescan, the new
// snapshot and Home's reload, as the pages do it.
void BM_AddedAlbumReachesHome(benchmark::State& state) {
    TestHome home;
    const QString folder = musicFolder();
    AppleMusicLibrary library(folder, home.filePath("index.sqlite"), makeTagLibReader());
    MusicSourceSettings sources;
    sources.setCurrent(MusicSource::appleMusic);
    AlbumFilterSettings filter;
    filter.setMinTracksPerAlbum(1);
    NullSynchronizedKeyValueStore synced;
    PlayHistoryStore history(&synced);
    HomeViewModel homeModel(library, sources, filter, history);
    QObject::connect(&library, &AppleMusicLibrary::albumsChanged, &homeModel,
                     &HomeViewModel::reload);
    const auto runUntil = [](const std::function<bool()>& done) {
        QElapsedTimer waited;
        waited.start();
        while (!done() && waited.elapsed() < 60'000) {
            // Waits for events like the program's own loop, without spinning.
            QEventLoop loop;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return done();
    };
    library.requestAuthorizationIfNeeded();
    if (!runUntil([&] { return library.isAuthorized() && !library.isScanning(); })) {
        state.SkipWithError("the first scan did not end");
        return;
    }
    const auto homeLists = [&homeModel](const QString& title) {
        for (const DisplayAlbum& album : homeModel.albums()) {
            if (album.album.title == title)
                return true;
        }
        return false;
    };
    int added = 0;
    for (auto _ : state) {
        const QString title = albumTitle("Added ", added);
        QElapsedTimer shown;
        shown.start();
        writeAlbum(QStringLiteral("%1/added/%2").arg(folder).arg(added), 100'000 + added * 100,
                   title);
        ++added;
        if (!runUntil([&] { return homeLists(title); })) {
            state.SkipWithError("the album never reached Home");
            break;
        }
        state.SetIterationTime(double(shown.nsecsElapsed()) / 1e9);
    }
    QDir(folder + QStringLiteral("/added")).removeRecursively();
}
BENCHMARK(BM_AddedAlbumReachesHome)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks<QGuiApplication>(argc, argv); // covers are pictures
}
