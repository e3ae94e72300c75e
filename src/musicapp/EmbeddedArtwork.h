#pragma once

#include "model/AlbumArtwork.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <memory>

class TagReader;

// The picture embedded in a song file, read and decoded only when drawn. It
// keeps no pictures: an album list holds one of these per album for as long
// as it lives, so whoever draws often keeps what it draws (the views' cover
// cache, which is bounded).
class EmbeddedArtwork final : public LocalArtworkImage {
public:
    EmbeddedArtwork(QString filePath, std::shared_ptr<const TagReader> reader);

    QImage image(QSize bounds = {}) const override;

private:
    QString filePath_;
    std::shared_ptr<const TagReader> reader_;
    // A file without a picture is not read again.
    mutable std::atomic<bool> failed_ = false;
};
