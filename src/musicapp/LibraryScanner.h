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
    bool completed = false; // false when cancelled or the index failed
};

// Brings the index in line with the music folder: reads only files that are
// new or whose size or modification time changed, and drops those that are
// gone. Runs on whatever thread calls scan(); the index must belong to it.
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
