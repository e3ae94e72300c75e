#include "support/TestAudio.h"

#include "support/ChildProcess.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <cstdio>

QString runFfmpeg(const QStringList& arguments) {
    const ProgramRun run = runProgram(
        QStringLiteral("ffmpeg"), QStringList{"-nostdin", "-loglevel", "error", "-y"} + arguments);
    if (run.succeeded())
        return {};
    return QStringLiteral("ffmpeg failed: ") + QString::fromLocal8Bit(run.output);
}

QString makeTestAudio(const QString& path, const TestAudio& audio) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QStringList arguments;
    if (audio.frames == 0)
        arguments << "-t" << QString::number(audio.seconds);
    arguments << "-f"
              << "lavfi"
              << "-i" << audio.source;
    const QString coverPath = path + QStringLiteral(".cover.png");
    if (audio.cover) {
        QImage cover(audio.coverSize, QImage::Format_RGB32);
        cover.fill(QColor(200, 30, 60));
        if (!cover.save(coverPath))
            return QStringLiteral("could not write the cover picture");
        arguments << "-i" << coverPath << "-map"
                  << "0:a"
                  << "-map"
                  << "1:v"
                  << "-c:v"
                  << "png"
                  << "-disposition:v"
                  << "attached_pic";
    } else if (audio.video) {
        arguments << "-f"
                  << "lavfi"
                  << "-i"
                  << QStringLiteral("testsrc=size=64x48:rate=10:duration=%1").arg(audio.seconds)
                  << "-map"
                  << "0:a"
                  << "-map"
                  << "1:v"
                  << "-c:v"
                  << "mpeg4";
    }
    if (audio.frames > 0)
        arguments << "-af" << QStringLiteral("atrim=end_sample=%1").arg(audio.frames);
    if (audio.channels > 0)
        arguments << "-ac" << QString::number(audio.channels);
    if (audio.rate > 0)
        arguments << "-ar" << QString::number(audio.rate);
    arguments << audio.output;
    for (const auto& [key, value] : audio.tags)
        arguments << "-metadata" << key + u'=' + value;
    if (audio.video)
        arguments << "-f"
                  << "mp4";
    arguments << path;
    const QString failure = runFfmpeg(arguments);
    QFile::remove(coverPath);
    return failure;
}

QByteArray decodeTestAudio(const QString& path) {
    const QString raw = path + QStringLiteral(".pcm");
    if (!runFfmpeg({"-i", path, "-f", "s16le", "-ac", "2", "-ar", "44100", raw}).isEmpty())
        return {};
    QFile file(raw);
    const QByteArray pcm = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.remove();
    return pcm;
}

QUrl TestTracks::tone(const QString& name, int frequency, qint64 frames, const QStringList& output,
                      int rate, int channels) {
    return make(
        name,
        {.source = QStringLiteral("sine=frequency=%1:sample_rate=%2").arg(frequency).arg(rate),
         .frames = frames,
         .channels = channels,
         .output = output});
}

QUrl TestTracks::noise(const QString& name, int seed, qint64 frames) {
    return make(
        name,
        {.source = QStringLiteral("anoisesrc=seed=%1:sample_rate=44100:amplitude=0.3").arg(seed),
         .frames = frames,
         .channels = 2});
}

QUrl TestTracks::text(const QString& name, const QByteArray& content) {
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        std::fprintf(stderr, "could not write %s\n", qPrintable(file.fileName()));
    return QUrl::fromLocalFile(file.fileName());
}

QByteArray TestTracks::joined() const {
    QByteArray pcm;
    for (const QUrl& track : made_)
        pcm += TestTracks::pcm(track);
    return pcm;
}

QUrl TestTracks::make(const QString& name, const TestAudio& audio) {
    const QString failure = makeTestAudio(path(name), audio);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(failure));
        return {};
    }
    made_.append(QUrl::fromLocalFile(path(name)));
    return made_.last();
}
