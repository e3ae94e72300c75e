#include "spotify/SpotifyAPI.h"

#include "platform/FetchPolicy.h"
#include "spotify/SpotifyAPIError.h"
#include "spotify/SpotifyAuthManager.h"

#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QTimeZone>

namespace {

void validate(const SpotifyHttp::Answer& answer) {
    if (answer.status >= 200 && answer.status <= 299)
        return;
    throw SpotifyAPIError(answer.status,
                          SpotifyHttp::decodeUtf8(answer.body)
                              .value_or(QStringLiteral("HTTP ") + QString::number(answer.status)));
}

SpotifyHttp::QueryItems deviceQuery(const std::optional<QString>& deviceID) {
    if (!deviceID)
        return {};
    return {{QStringLiteral("device_id"), *deviceID}};
}

} // namespace

SpotifyAPI::SpotifyAPI(SpotifyAuthManager& authManager, QNetworkAccessManager& network,
                       QUrl baseURL, QObject* parent)
    : QObject(parent)
    , authManager_(authManager)
    , network_(network)
    , baseURL_(std::move(baseURL)) {}

QDateTime SpotifyAPI::distantPast() {
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc());
}

QDateTime SpotifyAPI::parseAddedAt(const QString& text) {
    // Internet date-time: full date, full time, and a zone (Z or an offset).
    static const QRegularExpression withFraction(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d+(Z|[+-]\d{2}:\d{2})$)"));
    static const QRegularExpression withoutFraction(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(Z|[+-]\d{2}:\d{2})$)"));
    for (const auto* form : {&withFraction, &withoutFraction}) {
        if (!form->match(text).hasMatch())
            continue;
        const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (parsed.isValid())
            return parsed.toUTC();
    }
    return distantPast();
}

QUrl SpotifyAPI::endpoint(const QString& path, const SpotifyHttp::QueryItems& query) const {
    QUrl url = baseURL_;
    QString basePath = url.path(QUrl::FullyEncoded);
    if (!basePath.endsWith(QLatin1Char('/')))
        basePath.append(QLatin1Char('/'));
    url.setPath(basePath + path, QUrl::TolerantMode);
    url = url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
    if (!query.isEmpty())
        url.setQuery(QString::fromLatin1(SpotifyHttp::encodeQuery(query)), QUrl::StrictMode);
    return url;
}

bool SpotifyAPI::sameOrigin(const QUrl& url) const {
    return url.scheme() == baseURL_.scheme() && url.host() == baseURL_.host() &&
           url.port() == baseURL_.port();
}

QCoro::Task<SpotifyHttp::Answer> SpotifyAPI::send(QUrl url, QByteArray method,
                                                  std::optional<QByteArray> jsonBody) {
    // A token failure ends the operation before anything is sent.
    const QString token = co_await authManager_.validAccessToken();
    QNetworkRequest request(url);
    request.setRawHeader(QByteArrayLiteral("Authorization"),
                         QByteArrayLiteral("Bearer ") + token.toUtf8());
    if (jsonBody)
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/json"));
    auto answer = co_await SpotifyHttp::perform(network_, request, method, std::move(jsonBody));
    co_return answer;
}

QCoro::Task<> SpotifyAPI::command(QByteArray method, QString path, SpotifyHttp::QueryItems query,
                                  std::optional<QByteArray> jsonBody) {
    validate(co_await send(endpoint(path, query), std::move(method), std::move(jsonBody)));
}

QCoro::Task<QList<SpotifySavedAlbum>> SpotifyAPI::savedAlbums(int limit, int maxAlbums) {
    QList<SpotifySavedAlbum> result;
    SpotifyHttp::QueryItems query;
    query.append({QStringLiteral("limit"), QString::number(limit)});
    QUrl page = endpoint(QStringLiteral("me/albums"), query);
    while (true) {
        const auto answer = co_await send(page, QByteArrayLiteral("GET"));
        validate(answer);
        const auto decoded = SavedAlbumsResponse::decode(answer.body);
        for (const auto& item : decoded.items)
            result.append({item.album, parseAddedAt(item.addedAt)});
        if (result.size() >= maxAlbums || !decoded.next)
            break;
        // An empty page that still points onwards would never end; and the
        // token only ever goes to the Web API's own host.
        const QUrl next(*decoded.next, QUrl::StrictMode);
        if (decoded.items.isEmpty() || !next.isValid() || next.isRelative() || !sameOrigin(next))
            break;
        page = next;
    }
    if (result.size() > maxAlbums)
        result.resize(std::max(0, maxAlbums));
    co_return result;
}

