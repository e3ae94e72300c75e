#include "musicapp/LibraryScanner.h"

#include "musicapp/FolderCover.h"
#include "musicapp/TagReader.h"
#include "musicapp/TrackIdentity.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <optional>

LibraryScanner::LibraryScanner(std::shared_ptr<const TagReader> reader, QString musicFolder,
                               LibraryIndex& index)
    : reader_(std::move(reader))
    , folder_(QDir::cleanPath(std::move(musicFolder)))
    , index_(index) {}

namespace {

// A name inside a folder; "" stands for the folder itself.
QString joined(const QString& folder, const QString& name) {
    if (name.isEmpty())
        return folder;
    return folder.isEmpty() ? name : folder + u'/' + name;
}

// Whether the path is one of the folders or lies inside one.
bool isUnderAny(const QString& path, const QStringList& folders) {
    for (const QString& folder : folders) {
        if (folder.isEmpty() || path == folder ||
            (path.startsWith(folder) && path.size() > folder.size() && path[folder.size()] == u'/'))
            return true;
    }
    return false;
}

// What one folder holds that the scan looks at, each kind in name order,
// so the index lists an album's files as a file browser would, whatever
// order the file system keeps.
struct FolderListing {
    QList<QFileInfo> songs;
    QStringList subfolders; // symbolic links to folders left out
    QHash<QString, QFileInfo> pictures;
};

FolderListing listFolder(const QString& path) {
    FolderListing listing;
    // Symbolic links to folders are not followed, so a link loop cannot trap the scan.
    QDirIterator it(path, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = info.fileName();
        if (info.isDir()) {
            if (!info.isSymLink())
                listing.subfolders.append(name);
        } else if (hasAudioFileExtension(name)) {
            listing.songs.append(info);
        } else if (FolderCover::isImageFileName(name)) {
            listing.pictures.insert(name, info);
        }
    }
    listing.subfolders.sort();
    std::sort(listing.songs.begin(), listing.songs.end(),
              [](const QFileInfo& a, const QFileInfo& b) { return a.fileName() < b.fileName(); });
    return listing;
}

// The picture the folder keeps as its cover, if any.
std::optional<FolderCoverFile> coverOf(const FolderListing& listing) {
    const QString name = FolderCover::choose(listing.pictures.keys());
    if (name.isEmpty())
        return std::nullopt;
    const QFileInfo info = listing.pictures.value(name);
    return FolderCoverFile{name, info.size(), info.lastModified().toMSecsSinceEpoch()};
}

} // namespace

ScanReport LibraryScanner::scan(qint64 nowMs, const std::atomic<bool>* cancelled,
                                const std::function<void(int)>& progress) {
    ScanReport report;
    // A folder that is gone (an unmounted disk) must not empty the index.
    if (!index_.isOpen() || !QFileInfo(folder_).isDir())
        return report;
    const QHash<QString, FileStamp> known = index_.fileStamps();
    const QHash<QString, FolderCoverFile> knownCovers = index_.folderCovers();
    QSet<QString> seen;
    seen.reserve(known.size());
    QStringList unlisted;
    IndexChanges batch;
    batch.nowMs = nowMs;
    const auto pending = [&batch] { return batch.upserts.size() + batch.unreadable.size(); };
    const auto flush = [&] {
        const bool ok = index_.apply(batch);
        batch = IndexChanges();
        batch.nowMs = nowMs;
        return ok;
    };
    const auto isCancelled = [cancelled] {
        return cancelled && cancelled->load(std::memory_order_relaxed);
    };

    int looked = 0;
    QStringList toList{QString()};
    while (!toList.isEmpty()) {
        const QString relativeFolder = toList.takeLast();
        const QString folderPath = joined(folder_, relativeFolder);
        const QFileInfo folderInfo(folderPath);
        if (!folderInfo.isReadable() || !folderInfo.isExecutable()) {
            unlisted.append(relativeFolder);
            continue;
        }
        report.folders.append(relativeFolder);
        const FolderListing listing = listFolder(folderPath);
        // The last listed is taken first, so subfolders go in reverse.
        for (auto name = listing.subfolders.crbegin(); name != listing.subfolders.crend(); ++name)
            toList.append(joined(relativeFolder, *name));

        if (const auto cover = coverOf(listing)) {
            if (knownCovers.value(relativeFolder) != *cover) {
                batch.covers.append({relativeFolder, *cover});
                ++report.coversChanged;
            }
        } else if (knownCovers.contains(relativeFolder)) {
            batch.coverRemovals.append(relativeFolder);
            ++report.coversChanged;
        }

        for (const QFileInfo& info : listing.songs) {
            if (isCancelled())
                return report;
            const QString relative = joined(relativeFolder, info.fileName());
            const FileStamp stamp{info.size(), info.lastModified().toMSecsSinceEpoch()};
            seen.insert(relative);
            ++looked;
            const auto previous = known.constFind(relative);
            if (previous != known.cend() && *previous == stamp) {
                ++report.unchanged;
            } else if (auto tags = reader_->readTags(info.filePath())) {
                IndexedTrack track;
                track.relativePath = relative;
                track.persistentID = TrackIdentity::trackPersistentID(relative);
                track.albumPersistentID = TrackIdentity::albumPersistentID(
                    tags->album, tags->albumArtist, TrackIdentity::albumFolderOf(relativeFolder));
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
    }

    report.unreadableFolders = int(unlisted.size());
    report.foundNoSongs = looked == 0 && !known.isEmpty();
    if (!report.foundNoSongs) {
        for (auto known_it = known.cbegin(); known_it != known.cend(); ++known_it) {
            if (!seen.contains(known_it.key()) && !isUnderAny(known_it.key(), unlisted)) {
                batch.removals.append(known_it.key());
                ++report.removed;
            }
        }
    }
    const QSet<QString> listed(report.folders.cbegin(), report.folders.cend());
    for (auto cover = knownCovers.cbegin(); cover != knownCovers.cend(); ++cover) {
        if (!listed.contains(cover.key()) && !isUnderAny(cover.key(), unlisted)) {
            batch.coverRemovals.append(cover.key());
            ++report.coversChanged;
        }
    }
    if (!flush())
        return report;
    report.completed = !isCancelled();
    return report;
}
