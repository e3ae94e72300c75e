// The AirPlay 1 stream in real time: what one stream, and a group of one,
// two and four speakers, costs in CPU (decoding included), how soon the first packet leaves after
// play, how closely sends follow the ideal schedule, and what a real receiver reports over a
// minute. Every run takes as long as the audio it streams.
#include "BenchMain.h"
#include "airplay1/AirPlay1DecodingFeed.h"
#include "airplay1/AirPlay1Player.h"
#include "airplay1/AirPlay1SendPlan.h"
#include "airplay1/AirPlay1Stream.h"
#include "airplay1/AirPlay1TrackQueue.h"
#include "airplay1/PcmReader.h"
#include "airplay1/ThreadPriority.h"
#include "airplay1/TrackDecoder.h"
#include "airplay1/UDPSocket.h"

#include "support/AnsweringSpeaker.h"
#include "support/LoopbackSpeaker.h"
#include "support/LoopbackUdp.h"
#include "support/TestAudio.h"

#ifdef KORVID_BENCH_WITH_RECEIVER
#include "support/LocalAvahi.h"
#include "support/ShairportSpeaker.h"
#endif

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

// Music-like test audio of `seconds`, made once per name.
QUrl track(const QString& name, int seconds) {
    const QString path = folder().filePath(name);
    if (!QFile::exists(path) && !makeTestAudio(path, {.source = TestAudio::musicLike,
                                                      .seconds = double(seconds),
                                                      .channels = 2,
                                                      .rate = 44100,
                                                      .output = {"-c:a", "flac"}})
                                     .isEmpty()) {
        return {};
    }
    return QUrl::fromLocalFile(path);
}

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double monotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void spin(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// A UDP socket on 127.0.0.1 that stands in for the speaker's audio port and,
// when `listening`, notes when each datagram arrives. A silent sink leaves
// its datagrams unread, so a process CPU figure holds the sender alone.
class Sink {
public:
    enum class Mode { listening, silent };
    explicit Sink(Mode mode = Mode::listening) {
        fd_ = openLoopbackUdpSocket(port_);
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
        if (mode == Mode::listening) {
            reader_ = std::thread([this] { read(); });
        }
    }
    ~Sink() {
        stop_ = true;
        if (reader_.joinable()) {
            reader_.join();
        }
        ::close(fd_);
    }
    uint16_t port() const { return port_; }
    // Arrival times of audio packets (payload type 96) so far.
    std::vector<double> arrivals() {
        std::lock_guard lock(mutex_);
        return arrivals_;
    }
    double firstArrival() const { return first_.load(); }

private:
    void read() {
        char buffer[2048];
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) {
                continue;
            }
            // The kernel's arrival stamp, so the reader's own scheduling
            // does not count against the sender.
            char control[CMSG_SPACE(sizeof(timespec))];
            iovec io{buffer, sizeof buffer};
            msghdr message{};
            message.msg_iov = &io;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            const ssize_t n = ::recvmsg(fd_, &message, 0);
            double now = monotonicSeconds();
            for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
                if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                    timespec stamp{};
                    std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
                    timespec wall{};
                    clock_gettime(CLOCK_REALTIME, &wall);
                    // Stamps are wall-clock time; carry them onto the monotonic clock.
                    now -= (double(wall.tv_sec) - double(stamp.tv_sec)) +
                           (double(wall.tv_nsec) - double(stamp.tv_nsec)) / 1e9;
                }
            }
            if (n > 12 && (uint8_t(buffer[1]) & 0x7F) == 0x60) {
                double expected = 0;
                first_.compare_exchange_strong(expected, now);
                std::lock_guard lock(mutex_);
                arrivals_.push_back(now);
            }
        }
    }
    int fd_ = -1;
    uint16_t port_ = 0;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::atomic<double> first_{0};
    std::mutex mutex_;
    std::vector<double> arrivals_;
};

// Decodes `url` on a feed of its own, as a player does.
std::unique_ptr<AirPlay1FrameSource> feedOf(const QUrl& url) {
    auto decoder = TrackDecoder::open(url, 0);
    if (!decoder) {
        return nullptr;
    }
    return std::make_unique<AirPlay1DecodingFeed>(
        std::make_unique<AirPlay1TrackQueue>(QList<QUrl>{url}, std::move(decoder), 0, 0, 0));
}

