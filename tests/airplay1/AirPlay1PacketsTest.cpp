#include "airplay1/AirPlay1Packets.h"
#include "airplay1/AirPlay1Clock.h"
#include "airplay1/AirPlay1SendPlan.h"
#include "airplay1/BitWriter.h"
#include "airplay1/SpscRing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

uint32_t be32(const QByteArray& data, int offset) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        v = (v << 8) | static_cast<uint8_t>(data[offset + i]);
    }
    return v;
}

// Reads bits back most significant first, independently of BitWriter.
class BitReader {
public:
    explicit BitReader(const QByteArray& data)
        : data_(data) {}
    uint32_t read(int bits) {
        uint32_t v = 0;
        for (int i = 0; i < bits; ++i, ++position_) {
            const int byte = static_cast<uint8_t>(data_[position_ / 8]);
            v = (v << 1) | ((byte >> (7 - position_ % 8)) & 1);
        }
        return v;
    }

private:
    QByteArray data_;
    int position_ = 0;
};

QByteArray rampPcm(int frames) {
    QByteArray pcm(frames * 4, Qt::Uninitialized);
    for (int i = 0; i < frames * 2; ++i) {
        const auto sample = static_cast<int16_t>(i * 97 - 30000);
        std::memcpy(pcm.data() + 2 * i, &sample, 2); // little-endian host
    }
    return pcm;
}

int16_t sampleAt(const QByteArray& littleEndianPcm, int index) {
    int16_t v;
    std::memcpy(&v, littleEndianPcm.constData() + 2 * index, 2);
    return v;
}

TEST(BitWriterTest, PacksFieldsMostSignificantFirst) {
    struct Case {
        std::vector<std::pair<uint32_t, int>> writes;
        QByteArray hex;
    };
    const std::vector<Case> cases = {
        {{}, ""},
        {{{1, 1}}, "80"},
        {{{1, 3}, {0, 4}, {1, 1}}, "21"},
        {{{0x5, 3}, {0xABCD, 16}}, "b579a0"},
        {{{0xDEADBEEF, 32}}, "deadbeef"},
        {{{1, 1}, {0xFFFFFFFF, 32}}, "ffffffff80"},
        // Bits above the requested width are ignored.
        {{{0xFF, 4}, {0, 4}}, "f0"},
        {{{7, 0}, {0x3, 2}}, "c0"},
        // Long enough to outgrow the writer's first block twice.
        {std::vector<std::pair<uint32_t, int>>(40, {0xABCD, 16}), QByteArray("abcd").repeated(40)},
    };
    for (const auto& c : cases) {
        BitWriter writer;
        for (const auto& [value, bits] : c.writes) {
            writer.write(value, bits);
        }
        EXPECT_EQ(writer.finish().toHex(), c.hex);
    }
}

TEST(AudioPayloadTest, AlacVerbatimFrameCarriesEverySample) {
    // A full packet, a short last block, and a stray half frame.
    struct Case {
        QByteArray pcm;
        qsizetype expectedSize;
    };
    const Case cases[] = {
        {rampPcm(kFramesPerPacket), 1411}, // 23 header bits + 11264 sample bits, padded
        {rampPcm(5), 23},                  // 23 + 160 bits
        {rampPcm(1).left(2), 5},           // 23 + 16 bits
    };
    for (const Case& c : cases) {
        const QByteArray frame = alacVerbatimPayload(c.pcm);
        ASSERT_EQ(frame.size(), c.expectedSize);
        BitReader reader(frame);
        EXPECT_EQ(reader.read(3), 1u); // stereo
        EXPECT_EQ(reader.read(4), 0u);
        EXPECT_EQ(reader.read(12), 0u);
        EXPECT_EQ(reader.read(1), 0u); // no sample count
        EXPECT_EQ(reader.read(2), 0u);
        EXPECT_EQ(reader.read(1), 1u); // verbatim
        const int samples = static_cast<int>(c.pcm.size() / 2);
        for (int i = 0; i < samples; ++i) {
            ASSERT_EQ(static_cast<int16_t>(reader.read(16)), sampleAt(c.pcm, i)) << i;
        }
        const int paddingBits = static_cast<int>(frame.size() * 8 - 23 - samples * 16);
        EXPECT_EQ(reader.read(paddingBits), 0u);
    }
    EXPECT_EQ(alacVerbatimPayload({}).size(), 3);
}

