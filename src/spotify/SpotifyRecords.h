#pragma once

#include "platform/KorvidError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// The JSON documents exchanged with Spotify's Web API and accounts service.
// Every record is a plain value. decode() is strict: a required key that is
// missing or of the wrong JSON type fails the whole document with a
// SpotifyDecodingError naming the key; an optional key may be absent or null.
// Keys that are not listed here are ignored.

// A document that does not have the expected shape.
class SpotifyDecodingError : public KorvidError {
public:
    // `keyPath` is the dotted path of the offending key, for instance
    // "items[3].album.images"; empty when the document itself is not an object.
    SpotifyDecodingError(QString keyPath, QString problem);

    const QString& keyPath() const noexcept { return keyPath_; }

private:
    QString keyPath_;
};

struct SpotifyImage {
    QString url;
    std::optional<qint64> height;
    std::optional<qint64> width;

    bool operator==(const SpotifyImage&) const = default;
};

struct SpotifyArtist {
    QString id;
    QString name;
    std::optional<QStringList> genres;

    bool operator==(const SpotifyArtist&) const = default;
};

struct SpotifyAlbum {
    QString id;
    QString name;
    QString uri; // the context to play
    QList<SpotifyImage> images;
    QList<SpotifyArtist> artists;
    std::optional<QString> albumType;
    std::optional<QString> releaseDate;
    std::optional<qint64> totalTracks;

    // Artist names in list order joined with ", "; empty without artists.
    QString artistNames() const;
    // The first image's address, when it is a valid absolute URL. The first,
    // not the largest: Spotify lists the largest first anyway.
    std::optional<QUrl> coverURL() const;

    bool operator==(const SpotifyAlbum&) const = default;
};

struct SavedAlbumItem {
    QString addedAt; // ISO 8601, parsed by SpotifyAPI
    SpotifyAlbum album;

    bool operator==(const SavedAlbumItem&) const = default;
};

// One page of the user's saved albums.
struct SavedAlbumsResponse {
    QList<SavedAlbumItem> items;
    std::optional<QString> next; // absent on the last page

    static SavedAlbumsResponse decode(const QByteArray& json);
};

// A Spotify Connect device. An absent or null id becomes the empty string.
struct SpotifyDevice {
    QString id;
    bool isActive = false;
    QString name;
    QString type; // as Spotify names it: Computer, Smartphone, Speaker, ...
    std::optional<qint64> volumePercent;

    bool operator==(const SpotifyDevice&) const = default;
};

struct DevicesResponse {
    QList<SpotifyDevice> devices;

    static DevicesResponse decode(const QByteArray& json);
};

// The item being played.
struct SpotifyTrackDetail {
    QString name;
    QList<SpotifyArtist> artists;
    SpotifyAlbum album;
    qint64 durationMs = 0;

    bool operator==(const SpotifyTrackDetail&) const = default;
};

// The playback state.
struct CurrentlyPlayingResponse {
    bool isPlaying = false;
    std::optional<qint64> progressMs;
    std::optional<SpotifyTrackDetail> item;
    std::optional<SpotifyDevice> device;

    bool operator==(const CurrentlyPlayingResponse&) const = default;

    static CurrentlyPlayingResponse decode(const QByteArray& json);
};

// One track of an album's track list. Only what a list shows is read, and
// none of it is required: a track that lacks a field still lists.
struct PreviewTrack {
    std::optional<QString> previewURL;
    QString name;
    qint64 trackNumber = 0;
    qint64 durationMs = 0;

    bool operator==(const PreviewTrack&) const = default;
};

// One page of an album's tracks: for the track list and a preview clip.
struct AlbumTracksResponse {
    QList<PreviewTrack> items;

    static AlbumTracksResponse decode(const QByteArray& json);
};

// The document Spotify sends with an error status.
struct SpotifyErrorBody {
    struct ErrorDetail {
        QString message;
        std::optional<QString> reason; // for instance "PREMIUM_REQUIRED"

        bool operator==(const ErrorDetail&) const = default;
    };
    ErrorDetail error;

    static SpotifyErrorBody decode(const QByteArray& json);
};

// Body of the play request: the album to play as the context.
struct PlayRequestBody {
    QString contextURI;
    int offset = 0; // the track to start from; sent only when not the first

    QByteArray encode() const;
};

// Body of the transfer request.
struct TransferRequestBody {
    QStringList deviceIDs; // the program always sends exactly one
    bool play = false;

    QByteArray encode() const;
};

// The accounts service's answer to a token request.
struct SpotifyTokenResponse {
    QString accessToken;
    qint64 expiresIn = 0;                // seconds
    std::optional<QString> refreshToken; // refresh answers often omit it
    std::optional<QString> scope;        // blank-separated

    static SpotifyTokenResponse decode(const QByteArray& json);
};
