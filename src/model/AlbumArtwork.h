#pragma once

#include <QImage>
#include <QSize>
#include <QUrl>

#include <memory>
#include <optional>

// A local cover that is decoded only when something draws it. Loading albums
// must stay cheap, so the library hands out these instead of pictures.
class LocalArtworkImage {
public:
    virtual ~LocalArtworkImage() = default;
    // The picture scaled to fit `bounds` (kept as it is when smaller or when
    // `bounds` is empty); a null image when it cannot be decoded. Safe to call
    // from any thread; each call may decode again, so callers keep what they
    // draw often.
    virtual QImage image(QSize bounds = {}) const = 0;
};

// Cover art: a remote URL for Spotify albums, a local picture for the others.
// Either may be absent, and screens then draw a placeholder.
class AlbumArtwork {
public:
    enum class Kind { remote, local };

    static AlbumArtwork remote(std::optional<QUrl> url);
    static AlbumArtwork local(std::shared_ptr<const LocalArtworkImage> image);

    Kind kind() const { return kind_; }
    bool isRemote() const { return kind_ == Kind::remote; }
    bool isLocal() const { return kind_ == Kind::local; }
    // The URL of the remote case; absent for local artwork.
    const std::optional<QUrl>& url() const { return url_; }
    // The picture of the local case; null for remote artwork or no picture.
    const std::shared_ptr<const LocalArtworkImage>& localImage() const { return image_; }

private:
    Kind kind_ = Kind::remote;
    std::optional<QUrl> url_;
    std::shared_ptr<const LocalArtworkImage> image_;
};
