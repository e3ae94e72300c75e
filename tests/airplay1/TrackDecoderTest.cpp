#include "airplay1/TrackDecoder.h"

#include "support/TestAudio.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// What is no playable audio, or must not be waited for, is refused.
TEST(TrackDecoder, RefusesWhatItCannotPlay) {
    TestTracks tracks;
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

} // namespace
