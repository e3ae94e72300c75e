#pragma once

#include "model/AlbumArtwork.h"

#include <QHash>
#include <QImage>
#include <QString>

#include <memory>
#include <mutex>

class TagReader;

// The picture embedded in a song file, read and decoded only when drawn and
// kept per size asked for.
class EmbeddedArtwork final : public LocalArtworkImage {
public:
    EmbeddedArtwork(QString filePath, std::shared_ptr<const TagReader> reader);

    QImage image(QSize bounds = {}) const override;

private:
    QString filePath_;
    std::shared_ptr<const TagReader> reader_;
    mutable std::mutex mutex_;
    mutable QHash<quint64, QImage> scaled_;
    mutable bool failed_ = false;
};