QCoro::Task<QList<SpotifyDevice>> SpotifyAPI::devices() {
    const auto answer =
        co_await send(endpoint(QStringLiteral("me/player/devices")), QByteArrayLiteral("GET"));
    validate(answer);
    QList<SpotifyDevice> devices = DevicesResponse::decode(answer.body).devices;
    devices.removeIf([](const SpotifyDevice& device) { return device.id.isEmpty(); });
    co_return devices;
}

QCoro::Task<> SpotifyAPI::play(QString albumURI, QString deviceID, int startIndex) {
    return command(QByteArrayLiteral("PUT"), QStringLiteral("me/player/play"),
                   deviceQuery(deviceID), PlayRequestBody{albumURI, startIndex}.encode());
}

QCoro::Task<> SpotifyAPI::transferPlayback(QString toDeviceID, bool startPlaying) {
    return command(QByteArrayLiteral("PUT"), QStringLiteral("me/player"), {},
                   TransferRequestBody{{toDeviceID}, startPlaying}.encode());
}

QCoro::Task<std::optional<CurrentlyPlayingResponse>> SpotifyAPI::currentPlayback() {
    const auto answer =
        co_await send(endpoint(QStringLiteral("me/player")), QByteArrayLiteral("GET"));
    if (answer.status == 204)
        co_return std::nullopt;
    validate(answer);
    if (answer.body.isEmpty())
        co_return std::nullopt;
    co_return CurrentlyPlayingResponse::decode(answer.body);
}

QCoro::Task<> SpotifyAPI::resume(std::optional<QString> deviceID) {
    return command(QByteArrayLiteral("PUT"), QStringLiteral("me/player/play"),
                   deviceQuery(deviceID));
}

QCoro::Task<> SpotifyAPI::pause(std::optional<QString> deviceID) {
    return command(QByteArrayLiteral("PUT"), QStringLiteral("me/player/pause"),
                   deviceQuery(deviceID));
}

QCoro::Task<> SpotifyAPI::skipToNext(std::optional<QString> deviceID) {
    return command(QByteArrayLiteral("POST"), QStringLiteral("me/player/next"),
                   deviceQuery(deviceID));
}

QCoro::Task<> SpotifyAPI::skipToPrevious(std::optional<QString> deviceID) {
    return command(QByteArrayLiteral("POST"), QStringLiteral("me/player/previous"),
                   deviceQuery(deviceID));
}

QCoro::Task<> SpotifyAPI::setVolume(int percent, std::optional<QString> deviceID) {
    auto query = deviceQuery(deviceID);
    query.append({QStringLiteral("volume_percent"), QString::number(percent)});
    return command(QByteArrayLiteral("PUT"), QStringLiteral("me/player/volume"), query);
}

QCoro::Task<> SpotifyAPI::seek(qint64 positionMs, std::optional<QString> deviceID) {
    auto query = deviceQuery(deviceID);
    query.append({QStringLiteral("position_ms"), QString::number(positionMs)});
    return command(QByteArrayLiteral("PUT"), QStringLiteral("me/player/seek"), query);
}

QCoro::Task<QList<PreviewTrack>> SpotifyAPI::albumTracks(QString albumID, int limit) {
    // The id is one path segment, whatever characters it holds.
    const QString path = QStringLiteral("albums/") +
                         QString::fromLatin1(QUrl::toPercentEncoding(albumID)) +
                         QStringLiteral("/tracks");
    SpotifyHttp::QueryItems query;
    query.append({QStringLiteral("limit"), QString::number(limit)});
    const auto answer = co_await send(endpoint(path, query), QByteArrayLiteral("GET"));
    validate(answer);
    co_return AlbumTracksResponse::decode(answer.body).items;
}

QCoro::Task<std::optional<QUrl>> SpotifyAPI::firstPreviewURL(QString albumID) {
    const QList<PreviewTrack> tracks = co_await albumTracks(std::move(albumID), 10);
    for (const auto& track : tracks) {
        if (!track.previewURL)
            continue;
        const QUrl url(*track.previewURL, QUrl::StrictMode);
        // The media player opens any scheme it knows (files included) and
        // any host: a refused address is no preview.
        if (const QString refusal = fetchRefusal(url); !refusal.isEmpty()) {
            qWarning("%s", qPrintable(refusal));
            co_return std::nullopt;
        }
        co_return url;
    }
    co_return std::nullopt;
}
