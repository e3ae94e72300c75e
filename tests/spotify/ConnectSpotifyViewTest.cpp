#include "SpotifyFixture.h"

#include "model/MusicSourceSettings.h"
#include "platform/WebAuthSession.h"
#include "support/QuickView.h"
#include "ui/SpotifySignIn.h"

#include <QSettings>

class ConnectSpotifyView : public SpotifyFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(view.showView("ConnectSpotifyView", {{"signIn", QVariant::fromValue(&signIn)}},
                                  QSize(640, 860)));
    }

    QVariant property(const char* name, const char* property) {
        return view.property(name, property);
    }

    QUrl opened;
    WebAuthSession session{[this](const QUrl& url) {
        opened = url;
        return true;
    }};
    MusicSourceSettings sources;
    SpotifySignIn signIn{*auth, session, sources};
    QuickView view;
};

TEST_F(ConnectSpotifyView, ShowsTheStepsUntilTheUsersOwnIdIsEnteredThenConnectsAndCancels) {
    EXPECT_EQ(property("connectTitle", "text"), "Connect Your Spotify Account");
    EXPECT_EQ(property("connectSubtitle", "text"),
              "Sign in with your Spotify account to load your library and control playback.");
    EXPECT_EQ(property("redirectURIField", "text"), "korvid://callback");
    EXPECT_EQ(property("useLocalMusicButton", "text"), "Use Local Music Only");
    EXPECT_TRUE(view.saveScreen("connect-spotify-built-in-id"));

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
    view.click("clientIDField");
    QTest::keyClick(view.window(), Qt::Key_A, Qt::ControlModifier);
    view.type("abc123");
    EXPECT_EQ(auth->clientID(), "abc123");
    EXPECT_EQ(QSettings().value("spotifyClientID").toString(), "abc123");
    EXPECT_FALSE(property("clientIDInstructions", "visible").toBool());

    view.click("connectButton");
    EXPECT_TRUE(opened.isValid());
    EXPECT_TRUE(property("signInProgress", "visible").toBool());
    EXPECT_TRUE(property("pasteCallbackRow", "visible").toBool());
    EXPECT_FALSE(property("connectButton", "enabled").toBool());

    view.click("cancelSignInButton");
    ASSERT_TRUE(waitUntil([&] { return !signIn.isSigningIn(); }));
    EXPECT_EQ(property("signInError", "text"), "The sign-in was cancelled.");
    EXPECT_TRUE(property("signInError", "visible").toBool());

    view.click("useLocalMusicButton");
    EXPECT_EQ(sources.current(), MusicSource::appleMusic);
}