class SilenceSource final : public AirPlay1FrameSource {
public:
    AirPlay1Readiness readiness() const override { return {kCushionBlocks, false}; }
    bool take(AirPlay1Block& block) override {
        frames_ += kFramesPerPacket;
        block.frames = QByteArray(kFramesPerPacket * 4, '\0');
        block.position = {0, frames_};
        return true;
    }
    AirPlay1QueuePosition startPosition() const override { return {}; }
    void close() override {}

private:
    int64_t frames_ = 0;
};

// Streams `seconds` of the track to the sink and closes; false (and the
// benchmark skipped) without test audio.
bool streamTo(AirPlay1Stream& stream, Sink& sink, const QUrl& url, int seconds,
              benchmark::State& state) {
    stream.configure(QStringLiteral("127.0.0.1"), sink.port(), sink.port());
    auto feed = feedOf(url);
    if (!feed) {
        state.SkipWithError("no test audio (is ffmpeg installed?)");
        return false;
    }
    stream.start(std::move(feed));
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    stream.close();
    return true;
}

// A run's CPU per minute of audio, and as a share of one core.
void recordCpu(benchmark::State& state, double cpuSeconds, int audioSeconds) {
    state.SetIterationTime(audioSeconds);
    state.counters["cpu_s_per_audio_min"] = cpuSeconds * 60.0 / audioSeconds;
    state.counters["percent_of_core"] = cpuSeconds * 100.0 / audioSeconds;
}

// CPU seconds per minute of audio for one stream: decoding, packet building
// and sending, at the real pace.
void BM_StreamCpuPerAudioMinute(benchmark::State& state, AirPlay1Codec codec) {
    constexpr int streamSeconds = 30;
    const QUrl url = track(QStringLiteral("cpu.flac"), streamSeconds + 5);
    for (auto _ : state) {
        Sink sink(Sink::Mode::silent);
        AirPlay1Stream stream(codec, {});
        const double cpuBefore = processCpuSeconds();
        if (!streamTo(stream, sink, url, streamSeconds, state))
            return;
        recordCpu(state, processCpuSeconds() - cpuBefore, streamSeconds);
    }
}
BENCHMARK_CAPTURE(BM_StreamCpuPerAudioMinute, pcm, AirPlay1Codec::pcm)
    ->Iterations(1)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_StreamCpuPerAudioMinute, alac, AirPlay1Codec::alac)
    ->Iterations(1)
    ->UseManualTime();

// The same for a group of speakers fed by one decoding thread: each block is
// decoded and compressed once, then sent to every speaker over its own link.
void BM_GroupCpuPerAudioMinute(benchmark::State& state) {
    constexpr int streamSeconds = 30;
    const int speakers = int(state.range(0));
    const QUrl url = track(QStringLiteral("cpu.flac"), streamSeconds + 5);
    for (auto _ : state) {
        Sink first(Sink::Mode::silent);
        std::vector<std::unique_ptr<Sink>> others;
        AirPlay1Stream::Options options;
        options.alacEncoder = PcmReaderFactory::ffmpeg()->alacEncoder();
        AirPlay1Stream stream(AirPlay1Codec::alac, {}, options);
        const double cpuBefore = processCpuSeconds();
        for (int i = 1; i < speakers; ++i) {
            others.push_back(std::make_unique<Sink>(Sink::Mode::silent));
            const auto link = stream.addLink();
            stream.connect(link, QStringLiteral("127.0.0.1"), others.back()->port(),
                           others.back()->port());
            stream.startSendingTo(link);
        }
        if (!streamTo(stream, first, url, streamSeconds, state))
            return;
        recordCpu(state, processCpuSeconds() - cpuBefore, streamSeconds);
    }
}
BENCHMARK(BM_GroupCpuPerAudioMinute)->Arg(1)->Arg(2)->Arg(4)->Iterations(1)->UseManualTime();

