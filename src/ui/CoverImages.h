#pragma once

#include "model/AlbumArtwork.h"
#include "platform/FetchPolicy.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <QThread>
#include <QThreadPool>
#include <QUrl>

#include <functional>
#include <memory>
#include <mutex>

class CoverFetcher;
class QQmlEngine;
struct DisplayAlbum;

// Album covers for the views, never decoded or fetched on the main thread.
// An album's artwork becomes an image address ("image://covers/...") that
// the views bind to; the engine's image provider serves it at the size the
// view asks for:
// - local covers are decoded and scaled on worker threads;
// - remote covers are fetched once and kept in `folder` (by default the
//   XDG cache folder's "covers"), and read from there afterwards;
// - the pictures last served are kept in memory, up to `memoryBytes`;
// - a cover that cannot be had gives no picture, and the view shows its
//   placeholder.
// Made once on the main thread; it must outlive the engines it serves.
class CoverImages {
public:
    // About 80 covers of 160 pixels: the ones on screen are held by the
    // views anyway, so this is for scrolling back.
    static constexpr qint64 defaultMemoryBytes = 8LL * 1024 * 1024;
    // Asked just before a picture is decoded: false when nobody waits for it
    // any more, as for a cell that scrolled away, and the decode is skipped.
    using Wanted = std::function<bool()>;
    static QString defaultFolder();

    // `fetchPolicy` judges remote covers' addresses and redirects.
    explicit CoverImages(QString folder = defaultFolder(), qint64 memoryBytes = defaultMemoryBytes,
                         std::function<QString(const QUrl&)> fetchPolicy = fetchRefusal);
    ~CoverImages();
    CoverImages(const CoverImages&) = delete;
    CoverImages& operator=(const CoverImages&) = delete;

    // The address the views show the artwork of `albumID` by; empty when
    // there is no picture (remote without address, local without image).
    // A local picture is registered under the album's id, whose address stays
    // the same when a reload hands over a new picture object for it.
    QUrl source(const QString& albumID, const AlbumArtwork& artwork);
    // source() as the album list models take it.
    std::function<QUrl(const DisplayAlbum&)> sourceFunction();

    // Serves the addresses of source() in `engine`.
    void install(QQmlEngine& engine);

    // The picture for an address id (what follows "image://covers/"), at
    // `requested` (see CoverDecoding::boundsFor). `done` is called once with
    // the picture or a null image: at once for a picture in memory, else on
    // a worker thread. A picture no longer `wanted` gives a null image.
    void load(const QString& id, QSize requested, std::function<void(QImage)> done,
              Wanted wanted = {});

private:
    std::optional<QImage> remembered(const QString& key);
    void remember(const QString& key, const QImage& image);
    // Decodes on a worker thread unless no longer wanted, and keeps the result.
    void decodeLater(std::function<QImage()> decode, const QString& key,
                     std::function<void(QImage)> done, Wanted wanted);
    void loadLocal(const QString& albumID, QSize bounds, const QString& key,
                   std::function<void(QImage)> done, Wanted wanted);
    void loadRemote(const QUrl& url, QSize bounds, const QString& key,
                    std::function<void(QImage)> done, Wanted wanted);

    std::mutex mutex_;
    QHash<QString, std::shared_ptr<const LocalArtworkImage>> locals_;
    QCache<QString, QImage> memory_;

    QThreadPool decoders_;
    QThread network_;
    CoverFetcher* fetcher_ = nullptr;
};
