#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

// Grid geometry for a given width: columns no narrower than the thumbnail
// size and no wider than 1.45 times it, 16 points apart.
struct GridColumns {
    int count;
    double cellWidth;
};
GridColumns adaptiveGridColumns(double availableWidth, double thumbnailSize);

// The stored album display style and thumbnail size, for the views that draw
// album grids and the controls that change them.
class DisplayPreferences : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition")
    Q_PROPERTY(int displayStyleIndex READ displayStyleIndex WRITE setDisplayStyleIndex NOTIFY
                   displayStyleChanged)
    Q_PROPERTY(bool showsDetails READ showsDetails NOTIFY displayStyleChanged)
    Q_PROPERTY(
        double thumbnailSize READ thumbnailSize WRITE setThumbnailSize NOTIFY thumbnailSizeChanged)
    Q_PROPERTY(double minimumThumbnailSize READ minimumThumbnailSize CONSTANT)
    Q_PROPERTY(double maximumThumbnailSize READ maximumThumbnailSize CONSTANT)

public:
    explicit DisplayPreferences(QObject* parent = nullptr);

    int displayStyleIndex() const { return displayStyleIndex_; }
    void setDisplayStyleIndex(int index);
    bool showsDetails() const;

    double thumbnailSize() const { return thumbnailSize_; }
    void setThumbnailSize(double size);
    double minimumThumbnailSize() const;
    double maximumThumbnailSize() const;

    // {count, cellWidth} of the album grid for the given width and thumbnail
    // size; the views pass thumbnailSize, so their binding follows it.
    Q_INVOKABLE static QVariantMap gridColumns(double availableWidth, double thumbnailSize);

Q_SIGNALS:
    void displayStyleChanged();
    void thumbnailSizeChanged();

private:
    int displayStyleIndex_;
    double thumbnailSize_;
};
