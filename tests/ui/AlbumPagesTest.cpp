// Home and Library as a person uses them over a real library and MPD:
// clicking an album plays it, the keys steer playback, Ctrl+F searches, a
// first scan and later music reach the pages by themselves.
#include "LocalWindowFixture.h"
#include "musicapp/TestMusicFolder.h"
#include "support/PulseAudioServer.h"

namespace {

class AlbumPages : public LocalWindowTest {
protected:
    using LocalWindowTest::show;
    // Korvid over the private MPD, with local music alone.
    void show() {
        auto made = makeLibrary();
        made->select(silent());
        finish(*made);
        show(MusicSource::appleMusic, std::move(made));
    }
    QByteArray albumCell() const {
        return (QStringLiteral("albumCell-") + library->albums().first().unifiedID()).toUtf8();
    }
};

TEST_F(AlbumPages, ClickingOrTabbingToAnAlbumOnHomePlaysItOnMpdAndTheKeysSteerIt) {
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

    // From the keyboard alone: Tab reaches the album, and Space on it plays
    // it from the start rather than pausing what plays.
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
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

// This computer's own output is drawn as a computer in the player bar.
TEST_F(AlbumPages, ThePlayerBarShowsThisComputerAsAComputer) {
    PulseAudioServer pulse;
    if (!pulse.start())
        KORVID_PEER_MISSING("pulseaudio did not start: " + pulse.errorText().toStdString());
    MpdTestServer computer(&pulse);
    computer.useMusic(album->folder, album->files);
    ASSERT_TRUE(computer.start()) << computer.errorText().toStdString();
    auto made = makeLibrary({computer.address()});
    runTask(made->selectThisMac());
    finish(*made);
    ASSERT_NO_FATAL_FAILURE(show(MusicSource::appleMusic, std::move(made)));
    ASSERT_TRUE(library->output() && library->output()->isComputer());

    const QByteArray cell = albumCell();
    ASSERT_TRUE(waitUntil([&] { return view.find(cell.constData()) != nullptr; }));
    view.click(cell.constData());
    finish(*library);
    ASSERT_TRUE(waitUntil([&] { return models->playback.isPlayingLocally(); }));
    EXPECT_EQ(view.property("outputSymbol", "symbol").toString(), "computer");
    EXPECT_EQ(view.property("outputName", "text"), library->output()->displayName());
}

TEST_F(AlbumPages, HomesToolbarOpensTheSpeakerSheetAndCtrlFSearchesTheLibrary) {
    show();
    EXPECT_FALSE(view.visible("spotifyDevicesButton")); // local music alone
    // One speaker symbol, whichever output is chosen; Spotify's devices have their own.
    EXPECT_EQ(view.property("speakerPickerButton", "symbol"), "hifispeaker.fill");
    view.click("speakerPickerButton");
    ASSERT_TRUE(waitUntil([&] { return view.visible("speakerList"); }));
    EXPECT_TRUE(view.saveScreen("home-speaker-sheet"));
    view.click("speakerPickerDone");
    EXPECT_TRUE(waitUntil([&] { return !view.visible("speakerList"); }));

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
    filters.setMinTracksPerAlbum(1); // albums of one song each
    ASSERT_NO_FATAL_FAILURE(
        show(MusicSource::appleMusic,
             unopenedLibrary(folder, {MpdAddress{home.filePath("no-player.socket"), 0}}), true));

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
