// How fast local tracks decode into the blocks the stream sends: as a
// multiple of real time, and as the share of one core that one stream's
// decoding costs (CPU seconds per second of audio).
#include "airplay1/AirPlay1TrackQueue.h"
#include "airplay1/TrackDecoder.h"
#include "support/TestAudio.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

namespace {
constexpr int seconds = 60;

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

// One minute of music-like test audio, made once.
QUrl track(const char* name, const QStringList& output) {
    const QString path = folder().filePath(QString::fromLatin1(name));
    if (!QFile::exists(path) && !makeTestAudio(path, {.source = TestAudio::musicLike,
                                                      .seconds = seconds,
                                                      .channels = 2,
                                                      .rate = 44100,
                                                      .output = output})
                                     .isEmpty()) {
        return {};
    }
    return QUrl::fromLocalFile(path);
}

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void decodeToBlocks(benchmark::State& state, const QUrl& url) {
    if (url.isEmpty()) {
        state.SkipWithError("ffmpeg could not make the test track");
        return;
    }
    double audioSeconds = 0;
    const double cpuBefore = cpuSeconds();
    for (auto _ : state) {
        AirPlay1TrackQueue queue({url}, TrackDecoder::open(url, 0), 0, 0, 0);
        qint64 frames = 0;
        while (auto block = queue.nextFrames(352)) {
            benchmark::DoNotOptimize(block->constData());
            frames += 352;
        }
        audioSeconds += double(frames) / 44100;
    }
    const double cpu = cpuSeconds() - cpuBefore;
    state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    // Share of one core a real-time stream spends decoding, in percent.
    state.counters["core_pct"] = cpu / audioSeconds * 100;
    state.counters["cpu_s_per_audio_min"] = cpu / audioSeconds * 60;
}

void BM_DecodeFlac(benchmark::State& state) {
    decodeToBlocks(state, track("minute.flac", {"-c:a", "flac"}));
}
void BM_DecodeMp3(benchmark::State& state) {
    decodeToBlocks(state, track("minute.mp3", {"-c:a", "libmp3lame", "-b:a", "256k"}));
}
} // namespace

BENCHMARK(BM_DecodeFlac)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeMp3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
