// How far the Now Playing scrubber is from what is heard, over a minute of
// a local album: on MPD (what it reports having played) and on a real
// shairport-sync speaker (the position its received sound encodes). The
// coordinator refreshes every 5 s as the main window's loop does and
// interpolates in between; the scrubber is sampled once a second.
#include "BenchMain.h"
#include "LocalPlayerFixture.h"

#include "model/MemorySynchronizedStore.h"
#include "model/MusicSourceSettings.h"
#include "model/PlayHistoryStore.h"
#include "platform/Keychain.h"
#include "playback/PlaybackViewModel.h"
#include "spotify/SpotifyAPI.h"
#include "spotify/SpotifyAuthManager.h"
#include "support/FakeAudioInputSystem.h"

#include <QNetworkAccessManager>

#include <benchmark/benchmark.h>

namespace {

using Steady = std::chrono::steady_clock;

bool finish(AppleMusicLibrary& library) {
    auto done = std::make_shared<bool>(false);
    markWhenIdle(library, done);
    return waitUntil([&] { return *done; }, 30s);
}

// Scrubber minus heard position, in milliseconds, for each sample.
struct Errors {
    std::vector<double> ms;
    void count(benchmark::State& state) const {
        double sum = 0;
        double absolute = 0;
        double worst = 0;
        for (const double e : ms) {
            sum += e;
            absolute += std::abs(e);
            worst = std::max(worst, std::abs(e));
        }
        const double n = std::max<double>(1, double(ms.size()));
        state.counters["samples"] = double(ms.size());
        state.counters["mean_error_ms"] = sum / n;
        state.counters["mean_abs_error_ms"] = absolute / n;
        state.counters["max_abs_error_ms"] = worst;
    }
};

// Path 0: MPD's "Silent" output; path 1: a legacy speaker.
void BM_ScrubberAgainstHeard(benchmark::State& state) {
    const bool legacy = state.range(0) == 1;
    QString whyNot;
    if (legacy && !LocalAvahi::instance(&whyNot)) {
        state.SkipWithError(whyNot.toStdString().c_str());
        return;
    }
    TestHome home;
    const JourneyAlbum& album = JourneyAlbum::shared();
    MpdTestServer mpd;
    mpd.useMusic(album.folder, album.files);
    ShairportSpeaker receiver(QStringLiteral("Bench Den"));
    if (!mpd.start() || (legacy && !receiver.start())) {
        state.SkipWithError("mpd or shairport-sync did not start");
        return;
    }
    AppleMusicLibrary::PlayerParts parts;
    parts.musicApp.addresses = {mpd.address()};
    parts.musicApp.ownDaemon = {home.filePath("own"), home.filePath("own/none.socket")};
    parts.musicApp.startDaemon = [] { return false; };
    AppleMusicLibrary library(album.folder, home.filePath("index.sqlite"), makeTagLibReader(),
                              &Clock::system(), std::move(parts));
    MusicSourceSettings sources;
    sources.setCurrent(MusicSource::appleMusic);
    MemorySynchronizedStore synced;
    PlayHistoryStore history(&synced, &Clock::system());
    QNetworkAccessManager network;
    MemoryKeychain keychain;
    SpotifyAuthManager auth(network, keychain, Clock::system(), QUrl("http://127.0.0.1:1"));
    SpotifyAPI api(auth, network, QUrl("http://127.0.0.1:1/v1"));
    PlaybackViewModel playback(api, library, sources, history, Clock::system(),
                               std::make_unique<FakeAudioInputSystem>());
    runTask(library.requestAuthorizationIfNeeded());
    if (!waitUntil([&] { return !library.isScanning() && !library.albums().isEmpty(); }, 20s)) {
        state.SkipWithError("the library found no album");
        return;
    }
    std::optional<SpeakerOutput> output = SpeakerOutput::music("Silent", "Silent output");
    if (legacy) {
        runTask(library.refreshSpeakers());
        output.reset();
        waitUntil([&] { return (output = legacyOutputIn(library)).has_value(); }, 10s);
    }
    if (!output) {
        state.SkipWithError("the speaker was not found");
        return;
    }
    library.select(*output);
    finish(library);

    const auto client = mpd.connect();
    Errors errors;
    for (auto _ : state) {
        runTask(playback.play(library.albums().first().unified(), 0, 0));
        finish(library);
        if (legacy ? !firstSound(receiver, 0)
                   : !waitUntil([&] { return client->status().state == MpdPlayState::playing; })) {
            state.SkipWithError("nothing was heard");
            return;
        }
        const auto start = Steady::now();
        auto nextRefresh = start;
        for (int second = 1; second <= 60; ++second) {
            waitUntil([&] { return Steady::now() >= start + std::chrono::seconds(second); }, 2s);
            if (Steady::now() >= nextRefresh) {
                runTask(playback.refreshAppleMusic());
                nextRefresh += 5s;
            }
            const double shown = double(playback.currentProgressMsNow());
            double heard = 0;
            if (legacy) {
                const auto sound = firstSound(receiver, receiver.pcm().size());
                if (!sound) {
                    continue;
                }
                heard = sound->seconds * 1000;
            } else {
                heard = client->status().elapsedSeconds * 1000;
            }
            errors.ms.push_back(shown - heard);
        }
        runTask(playback.togglePlayPause());
        finish(library);
    }
    errors.count(state);
}
BENCHMARK(BM_ScrubberAgainstHeard)
    ->ArgName("legacy")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv, [] { LocalAvahi::shutDown(); });
}
