#pragma once

#include "spotify/SpotifyHttp.h"
#include "spotify/SpotifyRecords.h"

#include <QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class SpotifyAuthManager;

// One saved album with the moment the user saved it.
struct SpotifySavedAlbum {
    SpotifyAlbum album;
    QDateTime addedAt; // the distant past when Spotify's date does not parse

    bool operator==(const SpotifySavedAlbum&) const = default;
};

// The program's only caller of the Spotify Web API. Every request carries a
// fresh bearer token; every status outside 200-299 becomes SpotifyAPIError.
// Lives on the main thread; operations may overlap.
class SpotifyAPI : public QObject {
    Q_OBJECT

public:
    static constexpr auto webAPIBase = "https://api.spotify.com/v1";

    SpotifyAPI(SpotifyAuthManager& authManager, QNetworkAccessManager& network,
               QUrl baseURL = QUrl(QString::fromLatin1(webAPIBase)), QObject* parent = nullptr);

    SpotifyAuthManager& authManager() const { return authManager_; }
    const QUrl& baseURL() const { return baseURL_; }

    QCoro::Task<QList<SpotifySavedAlbum>> savedAlbums(int limit, int maxAlbums);
    // Devices Spotify can address (those with an id), in Spotify's order.
    QCoro::Task<QList<SpotifyDevice>> devices();
    // From the album's track `startIndex` (0: its first).
    QCoro::Task<> play(QString albumURI, QString deviceID, int startIndex = 0);
    QCoro::Task<> transferPlayback(QString toDeviceID, bool startPlaying);
    // Nothing when no playback is active.
    QCoro::Task<std::optional<CurrentlyPlayingResponse>> currentPlayback();
    QCoro::Task<> resume(std::optional<QString> deviceID = std::nullopt);
    QCoro::Task<> pause(std::optional<QString> deviceID = std::nullopt);
    QCoro::Task<> skipToNext(std::optional<QString> deviceID = std::nullopt);
    QCoro::Task<> skipToPrevious(std::optional<QString> deviceID = std::nullopt);
    QCoro::Task<> setVolume(int percent, std::optional<QString> deviceID = std::nullopt);
    QCoro::Task<> seek(qint64 positionMs, std::optional<QString> deviceID = std::nullopt);
    QCoro::Task<std::optional<QUrl>> firstPreviewURL(QString albumID);
    // The album's tracks in album order (its first 50).
    QCoro::Task<QList<PreviewTrack>> albumTracks(QString albumID, int limit = 50);

    // Spotify's two ISO 8601 forms, with and without fractional seconds;
    // anything else is the distant past.
    static QDateTime parseAddedAt(const QString& text);
    static QDateTime distantPast();

private:
    QUrl endpoint(const QString& path, const SpotifyHttp::QueryItems& query = {}) const;
    QCoro::Task<SpotifyHttp::Answer> send(QUrl url, QByteArray method,
                                          std::optional<QByteArray> jsonBody = std::nullopt);
    QCoro::Task<> command(QByteArray method, QString path, SpotifyHttp::QueryItems query,
                          std::optional<QByteArray> jsonBody = std::nullopt);
    bool sameOrigin(const QUrl& url) const;

    SpotifyAuthManager& authManager_;
    QNetworkAccessManager& network_;
    QUrl baseURL_;
};
