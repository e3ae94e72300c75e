#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Turning cover bytes into the picture a view draws, within limits that keep
// a hostile file from taking the memory. Pure functions, safe on any thread.
namespace CoverDecoding {
// A download larger than this is not a cover; it is not kept or decoded.
inline constexpr qint64 maximumBytes = 8 * 1024 * 1024;
// Nor is a picture of more pixels than this: decoding it could take a
// gigabyte.
inline constexpr qint64 maximumPixels = 4096 * 4096;
// The size asked for when a view gives none, and the largest it may ask for.
inline constexpr int defaultEdge = 512;
inline constexpr int largestEdge = 2048;

// The bounds a request for `requested` is served at.
QSize boundsFor(QSize requested);
// Whether `bytes` hold a picture of a size this program decodes.
bool isDecodable(const QByteArray& bytes);
// The picture scaled to fit `bounds` (kept as it is when already smaller, or
// when `bounds` is empty); null when it is not a picture or too large.
QImage decode(const QByteArray& bytes, QSize bounds);
// `image` scaled down to fit `bounds`, keeping its shape.
QImage fit(const QImage& image, QSize bounds);
} // namespace CoverDecoding
