#include "musicapp/EmbeddedArtwork.h"

#include "model/CoverDecoding.h"
#include "musicapp/TagReader.h"

EmbeddedArtwork::EmbeddedArtwork(QString filePath, std::shared_ptr<const TagReader> reader)
    : filePath_(std::move(filePath))
    , reader_(std::move(reader)) {}

QImage EmbeddedArtwork::image(QSize bounds) const {
    if (failed_)
        return {};
    const QImage picture =
        CoverDecoding::decode(reader_ ? reader_->readPicture(filePath_) : QByteArray(), bounds);
    if (picture.isNull())
        failed_ = true;
    return picture;
}
