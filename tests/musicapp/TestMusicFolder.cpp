#include "TestMusicFolder.h"

#include "support/TestAudio.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cstdio>

bool makeSong(const QString& folder, const TestSong& song) {
    const QString failure = makeTestAudio(
        folder + u'/' + song.path,
        {.output = song.codec, .tags = song.tags, .cover = song.cover, .video = song.video});
    if (!failure.isEmpty())
        std::fprintf(stderr, "%s: %s\n", qPrintable(song.path), qPrintable(failure));
    return failure.isEmpty();
}

bool writePicture(const QString& path, QRgb colour, QSize size) {
    // Made by ffmpeg like the songs: writing a JPEG through Qt's plugin in
    // the test process upsets LeakSanitizer's walk of thread-local storage.
    static const QHash<QString, QString> codecs{
        {"jpg", "mjpeg"}, {"jpeg", "mjpeg"}, {"png", "png"}, {"bmp", "bmp"}, {"gif", "gif"}};
    const QString codec = codecs.value(QFileInfo(path).suffix().toLower());
    const QString failure = codec.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath())
                                ? QStringLiteral("no picture format for this name")
                                : runFfmpeg({"-f", "lavfi", "-i",
                                             QStringLiteral("color=c=0x%1:s=%2x%3")
                                                 .arg(colour & 0xffffff, 6, 16, QLatin1Char('0'))
                                                 .arg(size.width())
                                                 .arg(size.height()),
                                             "-frames:v", "1", "-q:v", "1", "-pix_fmt",
                                             codec == "mjpeg" ? "yuvj444p" : "rgb24", "-c:v", codec,
                                             "-f", "image2", "-update", "1", path});
    if (!failure.isEmpty())
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(failure));
    return failure.isEmpty();
}

bool patchBytes(const QString& file, const QByteArray& from, const QByteArray& to) {
    QFile f(file);
    if (from.size() != to.size() || !f.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = f.readAll();
    const qsizetype at = bytes.indexOf(from);
    if (at < 0)
        return false;
    bytes.replace(at, to.size(), to);
    f.seek(0);
    return f.write(bytes) == bytes.size();
}

void touchLater(const QString& file, int seconds) {
    QFile f(file);
    if (f.open(QIODevice::ReadWrite))
        f.setFileTime(QDateTime::currentDateTimeUtc().addSecs(seconds),
                      QFileDevice::FileModificationTime);
}

bool copyTree(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(source, target))
            return false;
        QFile copy(target);
        if (!copy.open(QIODevice::ReadWrite) ||
            !copy.setFileTime(it.fileInfo().lastModified(), QFileDevice::FileModificationTime))
            return false;
    }
    return true;
}
