#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

class MusicSourceSettings;
class SpotifyAuthManager;
class WebAuthSession;

// What the sign-in screen binds to: the client identifier field, the
// connect, cancel and paste actions, and the error shown under the button.
class SpotifySignIn : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made once by the application")
    Q_PROPERTY(QString clientID READ clientID WRITE setClientID NOTIFY clientIDChanged)
    Q_PROPERTY(bool hasClientID READ hasClientID NOTIFY clientIDChanged)
    Q_PROPERTY(bool showsClientIDInstructions READ showsClientIDInstructions NOTIFY clientIDChanged)
    Q_PROPERTY(QString redirectURI READ redirectURI CONSTANT)
    Q_PROPERTY(QString dashboardURL READ dashboardURL CONSTANT)
    Q_PROPERTY(bool isSigningIn READ isSigningIn NOTIFY isSigningInChanged)
    Q_PROPERTY(QString authorizationURL READ authorizationURL NOTIFY authorizationURLChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool isAuthenticated READ isAuthenticated NOTIFY isAuthenticatedChanged)
    // What the keychain's trouble means for the sign-in; empty when none.
    Q_PROPERTY(QString keychainNotice READ keychainNotice NOTIFY keychainNoticeChanged)

public:
    QString keychainNotice() const;
    SpotifySignIn(SpotifyAuthManager& auth, WebAuthSession& session, MusicSourceSettings& sources,
                  QObject* parent = nullptr);

    QString clientID() const;
    void setClientID(const QString& clientID);
    bool hasClientID() const;
    // The steps to register a Spotify app of one's own. No app is registered
    // under the built-in identifier, so they show for it as for an empty one.
    bool showsClientIDInstructions() const;
    QString redirectURI() const;
    static QString dashboardURL() {
        return QStringLiteral("https://developer.spotify.com/dashboard");
    }
    bool isSigningIn() const { return signingIn_; }
    // The page being shown, so it can be copied when no browser opens.
    QString authorizationURL() const { return authorizationURL_; }
    QString errorMessage() const { return errorMessage_; }
    bool isAuthenticated() const;

    // Runs the whole sign-in; the outcome lands in errorMessage.
    Q_INVOKABLE void connectSpotify();
    QCoro::Task<> signIn();
    Q_INVOKABLE void cancel();
    // The address the browser ended on, pasted by hand.
    Q_INVOKABLE void submitCallback(const QString& address);
    Q_INVOKABLE void useLocalMusicOnly();
    // Settings' disconnect: forgets the token set and deletes its keychain item.
    Q_INVOKABLE void disconnectSpotify();

Q_SIGNALS:
    void clientIDChanged();
    void isSigningInChanged();
    void authorizationURLChanged();
    void errorMessageChanged();
    void isAuthenticatedChanged();
    void keychainNoticeChanged();

private:
    QCoro::Task<> complete(QUrl callback);
    void setSigningIn(bool value);
    void setAuthorizationURL(const QString& value);
    void setErrorMessage(const QString& value);

    SpotifyAuthManager& auth_;
    WebAuthSession& session_;
    MusicSourceSettings& sources_;
    bool signingIn_ = false;
    QString authorizationURL_;
    QString errorMessage_;
};
