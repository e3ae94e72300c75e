#pragma once

#include "musicapp/LibraryIndex.h"

#include <atomic>
#include <functional>
#include <memory>

class TagReader;

// What one scan did.
struct ScanReport {
    int added = 0;
    int updated = 0;
    int removed = 0;
    int unchanged = 0;
    int unreadable = 0;     // audio-named files that are not readable songs
    int coversChanged = 0;  // folders whose cover picture came, went or changed
    bool completed = false; // false when cancelled or the index failed
    // Folders that could not be listed; nothing under them was removed.
    int unreadableFolders = 0;
    // No song was found where the index knew some (a disk not mounted yet):
    // nothing was removed.
    bool foundNoSongs = false;
    // Every folder listed, relative to the music folder ("" for itself).
    QStringList folders;
};

// Brings the index in line with the music folder: reads only files that are
// new or whose size or modification time changed, drops those that are gone,
// and notes the cover picture each folder keeps. It lists each folder once.
// What it cannot see is not taken for gone: nothing under a folder it
// cannot list is removed, nor anything when it finds no song at all. Runs on whatever thread calls
// scan(); the index must belong to it.
class LibraryScanner {
public:
    LibraryScanner(std::shared_ptr<const TagReader> reader, QString musicFolder,
                   LibraryIndex& index);

    // `nowMs` is the first-seen time given to new files. `progress` is told
    // the number of files looked at so far, after each file.
    ScanReport scan(qint64 nowMs, const std::atomic<bool>* cancelled = nullptr,
                    const std::function<void(int)>& progress = {});

    // Files are written in batches of this many, one transaction each.
    static constexpr int batchSize = 256;

private:
    std::shared_ptr<const TagReader> reader_;
    QString folder_;
    LibraryIndex& index_;
};
