#pragma once

#include "spotify/KeychainStore.h"
#include "spotify/SpotifyRecords.h"
#include "spotify/TokenStore.h"

#include <QCoroTask>
#include <QMap>
#include <QObject>
#include <QUrl>

#include <memory>
#include <optional>

class Clock;
class QNetworkAccessManager;
class TokenRefresh;

// Signs in to Spotify (authorization code with PKCE, as a public client),
// keeps the token set in the keychain and hands out access tokens that are
// still valid for a while. Lives on the main thread.
class SpotifyAuthManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString clientID READ clientID WRITE setClientID NOTIFY clientIDChanged)
    Q_PROPERTY(bool hasClientID READ hasClientID NOTIFY clientIDChanged)
    Q_PROPERTY(bool isAuthenticated READ isAuthenticated NOTIFY isAuthenticatedChanged)
    Q_PROPERTY(bool hasLoadedTokens READ hasLoadedTokens NOTIFY hasLoadedTokensChanged)
    // What the keychain's last answer means for the sign-in; empty when it went well.
    Q_PROPERTY(QString keychainNotice READ keychainNotice NOTIFY keychainNoticeChanged)

public:
    static constexpr auto redirectURI = "korvid://callback";
    static constexpr auto callbackScheme = "korvid";
    static constexpr auto defaultClientID = "5d0e8a7b39c14f26a8e1b4c7d92f3e61";
    static constexpr auto accountsHost = "https://accounts.spotify.com";
    static constexpr int verifierLength = 64;
    static constexpr int stateLength = 16;
    static constexpr std::chrono::seconds expiryMargin{30};
    static QStringList requestedScopes();

    // `accountsBase` is the accounts service's origin; "/authorize" and
    // "/api/token" are appended to its path.
    SpotifyAuthManager(QNetworkAccessManager& network, Keychain& keychain, Clock& clock,
                       QUrl accountsBase = QUrl(QString::fromLatin1(accountsHost)),
                       QObject* parent = nullptr);

    // Reads the stored token set; an item that does not decode is ignored
    // (and left in place). Call once after creation.
    QCoro::Task<> loadStoredTokens();
    bool hasLoadedTokens() const { return hasLoadedTokens_; }
    const QString& keychainNotice() const { return keychainNotice_; }

    QString clientID() const { return clientID_; }
    // Stores the identifier exactly as typed, on every assignment.
    void setClientID(const QString& clientID);
    bool hasClientID() const;

    bool isAuthenticated() const { return tokens_.has_value(); }
    const std::optional<TokenStore>& tokens() const { return tokens_; }
    // Only updates isAuthenticated; persisting is done by store().
    void setTokens(std::optional<TokenStore> tokens);

    const std::optional<QString>& pendingCodeVerifier() const { return pendingCodeVerifier_; }
    const std::optional<QString>& pendingState() const { return pendingState_; }

    // Starts a sign-in: new verifier and state, and the address to open.
    // Nothing (and no change) without a client identifier.
    std::optional<QUrl> buildAuthorizationURL();
    // Finishes the sign-in from the redirect the browser delivered.
    QCoro::Task<> completeLogin(QUrl callbackURL);
    // An access token that stays valid for at least the expiry margin,
    // refreshed first when needed. Callers that need a refresh while one is
    // under way wait for that one and share its outcome.
    QCoro::Task<QString> validAccessToken();
    // Forgets the token set and deletes the keychain item.
    QCoro::Task<> signOut();

    // Steps of the above, public for the tests.
    QCoro::Task<QString> refresh(QString refreshToken);
    QCoro::Task<> store(SpotifyTokenResponse answer, std::optional<QString> fallbackRefreshToken);
    QCoro::Task<SpotifyTokenResponse> requestToken(QMap<QString, QString> fields);
    static QByteArray formEncode(const QMap<QString, QString>& fields);
    static QString randomString(int length);
    static QString codeChallenge(const QString& verifier);

Q_SIGNALS:
    void clientIDChanged();
    void isAuthenticatedChanged();
    void hasLoadedTokensChanged();
    void keychainNoticeChanged();

private:
    QUrl endpoint(const QString& path) const;

    QNetworkAccessManager& network_;
    KeychainStore keychain_;
    Clock& clock_;
    QUrl accountsBase_;
    QString clientID_;
    std::optional<QString> pendingCodeVerifier_;
    std::optional<QString> pendingState_;
    std::optional<TokenStore> tokens_;
    std::shared_ptr<TokenRefresh> refreshInFlight_;
    bool hasLoadedTokens_ = false;
    QString keychainNotice_;
    enum class KeychainCall { load, save, remove };
    void noteKeychain(KeychainCall call);
    bool tokensAssigned_ = false;
};
