#include "ui/CoverFetcher.h"

#include "model/CoverDecoding.h"
#include "platform/CacheFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace {

constexpr int transferTimeoutMs = 20000;

// Covers a user has not seen for two months, and the least recently seen
// beyond 200 MB (some thousands of covers), leave the folder. It is trimmed
// at the first cover kept and after every hundredth.
constexpr CacheBounds kBounds{200 * 1024 * 1024, std::chrono::hours(24 * 60)};
constexpr int kWritesBetweenTrims = 100;

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > CoverDecoding::maximumBytes)
        return {};
    return file.readAll();
}

// Written whole or not at all, so a cover in the folder is always complete.
bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

CoverFetcher::CoverFetcher(QString folder, Policy policy, QObject* parent)
    : QObject(parent)
    , folder_(std::move(folder))
    , policy_(std::move(policy)) {}

CoverFetcher::~CoverFetcher() {
    // Whoever still waits hears that nothing comes.
    const auto waiting = std::exchange(waiting_, {});
    for (const auto& callbacks : waiting) {
        for (const auto& done : callbacks)
            done({});
    }
}

QString CoverFetcher::filePath(const QUrl& url) const {
    const QByteArray key =
        QCryptographicHash::hash(url.toEncoded(QUrl::FullyEncoded), QCryptographicHash::Sha256);
    return folder_ + QLatin1Char('/') + QString::fromLatin1(key.toHex());
}

void CoverFetcher::obtain(const QUrl& url, Done done) {
    if (const QString refusal = policy_(url); !refusal.isEmpty()) {
        qWarning("%s", qPrintable(refusal));
        done({});
        return;
    }
    if (const auto it = waiting_.find(url); it != waiting_.end()) {
        it->append(std::move(done));
        return;
    }
    if (QByteArray kept = readFile(filePath(url)); !kept.isEmpty()) {
        touchCacheFile(filePath(url));
        done(std::move(kept));
        return;
    }

    if (!network_) {
        // Made here, on the thread the fetcher runs on.
        network_ = new QNetworkAccessManager(this);
        // Each redirect is judged like the address itself.
        network_->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
        network_->setTransferTimeout(transferTimeoutMs);
    }
    waiting_[url].append(std::move(done));
    QNetworkReply* reply = network_->get(QNetworkRequest(url));
    // A cover that announces or delivers more than a cover's size is dropped.
    // Progress signals are throttled and may never come for a transfer that
    // stalls, so the announced length and the data read are checked instead.
    const auto dropIfTooLarge = [reply] {
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (announced > CoverDecoding::maximumBytes ||
            reply->bytesAvailable() > CoverDecoding::maximumBytes)
            reply->abort();
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, dropIfTooLarge);
    connect(reply, &QNetworkReply::readyRead, reply, dropIfTooLarge);
    connect(reply, &QNetworkReply::redirected, reply, [this, reply](const QUrl& target) {
        if (const QString refusal = policy_(target); !refusal.isEmpty()) {
            qWarning("%s", qPrintable(refusal));
            reply->abort();
            return;
        }
        Q_EMIT reply->redirectAllowed();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply); });
}

void CoverFetcher::finished(QNetworkReply* reply) {
    reply->deleteLater();
    const QUrl url = reply->request().url();
    QByteArray bytes;
    if (reply->error() == QNetworkReply::NoError)
        bytes = reply->readAll();
    // Only a picture is kept: an error page or garbage must not stay in the
    // folder for good. A cover the folder cannot take is still shown.
    if (bytes.size() > CoverDecoding::maximumBytes || !CoverDecoding::isDecodable(bytes))
        bytes.clear();
    else if (writeFile(filePath(url), bytes) && writesSinceTrim_++ % kWritesBetweenTrims == 0)
        trimCacheFolder(folder_, kBounds);
    answer(url, bytes);
}

void CoverFetcher::answer(const QUrl& url, const QByteArray& bytes) {
    const QList<Done> callbacks = waiting_.take(url);
    for (const auto& done : callbacks)
        done(bytes);
}
