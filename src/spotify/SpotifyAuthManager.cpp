#include "spotify/SpotifyAuthManager.h"
#include "platform/SettingsWriter.h"

#include "platform/Clock.h"
#include "spotify/SpotifyAuthError.h"
#include "spotify/SpotifyHttp.h"
#include "spotify/TokenRefresh.h"

#include <QCryptographicHash>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QRandomGenerator>
#include <QSettings>

namespace {

constexpr auto clientIDKey = "spotifyClientID";
constexpr QLatin1StringView
    randomAlphabet("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~");

// The query of a callback address as (name, value) pairs in order. A pair
// without "=" has no value, which differs from an empty one.
std::optional<QList<std::pair<QString, std::optional<QString>>>> queryItems(const QUrl& url) {
    if (!url.isValid() || !url.hasQuery())
        return std::nullopt;
    QList<std::pair<QString, std::optional<QString>>> items;
    const QByteArray query = url.query(QUrl::FullyEncoded).toUtf8();
    for (const QByteArray& piece : query.split('&')) {
        if (piece.isEmpty())
            continue;
        const qsizetype equals = piece.indexOf('=');
        if (equals < 0) {
            items.append({QUrl::fromPercentEncoding(piece), std::nullopt});
        } else {
            items.append({QUrl::fromPercentEncoding(piece.left(equals)),
                          QUrl::fromPercentEncoding(piece.mid(equals + 1))});
        }
    }
    return items;
}

std::optional<QString> firstValue(const QList<std::pair<QString, std::optional<QString>>>& items,
                                  const QString& name) {
    for (const auto& [itemName, value] : items) {
        if (itemName == name)
            return value;
    }
    return std::nullopt;
}

} // namespace

QStringList SpotifyAuthManager::requestedScopes() {
    return {QStringLiteral("user-read-recently-played"), QStringLiteral("user-library-read"),
            QStringLiteral("user-read-playback-state"),
            QStringLiteral("user-modify-playback-state")};
}

SpotifyAuthManager::SpotifyAuthManager(QNetworkAccessManager& network, Keychain& keychain,
                                       Clock& clock, QUrl accountsBase, QObject* parent)
    : QObject(parent)
    , network_(network)
    , keychain_(keychain)
    , clock_(clock)
    , accountsBase_(std::move(accountsBase)) {
    // Only an absent value takes the built-in identifier; an empty one is the
    // user's choice and stays.
    const QVariant stored = QSettings().value(QLatin1StringView(clientIDKey));
    clientID_ = stored.isValid() ? stored.toString() : QString::fromLatin1(defaultClientID);
}

QCoro::Task<> SpotifyAuthManager::loadStoredTokens() {
    QPointer<SpotifyAuthManager> self(this);
    const auto data = co_await keychain_.load(QString::fromLatin1(KeychainStore::tokensAccount));
    if (!self)
        co_return;
    noteKeychain(KeychainCall::load);
    // A sign-in that finished meanwhile is newer than what was stored.
    if (data && !tokensAssigned_) {
        if (auto stored = TokenStore::decode(*data))
            setTokens(std::move(stored));
    }
    if (!hasLoadedTokens_) {
        hasLoadedTokens_ = true;
        Q_EMIT hasLoadedTokensChanged();
    }
}

void SpotifyAuthManager::setClientID(const QString& clientID) {
    const bool changed = clientID != clientID_;
    clientID_ = clientID;
    // Each keystroke in the field: the file follows when it settles.
    SettingsWriter::instance().writeSoon(QLatin1StringView(clientIDKey), clientID);
    if (changed)
        Q_EMIT clientIDChanged();
}

bool SpotifyAuthManager::hasClientID() const {
    for (const QChar c : clientID_) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            return true;
    }
    return false;
}

void SpotifyAuthManager::setTokens(std::optional<TokenStore> tokens) {
    tokensAssigned_ = true;
    const bool wasAuthenticated = isAuthenticated();
    tokens_ = std::move(tokens);
    if (wasAuthenticated != isAuthenticated())
        Q_EMIT isAuthenticatedChanged();
}

QString SpotifyAuthManager::randomString(int length) {
    QString result;
    result.reserve(length);
    auto* random = QRandomGenerator::system();
    for (int i = 0; i < length; ++i)
        result.append(randomAlphabet.at(random->bounded(int(randomAlphabet.size()))));
    return result;
}

