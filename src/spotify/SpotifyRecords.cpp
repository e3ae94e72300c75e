#include "spotify/SpotifyRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

namespace {

QString describe(const QString& keyPath, const QString& problem) {
    if (keyPath.isEmpty())
        return QStringLiteral("Spotify's answer couldn't be read: %1.").arg(problem);
    return QStringLiteral("Spotify's answer couldn't be read: the key \"%1\" %2.")
        .arg(keyPath, problem);
}

// Reads one JSON object, remembering where it sits in the document so that
// every failure names the full key path.
class ObjectReader {
public:
    ObjectReader(QJsonObject object, QString path)
        : object_(std::move(object))
        , path_(std::move(path)) {}

    static ObjectReader document(const QByteArray& json) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
        if (error.error != QJsonParseError::NoError)
            throw SpotifyDecodingError(QString(), QStringLiteral("it is not valid JSON"));
        if (!doc.isObject())
            throw SpotifyDecodingError(QString(), QStringLiteral("it is not a JSON object"));
        return ObjectReader(doc.object(), QString());
    }

    QString pathOf(const QString& key) const {
        return path_.isEmpty() ? key : path_ + QLatin1Char('.') + key;
    }

    [[noreturn]] void fail(const QString& key, const QString& problem) const {
        throw SpotifyDecodingError(pathOf(key), problem);
    }

    // Absent and null are the same: nothing there.
    std::optional<QJsonValue> present(const QString& key) const {
        const auto it = object_.constFind(key);
        if (it == object_.constEnd() || it->isNull() || it->isUndefined())
            return std::nullopt;
        return *it;
    }

    QJsonValue required(const QString& key) const {
        auto value = present(key);
        if (!value)
            fail(key, QStringLiteral("is missing"));
        return *value;
    }

    QString string(const QString& key) const { return asString(key, required(key)); }
    std::optional<QString> optionalString(const QString& key) const {
        auto value = present(key);
        return value ? std::optional(asString(key, *value)) : std::nullopt;
    }

    qint64 integer(const QString& key) const { return asInteger(key, required(key)); }
    std::optional<qint64> optionalInteger(const QString& key) const {
        auto value = present(key);
        return value ? std::optional(asInteger(key, *value)) : std::nullopt;
    }

    bool boolean(const QString& key) const {
        const QJsonValue value = required(key);
        if (!value.isBool())
            fail(key, QStringLiteral("is not a boolean"));
        return value.toBool();
    }

    ObjectReader object(const QString& key) const { return asObject(key, required(key)); }
    std::optional<ObjectReader> optionalObject(const QString& key) const {
        auto value = present(key);
        return value ? std::optional(asObject(key, *value)) : std::nullopt;
    }

    // Calls `element(reader)` for every object of a required list.
    template <typename T, typename Decode>
    QList<T> objects(const QString& key, Decode element) const {
        const QJsonArray array = asArray(key, required(key));
        QList<T> result;
        result.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString itemKey = key + QStringLiteral("[%1]").arg(i);
            result.append(element(asObject(itemKey, array.at(i))));
        }
        return result;
    }

    std::optional<QStringList> optionalStrings(const QString& key) const {
        auto value = present(key);
        if (!value)
            return std::nullopt;
        const QJsonArray array = asArray(key, *value);
        QStringList result;
        result.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i)
            result.append(asString(key + QStringLiteral("[%1]").arg(i), array.at(i)));
        return result;
    }

private:
    QString asString(const QString& key, const QJsonValue& value) const {
        if (!value.isString())
            fail(key, QStringLiteral("is not a string"));
        return value.toString();
    }

    qint64 asInteger(const QString& key, const QJsonValue& value) const {
        if (!value.isDouble())
            fail(key, QStringLiteral("is not an integer"));
        if (value.toVariant().typeId() == QMetaType::LongLong)
            return value.toInteger();
        // Whole numbers written with a fraction ("3.0") still count; anything
        // that does not fit a signed 64-bit integer does not.
        const double number = value.toDouble();
        if (!std::isfinite(number) || std::trunc(number) != number || number < -0x1p63 ||
            number >= 0x1p63)
            fail(key, QStringLiteral("is not an integer"));
        return static_cast<qint64>(number);
    }

    ObjectReader asObject(const QString& key, const QJsonValue& value) const {
        if (!value.isObject())
            fail(key, QStringLiteral("is not an object"));
        return ObjectReader(value.toObject(), pathOf(key));
    }

    QJsonArray asArray(const QString& key, const QJsonValue& value) const {
        if (!value.isArray())
            fail(key, QStringLiteral("is not a list"));
        return value.toArray();
    }

    QJsonObject object_;
    QString path_;
};

SpotifyImage decodeImage(const ObjectReader& r) {
    return {r.string(QStringLiteral("url")), r.optionalInteger(QStringLiteral("height")),
            r.optionalInteger(QStringLiteral("width"))};
}

SpotifyArtist decodeArtist(const ObjectReader& r) {
    return {r.string(QStringLiteral("id")), r.string(QStringLiteral("name")),
            r.optionalStrings(QStringLiteral("genres"))};
}

