// How fast local tracks decode into the blocks the stream sends: as a
// multiple of real time, and as the share of one core that one stream's
// decoding costs (CPU seconds per second of audio). Also how small FFmpeg's
// ALAC encoder makes music-like audio, and how fast.
#include "airplay1/AirPlay1Packets.h"
#include "airplay1/AirPlay1TrackQueue.h"
#include "airplay1/PcmReader.h"
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

// Each packet compressed on its own, as the stream sends it: the compressed
// size as a share of the plain size (aim: at most 60 %).
void BM_CompressAlac(benchmark::State& state) {
    const QUrl url = track("minute.flac", {"-c:a", "flac"});
    const QByteArray pcm = url.isEmpty() ? QByteArray() : decodeTestAudio(url.toLocalFile());
    const auto encoder = PcmReaderFactory::ffmpeg()->alacEncoder();
    if (pcm.isEmpty() || !encoder) {
        state.SkipWithError("no test track or no ALAC encoder");
        return;
    }
    constexpr qsizetype packetBytes = kFramesPerPacket * kBytesPerFrame;
    double plain = 0;
    double compressed = 0;
    for (auto _ : state) {
        for (qsizetype at = 0; at + packetBytes <= pcm.size(); at += packetBytes) {
            // One it cannot compress goes out as a verbatim frame, as the stream does.
            const QByteArray frames = pcm.mid(at, packetBytes);
            const QByteArray encoded = encoder->encode(frames);
            compressed +=
                double(encoded.isEmpty() ? alacVerbatimPayload(frames).size() : encoded.size());
            plain += double(packetBytes);
        }
    }
    state.counters["size_pct"] = compressed / plain * 100;
    state.counters["x_realtime"] =
        benchmark::Counter(plain / (kBytesPerFrame * kSampleRate), benchmark::Counter::kIsRate);
}
} // namespace

BENCHMARK(BM_DecodeFlac)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeMp3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CompressAlac)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
