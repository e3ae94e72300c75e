#include "ui/DisplayPreferences.h"

#include "model/AlbumDisplayStyle.h"

#include <QVariantMap>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kGridSpacing = 16.0;
constexpr double kMaximumWidthFactor = 1.45;
} // namespace

GridColumns adaptiveGridColumns(double availableWidth, double thumbnailSize) {
    if (!(thumbnailSize > 0) || !(availableWidth > 0)) {
        return {1, std::max(0.0, thumbnailSize)};
    }
    const int count = std::max(
        1, int(std::floor((availableWidth + kGridSpacing) / (thumbnailSize + kGridSpacing))));
    const double share = (availableWidth - kGridSpacing * (count - 1)) / count;
    return {count, std::clamp(share, std::min(thumbnailSize, availableWidth),
                              thumbnailSize * kMaximumWidthFactor)};
}

DisplayPreferences::DisplayPreferences(QObject* parent)
    : QObject(parent)
    , displayStyleIndex_(int(AlbumDisplayStyles::storedStyle()))
    , thumbnailSize_(AlbumDisplayStyles::storedThumbnailSize()) {}

void DisplayPreferences::setDisplayStyleIndex(int index) {
    const auto cases = AlbumDisplayStyles::allCases();
    if (index < 0 || index >= cases.size() || index == displayStyleIndex_) {
        return;
    }
    displayStyleIndex_ = index;
    AlbumDisplayStyles::storeStyle(cases.at(index));
    Q_EMIT displayStyleChanged();
}

bool DisplayPreferences::showsDetails() const {
    return AlbumDisplayStyle(displayStyleIndex_) == AlbumDisplayStyle::coverWithDetails;
}

void DisplayPreferences::setThumbnailSize(double size) {
    if (!std::isfinite(size) || size == thumbnailSize_) {
        return;
    }
    thumbnailSize_ = size;
    AlbumDisplayStyles::storeThumbnailSize(size);
    Q_EMIT thumbnailSizeChanged();
}

double DisplayPreferences::minimumThumbnailSize() const {
    return AlbumDisplayStyles::minimumThumbnailSize;
}

double DisplayPreferences::maximumThumbnailSize() const {
    return AlbumDisplayStyles::maximumThumbnailSize;
}

QVariantMap DisplayPreferences::gridColumns(double availableWidth, double thumbnailSize) {
    const auto columns = adaptiveGridColumns(availableWidth, thumbnailSize);
    return {{QStringLiteral("count"), columns.count},
            {QStringLiteral("cellWidth"), columns.cellWidth}};
}