// What the real-time send thread spends on each packet (taking the frames,
// packing and sending them) over a minute of FLAC: the median, 99th
// percentile and worst, in wall time (what a late packet feels) and in the
// thread's own CPU time (what counts against a real-time budget, and what
// other work on a busy machine does not inflate).
void BM_SendThreadTimePerPacket(benchmark::State& state) {
    constexpr int streamSeconds = 60;
    const QUrl url = track(QStringLiteral("minute.flac"), streamSeconds + 5);
    for (auto _ : state) {
        Sink sink(Sink::Mode::silent);
        std::vector<double> wall;
        std::vector<double> cpu;
        wall.reserve(streamSeconds * kSampleRate / kFramesPerPacket + 64);
        cpu.reserve(wall.capacity());
        {
            AirPlay1Stream::Options options;
            options.packetTimed = [&wall, &cpu](double wallSeconds, double cpuSeconds) {
                wall.push_back(wallSeconds * 1e6);
                cpu.push_back(cpuSeconds * 1e6);
            };
            AirPlay1Stream stream(AirPlay1Codec::alac, {}, options);
            if (!streamTo(stream, sink, url, streamSeconds, state))
                return;
        } // the send thread has ended: the times are ours alone
        if (wall.empty()) {
            state.SkipWithError("no packets went out");
            return;
        }
        state.SetIterationTime(streamSeconds);
        state.counters["packets"] = double(wall.size());
        for (auto& [name, times] : {std::pair{"wall", &wall}, std::pair{"cpu", &cpu}}) {
            std::sort(times->begin(), times->end());
            const std::string prefix(name);
            state.counters[prefix + "_median_us"] = (*times)[times->size() / 2];
            state.counters[prefix + "_p99_us"] = (*times)[times->size() * 99 / 100];
            state.counters[prefix + "_worst_us"] = times->back();
        }
    }
}
BENCHMARK(BM_SendThreadTimePerPacket)->Iterations(1)->UseManualTime();

// The machine's own floor for the figure above: a thread at the same
// priority that does nothing but wait for each packet's turn and send a
// ready-made datagram of an audio packet's size. What the stream costs beyond
// this is decoding, packet building and its bookkeeping.
void BM_TimedSendFloorPerAudioMinute(benchmark::State& state) {
    constexpr int streamSeconds = 30;
    for (auto _ : state) {
        Sink sink(Sink::Mode::silent);
        double cpu = 0;
        std::thread sender([&] {
            nameAndPrioritiseCurrentThread("Korvid bench");
            UDPSocket socket;
            const auto to = ipv4SocketAddress(QStringLiteral("127.0.0.1"), sink.port());
            const QByteArray datagram(12 + 4 * kFramesPerPacket, '\x01');
            std::mutex mutex;
            std::condition_variable never;
            std::unique_lock lock(mutex);
            const double cpuBefore = threadCpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            const int packets = streamSeconds * kSampleRate / kFramesPerPacket;
            for (int k = 0; k < packets; ++k) {
                never.wait_until(lock,
                                 start + std::chrono::microseconds(int64_t(k) * kFramesPerPacket *
                                                                   1'000'000 / kSampleRate));
                socket.send(datagram, *to);
            }
            cpu = threadCpuSeconds() - cpuBefore;
        });
        sender.join();
        state.SetIterationTime(streamSeconds);
        state.counters["cpu_s_per_audio_min"] = cpu * 60.0 / streamSeconds;
        state.counters["percent_of_core"] = cpu * 100.0 / streamSeconds;
    }
}
BENCHMARK(BM_TimedSendFloorPerAudioMinute)->Iterations(1)->UseManualTime();

