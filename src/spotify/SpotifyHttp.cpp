#include "spotify/SpotifyHttp.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringDecoder>
#include <QUrl>

#include <memory>

namespace {

// Qt reports an HTTP error status through error() as well; those codes
// belong to an answer. Every other error means the answer never arrived
// whole, even when its headers (and so a status) did.
bool isTransportFailure(QNetworkReply::NetworkError error) {
    using Error = QNetworkReply::NetworkError;
    if (error == Error::NoError)
        return false;
    const bool fromStatus =
        (error >= Error::ContentAccessDenied && error <= Error::UnknownContentError) ||
        error == Error::ProtocolInvalidOperationError ||
        (error >= Error::InternalServerError && error <= Error::UnknownServerError);
    return !fromStatus;
}

} // namespace

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
                            QByteArray method, std::optional<QByteArray> body,
                            std::chrono::milliseconds timeout) {
    request.setTransferTimeout(static_cast<int>(timeout.count()));
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
    // A connection that breaks after the headers is no answer: its status
    // would pass a cut body off as the whole one.
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    if (!status.isValid() || isTransportFailure(error)) {
        if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
            throw SpotifyTransportError(QStringLiteral("The request timed out."));
        throw SpotifyTransportError(reply->errorString());
    }
    // Qt does not always notice a connection that closes early: the close can
    // lose the race against an error status, or even pass as the end. So the
    // body is held against the length its headers promised (Qt drops that
    // header when it decompresses the body, the one case it would not fit).
    QByteArray data = reply->readAll();
    const QVariant promised = reply->header(QNetworkRequest::ContentLengthHeader);
    if (promised.isValid() && data.size() < promised.toLongLong())
        throw SpotifyTransportError(
            QStringLiteral("The connection closed before Spotify's whole answer arrived."));
    co_return Answer{status.toInt(), std::move(data)};
}

} // namespace SpotifyHttp
