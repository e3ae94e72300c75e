// The first play on a fresh machine: from the start of Korvid's own MPD (an
// empty database, its first scan running over a few thousand files) to the
// first sound of a 12-track album, MPD reporting play with time elapsed on a
// private pulseaudio's null sink. "mpd" starts the daemon and plays through
// the commands alone; "controller" goes the app's way, with the controller's
// fixed wait after the start.
#include "BenchMain.h"
#include "MpdTestServer.h"
#include "musicapp/LibMpdClient.h"
#include "musicapp/MpdCommands.h"
#include "musicapp/MpdConfiguration.h"
#include "musicapp/MusicAppController.h"
#include "support/PulseAudioServer.h"
#include "support/RunTask.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int otherFiles = 4000;

struct Fixture {
    QTemporaryDir dir;
    PulseAudioServer pulse;
    QString folder = dir.filePath("Music");
    QStringList album;
    bool ready = false;

    Fixture() {
        if (!pulse.start()) {
            return;
        }
        pulse.exportToThisProcess();
        album = makeLargeMusicFolder(folder, 12, otherFiles);
        ready = true;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Polls until MPD reports play with time elapsed, or 20 s pass; `playing`
// is when it first reported play at all.
bool waitForSound(MpdClient& client, Clock::time_point* playing = nullptr) {
    const auto deadline = Clock::now() + 20s;
    while (Clock::now() < deadline) {
        const MpdStatus status = client.status();
        if (playing && status.state == MpdPlayState::playing && *playing == Clock::time_point{}) {
            *playing = Clock::now();
        }
        if (status.state == MpdPlayState::playing && status.elapsedSeconds > 0) {
            return true;
        }
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

void BM_FreshMpdToFirstSound(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ready) {
        state.SkipWithError("no pulseaudio");
        return;
    }
    double answerMs = 0;
    double queuedMs = 0;
    double playingMs = 0;
    for (auto _ : state) {
        QTemporaryDir data;
        const MpdDaemonFiles files{data.filePath("mpd"), data.filePath("mpd.socket")};
        const OwnMpdStopper stopper(files);
        const auto started = Clock::now();
        if (const auto failure = startMpdDaemon(f.folder, files, listSoundSinks())) {
            state.SkipWithError(failure->what());
            return;
        }
        std::unique_ptr<MpdClient> client;
        while (!client && millisecondsSince(started) < 10000) {
            try {
                client = LibMpdConnector().connect({files.socketPath, 0});
            } catch (const MpdFailure&) {
                std::this_thread::sleep_for(5ms);
            }
        }
        if (!client) {
            state.SkipWithError("mpd never answered");
            return;
        }
        answerMs += millisecondsSince(started);
        MpdCommands::playQueue(*client, {f.album, 0, 0, std::nullopt},
                               [] { std::this_thread::sleep_for(100ms); });
        queuedMs += millisecondsSince(started);
        Clock::time_point playing{};
        if (!waitForSound(*client, &playing)) {
            state.SkipWithError("no sound");
            return;
        }
        state.SetIterationTime(millisecondsSince(started) / 1000.0);
        playingMs += std::chrono::duration<double, std::milli>(playing - started).count();
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["answers_ms"] = answerMs / iterations;
    state.counters["queued_ms"] = queuedMs / iterations;
    state.counters["reports_play_ms"] = playingMs / iterations;
}
BENCHMARK(BM_FreshMpdToFirstSound)
    ->Name("first_sound/mpd")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_FreshControllerToFirstSound(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ready) {
        state.SkipWithError("no pulseaudio");
        return;
    }
    QStringList ids;
    QMap<QString, QString> byID;
    for (const QString& file : f.album) {
        ids.append(testTrackID(file));
        byID.insert(ids.last(), file);
    }
    double playingMs = 0;
    for (auto _ : state) {
        QTemporaryDir data;
        MusicAppController::Options options;
        options.musicFolder = f.folder;
        options.addresses = {{data.filePath("nobody.socket"), 0}};
        options.ownDaemon = {data.filePath("mpd"), data.filePath("mpd.socket")};
        options.trackFile = [byID](const QString& id) { return byID.value(id); };
        const OwnMpdStopper stopper(options.ownDaemon);
        const QString socket = options.ownDaemon.socketPath;
        MusicAppController controller(std::move(options));
        const auto started = Clock::now();
        runTask(controller.launchIfNeeded(), 20s);
        runTask(controller.playQueue(ids, 0, 0, std::nullopt), 20s);
        Clock::time_point reported{};
        if (!waitForSound(*LibMpdConnector().connect({socket, 0}), &reported)) {
            state.SkipWithError("no sound");
            return;
        }
        state.SetIterationTime(millisecondsSince(started) / 1000.0);
        playingMs += std::chrono::duration<double, std::milli>(reported - started).count();
    }
    state.counters["reports_play_ms"] = playingMs / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FreshControllerToFirstSound)
    ->Name("first_sound/controller")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv);
}
