// How long a change of output takes to sound at the new one, on loopback:
// from select() to the first sound a real shairport-sync writes (MPD to a
// legacy speaker), and to MPD reporting play at the carried place (back).
#include "BenchMain.h"
#include "LocalPlayerFixture.h"
#include "MpdTestServer.h"

#include "musicapp/AppleMusicLibrary.h"
#include "musicapp/LibMpdClient.h"
#include "musicapp/TagReader.h"
#include "playback/SpeakerList.h"
#include "support/LocalAvahi.h"
#include "support/ShairportSpeaker.h"
#include "support/TestAudio.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

bool spinUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = Steady::now() + timeout;
    while (!condition()) {
        if (Steady::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

bool finish(AppleMusicLibrary& library) {
    auto done = std::make_shared<bool>(false);
    markWhenIdle(library, done);
    return spinUntil([&] { return *done; }, 30s);
}

bool soundsAfter(const QByteArray& pcm, qsizetype from) {
    const auto* s = reinterpret_cast<const int16_t*>(pcm.constData());
    for (qsizetype i = from / 2; i < pcm.size() / 2; ++i) {
        if (std::abs(int(s[i])) > 1000) {
            return true;
        }
    }
    return false;
}

double msSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

void BM_HandOverToSound(benchmark::State& state) {
    QString whyNot;
    if (!LocalAvahi::instance(&whyNot)) {
        state.SkipWithError(whyNot.toStdString().c_str());
        return;
    }
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("music/Album"));
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        files << QStringLiteral("Album/%1.flac").arg(i + 1);
        if (!makeTestAudio(dir.filePath("music/" + files.last()),
                           {.source = QStringLiteral("sine=frequency=%1").arg(400 + 100 * i),
                            .seconds = 120,
                            .channels = 2,
                            .tags = {{"album", "Bench"}, {"track", QString::number(i + 1)}}})
                 .isEmpty()) {
            state.SkipWithError("ffmpeg failed");
            return;
        }
    }
    MpdTestServer mpd;
    mpd.useMusic(dir.filePath("music"), files);
    ShairportSpeaker receiver(QStringLiteral("Bench Den"));
    if (!mpd.start() || !receiver.start()) {
        state.SkipWithError("mpd or shairport-sync did not start");
        return;
    }
    AppleMusicLibrary::PlayerParts parts;
    parts.musicApp.addresses = {mpd.address()};
    parts.musicApp.ownDaemon = {dir.filePath("own"), dir.filePath("own/none.socket")};
    parts.musicApp.startDaemon = [] { return false; };
    AppleMusicLibrary library(dir.filePath("music"), dir.filePath("index.sqlite"),
                              makeTagLibReader(), nullptr, std::move(parts));
    auto opening = library.requestAuthorizationIfNeeded();
    if (!spinUntil([&] { return library.isAuthorized() && !library.isScanning(); }, 20s) ||
        library.albums().isEmpty()) {
        state.SkipWithError("the library found no album");
        return;
    }
    const AppleMusicPlaybackHandle handle =
        *library.albums().first().unified().playback.appleMusicHandle();
    auto refreshing = library.refreshSpeakers();
    std::optional<SpeakerOutput> den;
    spinUntil([&] { return (den = legacyOutputIn(library)).has_value(); }, 10s);
    if (!den) {
        state.SkipWithError("the speaker was not found");
        return;
    }
    const SpeakerOutput silent = SpeakerOutput::music("Silent", "Silent output");
    library.select(silent);
    library.play(handle, 1, 5);
    finish(library);

    double toLegacyMs = 0;
    double toMpdMs = 0;
    bool failed = false;
    for (auto _ : state) {
        spinUntil([] { return false; }, 1s);
        const qsizetype heard = receiver.pcm().size();
        auto start = Steady::now();
        library.select(*den);
        if (!spinUntil([&] { return soundsAfter(receiver.pcm(), heard); }, 10s)) {
            failed = true;
            break;
        }
        const double legacy = msSince(start);
        finish(library);

        spinUntil([] { return false; }, 1s);
        std::optional<PlayerPlace> place;
        auto position = [&]() -> QCoro::Task<> { place = co_await library.currentPosition(); };
        position();
        start = Steady::now();
        library.select(silent);
        const auto client = mpd.connect();
        if (!place || !spinUntil(
                          [&] {
                              const MpdStatus s = client->status();
                              return s.state == MpdPlayState::playing &&
                                     s.songPosition == place->index &&
                                     s.elapsedSeconds >= place->seconds;
                          },
                          10s)) {
            failed = true;
            break;
        }
        const double back = msSince(start);
        finish(library);
        state.SetIterationTime((legacy + back) / 1000);
        toLegacyMs += legacy;
        toMpdMs += back;
    }
    if (failed) {
        state.SkipWithError("no sound at the new output within 10 s");
        return;
    }
    state.counters["mpd_to_legacy_ms"] = toLegacyMs / double(state.iterations());
    state.counters["legacy_to_mpd_ms"] = toMpdMs / double(state.iterations());
}
BENCHMARK(BM_HandOverToSound)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv, [] { LocalAvahi::shutDown(); });
}
