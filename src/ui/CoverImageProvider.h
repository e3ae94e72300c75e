#pragma once

#include <QImage>
#include <QQuickAsyncImageProvider>
#include <QQuickImageResponse>

#include <atomic>
#include <memory>
#include <mutex>

class CoverImages;

// The engine's side of CoverImages: one response per picture a view asks for.
class CoverImageProvider final : public QQuickAsyncImageProvider {
public:
    explicit CoverImageProvider(CoverImages& covers);
    QQuickImageResponse* requestImageResponse(const QString& id,
                                              const QSize& requestedSize) override;

private:
    CoverImages& covers_;
};

class CoverResponse final : public QQuickImageResponse {
    Q_OBJECT
public:
    CoverResponse(CoverImages& covers, const QString& id, QSize requested);
    ~CoverResponse() override;

    QQuickTextureFactory* textureFactory() const override;
    // The engine no longer needs the picture; one not yet decoded is skipped.
    void cancel() override;
    QString errorString() const override;

private:
    // The workers' way back: cleared when the response goes, so a late
    // picture finds nobody instead of a deleted object.
    struct Delivery {
        std::mutex mutex;
        CoverResponse* response = nullptr;
        std::atomic<bool> cancelled = false;
    };
    static void deliver(const std::shared_ptr<Delivery>& delivery, const QImage& image);

    std::shared_ptr<Delivery> delivery_;
    QImage image_; // written once, before finished()
};
