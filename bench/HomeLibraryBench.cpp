// Home and Library over 5,000 albums: 4,750 local albums in the index (47,500
// songs), and 250 Spotify albums, from the history for Home and saved on the
// stand-in for the Library. Loads are measured with every album already known
// (the usual reload) and once from nothing; the figure that matters is the
// time beyond the library's own albums().
#include "AlbumIndex.h"
#include "AlbumTags.h"
#include "BenchMain.h"
#include "SpotifyStandIn.h"

#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "model/PlayHistoryStore.h"
#include "musicapp/AppleMusicLibrary.h"
#include "musicapp/TagReader.h"
#include "platform/Clock.h"
#include "platform/Keychain.h"
#include "platform/SynchronizedKeyValueStore.h"
#include "playback/AlbumRecordCache.h"
#include "playback/HomeViewModel.h"
#include "playback/LibraryViewModel.h"
#include "spotify/SpotifyAPI.h"
#include "spotify/SpotifyAuthManager.h"
#include "support/TestHome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QUrlQuery>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <time.h>

namespace {

constexpr int localAlbums = 4'750;
constexpr int tracksPerAlbum = 10;
constexpr int spotifyAlbums = 250;

// Runs a task on the event loop until it is done.
template <typename T> void await(QCoro::Task<T> task) {
    bool done = false;
    QEventLoop loop;
    auto wrapper = [](QCoro::Task<T> t, bool& flag, QEventLoop& l) -> QCoro::Task<> {
        co_await std::move(t);
        flag = true;
        l.quit();
    }(std::move(task), done, loop);
    if (!done)
        loop.exec();
}

// Time this thread spent on the processor: what the models cost, whatever
// else the machine runs at the same time.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Wall time and this thread's processor time of a stretch of work.
struct Stopwatch {
    QElapsedTimer wall;
    double cpuStart = threadCpuMs();
    Stopwatch() { wall.start(); }
    double wallMs() const { return double(wall.nsecsElapsed()) / 1e6; }
    double cpuMs() const { return threadCpuMs() - cpuStart; }
};

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

// Everything a start of the program has, over a folder of empty song files
// whose index entries the first scan finds unchanged.
struct World {
    World() {
        makeAlbumIndex(home.filePath("music"), home.filePath("index.sqlite"),
                       {localAlbums, tracksPerAlbum, {}});
        network.setProxy(QNetworkProxy::NoProxy);
        auth = std::make_unique<SpotifyAuthManager>(network, keychain, Clock::system(),
                                                    standIn.accountsBase());
        auth->setTokens(TokenStore{"access",
                                   "refresh",
                                   QDateTime::currentDateTimeUtc().addDays(1),
                                   {"user-library-read"}});
        api = std::make_unique<SpotifyAPI>(*auth, network, standIn.apiBase());
        serveSavedAlbums();
        for (int i = 0; i < spotifyAlbums; ++i)
            history.recordPlay(historyAlbum(i));
        filter.setMinTracksPerAlbum(1);
        sources.setCurrent(MusicSource::both);

        appleMusic = std::make_unique<AppleMusicLibrary>(
            home.filePath("music"), home.filePath("index.sqlite"), makeTagLibReader());
        await(appleMusic->requestAuthorizationIfNeeded());
        while (appleMusic->isScanning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        homeModel = std::make_unique<HomeViewModel>(*appleMusic, sources, filter, history, records);
        libraryModel =
            std::make_unique<LibraryViewModel>(*api, *appleMusic, sources, filter, records);
    }

    void serveSavedAlbums() {
        const std::string origin = standIn.origin();
        standIn.on("GET", "/v1/me/albums", [origin](const SpotifyStandIn::Request& request) {
            const QUrlQuery query(QString::fromStdString(request.query()));
            const int offset = query.queryItemValue("offset").toInt();
            const int limit =
                query.hasQueryItem("limit") ? query.queryItemValue("limit").toInt() : 20;
            std::string items;
            for (int i = offset; i < std::min(spotifyAlbums, offset + limit); ++i) {
                const std::string id = "saved" + std::to_string(i);
                items += items.empty() ? "" : ",";
                items += R"({"added_at":"2025-01-01T10:00:00Z","album":{"id":")" + id +
                         R"(","name":"Saved )" + std::to_string(i) + R"(","uri":"spotify:album:)" +
                         id + R"(","total_tracks":12,"images":[{"url":"https://i.example/)" + id +
                         R"("}],"artists":[{"id":"a","name":"Saved Artist"}]}})";
            }
            const std::string next =
                offset + limit < spotifyAlbums
                    ? "\"" + origin + "/v1/me/albums?offset=" + std::to_string(offset + limit) +
                          "&limit=" + std::to_string(limit) + "\""
                    : "null";
            return SpotifyStandIn::Reply{200, R"({"items":[)" + items + "],\"next\":" + next + "}"};
        });
    }

    static UnifiedAlbum historyAlbum(int i) {
        UnifiedAlbum album;
        album.id = QStringLiteral("spotify-played%1").arg(i);
        album.title = QStringLiteral("Played %1").arg(i);
        album.artistNames = kArtists[i % kArtists.size()];
        album.rawGenres = albumTags(i);
        album.trackCount = 12;
        album.artwork = AlbumArtwork::remote(QUrl(QStringLiteral("https://i.example/p%1").arg(i)));
        album.playback =
            UnifiedAlbum::Playback::spotify(QStringLiteral("spotify:album:p%1").arg(i));
        return album;
    }

    // The mean wall and processor time of albums(), the part the target
    // leaves out.
    std::pair<double, double> albumsMs() {
        static const std::pair<double, double> ms = [this] {
            const Stopwatch watch;
            for (int i = 0; i < 10; ++i)
                benchmark::DoNotOptimize(appleMusic->albums());
            return std::pair(watch.wallMs() / 10, watch.cpuMs() / 10);
        }();
        return ms;
    }

    TestHome home;
    SpotifyStandIn standIn;
    QNetworkAccessManager network;
    MemoryKeychain keychain;
    NullSynchronizedKeyValueStore sync;
    PlayHistoryStore history{&sync};
    MusicSourceSettings sources;
    AlbumFilterSettings filter;
    std::unique_ptr<SpotifyAuthManager> auth;
    std::unique_ptr<SpotifyAPI> api;
    std::unique_ptr<AppleMusicLibrary> appleMusic;
    std::shared_ptr<AlbumRecordCache> records = std::make_shared<AlbumRecordCache>();
    std::unique_ptr<HomeViewModel> homeModel;
    std::unique_ptr<LibraryViewModel> libraryModel;
};

