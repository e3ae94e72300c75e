#include "model/CoverDecoding.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

namespace {

bool acceptable(QSize natural) {
    return natural.isValid() &&
           static_cast<qint64>(natural.width()) * natural.height() <= CoverDecoding::maximumPixels;
}

bool exceeds(QSize size, QSize bounds) {
    return size.width() > bounds.width() || size.height() > bounds.height();
}

} // namespace

namespace CoverDecoding {

QSize boundsFor(QSize requested) {
    const auto edge = [](int asked) {
        return asked > 0 ? std::min(asked, largestEdge) : defaultEdge;
    };
    // A view that fixes one side only gets the other as large.
    const int width = requested.width() > 0 ? requested.width() : requested.height();
    const int height = requested.height() > 0 ? requested.height() : requested.width();
    return {edge(width), edge(height)};
}

bool isDecodable(const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    QImageReader reader(&buffer);
    return reader.canRead() && acceptable(reader.size());
}

QImage decode(const QByteArray& bytes, QSize bounds) {
    if (bytes.isEmpty() || bytes.size() > maximumBytes)
        return {};
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    QImageReader reader(&buffer);
    const QSize natural = reader.size();
    if (!acceptable(natural))
        return {};
    // Decoders such as JPEG's scale while decoding, which is much cheaper.
    if (!bounds.isEmpty() && exceeds(natural, bounds))
        reader.setScaledSize(natural.scaled(bounds, Qt::KeepAspectRatio));
    return reader.read();
}

QImage fit(const QImage& image, QSize bounds) {
    if (image.isNull() || bounds.isEmpty() || !exceeds(image.size(), bounds))
        return image;
    return image.scaled(bounds, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace CoverDecoding
