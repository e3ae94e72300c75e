#include "airplay1/AirPlay1Stream.h"
#include "airplay1/AirPlay1Error.h"
#include "airplay1/AirPlay1Packets.h"
#include "airplay1/AirPlay1SendPlan.h"

#include "support/LoopbackUdp.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// One UDP socket of the test's stand-in speaker on 127.0.0.1.
class PeerSocket {
public:
    PeerSocket() { fd_ = openLoopbackUdpSocket(port_); }
    ~PeerSocket() { ::close(fd_); }

    uint16_t port() const { return port_; }

    std::optional<QByteArray> receive(std::chrono::milliseconds timeout = 2s) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) {
            return std::nullopt;
        }
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n < 0) {
            return std::nullopt;
        }
        return QByteArray(buffer, n);
    }

    void sendTo(uint16_t port, const QByteArray& data) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        ::sendto(fd_, data.constData(), data.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }

    // Everything that arrives until nothing has come for `quiet`.
    std::vector<QByteArray> drain(std::chrono::milliseconds quiet = 200ms) {
        std::vector<QByteArray> out;
        while (auto d = receive(quiet)) {
            out.push_back(*d);
        }
        return out;
    }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

// A counting PCM source: each block's samples continue the previous block's.
// The test hands it blocks (`ready`) and says when no more follow
// (`complete`), as a decoding thread would.
class CountingSource final : public AirPlay1FrameSource {
public:
    explicit CountingSource(int packets, bool complete = true)
        : ready(packets)
        , complete(complete) {}
    AirPlay1Readiness readiness() const override { return {size_t(ready.load()), complete}; }
    bool take(AirPlay1Block& block) override {
        if (ready == 0) {
            return false;
        }
        --ready;
        block.frames = QByteArray(kFramesPerPacket * 4, Qt::Uninitialized);
        for (int i = 0; i < kFramesPerPacket * 2; ++i) {
            const auto v = static_cast<int16_t>(next_++);
            std::memcpy(block.frames.data() + 2 * i, &v, 2);
        }
        frames_ += kFramesPerPacket;
        block.position = {0, frames_};
        return true;
    }
    AirPlay1QueuePosition startPosition() const override { return {0, 0}; }
    void close() override {}

    std::atomic<int> ready;
    std::atomic<bool> complete;

private:
    int next_ = 0;
    int64_t frames_ = 0;
};

uint16_t be16(const QByteArray& d, int o) {
    return static_cast<uint16_t>((static_cast<uint8_t>(d[o]) << 8) |
                                 static_cast<uint8_t>(d[o + 1]));
}
uint32_t be32(const QByteArray& d, int o) {
    return (static_cast<uint32_t>(be16(d, o)) << 16) | be16(d, o + 2);
}

// A run begins with a sync marked as its first.
bool hasFirstSync(const std::vector<QByteArray>& controlPackets) {
    return std::any_of(controlPackets.begin(), controlPackets.end(),
                       [](const QByteArray& d) { return static_cast<uint8_t>(d[0]) == 0x90; });
}

// The stand-in speaker plus a stream aimed at it, with a clock the test moves.
struct StreamRig {
    PeerSocket audio;
    PeerSocket control;
    PeerSocket timing;
    std::atomic<double> now{1000.0};
    std::atomic<int> finished{0};
    std::unique_ptr<AirPlay1Stream> stream;

    explicit StreamRig(AirPlay1Codec codec = AirPlay1Codec::pcm,
                       std::optional<uint16_t> sequence = std::nullopt,
                       std::optional<uint32_t> rtpTime = std::nullopt) {
        AirPlay1Stream::Options options;
        options.now = [this] { return now.load(); };
        options.firstSequence = sequence;
        options.firstRTPTime = rtpTime;
        stream = std::make_unique<AirPlay1Stream>(
            codec, [this] { ++finished; }, options);
        stream->configure("127.0.0.1", audio.port(), control.port(), timing.port());
    }
    // A tenth of a frame more keeps rounding from landing just short.
    void advanceFrames(int64_t frames) {
        now = now.load() + (static_cast<double>(frames) + 0.1) / 44100.0;
    }
};