TEST(SyncPacketTest, FieldsAndWrapping) {
    const std::array<uint8_t, 8> ntp = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Case {
        bool first;
        uint32_t anchor;
        uint64_t elapsed;
        int byte0;
        uint32_t playing;
        uint32_t now;
    };
    const std::vector<Case> cases = {
        {true, 100000, 0, 0x90, 100000 - 11025, 100000},
        {false, 100000, 44100, 0x80, 100000 + 44100 - 11025, 144100},
        // The playing time lies before zero: it wraps.
        {true, 5000, 0, 0x90, 0xFFFFFFFFu - 6024, 5000},
        // Anchor plus elapsed wraps past 2^32.
        {false, 0xFFFFFF00u, 0x200, 0x80, 0x100u - 11025, 0x100},
    };
    for (const auto& c : cases) {
        const QByteArray p = syncPacket(c.first, c.anchor, c.elapsed, ntp);
        ASSERT_EQ(p.size(), 20);
        EXPECT_EQ(static_cast<uint8_t>(p[0]), c.byte0);
        EXPECT_EQ(p.mid(1, 3), QByteArray::fromHex("d40007"));
        EXPECT_EQ(be32(p, 4), c.playing);
        EXPECT_EQ(p.mid(8, 8), QByteArray::fromHex("0102030405060708"));
        EXPECT_EQ(be32(p, 16), c.now);
    }
}

TEST(NtpTest, IntegerAndFractionBigEndian) {
    struct Case {
        double seconds;
        QByteArray hex;
    };
    const std::vector<Case> cases = {
        {1.5, "0000000180000000"},
        {0.25, "0000000040000000"},
        {3913056000.75, "e93c7f00c0000000"},
    };
    for (const auto& c : cases) {
        const auto out = ntpBytes(c.seconds);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(out.data()), 8).toHex(), c.hex);
    }
    // The clock maps monotonic time through its fixed offset onto NTP time.
    const AirPlay1Clock clock = AirPlay1Clock::fromReadings(1000.0, 50.0);
    EXPECT_DOUBLE_EQ(clock.ntpOffset, 1000.0 + 2208988800.0 - 50.0);
    EXPECT_EQ(clock.ntpTimestamp(60.5), ntpBytes(2208988800.0 + 1010.5));
    // The real clock is close to the wall clock.
    const auto nowBytes = AirPlay1Clock::now().ntpTimestamp(monotonicRawSeconds());
    const uint32_t nowSeconds =
        (nowBytes[0] << 24) | (nowBytes[1] << 16) | (nowBytes[2] << 8) | nowBytes[3];
    EXPECT_NEAR(static_cast<double>(nowSeconds), wallClockSeconds() + 2208988800.0, 2.0);
}

TEST(TimingReplyTest, AnswersOnlyFullTimingRequests) {
    const std::array<uint8_t, 8> ntp = {9, 9, 9, 9, 8, 8, 8, 8};
    QByteArray request(32, '\0');
    request[0] = static_cast<char>(0x80);
    request[1] = static_cast<char>(0xD2); // 'R' with the marker bit
    for (int i = 24; i < 32; ++i) {
        request[i] = static_cast<char>(i);
    }
    const auto reply = timingReply(request, ntp);
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->size(), 32);
    EXPECT_EQ(reply->left(8), QByteArray::fromHex("80d3000700000000"));
    EXPECT_EQ(reply->mid(8, 8), request.mid(24, 8));
    EXPECT_EQ(reply->mid(16, 8), QByteArray::fromHex("0909090908080808"));
    EXPECT_EQ(reply->mid(24, 8), QByteArray::fromHex("0909090908080808"));

    QByteArray unmarked = request;
    unmarked[1] = 0x52;
    EXPECT_TRUE(timingReply(unmarked, ntp));
    EXPECT_FALSE(timingReply(request.left(31), ntp));
    QByteArray other = request;
    other[1] = static_cast<char>(0xD3);
    EXPECT_FALSE(timingReply(other, ntp));
}

TEST(RetransmitTest, ParsesRequestsAndCapsTheCount) {
    EXPECT_FALSE(parseRetransmitRequest(QByteArray::fromHex("80d50001000500")));
    EXPECT_FALSE(parseRetransmitRequest(QByteArray::fromHex("80d4000100050002")));
    const auto request = parseRetransmitRequest(QByteArray::fromHex("80d50001fffe012c"));
    ASSERT_TRUE(request);
    EXPECT_EQ(request->first, 0xFFFE);
    EXPECT_EQ(request->count, 300);

    // The stream test checks the cap of 256 and the wrap at 16 bits.
    EXPECT_TRUE(resendSequences({10, 0}).empty());
    EXPECT_EQ(resendSequences({10, 3}), (std::vector<uint16_t>{10, 11, 12}));

    const QByteArray wrapped = resendPacket("packet");
    EXPECT_EQ(wrapped, QByteArray::fromHex("80d60001") + "packet");
}

