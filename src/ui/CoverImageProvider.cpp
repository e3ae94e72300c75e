#include "ui/CoverImageProvider.h"

#include "ui/CoverImages.h"

CoverImageProvider::CoverImageProvider(CoverImages& covers)
    : covers_(covers) {}

QQuickImageResponse* CoverImageProvider::requestImageResponse(const QString& id,
                                                              const QSize& requestedSize) {
    return new CoverResponse(covers_, id, requestedSize);
}

CoverResponse::CoverResponse(CoverImages& covers, const QString& id, QSize requested)
    : delivery_(std::make_shared<Delivery>()) {
    delivery_->response = this;
    // The engine listens for finished() only once this constructor returned,
    // so the work starts on the next turn of this thread's loop.
    QMetaObject::invokeMethod(
        this,
        [&covers, id, requested, delivery = delivery_] {
            covers.load(
                id, requested, [delivery](const QImage& image) { deliver(delivery, image); },
                [delivery] { return !delivery->cancelled; });
        },
        Qt::QueuedConnection);
}

CoverResponse::~CoverResponse() {
    std::lock_guard lock(delivery_->mutex);
    delivery_->response = nullptr;
}

void CoverResponse::deliver(const std::shared_ptr<Delivery>& delivery, const QImage& image) {
    std::lock_guard lock(delivery->mutex);
    if (CoverResponse* response = delivery->response) {
        response->image_ = image;
        Q_EMIT response->finished();
    }
}

void CoverResponse::cancel() {
    // The engine still waits for finished(), which the skipped decode sends.
    delivery_->cancelled = true;
}

QQuickTextureFactory* CoverResponse::textureFactory() const {
    return image_.isNull() ? nullptr : QQuickTextureFactory::textureFactoryForImage(image_);
}

QString CoverResponse::errorString() const {
    return image_.isNull() ? QStringLiteral("No cover for this album.") : QString();
}
