#include "model/ListeningSession.h"

#include "model/StoredJson.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

const QLatin1String legacyAirPlayKey("legacyAirPlay");
const QLatin1String airPlayKey("airPlay");
const QLatin1String spotifyConnectKey("spotifyConnect");
const QLatin1String localKey("local");

} // namespace

QJsonObject ListeningSession::Device::toJson() const {
    const Device& device = *this;
    QJsonObject payload;
    QString name;
    if (const auto* legacy = device.as<Device::LegacyAirPlay>()) {
        name = legacyAirPlayKey;
        payload.insert(QStringLiteral("id"), legacy->id);
        payload.insert(QStringLiteral("name"), legacy->name);
    } else if (const auto* airPlay = device.as<Device::AirPlay>()) {
        name = airPlayKey;
        payload.insert(QStringLiteral("name"), airPlay->name);
    } else if (const auto* connect = device.as<Device::SpotifyConnect>()) {
        name = spotifyConnectKey;
        payload.insert(QStringLiteral("id"), connect->id);
        payload.insert(QStringLiteral("name"), connect->name);
        payload.insert(QStringLiteral("type"), connect->type);
    } else {
        name = localKey;
    }
    return QJsonObject{{name, payload}};
}

std::optional<ListeningSession::Device> ListeningSession::Device::fromJson(const QJsonValue& value,
                                                                           QString* failure) {
    const auto fail = [failure](const QString& why) -> std::optional<Device> {
        if (failure)
            *failure = why;
        return std::nullopt;
    };
    if (!value.isObject())
        return fail(QStringLiteral("Expected a device object."));
    const QJsonObject object = value.toObject();
    const QLatin1String cases[] = {legacyAirPlayKey, airPlayKey, spotifyConnectKey, localKey};
    QLatin1String found;
    int count = 0;
    for (const QLatin1String& name : cases) {
        if (object.contains(name)) {
            found = name;
            ++count;
        }
    }
    if (count != 1)
        return fail(QStringLiteral("Invalid number of keys found, expected one."));
    const QJsonValue nested = object.value(found);
    if (!nested.isObject())
        return fail(QStringLiteral("Expected an object for the device's fields."));
    const QJsonObject payload = nested.toObject();
    const auto id = StoredJson::string(payload, "id");
    const auto name = StoredJson::string(payload, "name");
    const auto type = StoredJson::string(payload, "type");
    const QString missing = QStringLiteral("A field of the device is missing.");
    if (found == legacyAirPlayKey) {
        if (!id || !name)
            return fail(missing);
        return Device(Device::LegacyAirPlay{*id, *name});
    }
    if (found == airPlayKey) {
        if (!name)
            return fail(missing);
        return Device(Device::AirPlay{*name});
    }
    if (found == spotifyConnectKey) {
        if (!id || !name || !type)
            return fail(missing);
        return Device(Device::SpotifyConnect{*id, *name, *type});
    }
    return Device(Device::Local{});
}

QString ListeningSession::Device::systemImage() const {
    if (as<LegacyAirPlay>())
        return QStringLiteral("hifispeaker.fill");
    if (as<AirPlay>())
        return QStringLiteral("airplayaudio");
    if (const auto* connect = as<SpotifyConnect>()) {
        const QString type = connect->type.toLower();
        if (type == u"computer")
            return QStringLiteral("desktopcomputer");
        if (type == u"smartphone")
            return QStringLiteral("iphone");
        if (type == u"tv")
            return QStringLiteral("tv");
        return QStringLiteral("hifispeaker.fill");
    }
    return QStringLiteral("laptopcomputer");
}

std::optional<QByteArray> ListeningSession::encode() const {
    if (!std::isfinite(positionSeconds))
        return std::nullopt;
    QJsonObject object;
    object.insert(QStringLiteral("device"), device.toJson());
    object.insert(QStringLiteral("albumID"), albumID);
    object.insert(QStringLiteral("albumTitle"), albumTitle);
    object.insert(QStringLiteral("artistNames"), artistNames);
    if (coverURL)
        object.insert(QStringLiteral("coverURL"), coverURL->toString(QUrl::FullyEncoded));
    if (spotifyURI)
        object.insert(QStringLiteral("spotifyURI"), *spotifyURI);
    object.insert(QStringLiteral("trackIndex"), trackIndex);
    object.insert(QStringLiteral("positionSeconds"), positionSeconds);
    object.insert(QStringLiteral("updatedAt"), StoredJson::fromDate(updatedAt));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<ListeningSession> ListeningSession::decode(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    ListeningSession session;
    const auto device = Device::fromJson(object.value(QLatin1String("device")));
    const auto albumID = StoredJson::string(object, "albumID");
    const auto albumTitle = StoredJson::string(object, "albumTitle");
    const auto artistNames = StoredJson::string(object, "artistNames");
    const auto updatedAt = StoredJson::toDate(object.value(QLatin1String("updatedAt")));
    const auto trackIndex = StoredJson::integer(object, "trackIndex");
    const QJsonValue position = object.value(QLatin1String("positionSeconds"));
    if (!device || !albumID || !albumTitle || !artistNames || !updatedAt || !trackIndex ||
        !position.isDouble() || !std::isfinite(position.toDouble()))
        return std::nullopt;

    std::optional<QString> cover;
    if (!StoredJson::optionalString(object, "coverURL", &cover))
        return std::nullopt;
    if (cover) {
        const QUrl url(*cover, QUrl::StrictMode);
        if (!url.isValid())
            return std::nullopt;
        session.coverURL = url;
    }
    if (!StoredJson::optionalString(object, "spotifyURI", &session.spotifyURI))
        return std::nullopt;

    session.device = *device;
    session.albumID = *albumID;
    session.albumTitle = *albumTitle;
    session.artistNames = *artistNames;
    session.trackIndex = *trackIndex;
    session.positionSeconds = position.toDouble();
    session.updatedAt = *updatedAt;
    return session;
}