// Decoding that lags behind never makes the sender wait or burst: a run
// starts once a cushion of blocks is there, a source that runs dry mid-run
// gets silence in time (the place holds still; the player's stalled-file
// test hears audio come back where it stopped), and a send loop held up for
// two seconds starts a new run instead of sending the missed packets at once.
TEST(AirPlay1StreamTest, WaitsForACushionSendsSilenceWhileDryAndNeverBursts) {
    StreamRig rig(AirPlay1Codec::pcm, uint16_t{0}, uint32_t{0});
    auto owned = std::make_unique<CountingSource>(int(kCushionBlocks) - 1, false);
    CountingSource& source = *owned;
    rig.stream->start(std::move(owned));
    EXPECT_TRUE(rig.control.drain(300ms).empty()) << "a sync before the cushion";
    EXPECT_TRUE(rig.audio.drain(50ms).empty()) << "a packet before the cushion";

    ++source.ready;
    ASSERT_EQ(rig.audio.drain(300ms).size(), 5u);
    rig.advanceFrames(352 * (kCushionBlocks - 5));
    EXPECT_EQ(rig.audio.drain(300ms).size(), kCushionBlocks - 5);
    const AirPlay1QueuePosition played{0, int64_t(kCushionBlocks) * 352};
    EXPECT_EQ(rig.stream->position(), played);

    // Dry: one packet of silence per packet of time, and the place holds.
    rig.advanceFrames(352 * 3);
    const auto silent = rig.audio.drain(300ms);
    ASSERT_EQ(silent.size(), 3u);
    for (const QByteArray& packet : silent) {
        EXPECT_EQ(packet.mid(12), QByteArray(1408, '\0'));
    }
    EXPECT_EQ(rig.stream->position(), played);

    source.ready += 100;
    rig.control.drain(100ms);
    rig.advanceFrames(2 * 44100);
    const auto afterStall = rig.audio.drain(300ms);
    ASSERT_EQ(afterStall.size(), 5u) << "a burst of late packets";
    EXPECT_EQ(static_cast<uint8_t>(afterStall[0][1]), 0xE0);
    EXPECT_TRUE(hasFirstSync(rig.control.drain(300ms)));
}

// A receiver takes in our clock on its own thread after our answer; a sync
// sent at once may beat that and be dropped. One follows each answer later.
TEST(AirPlay1StreamTest, FollowsEachTimingAnswerWithASyncALittleLater) {
    StreamRig rig(AirPlay1Codec::alac, std::nullopt, uint32_t{10000});
    rig.stream->start(std::make_unique<CountingSource>(1000));
    ASSERT_TRUE(rig.control.receive()); // the run's first sync
    // ALAC goes as verbatim frames, whose samples follow 23 header bits.
    const auto packet = rig.audio.receive();
    ASSERT_TRUE(packet);
    ASSERT_EQ(packet->size(), 12 + 1411);
    EXPECT_EQ(static_cast<uint8_t>((*packet)[12]), 0x20);
    QByteArray request(32, '\0');
    request[0] = static_cast<char>(0x80);
    request[1] = static_cast<char>(0xD2);
    constexpr int delayFrames = int(AirPlay1Stream::kClockSyncDelaySeconds * 44100);
    // Only the speaker's timing port is answered: another sender on its
    // computer (or one forging its address) would aim the replies elsewhere.
    PeerSocket stranger;
    stranger.sendTo(rig.stream->timingPort(), request);
    EXPECT_FALSE(stranger.receive(300ms));
    for (int exchange = 1; exchange <= 2; ++exchange) {
        rig.timing.sendTo(rig.stream->timingPort(), request);
        ASSERT_TRUE(rig.timing.receive());
        EXPECT_TRUE(rig.control.drain(200ms).empty()) << "a sync went before the delay";
        rig.advanceFrames(delayFrames);
        const auto syncs = rig.control.drain(300ms);
        ASSERT_EQ(syncs.size(), 1u) << "exchange " << exchange;
        EXPECT_EQ(static_cast<uint8_t>(syncs[0][0]), 0x80);
        EXPECT_EQ(static_cast<uint8_t>(syncs[0][1]), 0xD4);
        // It tells where the stream stands now, like any sync.
        EXPECT_EQ(be32(syncs[0], 16), static_cast<uint32_t>(10000 + exchange * delayFrames));
    }
}

