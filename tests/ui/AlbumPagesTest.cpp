// Home and Library as a person uses them over a real library and MPD:
// clicking an album plays it, the keys steer playback, Ctrl+F searches, a
// first scan and later music reach the pages by themselves.
#include "AppModels.h"
#include "musicapp/LocalPlayerFixture.h"
#include "musicapp/TestMusicFolder.h"
#include "platform/Keychain.h"
#include "platform/WebAuthSession.h"
#include "spotify/SpotifyAuthManager.h"
#include "support/PulseAudioServer.h"
#include "support/QtPrinting.h"
#include "support/QuickView.h"
#include "ui/CoverImages.h"
#include "ui/SpotifySignIn.h"

#include <QNetworkAccessManager>

namespace {

class AlbumPages : public LocalPlayerTest {
protected:
    // Korvid over the private MPD, with local music alone.
    void show() {
        library = makeLibrary();
        library->select(silent());
        showLibrary();
    }
    // Korvid over the library the test made.
    void showLibrary() {
        sources.setCurrent(MusicSource::appleMusic);
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
    CoverImages covers{home.filePath("cover-cache")};
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
    EXPECT_EQ(view.property("nowPlayingTrack", "text").toString(),
              "1 Leg"); // the first track plays
    EXPECT_TRUE(waitUntil([&] { return view.property(cell.constData(), "isPlaying").toBool(); }));

    QTest::keyClick(view.window(), Qt::Key_Right, Qt::ControlModifier);
    finish(*library);
    EXPECT_TRUE(waitForMpd([](const MpdStatus& s) { return s.songPosition == 1; }));
    QTest::keyClick(view.window(), Qt::Key_Space);
    finish(*library);
    EXPECT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::paused; }));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

// From the keyboard alone: Tab reaches the albums, and Space on one plays it
// rather than pausing what plays.
TEST_F(AlbumPages, TabReachesAnAlbumAndSpacePlaysIt) {
    show();
    const QByteArray cell = albumCell();
    ASSERT_TRUE(waitUntil([&] { return view.find(cell.constData()) != nullptr; }));
    const auto focusedName = [&] {
        QQuickItem* item = view.window()->activeFocusItem();
        return item ? item->objectName() : QString();
    };
    for (int i = 0; i < 30 && !focusedName().startsWith("albumCell-"); ++i)
        QTest::keyClick(view.window(), Qt::Key_Tab);
    ASSERT_EQ(focusedName(), QString::fromLatin1(cell));
    QTest::keyClick(view.window(), Qt::Key_Space);
    finish(*library);
    EXPECT_TRUE(waitForMpd([](const MpdStatus& s) {
        return s.state == MpdPlayState::playing && s.songPosition == 0;
    }));
    EXPECT_TRUE(waitUntil([&] { return view.property(cell.constData(), "isPlaying").toBool(); }));
}

// This computer's own output is drawn as a computer in the player bar.
TEST_F(AlbumPages, ThePlayerBarShowsThisComputerAsAComputer) {
    PulseAudioServer pulse;
    if (!pulse.start())
        KORVID_PEER_MISSING("pulseaudio did not start: " + pulse.errorText().toStdString());
    MpdTestServer computer(&pulse);
    computer.useMusic(album->folder, album->files);
    ASSERT_TRUE(computer.start()) << computer.errorText().toStdString();
    library = makeLibrary({computer.address()});
    runTask(library->selectThisMac());
    ASSERT_NO_FATAL_FAILURE(showLibrary());
    ASSERT_TRUE(library->output() && library->output()->isComputer());

    const QByteArray cell = albumCell();
    ASSERT_TRUE(waitUntil([&] { return view.find(cell.constData()) != nullptr; }));
    view.click(cell.constData());
    finish(*library);
    ASSERT_TRUE(waitUntil([&] { return models->playback.isPlayingLocally(); }));
    EXPECT_EQ(view.property("outputSymbol", "symbol").toString(), "computer");
    EXPECT_EQ(view.property("outputName", "text"), library->output()->displayName());
}

TEST_F(AlbumPages, HomesToolbarOpensTheSpeakerSheet) {
    show();
    EXPECT_FALSE(view.visible("spotifyDevicesButton")); // local music alone
    // One speaker symbol, whichever output is chosen; Spotify's devices have their own.
    EXPECT_EQ(view.property("speakerPickerButton", "symbol"), "hifispeaker.fill");
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

TEST_F(AlbumPages, AFirstScanFillsHomeAndLibraryWithTheCoversKeptBesideTheFiles) {
    // Kept the way many people keep music: a cover.jpg beside the files.
    const QString folder = home.filePath("covers-beside");
    const auto addAlbum = [&](const QString& path, const QString& title) {
        return makeSong(folder, {path + "/01.flac",
                                 {"-c:a", "flac"},
                                 {{"album", title}, {"album_artist", "Band"}}}) &&
               writePicture(folder + "/" + path + "/cover.jpg", qRgb(20, 180, 40));
    };
    for (const char* title : {"Amber Hours", "Blue Static", "Copper Lane"})
        ASSERT_TRUE(addAlbum(title, title));
    // No music player runs yet, so the folder stays the one given.
    library = unopenedLibrary(folder, {MpdAddress{home.filePath("no-player.socket"), 0}});
    sources.setCurrent(MusicSource::appleMusic);
    filters.setMinTracksPerAlbum(1); // albums of one song each
    models = std::make_unique<AppModels>(api, *library, sources, filters, clock);
    UiModels ui = models->ui(auth, signIn);
    ui.covers = &covers; // the covers drawn, as main() has them
    ASSERT_TRUE(view.showMainWindow(ui));

    // Every album of the library in the grid, each with its cover drawn.
    bool claimedEmpty = false;
    const auto allShown = [&](const char* grid, int count) {
        claimedEmpty = claimedEmpty || view.visible("homeEmptyState");
        const QList<AppleMusicAlbum> albums = library->albums();
        if (albums.size() != count)
            return false;
        for (const AppleMusicAlbum& album : albums) {
            QObject* cell = findByObjectName(view.find(grid), "albumCell-" + album.unifiedID());
            QObject* placeholder = findByObjectName(cell, "coverPlaceholder");
            if (!placeholder || placeholder->property("visible").toBool())
                return false;
        }
        return true;
    };
    EXPECT_TRUE(waitUntil([&] { return allShown("recentGrid", 3); }, 20s));
    EXPECT_FALSE(claimedEmpty) << "Home said there were no albums while the folder was read";
    EXPECT_TRUE(view.saveScreen("first-scan-home"));
    view.click("tabLibrary");
    EXPECT_TRUE(waitUntil([&] { return allShown("libraryGrid", 3); }, 20s));
    EXPECT_TRUE(view.saveScreen("first-scan-library"));

    // Music added where no watch reaches it shows when the person reloads.
    library->setFolderWatching(1, 1h);
    ASSERT_TRUE(addAlbum("Blue Static/Bonus", "Bonus Tracks"));
    QTest::keyClick(view.window(), Qt::Key_F5);
    EXPECT_TRUE(waitUntil([&] { return allShown("libraryGrid", 4); }, 20s));
}

} // namespace
