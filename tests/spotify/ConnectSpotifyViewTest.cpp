#include "SpotifyFixture.h"

#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "platform/WebAuthSession.h"
#include "spotify/SpotifySignIn.h"
#include "support/QmlFind.h"
#include "ui/UiComposition.h"

#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>

class ConnectSpotifyView : public SpotifyFixture {
protected:
    void SetUp() override {
        UiComposition::expose(engine, UiModels{&sources, &filters});
        engine.rootContext()->setContextProperty("spotifySignIn", &signIn);
        QQmlComponent component(&engine, QUrl("qrc:/korvid/qml/ConnectSpotifyView.qml"));
        view.reset(component.create());
        ASSERT_TRUE(view) << component.errorString().toStdString();
    }

    QVariant property(const char* objectName, const char* name) {
        QObject* item = findByObjectName(view.get(), objectName);
        EXPECT_TRUE(item) << objectName;
        return item ? item->property(name) : QVariant();
    }
    void click(const char* objectName) {
        QObject* item = findByObjectName(view.get(), objectName);
        ASSERT_TRUE(item) << objectName;
        QMetaObject::invokeMethod(item, "clicked");
    }

    QUrl opened;
    WebAuthSession session{[this](const QUrl& url) {
        opened = url;
        return true;
    }};
    MusicSourceSettings sources;
    AlbumFilterSettings filters;
    SpotifySignIn signIn{*auth, session, sources};
    QQmlEngine engine;
    std::unique_ptr<QObject> view;
};

TEST_F(ConnectSpotifyView, ShowsTheStepsUntilAClientIdIsEntered) {
    EXPECT_EQ(property("connectTitle", "text"), "Connect Your Spotify Account");
    EXPECT_EQ(property("connectSubtitle", "text"),
              "Sign in with your Spotify account to load your library and control playback.");
    EXPECT_EQ(property("redirectURIField", "text"), "korvid://callback");
    EXPECT_EQ(property("useLocalMusicButton", "text"), "Use Local Music Only");

    // The built-in identifier counts as entered.
    EXPECT_FALSE(property("clientIDInstructions", "visible").toBool());
    auth->setClientID("  ");
    EXPECT_TRUE(property("clientIDInstructions", "visible").toBool());
    EXPECT_FALSE(property("connectButton", "enabled").toBool());

    QObject* field = findByObjectName(view.get(), "clientIDField");
    ASSERT_TRUE(field);
    field->setProperty("text", "abc123");
    QMetaObject::invokeMethod(field, "textEdited");
    EXPECT_EQ(auth->clientID(), "abc123");
    EXPECT_TRUE(property("connectButton", "enabled").toBool());
}

TEST_F(ConnectSpotifyView, ConnectCancelAndLocalMusic) {
    click("connectButton");
    EXPECT_TRUE(opened.isValid());
    EXPECT_TRUE(property("signInProgress", "visible").toBool());
    EXPECT_TRUE(property("pasteCallbackRow", "visible").toBool());
    EXPECT_FALSE(property("connectButton", "enabled").toBool());

    click("cancelSignInButton");
    ASSERT_TRUE(waitUntil([&] { return !signIn.isSigningIn(); }));
    EXPECT_EQ(property("signInError", "text"), "The sign-in was cancelled.");
    EXPECT_TRUE(property("signInError", "visible").toBool());

    click("useLocalMusicButton");
    EXPECT_EQ(sources.current(), MusicSource::appleMusic);
}
