#pragma once

#include "platform/Keychain.h"

// Korvid's items in the user's keychain, all under one fixed service.
class KeychainStore {
public:
    static constexpr auto service = "com.korvid.spotify";
    static constexpr auto tokensAccount = "spotifyTokens";

    explicit KeychainStore(Keychain& keychain)
        : keychain_(keychain) {}

    QCoro::Task<> save(QByteArray data, QString account) {
        return keychain_.save(QString::fromLatin1(service), std::move(account), std::move(data));
    }
    QCoro::Task<std::optional<QByteArray>> load(QString account) {
        return keychain_.load(QString::fromLatin1(service), std::move(account));
    }
    QCoro::Task<> remove(QString account) {
        return keychain_.remove(QString::fromLatin1(service), std::move(account));
    }

    KeychainProblem problem() const { return keychain_.problem(); }

private:
    Keychain& keychain_;
};
