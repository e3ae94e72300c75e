#pragma once

#include <QList>
#include <QString>

// How album cells are drawn in the grids. Stored under "albumDisplayStyle".
enum class AlbumDisplayStyle { coverOnly, coverWithDetails };

namespace AlbumDisplayStyles {
QList<AlbumDisplayStyle> allCases();
QString rawValue(AlbumDisplayStyle style);
QString label(AlbumDisplayStyle style);
// Anything but a known raw value reads as coverOnly.
AlbumDisplayStyle fromStored(const QString& raw);

// The stored style and thumbnail size, with their defaults.
AlbumDisplayStyle storedStyle();
void storeStyle(AlbumDisplayStyle style);
inline constexpr double defaultThumbnailSize = 110.0;
inline constexpr double minimumThumbnailSize = 70.0;
inline constexpr double maximumThumbnailSize = 260.0;
double storedThumbnailSize();
void storeThumbnailSize(double size);
} // namespace AlbumDisplayStyles