// From the call to play to the first RTP packet on loopback.
void BM_PlayToFirstPacket(benchmark::State& state) {
    const QUrl url = track(QStringLiteral("short.flac"), 5);
    std::vector<double> latencies;
    for (auto _ : state) {
        Sink sink;
        AnsweringSpeaker answering(sink.port());
        const AirPlay1Speaker speaker = loopbackSpeaker(QStringLiteral("Bench"), answering.port());
        AirPlay1Player player;
        const double start = monotonicSeconds();
        auto task = player.play({url}, 0, 0, speaker, 50);
        while (sink.firstArrival() == 0 && monotonicSeconds() - start < 5) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        const double latency = sink.firstArrival() - start;
        state.SetIterationTime(latency);
        latencies.push_back(latency * 1000);
        auto stopping = player.stop();
        spin(std::chrono::milliseconds(50));
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["max_ms"] = latencies.back();
}
BENCHMARK(BM_PlayToFirstPacket)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

// How far each packet's arrival lies behind the earliest moment the pacing
// allows it to leave (four packets ahead of the clock), over a minute.
void BM_SendScheduleDeviation(benchmark::State& state) {
    constexpr int streamSeconds = 60;
    for (auto _ : state) {
        Sink sink;
        AirPlay1Stream stream(AirPlay1Codec::pcm, {});
        stream.configure(QStringLiteral("127.0.0.1"), sink.port(), sink.port());
        stream.start(std::make_unique<SilenceSource>());
        std::this_thread::sleep_for(std::chrono::seconds(streamSeconds));
        stream.close();
        const auto arrivals = sink.arrivals();
        if (arrivals.empty()) {
            state.SkipWithError("no packets arrived");
            return;
        }
        // The run's start is where no packet came earlier than its slot allows.
        auto slot = [](size_t k) { return std::max(0.0, double(k) * 352 - 1408) / 44100.0; };
        double anchor = arrivals[0];
        for (size_t k = 0; k < arrivals.size(); ++k) {
            anchor = std::min(anchor, arrivals[k] - slot(k));
        }
        std::vector<double> deviations;
        deviations.reserve(arrivals.size());
        for (size_t k = 0; k < arrivals.size(); ++k) {
            deviations.push_back((arrivals[k] - anchor - slot(k)) * 1000.0);
        }
        std::sort(deviations.begin(), deviations.end());
        state.SetIterationTime(streamSeconds);
        state.counters["packets"] = double(arrivals.size());
        state.counters["expected_packets"] = std::floor(streamSeconds * 44100.0 / 352) + 5;
        state.counters["p50_ms"] = deviations[deviations.size() / 2];
        state.counters["p99_ms"] = deviations[deviations.size() * 99 / 100];
        state.counters["max_ms"] = deviations.back();
    }
}
BENCHMARK(BM_SendScheduleDeviation)->Iterations(1)->UseManualTime();

#ifdef KORVID_BENCH_WITH_RECEIVER
// Counters from the last statistics line shairport-sync printed.
std::vector<double> lastStatistics(const QByteArray& output, double* minimumOccupancy) {
    std::vector<double> last;
    *minimumOccupancy = -1;
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        if (fields.size() < 7) {
            continue;
        }
        std::vector<double> values;
        bool ok = true;
        for (const QByteArray& f : fields) {
            values.push_back(f.trimmed().toDouble(&ok));
            if (!ok) {
                break;
            }
        }
        if (ok) {
            last = values;
            if (values[0] > 0 && (*minimumOccupancy < 0 || values[5] < *minimumOccupancy)) {
                *minimumOccupancy = values[5];
            }
        }
    }
    return last;
}

// A minute to a real shairport-sync: what it reports missing, late and resent.
void BM_ReceiverStatistics(benchmark::State& state) {
    constexpr int streamSeconds = 60;
    QString whyNot;
    if (!LocalAvahi::instance(&whyNot)) {
        state.SkipWithError(whyNot.toStdString().c_str());
        return;
    }
    const QUrl url = track(QStringLiteral("minute.flac"), streamSeconds + 5);
    for (auto _ : state) {
        ShairportSpeaker receiver(QStringLiteral("Korvid Bench"));
        if (!receiver.start()) {
            state.SkipWithError(receiver.errorText().toStdString().c_str());
            break;
        }
        const AirPlay1Speaker speaker =
            loopbackSpeaker(QStringLiteral("Korvid Bench"), receiver.port());
        AirPlay1Player player;
        auto playing = player.play({url}, 0, 0, speaker, 100);
        spin(std::chrono::seconds(streamSeconds));
        double minimumOccupancy = -1;
        const auto stats = lastStatistics(receiver.output(), &minimumOccupancy);
        auto stopping = player.stop();
        spin(std::chrono::milliseconds(200));
        state.SetIterationTime(streamSeconds);
        if (stats.size() < 5) {
            state.SkipWithError("the receiver printed no statistics");
            break;
        }
        state.counters["total_packets"] = stats[0];
        state.counters["missing"] = stats[1];
        state.counters["late"] = stats[2];
        state.counters["too_late"] = stats[3];
        state.counters["resend_requests"] = stats[4];
        state.counters["min_buffer_occupancy"] = minimumOccupancy;
    }
}
BENCHMARK(BM_ReceiverStatistics)->Iterations(1)->UseManualTime();
#endif

} // namespace

int main(int argc, char** argv) {
#ifdef KORVID_BENCH_WITH_RECEIVER
    return runBenchmarks(argc, argv, [] { LocalAvahi::shutDown(); });
#else
    return runBenchmarks(argc, argv);
#endif
}