World& world() {
    static World instance;
    return instance;
}

void BM_Albums(benchmark::State& state) {
    World& w = world();
    for (auto _ : state)
        benchmark::DoNotOptimize(w.appleMusic->albums());
    state.counters["albums"] = double(w.appleMusic->albums().size());
}
BENCHMARK(BM_Albums)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first load of a run builds every record; its cost and the memory the
// records hold are counters of the Home load below.
struct FirstLoad {
    double ms = 0;
    double recordsMB = 0;
};
const FirstLoad& firstLoad() {
    static const FirstLoad first = [] {
        World& w = world();
        const std::size_t before = heapInUse();
        const Stopwatch watch;
        await(w.homeModel->load());
        FirstLoad result;
        result.ms = watch.wallMs();
        result.recordsMB = double(heapInUse() - before) / (1024.0 * 1024.0);
        return result;
    }();
    return first;
}

// Runs `work` once per iteration and reports the time beyond albums().
template <typename Work> void measureBeyondAlbums(benchmark::State& state, Work work) {
    double wallMs = 0, cpuMs = 0;
    for (auto _ : state) {
        const Stopwatch watch;
        work();
        wallMs += watch.wallMs();
        cpuMs += watch.cpuMs();
    }
    const auto [albumsWall, albumsCpu] = world().albumsMs();
    const auto n = double(state.iterations());
    state.counters["albums_ms"] = albumsWall;
    state.counters["beyond_albums_ms"] = wallMs / n - albumsWall;
    state.counters["beyond_albums_cpu_ms"] = cpuMs / n - albumsCpu;
}

void BM_HomeLoad(benchmark::State& state) {
    World& w = world();
    const FirstLoad& first = firstLoad();
    measureBeyondAlbums(state, [&] { await(w.homeModel->load()); });
    if (w.homeModel->albums().size() != localAlbums + spotifyAlbums)
        state.SkipWithError("wrong album count");
    state.counters["first_load_ms"] = first.ms;
    state.counters["records_MB"] = first.recordsMB;
}
BENCHMARK(BM_HomeLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// The saved albums come from the stand-in in five pages, over loopback.
void BM_LibraryLoad(benchmark::State& state) {
    World& w = world();
    firstLoad();
    measureBeyondAlbums(state, [&] { await(w.libraryModel->load()); });
    if (w.libraryModel->albums().size() != localAlbums + spotifyAlbums)
        state.SkipWithError("wrong album count");
}
BENCHMARK(BM_LibraryLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// The part of a Library load after the network: local albums only.
void BM_LibraryLoadLocal(benchmark::State& state) {
    World& w = world();
    firstLoad();
    w.sources.setCurrent(MusicSource::appleMusic);
    await(w.libraryModel->load());
    measureBeyondAlbums(state, [&] { await(w.libraryModel->load()); });
    w.sources.setCurrent(MusicSource::both);
}
BENCHMARK(BM_LibraryLoadLocal)->Unit(benchmark::kMillisecond)->UseRealTime();

// Typing "björk album 12" and clearing it, one keystroke at a time.
void BM_SearchKeystroke(benchmark::State& state) {
    World& w = world();
    await(w.libraryModel->load());
    const QString typed = QStringLiteral("björk album 12");
    qsizetype step = 0;
    const double cpuStart = threadCpuMs();
    for (auto _ : state)
        w.libraryModel->setSearchText(typed.left(step++ % (typed.size() + 1)));
    state.SetItemsProcessed(step);
    state.counters["cpu_ms_per_keystroke"] = (threadCpuMs() - cpuStart) / double(step);
    state.counters["albums"] = double(w.libraryModel->albums().size());
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
