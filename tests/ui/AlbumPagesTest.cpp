// Home and Library as a person uses them over a real library and MPD:
// clicking an album plays it, the keys steer playback, Ctrl+F searches.
#include "AppModels.h"
#include "musicapp/LocalPlayerFixture.h"
#include "platform/Keychain.h"
#include "platform/WebAuthSession.h"
#include "spotify/SpotifyAuthManager.h"
#include "support/QtPrinting.h"
#include "support/QuickView.h"
#include "ui/SpotifySignIn.h"

#include <QNetworkAccessManager>

namespace {

class AlbumPages : public LocalPlayerTest {
protected:
    // Korvid over the private MPD, with local music alone.
    void show() {
        library = makeLibrary();
        sources.setCurrent(MusicSource::appleMusic);
        library->select(silent());
        finish(*library);
        models = std::make_unique<AppModels>(api, *library, sources, filters, clock);
        ASSERT_TRUE(view.showMainWindow(models->ui(auth, signIn)));
    }
    QByteArray albumCell() const {
        return (QStringLiteral("albumCell-") + library->albums().first().unifiedID()).toUtf8();
    }

    MusicSourceSettings sources;
    AlbumFilterSettings filters;
    QNetworkAccessManager network;
    MemoryKeychain keychain;
    // Spotify is never asked while only local music is chosen.
    SpotifyAuthManager auth{network, keychain, clock, QUrl("http://127.0.0.1:1/accounts")};
    SpotifyAPI api{auth, network, QUrl("http://127.0.0.1:1/v1")};
    WebAuthSession webAuth{[](const QUrl&) { return true; }};
    SpotifySignIn signIn{auth, webAuth, sources};
    // In this order, so each goes before what it uses.
    std::unique_ptr<AppleMusicLibrary> library;
    std::unique_ptr<AppModels> models;
    QuickView view;
};

TEST_F(AlbumPages, ClickingAnAlbumOnHomePlaysItOnMpdAndTheKeysSteerIt) {
    show();
    const QByteArray cell = albumCell();
    ASSERT_TRUE(waitUntil([&] { return view.find(cell.constData()) != nullptr; }));
    EXPECT_TRUE(view.saveScreen("home"));
    view.click(cell.constData());
    finish(*library);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) {
        return s.state == MpdPlayState::playing && s.songPosition == 0;
    }));
    EXPECT_EQ(view.property("nowPlayingTrack", "text").toString(), "Journey");
    EXPECT_TRUE(waitUntil([&] { return view.property(cell.constData(), "isPlaying").toBool(); }));

    QTest::keyClick(view.window(), Qt::Key_Right, Qt::ControlModifier);
    finish(*library);
    EXPECT_TRUE(waitForMpd([](const MpdStatus& s) { return s.songPosition == 1; }));
    QTest::keyClick(view.window(), Qt::Key_Space);
    finish(*library);
    EXPECT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::paused; }));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(AlbumPages, HomesToolbarOpensTheSpeakerSheet) {
    show();
    EXPECT_FALSE(view.visible("spotifyDevicesButton")); // local music alone
    view.click("speakerPickerButton");
    ASSERT_TRUE(waitUntil([&] { return view.visible("speakerList"); }));
    EXPECT_TRUE(view.saveScreen("home-speaker-sheet"));
    view.click("speakerPickerDone");
    EXPECT_TRUE(waitUntil([&] { return !view.visible("speakerList"); }));
}

TEST_F(AlbumPages, CtrlFSearchesTheLibraryAndTypingFilters) {
    show();
    QTest::keyClick(view.window(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return view.visible("libraryView"); }));
    ASSERT_TRUE(waitUntil([&] { return view.property("librarySearch", "activeFocus").toBool(); }));
    const QByteArray cell = albumCell();
    ASSERT_TRUE(waitUntil([&] { return view.find(cell.constData()) != nullptr; }));

    view.type("journ");
    EXPECT_EQ(models->library.searchText(), "journ");
    EXPECT_TRUE(view.find(cell.constData()));
    // Space types into the field; it does not pause.
    view.type(" zzz");
    EXPECT_TRUE(waitUntil([&] { return view.visible("noSearchResults"); }));
    EXPECT_EQ(view.property("noSearchResults", "text").toString(), "No albums match “journ zzz”");
    EXPECT_TRUE(view.saveScreen("library-no-results"));
    EXPECT_FALSE(models->playback.hasActiveSource());

    QTest::keyClick(view.window(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return view.visible("settingsView"); }));
}

} // namespace
