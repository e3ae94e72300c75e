#include "musicapp/LibraryScanner.h"

#include "musicapp/TagReader.h"
#include "musicapp/TrackIdentity.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

LibraryScanner::LibraryScanner(std::shared_ptr<const TagReader> reader, QString musicFolder,
                               LibraryIndex& index)
    : reader_(std::move(reader))
    , folder_(QDir::cleanPath(std::move(musicFolder)))
    , index_(index) {}

ScanReport LibraryScanner::scan(qint64 nowMs, const std::atomic<bool>* cancelled,
                                const std::function<void(int)>& progress) {
    ScanReport report;
    // A folder that is gone (an unmounted disk) must not empty the index.
    if (!index_.isOpen() || !QFileInfo(folder_).isDir())
        return report;
    const QHash<QString, FileStamp> known = index_.fileStamps();
    QSet<QString> seen;
    seen.reserve(known.size());
    IndexChanges batch;
    const auto pending = [&batch] { return batch.upserts.size() + batch.unreadable.size(); };
    const auto flush = [&] {
        const bool ok = index_.apply(batch);
        batch = IndexChanges();
        return ok;
    };
    const auto isCancelled = [cancelled] {
        return cancelled && cancelled->load(std::memory_order_relaxed);
    };

    const qsizetype prefix = folder_.size() + 1;
    int looked = 0;
    // Symbolic links to folders are not followed, so a link loop cannot trap the scan.
    QDirIterator it(folder_, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (isCancelled())
            return report;
        const QString path = it.next();
        if (!hasAudioFileExtension(path))
            continue;
        const QFileInfo info = it.fileInfo();
        const QString relative = path.mid(prefix);
        const FileStamp stamp{info.size(), info.lastModified().toMSecsSinceEpoch()};
        seen.insert(relative);
        ++looked;
        const auto previous = known.constFind(relative);
        if (previous != known.cend() && *previous == stamp) {
            ++report.unchanged;
        } else if (auto tags = reader_->readTags(path)) {
            IndexedTrack track;
            track.relativePath = relative;
            track.persistentID = TrackIdentity::trackPersistentID(relative);
            track.albumPersistentID = TrackIdentity::albumPersistentID(
                tags->album, tags->albumArtist, TrackIdentity::relativeFolderOf(relative));
            if (tags->title.isEmpty())
                tags->title = info.completeBaseName();
            track.tags = std::move(*tags);
            track.size = stamp.size;
            track.modifiedMs = stamp.modifiedMs;
            track.firstSeenMs = nowMs;
            batch.upserts.append(std::move(track));
            ++(previous == known.cend() ? report.added : report.updated);
        } else {
            batch.unreadable.append({relative, stamp});
            ++report.unreadable;
        }
        if (pending() >= batchSize && !flush())
            return report;
        if (progress)
            progress(looked);
    }
    for (auto known_it = known.cbegin(); known_it != known.cend(); ++known_it) {
        if (!seen.contains(known_it.key())) {
            batch.removals.append(known_it.key());
            ++report.removed;
        }
    }
    if (!flush())
        return report;
    report.completed = !isCancelled();
    return report;
}
