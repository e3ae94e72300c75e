#pragma once

#include "airplay1/TrackDecoder.h"

#include <QList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

// Looks, on a worker thread of its own, for the first track of a list that
// opens, so that a slow disk or a network share holds up nobody else.
// Tracks from `startIndex` on are tried in turn, the first of them at
// `startSeconds`, the others from their start; those that fail are skipped.
//
// Dropping the opening gives it up. The destructor waits up to `patience`
// for the worker to notice and joins it; a worker still held up in the file
// system after that is left to finish alone, touching only its own state,
// and whatever it opens then is closed at once.
class TrackOpening {
public:
    struct Opened {
        int index = 0;
        std::unique_ptr<TrackDecoder> decoder;
    };

    // `ended` runs on the worker once the search is over, unless it was given
    // up first. A null factory means FFmpeg. `threadName` has at most 15 bytes.
    TrackOpening(QList<QUrl> tracks, int startIndex, double startSeconds,
                 std::shared_ptr<PcmReaderFactory> factory, const char* threadName,
                 std::chrono::milliseconds patience, std::function<void()> ended = {});
    ~TrackOpening();
    TrackOpening(const TrackOpening&) = delete;
    TrackOpening& operator=(const TrackOpening&) = delete;

    // Blocks until the search is over.
    void wait();
    // The track found, once the search is over and unless given up; nothing
    // otherwise. Hands it over once.
    std::optional<Opened> take();
    // Gives the search up: the worker stops trying further tracks, a slow
    // open is interrupted where the reader allows it, and a decoder already
    // opened stops reading.
    void cancel();

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    std::thread worker_;
    std::chrono::milliseconds patience_;
    bool waited_ = false;
};