TEST(PacingTest, WaitsUntilTheNextPacketOrSyncIsDue) {
    // Elapsed time counts whole frames only, never rounded up.
    EXPECT_EQ(elapsedFrames(11.0, 10.5), 22050u);
    EXPECT_EQ(elapsedFrames(10.0, 10.5), 0u);
    EXPECT_EQ(elapsedFrames(10.0 + 351.9 / 44100, 10.0), 351u);
    struct Case {
        uint64_t framesSinceAnchor, elapsed, lastSyncFrame, expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0},              // a run's first packets go at once
        {1408, 0, 0, 0},           // four ahead is still allowed
        {1760, 0, 0, 352},         // the fifth waits one packet's time
        {1760, 200, 0, 152},       //   less the time already passed
        {45760, 44000, 0, 100},    // a sync falls due before the next packet
        {45760, 44100, 0, 0},      //   and is due now
        {45760, 44100, 44100, 252} // after it, the packet's turn again
    };
    for (const Case& c : cases) {
        EXPECT_EQ(framesUntilDue(c.framesSinceAnchor, c.elapsed, c.lastSyncFrame), c.expected)
            << c.framesSinceAnchor << " " << c.elapsed << " " << c.lastSyncFrame;
        // Whatever is due now, the loop may act on.
        if (c.expected == 0) {
            EXPECT_TRUE(mayQueuePacket(c.framesSinceAnchor, c.elapsed) ||
                        syncDue(false, c.elapsed, c.lastSyncFrame));
        }
    }
}

// A source that runs dry mid-run is heard as one pause: silence until a
// cushion has built up again, never a block at a time between silences.
TEST(PacingTest, SilenceWhileDryAudioOnceTheCushionIsBack) {
    struct Case {
        bool refilling;
        AirPlay1Readiness ready;
        SendStep step;
        bool refillingAfter;
    };
    constexpr size_t cushion = kCushionBlocks;
    const Case cases[] = {
        {false, {1, false}, SendStep::audio, false},
        {false, {0, false}, SendStep::silence, true}, // ran dry
        {true, {cushion - 1, false}, SendStep::silence, true},
        {true, {cushion, false}, SendStep::audio, false},
        {true, {2, true}, SendStep::audio, false}, // the end comes sooner than a cushion
        {true, {0, true}, SendStep::finished, true},
        {false, {0, true}, SendStep::finished, false},
    };
    for (const Case& c : cases) {
        bool refilling = c.refilling;
        EXPECT_EQ(nextSendStep(refilling, c.ready), c.step)
            << c.refilling << " " << c.ready.blocks << " " << c.ready.complete;
        EXPECT_EQ(refilling, c.refillingAfter);
    }
    EXPECT_FALSE(runMayBegin({cushion - 1, false}));
    EXPECT_TRUE(runMayBegin({cushion, false}));
    EXPECT_TRUE(runMayBegin({0, true}));
    EXPECT_FALSE(fallenBehind(1000, 1000 + kMaxLateFrames));
    EXPECT_TRUE(fallenBehind(1000, 1001 + kMaxLateFrames));
}

// One thread fills, another empties, through many wraps of a small ring:
// every value arrives once and in order (ThreadSanitizer checks the hand-over).
TEST(SpscRingTest, HandsEveryValueOverInOrderAcrossThreads) {
    SpscRing<uint64_t, 8> ring;
    EXPECT_EQ(ring.front(), nullptr);
    for (int i = 0; i < 8; ++i) {
        uint64_t* slot = ring.slotToFill();
        ASSERT_NE(slot, nullptr);
        *slot = 100 + i;
        ring.publish();
    }
    EXPECT_EQ(ring.slotToFill(), nullptr) << "a full ring takes nothing more";
    EXPECT_EQ(ring.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(*ring.front(), uint64_t(100 + i));
        ring.pop();
    }

    constexpr uint64_t count = 100000;
    std::thread producer([&ring] {
        for (uint64_t v = 0; v < count;) {
            if (uint64_t* slot = ring.slotToFill()) {
                *slot = v++;
                ring.publish();
            } else {
                std::this_thread::yield();
            }
        }
    });
    uint64_t expected = 0;
    uint64_t outOfOrder = 0;
    while (expected < count) {
        if (const uint64_t* value = ring.front()) {
            outOfOrder += *value != expected;
            ++expected;
            ring.pop();
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_EQ(outOfOrder, 0u);
    EXPECT_EQ(ring.size(), 0u);
}

} // namespace
