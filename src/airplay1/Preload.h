#pragma once

#include "airplay1/TrackDecoder.h"

#include <QUrl>

#include <memory>
#include <thread>

// Opens the next track on a worker thread while the current one plays.
// Dropping a preload cancels it: a decoder it still opens is closed at once,
// and the worker is gone when the destructor returns.
class Preload {
public:
    Preload(QUrl url, std::shared_ptr<PcmReaderFactory> factory = nullptr);
    ~Preload();
    Preload(const Preload&) = delete;
    Preload& operator=(const Preload&) = delete;

    // Blocks until the opening has ended (once; later calls return at once)
    // and hands over the decoder, if any.
    std::unique_ptr<TrackDecoder> take();
    // Gives the preload up; a decoder already opened stops reading.
    void cancel();

    const QUrl& url() const { return url_; }

    struct Shared;

private:
    QUrl url_;
    std::shared_ptr<Shared> shared_;
    std::thread worker_;
    bool finished_ = false;
};
