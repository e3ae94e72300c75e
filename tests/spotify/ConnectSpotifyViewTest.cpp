#include "SpotifyFixture.h"

#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "platform/WebAuthSession.h"
#include "spotify/SpotifySignIn.h"
#include "support/QmlFind.h"
#include "support/QuickScreen.h"
#include "ui/UiComposition.h"

#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>

class ConnectSpotifyView : public SpotifyFixture {
protected:
    void SetUp() override {
        UiComposition::useViewStyle();
        UiComposition::expose(engine, UiModels{&sources, &filters});
        engine.rootContext()->setContextProperty("spotifySignIn", &signIn);
        QQmlComponent component(&engine, QUrl("qrc:/korvid/qml/ConnectSpotifyView.qml"));
        view.reset(qobject_cast<QQuickItem*>(component.create()));
        ASSERT_TRUE(view) << component.errorString().toStdString();
        window.resize(640, 860);
        view->setParentItem(window.contentItem());
        view->setSize(window.size());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QQuickItem* item(const char* objectName) {
        auto* found = qobject_cast<QQuickItem*>(findByObjectName(view.get(), objectName));
        EXPECT_TRUE(found) << objectName;
        return found;
    }
    QVariant property(const char* objectName, const char* name) {
        QQuickItem* found = item(objectName);
        return found ? found->property(name) : QVariant();
    }
    void click(const char* objectName) {
        QQuickItem* found = item(objectName);
        ASSERT_TRUE(found);
        clickItem(found);
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
    QQuickWindow window;
    std::unique_ptr<QQuickItem> view;
};

TEST_F(ConnectSpotifyView, ShowsTheStepsUntilTheUsersOwnClientIdIsEntered) {
    EXPECT_EQ(property("connectTitle", "text"), "Connect Your Spotify Account");
    EXPECT_EQ(property("connectSubtitle", "text"),
              "Sign in with your Spotify account to load your library and control playback.");
    EXPECT_EQ(property("redirectURIField", "text"), "korvid://callback");
    EXPECT_EQ(property("useLocalMusicButton", "text"), "Use Local Music Only");
    EXPECT_FALSE(saveScreen(&window, "connect-spotify-built-in-id").isEmpty());

    // No Spotify app is registered under the built-in identifier, so it needs
    // the steps as much as an empty one; it still signs in when asked to.
    const struct {
        QString clientID;
        bool steps;
        bool connect;
    } cases[] = {
        {SpotifyAuthManager::defaultClientID, true, true},
        {QStringLiteral(" %1 ").arg(QLatin1String(SpotifyAuthManager::defaultClientID)), true,
         true},
        {"  ", true, false},
        {"abc123", false, true},
    };
    for (const auto& c : cases) {
        auth->setClientID(c.clientID);
        EXPECT_EQ(property("clientIDInstructions", "visible").toBool(), c.steps)
            << c.clientID.toStdString();
        EXPECT_EQ(property("connectButton", "enabled").toBool(), c.connect)
            << c.clientID.toStdString();
    }

    // Typing an identifier of one's own stores it and hides the steps.
    auth->setClientID(SpotifyAuthManager::defaultClientID);
    click("clientIDField");
    QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
    for (const char key : std::string_view("abc123"))
        QTest::keyClick(&window, key);
    EXPECT_EQ(auth->clientID(), "abc123");
    EXPECT_EQ(QSettings().value("spotifyClientID").toString(), "abc123");
    EXPECT_FALSE(property("clientIDInstructions", "visible").toBool());
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
