#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

// Test audio made by the ffmpeg program from its built-in sources: tones,
// noise or a mix of both, of a given length, in any format ffmpeg writes.
// Shared by the tests and the benchmarks, so it reports failures as text
// instead of through the test framework.
struct TestAudio {
    // A source of ffmpeg's "lavfi" input, endless by itself.
    QString source = QStringLiteral("sine=frequency=440");
    double seconds = 0.2;
    // When set, exactly this many frames instead of `seconds`.
    qint64 frames = 0;
    // When set, the channel count and sample rate written; else the source's.
    int channels = 0;
    int rate = 0;
    // Output options, e.g. {"-c:a", "flac"}; by default the file name's.
    QStringList output;
    QList<QPair<QString, QString>> tags;
    // An embedded cover picture of `coverSize`, red (200, 30, 60).
    bool cover = false;
    QSize coverSize{120, 80};
    // A short video track beside the audio, in an MP4 container.
    bool video = false;

    // A tone and noise mixed: closer to music than a pure tone for encoders.
    static inline const QString musicLike = QStringLiteral(
        "sine=frequency=440[tone];anoisesrc=amplitude=0.1[noise];[tone][noise]amix=inputs=2[out0]");
};

// Runs ffmpeg with `arguments` (quietly, without asking anything); empty
// when it succeeded, else what it printed.
QString runFfmpeg(const QStringList& arguments);
// Writes `audio` to `path`, making the folders on the way; empty when it
// worked, else what went wrong.
QString makeTestAudio(const QString& path, const TestAudio& audio);
// The file's audio as ffmpeg decodes it, in the format the speakers get:
// 16-bit little-endian stereo at 44.1 kHz. Empty when ffmpeg cannot read it.
QByteArray decodeTestAudio(const QString& path);

// Tracks in a temporary folder of their own. A track ffmpeg failed to make
// is reported on standard error and named by an empty address.
class TestTracks {
public:
    // A sine tone of exactly `frames` frames.
    QUrl tone(const QString& name, int frequency, qint64 frames, const QStringList& output = {},
              int rate = 44100, int channels = 2);
    // Noise never repeats, so any block of it tells where in the track it lies.
    QUrl noise(const QString& name, int seed, qint64 frames);
    // A file of the given bytes, under a name that may promise audio.
    QUrl text(const QString& name, const QByteArray& content = "this is no audio file");
    QString path(const QString& name) const { return dir_.filePath(name); }

    // The track as ffmpeg decodes it; the reference a player must match.
    static QByteArray pcm(const QUrl& track) { return decodeTestAudio(track.toLocalFile()); }
    // The PCM of every tone and noise made so far, in order, joined.
    QByteArray joined() const;

private:
    QUrl make(const QString& name, const TestAudio& audio);

    QTemporaryDir dir_;
    QList<QUrl> made_;
};
