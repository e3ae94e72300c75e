#include "airplay1/AirPlay1TrackQueue.h"
#include "airplay1/TrackDecoder.h"

#include "support/RunTask.h"
#include "support/TestAudio.h"

#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <sys/stat.h>

namespace {

constexpr int block = 352;
constexpr int bytesPerFrame = 4;

struct Drained {
    QByteArray bytes;
    QList<std::pair<int, qint64>> positions; // after each block
};

Drained drain(AirPlay1TrackQueue& queue) {
    Drained out;
    while (auto next = queue.nextFrames(block)) {
        EXPECT_EQ(next->size(), block * bytesPerFrame);
        out.bytes += *next;
        out.positions.append({queue.playingIndex(), queue.playingFrames()});
    }
    return out;
}

QByteArray padded(QByteArray bytes) {
    const qsizetype size = block * bytesPerFrame;
    bytes.append((size - bytes.size() % size) % size, '\0');
    return bytes;
}

std::unique_ptr<AirPlay1TrackQueue> queueFrom(const QList<QUrl>& urls, double startSeconds = 0) {
    auto decoder = TrackDecoder::open(urls.first(), startSeconds);
    EXPECT_TRUE(decoder);
    auto queue = std::make_unique<AirPlay1TrackQueue>(urls, std::move(decoder), 0, 0,
                                                      qint64(startSeconds * 44100));
    queue->preloadNext();
    return queue;
}

// Tracks that cannot be opened are skipped; the others join without gaps.
TEST(AirPlay1TrackQueue, JoinsTracksWithoutGapsSkippingWhatCannotBeOpened) {
    TestTracks tracks;
    const QList<QUrl> urls{tracks.tone("a.flac", 440, 13331), tracks.text("b.flac", "not audio"),
                           QUrl::fromLocalFile(tracks.path("missing.flac")),
                           tracks.tone("d.wav", 660, 7001), tracks.tone("e.flac", 880, 5000)};
    const QByteArray expected = tracks.joined();
    ASSERT_EQ(expected.size(), (13331 + 7001 + 5000) * bytesPerFrame);

    auto queue = queueFrom(urls);
    const Drained out = drain(*queue);
    ASSERT_EQ(out.bytes.size(), padded(expected).size());
    EXPECT_TRUE(out.bytes == padded(expected)) << "samples differ from the decoded tracks";
    EXPECT_FALSE(queue->nextFrames(block)) << "exhausted stays exhausted";
    EXPECT_FALSE(queue->nextFrames(block));

    // Track 0 ends 307 frames into block 37; track 3 fills the other 45.
    EXPECT_EQ(out.positions[36], std::make_pair(0, qint64(37 * block)));
    EXPECT_EQ(out.positions[37], std::make_pair(3, qint64(45)));
    EXPECT_EQ(out.positions[38], std::make_pair(3, qint64(45 + block)));
    const int secondJoin = (13331 + 7001) / block;
    EXPECT_EQ(out.positions[secondJoin],
              std::make_pair(4, qint64((secondJoin + 1) * block - 13331 - 7001)));
    EXPECT_EQ(out.positions.last().first, 4);

    // Decoding may begin part-way into a track.
    const QUrl url = tracks.tone("long.flac", 440, 31 * 44100);
    queue = queueFrom({url}, 30.0);
    const auto first = queue->nextFrames(block);
    ASSERT_TRUE(first);
    EXPECT_EQ(queue->playingIndex(), 0);
    EXPECT_EQ(queue->playingFrames(), 1323000 + block);
    EXPECT_TRUE(*first == tracks.pcm(url).mid(1323000 * bytesPerFrame, block * bytesPerFrame))
        << "decoding must begin at the start time";
}

// Other formats are resampled and spread to both channels; what is no
// playable audio, or must not be waited for, is refused.
TEST(TrackDecoder, DecodesOtherFormatsToStereo44100AndRefusesTheRest) {
    TestTracks tracks;
    // One second of 48 kHz mono MP3.
    const QUrl mp3 =
        tracks.tone("mono.mp3", 1000, 48000, {"-c:a", "libmp3lame", "-b:a", "128k"}, 48000, 1);
    auto decoder = TrackDecoder::open(mp3, 0);
    ASSERT_TRUE(decoder);
    QByteArray bytes;
    while (auto chunk = decoder->nextChunk()) {
        bytes += *chunk;
    }
    EXPECT_FALSE(decoder->isReading());
    EXPECT_NEAR(double(bytes.size()) / bytesPerFrame, 44100, 1200);
    const auto* samples = reinterpret_cast<const qint16*>(bytes.constData());
    int loud = 0;
    for (qsizetype i = 0; i + 1 < bytes.size() / 2; i += 2) {
        ASSERT_EQ(samples[i], samples[i + 1]) << "frame " << i / 2;
        loud += std::abs(samples[i]) > 1000;
    }
    EXPECT_GT(loud, 20000) << "a tone, not silence";
    decoder.reset();

    ASSERT_EQ(runFfmpeg({"-f", "lavfi", "-i", "color=c=red:s=16x16", "-frames:v", "1",
                         tracks.path("picture.png")})
                  .toStdString(),
              "");
    ASSERT_EQ(runFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a", "aac",
                         "-encryption_scheme", "cenc-aes-ctr", "-encryption_key",
                         "00112233445566778899aabbccddeeff", "-encryption_kid",
                         "ffeeddccbbaa99887766554433221100", tracks.path("protected.m4a")})
                  .toStdString(),
              "");
    const QString fifo = tracks.path("pipe.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QUrl refused[] = {
        QUrl::fromLocalFile(fifo), // nobody writes to it: must not wait
        QUrl::fromLocalFile(QStringLiteral("/dev/zero")),
        QUrl::fromLocalFile(tracks.path("picture.png")),
        QUrl::fromLocalFile(tracks.path("protected.m4a")),
        tracks.text("empty.flac", {}),
        QUrl::fromLocalFile(tracks.path("missing.flac")),
        QUrl::fromLocalFile(tracks.path(".")),
        QUrl(QStringLiteral("http://127.0.0.1:9/a.flac")),
    };
    for (const QUrl& url : refused) {
        EXPECT_FALSE(TrackDecoder::open(url, 0)) << url.toString().toStdString();
    }
    EXPECT_EQ(ffmpegReadersOpen(), 0);
}

