#include "spotify/SpotifyHttp.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringDecoder>
#include <QUrl>

#include <memory>

namespace SpotifyHttp {

QByteArray encodeComponent(const QString& text) {
    // Unreserved characters stay as they are, as do the remaining characters
    // a query may hold literally.
    return QUrl::toPercentEncoding(text, QByteArrayLiteral("!$'()*,;:@/?"));
}

QByteArray encodeQuery(const QueryItems& items) {
    QByteArray query;
    for (const auto& [name, value] : items) {
        if (!query.isEmpty())
            query.append('&');
        query.append(encodeComponent(name)).append('=').append(encodeComponent(value));
    }
    return query;
}

std::optional<QString> decodeUtf8(const QByteArray& body) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

QCoro::Task<Answer> perform(QNetworkAccessManager& network, QNetworkRequest request,
                            QByteArray method, std::optional<QByteArray> body) {
    request.setTransferTimeout(static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(requestTimeout).count()));
    // Redirects are reported, not followed: the bearer token must never be
    // carried to another host.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // Without a body, PUT and POST still state a length of zero: the Web API
    // refuses them otherwise (411).
    const bool needsLength = method == "PUT" || method == "POST";
    if (!body && needsLength)
        request.setHeader(QNetworkRequest::ContentLengthHeader, 0);
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        body ? network.sendCustomRequest(request, method, *body)
             : network.sendCustomRequest(request, method, static_cast<QIODevice*>(nullptr)),
        [](QNetworkReply* r) { r->deleteLater(); });

    bool tooLarge = false;
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(),
                     [r = reply.get(), &tooLarge](qint64 received, qint64 total) {
                         if (received > maxBodyBytes || total > maxBodyBytes) {
                             tooLarge = true;
                             r->abort();
                         }
                     });
    co_await qCoro(reply.get()).waitForFinished();

    if (tooLarge)
        throw SpotifyTransportError(QStringLiteral("Spotify's answer was too large."));
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        if (reply->error() == QNetworkReply::OperationCanceledError)
            throw SpotifyTransportError(QStringLiteral("The request timed out."));
        throw SpotifyTransportError(reply->errorString());
    }
    co_return Answer{status.toInt(), reply->readAll()};
}

} // namespace SpotifyHttp
