#include "spotify/TokenStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <cmath>

namespace {
// Stored dates count from the start of 2001 (UTC), as earlier versions did.
const QDateTime& referenceDate() {
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return date;
}
} // namespace

QByteArray TokenStore::encode() const {
    QStringList scopes(grantedScopes.cbegin(), grantedScopes.cend());
    scopes.sort(); // stable output; the order carries no meaning
    const double seconds = static_cast<double>(referenceDate().msecsTo(expiresAt)) / 1000.0;
    const QJsonObject object{{QStringLiteral("accessToken"), accessToken},
                             {QStringLiteral("refreshToken"), refreshToken},
                             {QStringLiteral("expiresAt"), seconds},
                             {QStringLiteral("grantedScopes"), QJsonArray::fromStringList(scopes)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<TokenStore> TokenStore::decode(const QByteArray& json) {
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject object = doc.object();
    const QJsonValue access = object.value(QStringLiteral("accessToken"));
    const QJsonValue refresh = object.value(QStringLiteral("refreshToken"));
    const QJsonValue expires = object.value(QStringLiteral("expiresAt"));
    const QJsonValue scopes = object.value(QStringLiteral("grantedScopes"));
    if (!access.isString() || !refresh.isString() || !expires.isDouble() || !scopes.isArray())
        return std::nullopt;
    const double seconds = expires.toDouble();
    // Far outside any real expiry: the document is damaged.
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e11)
        return std::nullopt;
    TokenStore tokens;
    tokens.accessToken = access.toString();
    tokens.refreshToken = refresh.toString();
    tokens.expiresAt =
        referenceDate().addMSecs(static_cast<qint64>(std::llround(seconds * 1000.0)));
    for (const QJsonValue scope : scopes.toArray()) {
        if (!scope.isString())
            return std::nullopt;
        tokens.grantedScopes.insert(scope.toString());
    }
    return tokens;
}