// Opens nothing until told to give up, so a close can meet a preload that
// is still opening.
class SlowFactory : public PcmReaderFactory {
public:
    struct Reader : PcmReader {
        explicit Reader(std::atomic<int>& live)
            : live(live) {
            ++live;
        }
        ~Reader() override { cancelReading(); }
        std::optional<QByteArray> nextChunk() override {
            return reading ? std::optional<QByteArray>(QByteArray(1000, '\1')) : std::nullopt;
        }
        void cancelReading() override {
            if (reading) {
                reading = false;
                --live;
            }
        }
        bool isReading() const override { return reading; }
        std::atomic<int>& live;
        bool reading = true;
    };

    std::unique_ptr<PcmReader> open(const QString&, double,
                                    const std::atomic<bool>* abort) override {
        ++opening;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!(abort && *abort) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        // Hands a reader back even when told to give up, as a slow real
        // open that finishes just after the cancel would.
        return std::make_unique<Reader>(live);
    }

    std::atomic<int> live{0};
    std::atomic<int> opening{0};
};

TEST(AirPlay1TrackQueue, CloseDuringAPreloadLeavesNoReader) {
    TestTracks tracks;
    const QUrl a = tracks.tone("a.flac", 440, 10000);
    const QUrl b = tracks.tone("b.flac", 660, 10000);
    {
        // Real files: the first track open, the second being preloaded.
        auto queue = queueFrom({a, b});
        ASSERT_TRUE(queue->nextFrames(block));
        queue->close();
        EXPECT_EQ(ffmpegReadersOpen(), 0);
        EXPECT_FALSE(queue->nextFrames(block));
    }
    {
        auto factory = std::make_shared<SlowFactory>();
        auto first =
            std::make_unique<TrackDecoder>(std::make_unique<SlowFactory::Reader>(factory->live));
        AirPlay1TrackQueue queue({a, b}, std::move(first), 0, 0, 0, factory);
        queue.preloadNext();
        ASSERT_TRUE(waitUntil([&] { return factory->opening == 1; }, std::chrono::seconds(5)));
        const auto begun = std::chrono::steady_clock::now();
        queue.close();
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(2))
            << "close waited for the open instead of cancelling it";
        EXPECT_EQ(factory->live, 0);
    }
}

} // namespace
