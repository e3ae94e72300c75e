#include "musicapp/FolderArtwork.h"

#include "model/CoverDecoding.h"

#include <QFile>

FolderArtwork::FolderArtwork(QString filePath)
    : filePath_(std::move(filePath)) {}

QImage FolderArtwork::image(QSize bounds) const {
    if (failed_)
        return {};
    QFile file(filePath_);
    QImage picture;
    // A file larger than any cover is not read into memory at all.
    if (file.open(QIODevice::ReadOnly) && file.size() <= CoverDecoding::maximumBytes)
        picture = CoverDecoding::decode(file.read(CoverDecoding::maximumBytes), bounds);
    if (picture.isNull())
        failed_ = true;
    return picture;
}
