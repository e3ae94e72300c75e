#pragma once

#include "SpotifyStandIn.h"

#include "spotify/SpotifyAPI.h"
#include "spotify/SpotifyAuthManager.h"
#include "support/FakeClock.h"
#include "support/RunTask.h"
#include "support/TestHome.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QUrlQuery>

#include <gtest/gtest.h>

// A signed-out Korvid whose sign-in and Web API client talk to the stand-in.
class SpotifyFixture : public ::testing::Test {
protected:
    SpotifyFixture() {
        // Loopback only, whatever proxy the environment names.
        network.setProxy(QNetworkProxy::NoProxy);
        auth =
            std::make_unique<SpotifyAuthManager>(network, keychain, clock, standIn.accountsBase());
        api = std::make_unique<SpotifyAPI>(*auth, network, standIn.apiBase());
    }

    // Signs in without the browser: a token set valid for an hour.
    void signIn(const QString& accessToken = QStringLiteral("access-1"),
                const QString& refreshToken = QStringLiteral("refresh-1")) {
        auth->setTokens(TokenStore{accessToken,
                                   refreshToken,
                                   clock.now().addSecs(3600),
                                   {QStringLiteral("user-library-read")}});
    }

    std::optional<TokenStore> storedTokens() {
        const auto data = keychain.get(QString::fromLatin1(KeychainStore::service),
                                       QString::fromLatin1(KeychainStore::tokensAccount));
        return data ? TokenStore::decode(*data) : std::nullopt;
    }

    TestHome home;
    SpotifyStandIn standIn;
    QNetworkAccessManager network;
    MemoryKeychain keychain;
    FakeClock clock;
    std::unique_ptr<SpotifyAuthManager> auth;
    std::unique_ptr<SpotifyAPI> api;
};

// Pairs of a form body or query, in the order they were sent, decoded.
inline QList<std::pair<QString, QString>> pairsOf(const std::string& encoded) {
    QList<std::pair<QString, QString>> pairs;
    for (const auto& item :
         QUrlQuery(QString::fromStdString(encoded)).queryItems(QUrl::FullyDecoded))
        pairs.append({item.first, item.second});
    return pairs;
}
