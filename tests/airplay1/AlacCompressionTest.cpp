#include "airplay1/AirPlay1Player.h"
#include "airplay1/PcmReader.h"

#include "ReceivedSound.h"

#include "support/LocalAvahi.h"
#include "support/LoopbackSpeaker.h"
#include "support/RunTask.h"
#include "support/ShairportSpeaker.h"
#include "support/TestAudio.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Music-like audio compressed by FFmpeg's encoder: each packet is on average
// at most 60 % of its plain size, and a real receiver, told of it as of any
// ALAC stream, plays it back sample for sample.
TEST(AlacCompressionOnShairport, MusicLikeAudioShrinksAndPlaysExactly) {
    KORVID_REQUIRE_SHAIRPORT();
    KORVID_REQUIRE_LOCAL_AVAHI();
    QTemporaryDir dir;
    const QString path = dir.filePath("music.wav");
    TestAudio audio;
    audio.source = TestAudio::musicLike;
    audio.seconds = 6;
    audio.channels = 2;
    audio.rate = 44100;
    ASSERT_EQ(makeTestAudio(path, audio), "");
    const QByteArray reference = decodeTestAudio(path);
    ASSERT_GE(reference.size(), 44100 * 5 * kFrameBytes);

    const auto encoder = PcmReaderFactory::ffmpeg()->alacEncoder();
    ASSERT_TRUE(encoder);
    constexpr qsizetype kPacketBytes = 352 * kFrameBytes;
    qsizetype compressed = 0;
    qsizetype packets = 0;
    for (qsizetype at = 0; at + kPacketBytes <= reference.size(); at += kPacketBytes, ++packets) {
        const QByteArray packet = encoder->encode(reference.mid(at, kPacketBytes));
        ASSERT_FALSE(packet.isEmpty()) << "packet " << packets;
        compressed += packet.size();
    }
    EXPECT_LE(double(compressed) / double(packets * kPacketBytes), 0.6);

    ShairportSpeaker receiver("Korvid Compressed");
    ASSERT_TRUE(receiver.start()) << receiver.errorText().toStdString();
    AirPlay1Player player;
    QSignalSpy events(&player, &AirPlay1Player::event);
    runTask(player.play({QUrl::fromLocalFile(path)}, 0, 0,
                        loopbackSpeaker(receiver.name(), receiver.port(), false), 100),
            15s);
    ASSERT_TRUE(waitUntil([&] { return events.count() >= 2; }, 15s));
    EXPECT_EQ(events.at(1).at(0).value<AirPlay1PlayerEvent>().kind,
              AirPlay1PlayerEvent::Kind::finished);
    // Its last packet's padding follows the end.
    ASSERT_TRUE(waitUntil(
        [&] {
            const QByteArray pcm = receiver.pcm();
            return pcm.size() - lastSound(pcm) > 64 * kFrameBytes;
        },
        5s));
    const qsizetype from = expectPlaysFrom(receiver.pcm(), reference, 0);
    EXPECT_LE(from, 4410 + 16) << "began too late into the track";
    EXPECT_GE(receiver.pcm().size(), reference.size() - from * kFrameBytes);
    runTask(player.stop());
}

} // namespace
