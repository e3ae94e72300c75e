#include "ui/CoverImages.h"

#include "model/CoverDecoding.h"
#include "model/DisplayAlbum.h"
#include "ui/CoverFetcher.h"
#include "ui/CoverImageProvider.h"

#include <QQmlEngine>
#include <QStandardPaths>

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString scheme = QStringLiteral("image://covers/");
const QString localKind = QStringLiteral("local");
const QString remoteKind = QStringLiteral("remote");

// Album ids and remote addresses may hold any character; in the image
// address they travel as base64url, which no URL handling alters.
QString encoded(const QString& text) {
    return QString::fromLatin1(
        text.toUtf8().toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString decoded(QStringView text) {
    const auto result = QByteArray::fromBase64Encoding(
        text.toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    return result ? QString::fromUtf8(*result) : QString();
}

// Decoding threads give way to the window's: when both want a core, a
// scroll's frame goes first. Linux's default scheduler ignores Qt's thread
// priorities short of idle, so the thread's own nice value says it.
void yieldToWindow() {
    thread_local bool lowered = false;
    if (!lowered) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
        lowered = true;
    }
}

} // namespace

QString CoverImages::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/covers");
}

CoverImages::CoverImages(QString folder, qint64 memoryBytes,
                         std::function<QString(const QUrl&)> fetchPolicy)
    : fetcher_(new CoverFetcher(std::move(folder), std::move(fetchPolicy))) {
    memory_.setMaxCost(std::max<qint64>(memoryBytes, 0));
    // Covers come second to everything that keeps the window moving: one
    // core stays for the window, or a scroll's frames wait for it.
    decoders_.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
    network_.setObjectName(QStringLiteral("Korvid covers"));
    fetcher_->moveToThread(&network_);
    network_.start();
}

CoverImages::~CoverImages() {
    // The fetcher goes on its own thread; whoever still waits gets nothing.
    QMetaObject::invokeMethod(
        fetcher_, [fetcher = fetcher_] { delete fetcher; }, Qt::BlockingQueuedConnection);
    network_.quit();
    network_.wait();
    decoders_.waitForDone();
}

QUrl CoverImages::source(const QString& albumID, const AlbumArtwork& artwork) {
    if (artwork.isRemote()) {
        if (!artwork.url())
            return {};
        return QUrl(scheme + remoteKind + QLatin1Char('/') +
                    encoded(artwork.url()->toString(QUrl::FullyEncoded)));
    }
    if (!artwork.localImage())
        return {};
    {
        std::lock_guard lock(mutex_);
        locals_.insert(albumID, artwork.localImage());
    }
    return QUrl(scheme + localKind + QLatin1Char('/') + encoded(albumID));
}

std::function<QUrl(const DisplayAlbum&)> CoverImages::sourceFunction() {
    return [this](const DisplayAlbum& album) { return source(album.id(), album.album.artwork); };
}

void CoverImages::install(QQmlEngine& engine) {
    engine.addImageProvider(QStringLiteral("covers"), new CoverImageProvider(*this));
}

void CoverImages::load(const QString& id, QSize requested, std::function<void(QImage)> done,
                       Wanted wanted) {
    const QSize bounds = CoverDecoding::boundsFor(requested);
    const QString key = id + QLatin1Char('@') + QString::number(bounds.width()) + QLatin1Char('x') +
                        QString::number(bounds.height());
    if (const auto image = remembered(key)) {
        done(*image);
        return;
    }
    const auto parts = QStringView(id).split(QLatin1Char('/'));
    if (parts.size() == 2 && parts[0] == localKind) {
        loadLocal(decoded(parts[1]), bounds, key, std::move(done), std::move(wanted));
    } else if (parts.size() == 2 && parts[0] == remoteKind) {
        loadRemote(QUrl(decoded(parts[1]), QUrl::StrictMode), bounds, key, std::move(done),
                   std::move(wanted));
    } else {
        done({});
    }
}

void CoverImages::loadLocal(const QString& albumID, QSize bounds, const QString& key,
                            std::function<void(QImage)> done, Wanted wanted) {
    std::shared_ptr<const LocalArtworkImage> picture;
    {
        std::lock_guard lock(mutex_);
        picture = locals_.value(albumID);
    }
    if (!picture) {
        done({});
        return;
    }
    decodeLater([picture, bounds] { return CoverDecoding::fit(picture->image(bounds), bounds); },
                key, std::move(done), std::move(wanted));
}

void CoverImages::decodeLater(std::function<QImage()> decode, const QString& key,
                              std::function<void(QImage)> done, Wanted wanted) {
    decoders_.start([this, decode = std::move(decode), key, done = std::move(done),
                     wanted = std::move(wanted)] {
        yieldToWindow();
        if (wanted && !wanted()) {
            done({});
            return;
        }
        const QImage image = decode();
        remember(key, image);
        done(image);
    });
}

void CoverImages::loadRemote(const QUrl& url, QSize bounds, const QString& key,
                             std::function<void(QImage)> done, Wanted wanted) {
    const auto decode = [this, bounds, key, done = std::move(done), wanted](QByteArray bytes) {
        if (bytes.isEmpty()) {
            done({});
            return;
        }
        decodeLater(
            [bytes = std::move(bytes), bounds] { return CoverDecoding::decode(bytes, bounds); },
            key, done, wanted);
    };
    QMetaObject::invokeMethod(
        fetcher_, [fetcher = fetcher_, url, decode] { fetcher->obtain(url, decode); },
        Qt::QueuedConnection);
}

std::optional<QImage> CoverImages::remembered(const QString& key) {
    std::lock_guard lock(mutex_);
    if (const QImage* image = memory_.object(key))
        return *image;
    return std::nullopt;
}

void CoverImages::remember(const QString& key, const QImage& image) {
    if (image.isNull())
        return;
    std::lock_guard lock(mutex_);
    memory_.insert(key, new QImage(image), image.sizeInBytes());
}
