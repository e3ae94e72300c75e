#include "musicapp/EmbeddedArtwork.h"

#include "musicapp/TagReader.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// Covers larger than this are not decoded at all: a hostile file could
// otherwise ask for gigabytes.
constexpr int maxPixels = 64 * 1024 * 1024;

quint64 keyOf(QSize bounds) {
    return (static_cast<quint64>(static_cast<quint32>(bounds.width())) << 32) |
           static_cast<quint32>(bounds.height());
}

} // namespace

EmbeddedArtwork::EmbeddedArtwork(QString filePath, std::shared_ptr<const TagReader> reader)
    : filePath_(std::move(filePath))
    , reader_(std::move(reader)) {}

QImage EmbeddedArtwork::image(QSize bounds) const {
    std::lock_guard lock(mutex_);
    if (failed_)
        return {};
    const quint64 key = keyOf(bounds);
    if (const auto it = scaled_.constFind(key); it != scaled_.cend())
        return *it;

    QByteArray bytes = reader_ ? reader_->readPicture(filePath_) : QByteArray();
    QBuffer buffer(&bytes);
    QImageReader decoder(&buffer);
    const QSize natural = decoder.size();
    QImage picture;
    if (natural.isValid() && static_cast<qint64>(natural.width()) * natural.height() <= maxPixels) {
        // Decoders such as JPEG can scale while decoding, which is much cheaper.
        if (!bounds.isEmpty() &&
            (natural.width() > bounds.width() || natural.height() > bounds.height()))
            decoder.setScaledSize(natural.scaled(bounds, Qt::KeepAspectRatio));
        picture = decoder.read();
    }
    if (picture.isNull()) {
        failed_ = true;
        return {};
    }
    scaled_.insert(key, picture);
    return picture;
}
