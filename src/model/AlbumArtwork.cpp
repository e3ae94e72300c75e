#include "model/AlbumArtwork.h"

AlbumArtwork AlbumArtwork::remote(std::optional<QUrl> url) {
    AlbumArtwork artwork;
    artwork.kind_ = Kind::remote;
    if (url && url->isValid())
        artwork.url_ = std::move(url);
    return artwork;
}

AlbumArtwork AlbumArtwork::local(std::shared_ptr<const LocalArtworkImage> image) {
    AlbumArtwork artwork;
    artwork.kind_ = Kind::local;
    artwork.image_ = std::move(image);
    return artwork;
}
