#pragma once

#include <QDateTime>
#include <QString>

#include <chrono>

// A folder of cached files (remote covers, pictures handed to the desktop)
// kept within bounds, so it does not grow without end: files unused for longer
// than `maxAge` go, and past `maxBytes` the least recently used go first.
// A file's time of last use is its modification time. Disk work: call it off
// the window's thread.
struct CacheBounds {
    qint64 maxBytes = 0;
    std::chrono::seconds maxAge{0};
};

void trimCacheFolder(const QString& folder, const CacheBounds& bounds,
                     const QDateTime& now = QDateTime::currentDateTimeUtc());

// Marks a cached file as just used, so trimming keeps it longest.
void touchCacheFile(const QString& path);
