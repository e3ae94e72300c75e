#include "platform/CacheFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

void trimCacheFolder(const QString& folder, const CacheBounds& bounds, const QDateTime& now) {
    // Newest first: what is kept is the newest that fits (a file still being
    // written is the newest of all).
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Time);
    const QDateTime oldest = now.addSecs(-bounds.maxAge.count());
    qint64 kept = 0;
    for (const QFileInfo& file : files) {
        if (file.lastModified() < oldest || kept + file.size() > bounds.maxBytes) {
            QFile::remove(file.filePath());
        } else {
            kept += file.size();
        }
    }
}

void touchCacheFile(const QString& path) {
    QFile file(path);
    if (file.open(QIODevice::ReadWrite)) {
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    }
}