TEST(AirPlay1StreamTest, ResendsAtMost256AndNothingGoneFromTheHistory) {
    StreamRig rig(AirPlay1Codec::pcm, uint16_t{65000});
    rig.stream->start(std::make_unique<CountingSource>(1100));
    // Half a second at a time, each caught up with before the next, so the
    // loop never lags far enough behind to give the time up.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    for (int64_t elapsed = 0; elapsed < 1100 * 352;) {
        rig.advanceFrames(22050);
        elapsed += 22050;
        const int sent = std::min<int64_t>(1100, (elapsed + 1408) / 352 + 1);
        while (rig.stream->nextPacket().sequence != static_cast<uint16_t>(65000 + sent) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
        }
    }
    ASSERT_EQ(rig.stream->nextPacket().sequence, static_cast<uint16_t>(65000 + 1100));
    rig.control.drain(100ms);

    auto requestResend = [&](uint16_t first, uint16_t count) {
        QByteArray r("\x80\xD5\x00\x01", 4);
        r.append(static_cast<char>(first >> 8)).append(static_cast<char>(first & 0xFF));
        r.append(static_cast<char>(count >> 8)).append(static_cast<char>(count & 0xFF));
        rig.control.sendTo(rig.stream->controlPort(), r);
    };

    const auto first = static_cast<uint16_t>(65000 + 700);
    requestResend(first, 300);
    // Each goes twice, so that one lost on the way again is made up.
    const auto resent = rig.control.drain(300ms);
    ASSERT_EQ(resent.size(), 2 * 256u);
    for (size_t i = 0; i < resent.size(); ++i) {
        ASSERT_EQ(resent[i].left(4), QByteArray("\x80\xD6\x00\x01", 4));
        EXPECT_EQ(be16(resent[i], 6), static_cast<uint16_t>(first + i / 2));
        EXPECT_EQ(resent[i].size(), 4 + 12 + 1408);
    }

    // The first 76 packets were overwritten; of 80 asked from the start only 4 remain.
    requestResend(65000, 80);
    const auto old = rig.control.drain(300ms);
    ASSERT_EQ(old.size(), 2 * 4u);
    EXPECT_EQ(be16(old[0], 6), 65076);
    requestResend(65000, 10);
    EXPECT_TRUE(rig.control.drain(300ms).empty());
}

// A speaker is an IPv4 address; a closed stream takes none.
TEST(AirPlay1StreamTest, ConfigureRejectsHostNamesAndClosedStreams) {
    PeerSocket speaker;
    const std::vector<std::pair<QString, QString>> cases = {
        {"localhost", "Couldn't open an audio socket (bad address localhost)."},
        {"127.0.0", "Couldn't open an audio socket (bad address 127.0.0)."},
        {"::1", "Couldn't open an audio socket (bad address ::1)."},
        {"127.0.0.1", "Couldn't open an audio socket (stream closed)."},
    };
    for (const auto& [address, message] : cases) {
        AirPlay1Stream stream(AirPlay1Codec::pcm, {});
        if (address == "127.0.0.1") {
            stream.close();
        }
        try {
            stream.configure(address, speaker.port(), speaker.port());
            ADD_FAILURE() << address.toStdString();
        } catch (const AirPlay1Error& e) {
            EXPECT_EQ(e.kind(), AirPlay1Error::Kind::socketFailed);
            EXPECT_EQ(e.description(), message);
        }
    }
}

} // namespace
