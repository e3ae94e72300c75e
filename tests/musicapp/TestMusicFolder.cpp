#include "TestMusicFolder.h"

#include "support/TestAudio.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

bool makeSong(const QString& folder, const TestSong& song) {
    const QString failure = makeTestAudio(
        folder + u'/' + song.path,
        {.output = song.codec, .tags = song.tags, .cover = song.cover, .video = song.video});
    if (!failure.isEmpty())
        std::fprintf(stderr, "%s: %s\n", qPrintable(song.path), qPrintable(failure));
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
