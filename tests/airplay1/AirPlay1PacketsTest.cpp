#include "airplay1/AirPlay1Packets.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

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

// A place reported in seconds resumes at the very frame it was taken at.
TEST(PlaceInATrack, SecondsTurnBackIntoTheSameFrame) {
    for (int64_t frame = 0; frame < int64_t{kSampleRate} * 3600; frame += 351) {
        ASSERT_EQ(frameAtSeconds(secondsAtFrame(frame)), frame);
    }
    EXPECT_EQ(frameAtSeconds(-1), 0);
    EXPECT_EQ(frameAtSeconds(std::nan("")), 0);
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

    EXPECT_FALSE(timingReply(request.left(31), ntp));
    QByteArray other = request;
    other[1] = static_cast<char>(0xD3);
    EXPECT_FALSE(timingReply(other, ntp));
}

TEST(RetransmitTest, ParsesOnlyWholeResendRequests) {
    EXPECT_FALSE(parseRetransmitRequest(QByteArray::fromHex("80d50001000500")));
    EXPECT_FALSE(parseRetransmitRequest(QByteArray::fromHex("80d4000100050002")));
    const auto request = parseRetransmitRequest(QByteArray::fromHex("80d50001fffe012c"));
    ASSERT_TRUE(request);
    EXPECT_EQ(request->first, 0xFFFE);
    EXPECT_EQ(request->count, 300);
}

} // namespace
