#pragma once

#include "model/AlbumArtwork.h"

#include <QImage>
#include <QString>

#include <atomic>

// A cover kept as a picture file beside the songs, read and decoded only
// when drawn. Like the embedded kind, it keeps no pixels itself.
class FolderArtwork final : public LocalArtworkImage {
public:
    explicit FolderArtwork(QString filePath);

    QImage image(QSize bounds = {}) const override;

private:
    QString filePath_;
    // A file that is no picture is not read again.
    mutable std::atomic<bool> failed_ = false;
};
