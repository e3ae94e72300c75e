#include "TestMusicFolder.h"

#include <QColor>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

bool makeSong(const QString& folder, const TestSong& song) {
    const QString target = folder + u'/' + song.path;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QTemporaryDir scratch;
    QStringList arguments{"-nostdin", "-loglevel", "error", "-y",
                          "-f",       "lavfi",     "-i",    "sine=frequency=440:duration=0.2"};
    if (song.cover) {
        QImage cover(120, 80, QImage::Format_RGB32);
        cover.fill(QColor(200, 30, 60));
        const QString coverPath = scratch.filePath("cover.png");
        cover.save(coverPath);
        arguments << "-i" << coverPath << "-map"
                  << "0:a"
                  << "-map"
                  << "1:v"
                  << "-c:v"
                  << "png"
                  << "-disposition:v"
                  << "attached_pic";
    } else if (song.video) {
        arguments << "-f"
                  << "lavfi"
                  << "-i"
                  << "testsrc=size=64x48:rate=10:duration=0.2"
                  << "-map"
                  << "0:a"
                  << "-map"
                  << "1:v"
                  << "-c:v"
                  << "mpeg4";
    }
    arguments << song.codec;
    for (const auto& [key, value] : song.tags)
        arguments << "-metadata" << key + u'=' + value;
    if (song.video)
        arguments << "-f"
                  << "mp4";
    arguments << target;
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", arguments);
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitStatus() != QProcess::NormalExit ||
        ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed for %s: %s\n", qPrintable(song.path),
                     ffmpeg.readAllStandardError().constData());
        return false;
    }
    return true;
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
