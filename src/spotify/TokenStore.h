#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>

#include <optional>

// The persisted token set. Its JSON members carry the field names; the
// expiry is a number of seconds since 2001-01-01 00:00:00 UTC.
struct TokenStore {
    QString accessToken;
    QString refreshToken; // may be empty
    QDateTime expiresAt;
    QSet<QString> grantedScopes;

    bool operator==(const TokenStore&) const = default;

    QByteArray encode() const;
    // Nothing unless all four members are present with their types.
    static std::optional<TokenStore> decode(const QByteArray& json);
};
