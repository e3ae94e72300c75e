#include "AppModels.h"
#include "musicapp/TestMusicFolder.h"
#include "platform/WebAuthSession.h"
#include "spotify/SpotifyAuthManager.h"
#include "support/Accessibility.h"
#include "support/FakeClock.h"
#include "support/QtPrinting.h"
#include "support/QuickView.h"
#include "support/RunTask.h"
#include "support/TestHome.h"
#include "ui/SpotifySignIn.h"
#include "ui/Translation.h"

#include <clocale>

#include <QNetworkAccessManager>
#include <QSettings>

using namespace std::chrono_literals;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        spotifyAuth.loadStoredTokens();
        ASSERT_TRUE(waitUntil([&] { return spotifyAuth.hasLoadedTokens(); }));
        ASSERT_TRUE(view.showMainWindow(models.ui(spotifyAuth, signIn)));
    }

    QObject* find(const char* name) { return view.find(name); }
    QString textOf(const char* name) { return view.property(name, "text").toString(); }
    bool visible(const char* name) { return view.visible(name); }
    bool looksDark() const { return view.window()->color().lightnessF() < 0.5; }

    TestHome home;
    MusicSourceSettings sourceSettings;
    AlbumFilterSettings filterSettings;
    QNetworkAccessManager network;
    MemoryKeychain keychain;
    FakeClock clock;
    // Addresses no test reaches: signing in is the Spotify tests' business.
    SpotifyAuthManager spotifyAuth{network, keychain, clock, QUrl("http://127.0.0.1:9")};
    WebAuthSession webAuth{[](const QUrl&) { return true; }};
    SpotifySignIn signIn{spotifyAuth, webAuth, sourceSettings};
    AppleMusicLibrary appleMusic{home.filePath("Music")};
    SpotifyAPI api{spotifyAuth, network, QUrl("http://127.0.0.1:9/v1")};
    AppModels models{api, appleMusic, sourceSettings, filterSettings, clock};
    QuickView view;
};

TEST_F(MainWindowTest, TheSourceChosenOnTheConnectScreenOrInSettingsIsStoredAndSetsTheScheme) {
    EXPECT_EQ(view.window()->title(), QStringLiteral("Korvid"));
    ASSERT_TRUE(waitUntil([&] { return find("connectSpotifyView") != nullptr; }, 2s));
    EXPECT_FALSE(visible("mainTabs"));
    EXPECT_TRUE(looksDark());
    EXPECT_TRUE(view.saveScreen("connect-spotify"));
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
        spotifyAuth.setClientID(c.clientID);
        EXPECT_EQ(view.property("clientIDInstructions", "visible").toBool(), c.steps)
            << c.clientID.toStdString();
        EXPECT_EQ(view.property("connectButton", "enabled").toBool(), c.connect)
            << c.clientID.toStdString();
    }

    view.click("useLocalMusicButton");
    EXPECT_EQ(sourceSettings.current(), MusicSource::appleMusic);
    EXPECT_TRUE(waitUntil([&] { return visible("mainTabs") && !find("connectSpotifyView"); }, 2s));
    EXPECT_EQ(find("homeEmptyState")->property("title").toString(),
              QStringLiteral("No Recent Albums"));
    EXPECT_EQ(
        find("homeEmptyState")->property("message").toString(),
        QStringLiteral("Play something in your local music library and it will show up here."));
    EXPECT_TRUE(waitUntil([&] { return !looksDark(); }, 2s));

    // Settings changes it too.
    view.click("tabSettings");
    EXPECT_EQ(textOf("sourceOption1"), QStringLiteral("Local Music"));
    EXPECT_TRUE(find("sourceOption1")->property("checked").toBool());

    view.click("sourceOption2");
    EXPECT_EQ(QSettings().value("musicSource").toString(), QStringLiteral("both"));
    EXPECT_EQ(sourceSettings.current(), MusicSource::both);
    EXPECT_TRUE(waitUntil([&] { return looksDark(); }, 2s));
    EXPECT_TRUE(find("sourceOption2")->property("checked").toBool());
    EXPECT_FALSE(find("sourceOption1")->property("checked").toBool());
    // Spotify is among the sources again, and nobody has signed in.
    EXPECT_TRUE(
        waitUntil([&] { return visible("connectSpotifyView") && !visible("mainTabs"); }, 2s));

    view.click("useLocalMusicButton");
    EXPECT_EQ(QSettings().value("musicSource").toString(), QStringLiteral("appleMusic"));
    EXPECT_TRUE(waitUntil([&] { return visible("mainTabs"); }, 2s));
    EXPECT_TRUE(find("sourceOption1")->property("checked").toBool());
}

