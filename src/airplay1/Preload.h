#pragma once

#include "airplay1/TrackOpening.h"

#include <QUrl>

#include <memory>

// Opens the next track on a worker thread while the current one plays.
// Dropping a preload cancels it: a decoder it still opens is closed at once,
// and the worker is gone when the destructor returns, unless the file system
// holds it up for more than half a second (it then finishes alone).
class Preload {
public:
    Preload(QUrl url, std::shared_ptr<PcmReaderFactory> factory = nullptr);

    // Blocks until the opening has ended (once; later calls return at once)
    // and hands over the decoder, if any.
    std::unique_ptr<TrackDecoder> take();
    // Gives the preload up; a decoder already opened stops reading.
    void cancel() { opening_.cancel(); }

    const QUrl& url() const { return url_; }

private:
    QUrl url_;
    TrackOpening opening_;
};
