// The local library at scale: scanning a folder of 10,000 small tagged files,
// rescanning it unchanged, and listing 5,000 albums of 50,000 songs.
#include "musicapp/AppleMusicAlbum.h"
#include "musicapp/LibraryIndex.h"
#include "musicapp/LibraryScanner.h"
#include "musicapp/TagReader.h"
#include "musicapp/TrackIdentity.h"
#include "support/TestAudio.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

constexpr int folderFiles = 10'000;
constexpr int indexTracks = 50'000;
constexpr int tracksPerAlbum = 10;

// One small song, copied and re-tagged by patching same-length placeholders:
// much quicker than running ffmpeg ten thousand times.
QString musicFolder() {
    static QTemporaryDir dir;
    static bool made = false;
    if (made)
        return dir.path() + "/music";
    made = true;
    const QString seed = dir.filePath("seed.flac");
    makeTestAudio(seed, {.source = "sine=frequency=440:sample_rate=8000",
                         .seconds = 0.05,
                         .channels = 1,
                         .output = {"-c:a", "flac"},
                         .tags = {{"title", "TITLE_PLACEHOLDER"},
                                  {"album", "ALBUM_PLACEHOLDER"},
                                  {"artist", "Bench Artist"},
                                  {"track", "1"},
                                  {"genre", "Rock"}}});
    QFile file(seed);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    for (int i = 0; i < folderFiles; ++i) {
        QByteArray copy = bytes;
        const QByteArray title =
            QByteArray("Song ") + QByteArray::number(i).rightJustified(12, '0');
        const QByteArray album =
            QByteArray("Album ") + QByteArray::number(i / tracksPerAlbum).rightJustified(11, '0');
        copy.replace(copy.indexOf("TITLE_PLACEHOLDER"), title.size(), title);
        copy.replace(copy.indexOf("ALBUM_PLACEHOLDER"), album.size(), album);
        const QString folder =
            QStringLiteral("%1/music/%2/%3").arg(dir.path()).arg(i / 1000).arg(i / tracksPerAlbum);
        QDir().mkpath(folder);
        QFile out(QStringLiteral("%1/%2.flac").arg(folder).arg(i));
        out.open(QIODevice::WriteOnly);
        out.write(copy);
    }
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
        if (report.added != folderFiles)
            state.SkipWithError("not every file was read");
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
