#include "ui/SpotifySignIn.h"

#include "model/MusicSourceSettings.h"
#include "platform/WebAuthSession.h"
#include "spotify/SpotifyAuthManager.h"

#include <exception>

SpotifySignIn::SpotifySignIn(SpotifyAuthManager& auth, WebAuthSession& session,
                             MusicSourceSettings& sources, QObject* parent)
    : QObject(parent)
    , auth_(auth)
    , session_(session)
    , sources_(sources) {
    connect(&auth_, &SpotifyAuthManager::clientIDChanged, this, &SpotifySignIn::clientIDChanged);
    connect(&auth_, &SpotifyAuthManager::isAuthenticatedChanged, this,
            &SpotifySignIn::isAuthenticatedChanged);
    connect(&auth_, &SpotifyAuthManager::keychainNoticeChanged, this,
            &SpotifySignIn::keychainNoticeChanged);
}

QString SpotifySignIn::keychainNotice() const {
    return auth_.keychainNotice();
}

QString SpotifySignIn::clientID() const {
    return auth_.clientID();
}
void SpotifySignIn::setClientID(const QString& clientID) {
    auth_.setClientID(clientID);
}
bool SpotifySignIn::hasClientID() const {
    return auth_.hasClientID();
}
bool SpotifySignIn::showsClientIDInstructions() const {
    return !hasClientID() ||
           clientID().trimmed() == QLatin1String(SpotifyAuthManager::defaultClientID);
}
QString SpotifySignIn::redirectURI() const {
    return QString::fromLatin1(SpotifyAuthManager::redirectURI);
}

void SpotifySignIn::connectSpotify() {
    signIn();
}

QCoro::Task<> SpotifySignIn::signIn() {
    const auto url = auth_.buildAuthorizationURL();
    if (!url)
        co_return;
    QPointer<SpotifySignIn> self(this);
    setSigningIn(true);
    setAuthorizationURL(url->toString(QUrl::FullyEncoded));
    try {
        const QUrl callback = co_await session_.authenticate(
            *url, QString::fromLatin1(SpotifyAuthManager::callbackScheme));
        if (!self)
            co_return;
        co_await complete(callback);
    } catch (const KorvidError& error) {
        if (self)
            setErrorMessage(error.description());
    }
    if (self)
        setSigningIn(false);
}

QCoro::Task<> SpotifySignIn::complete(QUrl callback) {
    QPointer<SpotifySignIn> self(this);
    try {
        co_await auth_.completeLogin(callback);
        if (self) {
            setErrorMessage(QString());
            setAuthorizationURL(QString());
        }
    } catch (const KorvidError& error) {
        if (self)
            setErrorMessage(error.description());
    } catch (const std::exception& error) {
        if (self)
            setErrorMessage(QString::fromUtf8(error.what()));
    }
}

void SpotifySignIn::cancel() {
    session_.cancel();
}

void SpotifySignIn::submitCallback(const QString& address) {
    const QUrl callback(address.trimmed());
    // While the browser is open the address ends that wait; after it (for
    // instance when no browser opened) it completes the pending sign-in.
    if (!session_.deliverPasted(callback))
        complete(callback);
}

bool SpotifySignIn::isAuthenticated() const {
    return auth_.isAuthenticated();
}

void SpotifySignIn::disconnectSpotify() {
    auth_.signOut();
}

void SpotifySignIn::useLocalMusicOnly() {
    sources_.setCurrent(MusicSource::appleMusic);
}

void SpotifySignIn::setSigningIn(bool value) {
    if (signingIn_ == value)
        return;
    signingIn_ = value;
    Q_EMIT isSigningInChanged();
}

void SpotifySignIn::setAuthorizationURL(const QString& value) {
    if (authorizationURL_ == value)
        return;
    authorizationURL_ = value;
    Q_EMIT authorizationURLChanged();
}

void SpotifySignIn::setErrorMessage(const QString& value) {
    if (errorMessage_ == value)
        return;
    errorMessage_ = value;
    Q_EMIT errorMessageChanged();
}
