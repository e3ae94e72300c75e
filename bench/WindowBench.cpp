// The main window over 5,000 local albums, in an offscreen window:
// - the start: from making the long-lived objects, as main() makes them, to
//   the first frame drawn after the Home grid shows albums;
// - scrolling the Library grid from the first album to the last, one step a
//   frame: how long each frame takes from the step to the frame on screen;
// - the resident memory after that scroll;
// - making one album cell, which the grid does for every album scrolled in.
// Each album's first song carries a 600×600 cover, so covers really decode.
// The music folder and its index are made before the start, as a previous run
// of the program left them.
#include "AlbumIndex.h"
#include "BenchMain.h"

#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "musicapp/AppleMusicLibrary.h"
#include "platform/Clock.h"
#include "platform/Keychain.h"
#include "platform/WebAuthSession.h"
#include "spotify/SpotifyAPI.h"
#include "spotify/SpotifyAuthManager.h"
#include "support/FindItem.h"
#include "support/TestAudio.h"
#include "support/TestHome.h"
#include "ui/AppModels.h"
#include "ui/CoverImages.h"
#include "ui/SpotifySignIn.h"
#include "ui/UiComposition.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>

#include <time.h>

namespace {

constexpr int albumCount = 5'000;
// A brisk flick: 2,880 pixels a second at 60 frames a second.
constexpr qreal scrollStep = 48;

// Time this thread spent on the processor: a frame's own cost, whatever
// else the machine runs at the same time.
qint64 threadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double residentMB(const char* field = "VmRSS:") {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').constFirst().toDouble() / 1024.0;
    }
    return 0;
}

// Runs an event loop, as the program's own runs (deferred deletes happen
// only so), until `done` holds or `limitMs` have passed; `done` is asked
// every millisecond.
template <typename Condition> bool waitUntil(Condition done, int limitMs) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// The music folder as a previous run left it; Local Music is the source.
struct Library {
    Library() {
        TestAudio song;
        song.cover = true;
        song.coverSize = QSize(600, 600);
        const QString coverSong = home.filePath(QStringLiteral("cover-song.flac"));
        failure = makeTestAudio(coverSong, song);
        if (failure.isEmpty() && !makeAlbumIndex(musicFolder(), LibraryIndex::defaultPath(),
                                                 {albumCount, 10, coverSong}))
            failure = QStringLiteral("could not make the music folder");
        MusicSourceSettings().setCurrent(MusicSource::appleMusic);
    }
    // Inside the temporary home: the desktop's music folder is the user's own.
    QString musicFolder() const { return home.filePath(QStringLiteral("Music")); }

    TestHome home;
    QString failure;
};

// What main() makes, in its order, with the parts tests/ui/AppModels.h
// stands in for (no sound server, no Spotify account), and the window.
struct Program {
    explicit Program(const QString& musicFolder)
        : appleMusic(musicFolder) {
        auth.loadStoredTokens();
        models.covers = &covers;
        UiComposition::useViewStyle();
        UiComposition::prepare(engine, models);
        engine.setInitialProperties(UiComposition::mainWindowProperties(engine, models));
        engine.load(UiComposition::mainWindowUrl());
        if (!engine.rootObjects().isEmpty())
            window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    }

    // Addresses nothing reaches: there is no Spotify account here.
    QNetworkAccessManager network;
    MemoryKeychain keychain;
    SpotifyAuthManager auth{network, keychain, Clock::system(), QUrl("http://127.0.0.1:9")};
    SpotifyAPI api{auth, network, QUrl("http://127.0.0.1:9/v1")};
    AppleMusicLibrary appleMusic;
    MusicSourceSettings sources;
    AlbumFilterSettings filters;
    AppModels appModels{api, appleMusic, sources, filters, Clock::system()};
    WebAuthSession webAuth{[](const QUrl&) { return true; }};
    SpotifySignIn signIn{auth, webAuth, sources};
    CoverImages covers;
    UiModels models = appModels.ui(auth, signIn);
    QQmlApplicationEngine engine;
    QQuickWindow* window = nullptr;
};

// One of Home's grids (Recently Played, Discover) when it has albums and is
// on screen.
bool homeShowsAlbums(QQuickWindow* window) {
    for (const char* name : {"recentGrid", "discoverGrid"}) {
        QObject* grid = findByObjectName(window, QString::fromLatin1(name));
        if (grid && grid->property("visible").toBool() && grid->property("count").toInt() > 0)
            return true;
    }
    return false;
}