SpotifyAlbum decodeAlbum(const ObjectReader& r) {
    SpotifyAlbum album;
    album.id = r.string(QStringLiteral("id"));
    album.name = r.string(QStringLiteral("name"));
    album.uri = r.string(QStringLiteral("uri"));
    album.images = r.objects<SpotifyImage>(QStringLiteral("images"), decodeImage);
    album.artists = r.objects<SpotifyArtist>(QStringLiteral("artists"), decodeArtist);
    album.albumType = r.optionalString(QStringLiteral("album_type"));
    album.releaseDate = r.optionalString(QStringLiteral("release_date"));
    album.totalTracks = r.optionalInteger(QStringLiteral("total_tracks"));
    return album;
}

// Spotify lists devices it cannot address with a null id; they decode with
// an empty one so the list as a whole still reads.
SpotifyDevice decodeDevice(const ObjectReader& r) {
    SpotifyDevice device;
    device.id = r.optionalString(QStringLiteral("id")).value_or(QString());
    device.isActive = r.boolean(QStringLiteral("is_active"));
    device.name = r.string(QStringLiteral("name"));
    device.type = r.string(QStringLiteral("type"));
    device.volumePercent = r.optionalInteger(QStringLiteral("volume_percent"));
    return device;
}

SpotifyTrackDetail decodeTrack(const ObjectReader& r) {
    SpotifyTrackDetail track;
    track.name = r.string(QStringLiteral("name"));
    track.artists = r.objects<SpotifyArtist>(QStringLiteral("artists"), decodeArtist);
    track.album = decodeAlbum(r.object(QStringLiteral("album")));
    track.durationMs = r.integer(QStringLiteral("duration_ms"));
    return track;
}

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

SpotifyDecodingError::SpotifyDecodingError(QString keyPath, QString problem)
    : KorvidError(describe(keyPath, problem))
    , keyPath_(std::move(keyPath)) {}

std::optional<QUrl> SpotifyAlbum::coverURL() const {
    if (images.isEmpty())
        return std::nullopt;
    const QUrl url(images.first().url, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative())
        return std::nullopt;
    return url;
}

QString SpotifyAlbum::artistNames() const {
    QStringList names;
    names.reserve(artists.size());
    for (const auto& artist : artists)
        names.append(artist.name);
    return names.join(QStringLiteral(", "));
}

SavedAlbumsResponse SavedAlbumsResponse::decode(const QByteArray& json) {
    const auto r = ObjectReader::document(json);
    SavedAlbumsResponse page;
    page.items = r.objects<SavedAlbumItem>(QStringLiteral("items"), [](const ObjectReader& item) {
        return SavedAlbumItem{item.string(QStringLiteral("added_at")),
                              decodeAlbum(item.object(QStringLiteral("album")))};
    });
    page.next = r.optionalString(QStringLiteral("next"));
    return page;
}

DevicesResponse DevicesResponse::decode(const QByteArray& json) {
    const auto r = ObjectReader::document(json);
    return {r.objects<SpotifyDevice>(QStringLiteral("devices"), decodeDevice)};
}

CurrentlyPlayingResponse CurrentlyPlayingResponse::decode(const QByteArray& json) {
    const auto r = ObjectReader::document(json);
    CurrentlyPlayingResponse state;
    state.isPlaying = r.boolean(QStringLiteral("is_playing"));
    state.progressMs = r.optionalInteger(QStringLiteral("progress_ms"));
    if (auto item = r.optionalObject(QStringLiteral("item")))
        state.item = decodeTrack(*item);
    if (auto device = r.optionalObject(QStringLiteral("device")))
        state.device = decodeDevice(*device);
    return state;
}

AlbumTracksResponse AlbumTracksResponse::decode(const QByteArray& json) {
    const auto r = ObjectReader::document(json);
    return {r.objects<PreviewTrack>(QStringLiteral("items"), [](const ObjectReader& track) {
        PreviewTrack decoded{track.optionalString(QStringLiteral("preview_url"))};
        decoded.name = track.optionalString(QStringLiteral("name")).value_or(QString());
        decoded.trackNumber = track.optionalInteger(QStringLiteral("track_number")).value_or(0);
        decoded.durationMs = track.optionalInteger(QStringLiteral("duration_ms")).value_or(0);
        return decoded;
    })};
}

SpotifyErrorBody SpotifyErrorBody::decode(const QByteArray& json) {
    const auto r = ObjectReader::document(json);
    const auto detail = r.object(QStringLiteral("error"));
    return {{detail.string(QStringLiteral("message")),
             detail.optionalString(QStringLiteral("reason"))}};
}

QByteArray PlayRequestBody::encode() const {
    QJsonObject body{{QStringLiteral("context_uri"), contextURI}};
    if (offset > 0) {
        body.insert(QStringLiteral("offset"), QJsonObject{{QStringLiteral("position"), offset}});
    }
    return compact(body);
}

QByteArray TransferRequestBody::encode() const {
    return compact({{QStringLiteral("device_ids"), QJsonArray::fromStringList(deviceIDs)},
                    {QStringLiteral("play"), play}});
}

SpotifyTokenResponse SpotifyTokenResponse::decode(const QByteArray& json) {
    const auto r = ObjectReader::document(json);
    SpotifyTokenResponse token;
    token.accessToken = r.string(QStringLiteral("access_token"));
    token.expiresIn = r.integer(QStringLiteral("expires_in"));
    token.refreshToken = r.optionalString(QStringLiteral("refresh_token"));
    token.scope = r.optionalString(QStringLiteral("scope"));
    return token;
}
