#include "airplay1/TrackDecoder.h"

std::unique_ptr<TrackDecoder> TrackDecoder::open(const QUrl& url, double startSeconds,
                                                 std::shared_ptr<PcmReaderFactory> factory,
                                                 const std::atomic<bool>* abort) {
    if (!url.isLocalFile()) {
        return nullptr;
    }
    const QString path = url.toLocalFile();
    if (!factory) {
        factory = PcmReaderFactory::ffmpeg();
    }
    auto reader = factory->open(path, std::max(0.0, startSeconds), abort);
    if (!reader) {
        return nullptr;
    }
    return std::make_unique<TrackDecoder>(std::move(reader));
}