struct Started {
    std::unique_ptr<Library> library;
    std::unique_ptr<Program> program;
    QString failure;
    double firstFrameMs = 0;
    double residentMB = 0;
};

// The one start of this process; the benchmarks share it.
Started& started() {
    static Started s = [] {
        Started result;
        result.library = std::make_unique<Library>();
        if (!result.library->failure.isEmpty()) {
            result.failure = result.library->failure;
            return result;
        }
        QElapsedTimer clock;
        clock.start();
        result.program = std::make_unique<Program>(result.library->musicFolder());
        QQuickWindow* window = result.program->window;
        if (!window) {
            result.failure = QStringLiteral("the main window did not load");
            return result;
        }
        // Whether the Home grid had albums is asked on the main thread as a
        // frame begins; the frame is done when it is swapped, on whichever
        // thread renders.
        std::atomic<bool> showsAlbums = false;
        std::atomic<qint64> firstFrameNs = 0;
        auto begun = QObject::connect(window, &QQuickWindow::afterAnimating, window, [&] {
            if (!showsAlbums && homeShowsAlbums(window))
                showsAlbums = true;
        });
        auto swapped = QObject::connect(
            window, &QQuickWindow::frameSwapped, window,
            [&] {
                qint64 none = 0;
                if (showsAlbums)
                    firstFrameNs.compare_exchange_strong(none, clock.nsecsElapsed());
            },
            Qt::DirectConnection);
        if (!waitUntil([&] { return firstFrameNs > 0; }, 30'000))
            result.failure = QStringLiteral("the Home grid showed no albums within 30 s");
        QObject::disconnect(begun);
        QObject::disconnect(swapped);
        result.firstFrameMs = double(firstFrameNs) / 1e6;
        result.residentMB = residentMB();
        return result;
    }();
    return s;
}

struct Scrolled {
    QString failure;
    std::vector<double> frameMs;
    // The main thread's processor time per frame, when it draws the frames.
    std::vector<double> frameCpuMs;
    double wallMs = 0;
    double residentMB = 0;
    double peakMB = 0;
    int albums = 0;
};

// The Library grid scrolled from the first album to the last, one step a frame.
Scrolled& scrolled() {
    static Scrolled s = [] {
        Scrolled result;
        Started& start = started();
        if (!start.failure.isEmpty()) {
            result.failure = start.failure;
            return result;
        }
        QQuickWindow* window = start.program->window;
        QObject* tabs = findByObjectName(window, QStringLiteral("tabs"));
        if (tabs)
            tabs->setProperty("currentIndex", 1);
        QQuickItem* grid = nullptr;
        waitUntil(
            [&] {
                grid = qobject_cast<QQuickItem*>(
                    findByObjectName(window, QStringLiteral("libraryGrid")));
                return grid && grid->isVisible() && grid->property("count").toInt() >= albumCount;
            },
            30'000);
        if (!grid || grid->property("count").toInt() < albumCount) {
            result.failure = QStringLiteral("the Library grid did not show 5,000 albums");
            return result;
        }
        result.albums = grid->property("count").toInt();
        // Let the first screenful settle before the scroll.
        waitUntil([] { return false; }, 500);

        QElapsedTimer clock;
        clock.start();
        std::atomic<qint64> swappedNs = 0;
        qint64 swappedCpuNs = 0;
        QThread* mainThread = QThread::currentThread();
        auto swapped = QObject::connect(
            window, &QQuickWindow::frameSwapped, window,
            [&] {
                if (QThread::currentThread() == mainThread)
                    swappedCpuNs = threadCpuNs();
                swappedNs = clock.nsecsElapsed();
            },
            Qt::DirectConnection);
        const auto top = grid->property("originY").toReal();
        while (!grid->property("atYEnd").toBool()) {
            const qreal end = grid->property("originY").toReal() +
                              grid->property("contentHeight").toReal() - grid->height();
            const qreal y = grid->property("contentY").toReal();
            const qint64 stepNs = clock.nsecsElapsed();
            const qint64 stepCpuNs = threadCpuNs();
            swappedNs = 0;
            swappedCpuNs = 0;
            grid->setProperty("contentY", std::min(end, std::max(top, y) + scrollStep));
            if (!waitUntil([&] { return swappedNs > 0; }, 2'000)) {
                result.failure = QStringLiteral("no frame followed a scroll step");
                break;
            }
            result.frameMs.push_back(double(swappedNs - stepNs) / 1e6);
            if (swappedCpuNs > 0)
                result.frameCpuMs.push_back(double(swappedCpuNs - stepCpuNs) / 1e6);
        }
        result.wallMs = double(clock.nsecsElapsed()) / 1e6;
        QObject::disconnect(swapped);
        // The covers still on their way arrive.
        waitUntil([] { return false; }, 1'000);
        result.residentMB = residentMB();
        result.peakMB = residentMB("VmHWM:");
        return result;
    }();
    return s;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = std::size_t(p * double(values.size() - 1) + 0.5);
    return values[std::min(rank, values.size() - 1)];
}

void BM_StartToFirstFrame(benchmark::State& state) {
    Started& start = started();
    for (auto _ : state)
        state.SetIterationTime(start.firstFrameMs / 1e3);
    if (!start.failure.isEmpty()) {
        state.SkipWithError(start.failure.toStdString().c_str());
        return;
    }
    state.counters["first_frame_ms"] = start.firstFrameMs;
    state.counters["rss_MB"] = start.residentMB;
    const auto api = start.program->window->rendererInterface()->graphicsApi();
    state.SetLabel(api == QSGRendererInterface::Software ? "software renderer" : "rhi renderer");
}
BENCHMARK(BM_StartToFirstFrame)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ScrollLibraryGrid(benchmark::State& state) {
    Scrolled& scroll = scrolled();
    for (auto _ : state)
        state.SetIterationTime(scroll.wallMs / 1e3);
    if (!scroll.failure.isEmpty()) {
        state.SkipWithError(scroll.failure.toStdString().c_str());
        return;
    }
    state.counters["albums"] = scroll.albums;
    state.counters["frames"] = double(scroll.frameMs.size());
    state.counters["frame_p50_ms"] = percentile(scroll.frameMs, 0.50);
    state.counters["frame_p99_ms"] = percentile(scroll.frameMs, 0.99);
    state.counters["frame_max_ms"] = percentile(scroll.frameMs, 1.0);
    if (!scroll.frameCpuMs.empty()) {
        state.counters["frame_cpu_p50_ms"] = percentile(scroll.frameCpuMs, 0.50);
        state.counters["frame_cpu_p99_ms"] = percentile(scroll.frameCpuMs, 0.99);
    }
}
BENCHMARK(BM_ScrollLibraryGrid)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ResidentAfterScroll(benchmark::State& state) {
    Scrolled& scroll = scrolled();
    for (auto _ : state)
        state.SetIterationTime(0);
    if (!scroll.failure.isEmpty()) {
        state.SkipWithError(scroll.failure.toStdString().c_str());
        return;
    }
    state.counters["rss_MB"] = scroll.residentMB;
    state.counters["peak_rss_MB"] = scroll.peakMB;
}
BENCHMARK(BM_ResidentAfterScroll)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// One album cell made from nothing, as a grid makes one for each album that
// scrolls in: its items, bindings and handlers, without its cover.
void BM_MakeAlbumCell(benchmark::State& state) {
    Started& start = started();
    if (!start.failure.isEmpty()) {
        state.SkipWithError(start.failure.toStdString().c_str());
        return;
    }
    QQmlEngine& engine = start.program->engine;
    QQmlComponent cell(&engine, UiComposition::viewUrl(QStringLiteral("AlbumCell")));
    QQuickItem* parent = start.program->window->contentItem();
    const QVariantMap properties{{QStringLiteral("albumID"), QStringLiteral("album")},
                                 {QStringLiteral("title"), QStringLiteral("A Title")},
                                 {QStringLiteral("artistNames"), QStringLiteral("An Artist")},
                                 {QStringLiteral("artwork"), QUrl()},
                                 {QStringLiteral("isPlaying"), false},
                                 {QStringLiteral("coverSize"), 160},
                                 {QStringLiteral("detailsHeight"), 40}};
    for (auto _ : state) {
        QObject* made = cell.createWithInitialProperties(properties);
        if (!made) {
            state.SkipWithError(cell.errorString().toStdString().c_str());
            return;
        }
        qobject_cast<QQuickItem*>(made)->setParentItem(parent);
        delete made;
    }
}
BENCHMARK(BM_MakeAlbumCell)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform waits 5 ms before each frame it is asked for, a
    // wait no screen has; without it a frame's time is the frame's own work.
    if (qEnvironmentVariableIsEmpty("QT_QPA_UPDATE_IDLE_TIME"))
        qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    QCoreApplication::setOrganizationName(QStringLiteral("Korvid"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvid"));
    // The window goes before the application.
    return runBenchmarks<QApplication>(argc, argv, [] { started().program.reset(); });
}