QString SpotifyAuthManager::codeChallenge(const QString& verifier) {
    const QByteArray digest =
        QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(
        digest.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QUrl SpotifyAuthManager::endpoint(const QString& path) const {
    QUrl url = accountsBase_;
    QString basePath = url.path();
    while (basePath.endsWith(QLatin1Char('/')))
        basePath.chop(1);
    url.setPath(basePath + path);
    return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
}

std::optional<QUrl> SpotifyAuthManager::buildAuthorizationURL() {
    if (!hasClientID())
        return std::nullopt;
    pendingCodeVerifier_ = randomString(verifierLength);
    pendingState_ = randomString(stateLength);
    QUrl url = endpoint(QStringLiteral("/authorize"));
    const SpotifyHttp::QueryItems items{
        {QStringLiteral("client_id"), clientID_},
        {QStringLiteral("response_type"), QStringLiteral("code")},
        {QStringLiteral("redirect_uri"), QString::fromLatin1(redirectURI)},
        {QStringLiteral("code_challenge_method"), QStringLiteral("S256")},
        {QStringLiteral("code_challenge"), codeChallenge(*pendingCodeVerifier_)},
        {QStringLiteral("scope"), requestedScopes().join(QLatin1Char(' '))},
        {QStringLiteral("state"), *pendingState_},
    };
    url.setQuery(QString::fromLatin1(SpotifyHttp::encodeQuery(items)), QUrl::StrictMode);
    return url;
}

QCoro::Task<> SpotifyAuthManager::completeLogin(QUrl callbackURL) {
    const auto items = queryItems(callbackURL);
    if (!items || items->isEmpty())
        throw SpotifyAuthError::invalidCallback();
    if (auto error = firstValue(*items, QStringLiteral("error")))
        throw SpotifyAuthError::authorizationDenied(*error);
    const auto code = firstValue(*items, QStringLiteral("code"));
    if (!code)
        throw SpotifyAuthError::invalidCallback();
    const auto state = firstValue(*items, QStringLiteral("state"));
    if (!state || !pendingState_ || *state != *pendingState_)
        throw SpotifyAuthError::invalidCallback();
    if (!pendingCodeVerifier_)
        throw SpotifyAuthError::invalidCallback();

    QPointer<SpotifyAuthManager> self(this);
    QMap<QString, QString> fields;
    fields.insert(QStringLiteral("grant_type"), QStringLiteral("authorization_code"));
    fields.insert(QStringLiteral("code"), *code);
    fields.insert(QStringLiteral("redirect_uri"), QString::fromLatin1(redirectURI));
    fields.insert(QStringLiteral("client_id"), clientID_);
    fields.insert(QStringLiteral("code_verifier"), *pendingCodeVerifier_);
    const auto answer = co_await requestToken(std::move(fields));
    if (!self)
        co_return;
    co_await store(answer, std::nullopt);
    if (!self)
        co_return;
    pendingCodeVerifier_.reset();
    pendingState_.reset();
}

QByteArray SpotifyAuthManager::formEncode(const QMap<QString, QString>& fields) {
    SpotifyHttp::QueryItems items;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        items.append({it.key(), it.value()});
    return SpotifyHttp::encodeQuery(items);
}

QCoro::Task<SpotifyTokenResponse> SpotifyAuthManager::requestToken(QMap<QString, QString> fields) {
    QNetworkRequest request(endpoint(QStringLiteral("/api/token")));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    const auto answer = co_await SpotifyHttp::perform(network_, request, QByteArrayLiteral("POST"),
                                                      formEncode(fields));
    if (answer.status >= 200 && answer.status <= 299)
        co_return SpotifyTokenResponse::decode(answer.body);
    // The accounts service's error document is shown as it came; an empty
    // one would leave the person with no reason at all.
    const std::optional<QString> text = SpotifyHttp::decodeUtf8(answer.body);
    throw SpotifyAuthError::server(
        text && !text->trimmed().isEmpty() ? *text : QStringLiteral("Unknown error"));
}

QCoro::Task<> SpotifyAuthManager::store(SpotifyTokenResponse answer,
                                        std::optional<QString> fallbackRefreshToken) {
    QPointer<SpotifyAuthManager> self(this);
    TokenStore tokens;
    if (answer.scope) {
        const auto scopes = answer.scope->split(QLatin1Char(' '), Qt::SkipEmptyParts);
        tokens.grantedScopes = QSet<QString>(scopes.cbegin(), scopes.cend());
    } else if (tokens_) {
        tokens.grantedScopes = tokens_->grantedScopes;
    }
    if (answer.refreshToken)
        tokens.refreshToken = *answer.refreshToken;
    else if (fallbackRefreshToken)
        tokens.refreshToken = *fallbackRefreshToken;
    else if (tokens_)
        tokens.refreshToken = tokens_->refreshToken;
    tokens.accessToken = answer.accessToken;
    tokens.expiresAt = clock_.now().addSecs(answer.expiresIn);
    setTokens(tokens);
    co_await keychain_.save(tokens.encode(), QString::fromLatin1(KeychainStore::tokensAccount));
    if (self)
        noteKeychain(KeychainCall::save);
}

QCoro::Task<QString> SpotifyAuthManager::refresh(QString refreshToken) {
    QPointer<SpotifyAuthManager> self(this);
    QMap<QString, QString> fields;
    fields.insert(QStringLiteral("grant_type"), QStringLiteral("refresh_token"));
    fields.insert(QStringLiteral("refresh_token"), refreshToken);
    fields.insert(QStringLiteral("client_id"), clientID_);
    const auto answer = co_await requestToken(std::move(fields));
    // A disconnect while the answer was on its way must not be undone by it.
    if (!self || !tokens_)
        throw SpotifyAuthError::notAuthenticated();
    co_await store(answer, refreshToken);
    co_return answer.accessToken;
}

QCoro::Task<QString> SpotifyAuthManager::validAccessToken() {
    if (!tokens_)
        throw SpotifyAuthError::notAuthenticated();
    if (tokens_->expiresAt > clock_.now().addSecs(expiryMargin.count()))
        // A copy: QCoro moves from any non-const value handed to co_return.
        co_return QString(tokens_->accessToken);
    // Spotify may retire a refresh token once it is used, so a second
    // refresh with the same one could fail for nothing.
    std::shared_ptr<TokenRefresh> flight = refreshInFlight_;
    if (!flight) {
        flight = std::make_shared<TokenRefresh>();
        refreshInFlight_ = flight;
        QPointer<SpotifyAuthManager> self(this);
        QString token;
        std::exception_ptr failure;
        try {
            token = co_await refresh(tokens_->refreshToken);
        } catch (...) {
            failure = std::current_exception();
        }
        // Cleared before the waiters resume, so a caller that comes after a
        // failure tries again.
        if (self && refreshInFlight_ == flight)
            refreshInFlight_.reset();
        if (failure)
            flight->fail(failure);
        else
            flight->succeed(token);
    }
    co_return co_await flight->outcome();
}

QCoro::Task<> SpotifyAuthManager::signOut() {
    QPointer<SpotifyAuthManager> self(this);
    setTokens(std::nullopt);
    co_await keychain_.remove(QString::fromLatin1(KeychainStore::tokensAccount));
    if (self)
        noteKeychain(KeychainCall::remove);
}

void SpotifyAuthManager::noteKeychain(KeychainCall call) {
    const auto notRemoved = [] {
        return tr("Korvid couldn't remove your Spotify sign-in from the keychain, so the next "
                  "start may sign you in again. Remove the item “%1” in your keyring app to be "
                  "sure.")
            .arg(QLatin1String(KeychainStore::service));
    };
    QString notice;
    switch (keychain_.problem()) {
    case KeychainProblem::none:
        break;
    case KeychainProblem::noAnswer:
    case KeychainProblem::notRead:
    case KeychainProblem::notStored:
        if (call == KeychainCall::load)
            notice = keychain_.problem() == KeychainProblem::noAnswer
                         ? tr("The keychain didn't answer, so you're signed out of Spotify for "
                              "now. Unlock your keyring and start Korvid again.")
                         : tr("The keychain couldn't be read, so you're signed out of Spotify for "
                              "now.");
        else if (call == KeychainCall::save)
            notice = tr("The keychain didn't keep your Spotify sign-in. It stays until Korvid "
                        "quits; you'll sign in again at the next start.");
        else
            notice = notRemoved();
        break;
    case KeychainProblem::notRemoved:
        notice = notRemoved();
        break;
    }
    if (notice != keychainNotice_) {
        keychainNotice_ = notice;
        Q_EMIT keychainNoticeChanged();
    }
}