TEST_F(MainWindowTest, SettingsScansTheMusicFolderSignsInAndShowsVersionFilteringAndWhatsNew) {
    sourceSettings.setCurrent(MusicSource::appleMusic);
    view.click("tabSettings");
    EXPECT_EQ(find("localMusicSection")->property("caption").toString(),
              "Reads the albums in your music folder (" + home.filePath("Music") +
                  "). No subscription or sign-in required.");
    EXPECT_TRUE(visible("scanMusicFolderButton"));
    view.click("scanMusicFolderButton");
    // No music folder yet: nothing to grant.
    waitUntil([] { return false; }, 200ms);
    EXPECT_FALSE(appleMusic.isAuthorized());

    ASSERT_TRUE(QDir().mkpath(home.filePath("Music/Album")));
    view.click("scanMusicFolderButton");
    EXPECT_TRUE(waitUntil([&] { return appleMusic.isAuthorized(); }));
    EXPECT_TRUE(
        waitUntil([&] { return visible("accessGranted") && !visible("scanMusicFolderButton"); }));
    EXPECT_TRUE(waitUntil([&] { return !appleMusic.isScanning(); }));

    // A song put where no watch reaches is read when the person asks.
    appleMusic.setFolderWatching(1, 1h);
    ASSERT_TRUE(makeSong(home.filePath("Music"), {"Album/01.flac", {"-c:a", "flac"}, {}}));
    view.click("rescanMusicFolderButton");
    EXPECT_TRUE(waitUntil([&] { return textOf("lastScan").startsWith("Last scan: 1 new"); }))
        << textOf("lastScan").toStdString();
    EXPECT_EQ(textOf("libraryContents"), "1 album, 1 track");
    EXPECT_TRUE(view.saveScreen("settings"));

    // A filled client ID field keeps its label.
    view.click("changeClientIDButton");
    ASSERT_TRUE(waitUntil([&] { return visible("settingsClientIDField"); }));
    view.click("settingsClientIDField");
    QTest::keyClick(view.window(), Qt::Key_A, Qt::ControlModifier);
    view.type("abc123");
    EXPECT_EQ(spotifyAuth.clientID(), "abc123");
    EXPECT_EQ(QSettings().value("spotifyClientID").toString(), "abc123");
    EXPECT_TRUE(visible("settingsClientIDLabel"));
    EXPECT_EQ(textOf("settingsClientIDLabel"), "Spotify Client ID");
    EXPECT_EQ(accessibleName(find("settingsClientIDField")), "Spotify Client ID");
    EXPECT_TRUE(view.saveScreen("settings-client-id"));

    // Signing in from Settings works as on the sign-in screen.
    EXPECT_FALSE(visible("settings.signInProgress"));
    view.click("settingsConnectButton");
    ASSERT_TRUE(waitUntil([&] { return signIn.isSigningIn(); }));
    EXPECT_TRUE(waitUntil([&] { return visible("settings.signInProgress"); }));
    EXPECT_TRUE(visible("settings.callbackField"));
    EXPECT_TRUE(view.saveScreen("settings-signing-in"));
    view.click("settings.cancelSignInButton");
    EXPECT_TRUE(waitUntil([&] { return !signIn.isSigningIn(); }));
    EXPECT_FALSE(visible("settings.signInProgress"));

    EXPECT_EQ(textOf("versionLine"), QStringLiteral(KORVID_VERSION " (" KORVID_BUILD_NUMBER ")"));
    EXPECT_EQ(
        find("filteringSection")->property("caption").toString(),
        QStringLiteral("Albums with fewer tracks than this are hidden from Home and Library."));
    QObject* slider = find("minTracksSlider");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->property("value").toDouble(), 3.0);
    filterSettings.setMinTracksPerAlbum(6);
    EXPECT_EQ(textOf("minTracksValue"), QStringLiteral("6"));

    EXPECT_EQ(find("releaseList"), nullptr);
    view.click("whatsNewButton");
    ASSERT_TRUE(waitUntil([&] { return find("releaseList") != nullptr; }, 2s));
    QObject* list = find("releaseList");
    EXPECT_EQ(list->property("count").toInt(), 4);
    ASSERT_TRUE(waitUntil([&] { return find("releaseHeader") != nullptr; }, 2s));
    EXPECT_EQ(textOf("releaseHeader"), QStringLiteral("Version 1.2.1"));
    EXPECT_EQ(textOf("kindPill"), QStringLiteral("Fixed"));
    EXPECT_TRUE(view.saveScreen("whats-new"));
}

// The main window as a German reader meets it; in any language every control
// has a name a screen reader can say.
class GermanWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        std::setlocale(LC_ALL, "de_DE.UTF-8");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        MainWindowTest::SetUp();
    }
    void TearDown() override {
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_ALL, "C");
        Translation::install();
    }
};

TEST_F(GermanWindowTest, TheViewsSpeakGermanAndEveryControlHasAName) {
    sourceSettings.setCurrent(MusicSource::appleMusic);
    ASSERT_TRUE(waitUntil([&] { return visible("mainTabs"); }, 2s));
    EXPECT_EQ(textOf("tabLibrary"), "Mediathek");
    for (const char* tab : {"tabHome", "tabLibrary", "tabSettings", "nowPlayingButton"}) {
        view.click(tab);
        QTest::qWait(200);
        EXPECT_TRUE(view.saveScreen(QStringLiteral("german-%1").arg(tab)));
        if (std::string_view(tab) == "nowPlayingButton") {
            ASSERT_TRUE(waitUntil([&] { return visible("scrubber"); }, 2s));
        }
        EXPECT_EQ(unnamedControls(view.window()), QStringList()) << tab;
    }
}

} // namespace
