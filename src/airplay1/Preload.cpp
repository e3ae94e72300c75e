#include "airplay1/Preload.h"

namespace {
// How long dropping a preload waits for its worker to notice: an open the
// reader can interrupt ends well within it.
constexpr auto kPatience = std::chrono::milliseconds(500);
} // namespace

Preload::Preload(QUrl url, std::shared_ptr<PcmReaderFactory> factory)
    : url_(std::move(url))
    , opening_({url_}, 0, 0, std::move(factory), "Korvid preload", kPatience) {}

std::unique_ptr<TrackDecoder> Preload::take() {
    opening_.wait();
    auto found = opening_.take();
    return found ? std::move(found->decoder) : nullptr;
}
