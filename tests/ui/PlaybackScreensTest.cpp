// The player bar, the Now Playing sheet, the resume card and the error
// alert, used as a person does, over the coordinator and the Spotify stand-in.
#include "AppModels.h"
#include "MarkupProbe.h"
#include "playback/CoordinatorFixture.h"
#include "support/Accessibility.h"
#include "support/QuickView.h"
#include "ui/IconNames.h"
#include "ui/SpotifySignIn.h"

#include "platform/WebAuthSession.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

class PlaybackScreens : public SpotifyFixture {
protected:
    PlaybackScreens() {
        signIn();
        standIn.onJson("GET", "/v1/me/player", 204, "");
        standIn.onJson("GET", "/v1/me/player/devices", 200,
                       R"({"devices":[{"id":"d2","is_active":false,"name":"Den",)"
                       R"("type":"Speaker"}]})");
        for (const char* path : {"/v1/me/player/play", "/v1/me/player/pause",
                                 "/v1/me/player/volume", "/v1/me/player"}) {
            standIn.onJson("PUT", path, 204, "");
        }
    }

    void show() {
        // The stored sign-in is read as at start.
        auth->loadStoredTokens();
        ASSERT_TRUE(waitUntil([&] { return auth->hasLoadedTokens(); }));
        ASSERT_TRUE(auth->isAuthenticated());
        models = std::make_unique<AppModels>(*api, appleMusic, sources, filters, clock);
        ASSERT_TRUE(view.showMainWindow(models->ui(*auth, signInPresenter)));
    }
    QString textOf(const char* name) { return view.property(name, "text").toString(); }
    size_t requestCount(const std::string& method, const std::string& path) const {
        size_t count = 0;
        for (const auto& request : standIn.requestsTo(path)) {
            count += request.method == method;
        }
        return count;
    }

    MusicSourceSettings sources;
    AlbumFilterSettings filters;
    WebAuthSession webAuth{[](const QUrl&) { return true; }};
    SpotifySignIn signInPresenter{*auth, webAuth, sources};
    AppleMusicLibrary appleMusic{home.filePath("Music")};
    std::unique_ptr<AppModels> models;
    QuickView view;
};

// Playing a clip is the presenter's tests' business: a real one lies off loopback.
TEST_F(PlaybackScreens, TheSheetSteersWhatPlaysAndAsksForAPreviewOnlyWhenPressed) {
    standIn.onJson("GET", "/v1/albums/none/tracks", 200, R"({"items":[{"preview_url":null}]})");
    show();
    standIn.onJson("GET", "/v1/me/player", 200, kPlayingOnDen);
    runTask(models->playback.refreshNowPlaying());
    UnifiedAlbum album = spotifyAlbum("none");
    album.trackCount = 10;
    models->history.recordPlay(album); // the newest album is up next
    runTask(models->home.load());
    view.click("nowPlayingButton");
    ASSERT_TRUE(waitUntil([&] { return view.visible("nowPlayingView"); }));
    EXPECT_EQ(textOf("elapsedTime"), "1:01");
    EXPECT_EQ(textOf("durationTime"), "3:20");
    ASSERT_EQ(textOf("upNextTitle"), album.title);
    EXPECT_TRUE(view.visible("previewButton"));
    EXPECT_TRUE(view.saveScreen("now-playing"));
    EXPECT_TRUE(standIn.requestsTo("/v1/albums/none/tracks").empty());

    view.click("previewButton");
    ASSERT_TRUE(
        waitUntil([&] { return standIn.requestsTo("/v1/albums/none/tracks").size() == 1; }));
    EXPECT_TRUE(waitUntil([&] { return !view.visible("previewProgress"); }));
    EXPECT_FALSE(view.visible("previewButton")); // no clip for this album

    view.click("playPauseButton");
    ASSERT_TRUE(waitUntil([&] { return requestCount("PUT", "/v1/me/player/pause") == 1; }));
    EXPECT_TRUE(waitUntil([&] { return !models->playback.isPlaying(); }));
    view.click("closeNowPlaying");
    EXPECT_TRUE(waitUntil([&] { return !view.visible("nowPlayingView"); }));
    // Escape closes the sheet too.
    view.click("nowPlayingButton");
    ASSERT_TRUE(waitUntil([&] { return view.visible("nowPlayingView"); }));
    QTest::keyClick(view.window(), Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !view.visible("nowPlayingView"); }));

    // The volume goes out when the slider is let go, as a whole percentage.
    auto* slider = qobject_cast<QQuickItem*>(view.find("volumeSlider"));
    ASSERT_NE(slider, nullptr);
    const QPoint at = slider->mapToScene({slider->width() * 0.8, slider->height() / 2}).toPoint();
    QTest::mouseClick(view.window(), Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_TRUE(waitUntil([&] { return requestCount("PUT", "/v1/me/player/volume") == 1; }));
    const double sent = std::stod(standIn.requestsTo("/v1/me/player/volume")
                                      .back()
                                      .query()
                                      .substr(std::string("device_id=d2&volume_percent=").size()));
    EXPECT_NEAR(sent, 80, 8);
    EXPECT_NEAR(models->playback.volumePercent(), 80, 8);
}

// A failed reload is said over the albums of the last one, and a reload
// in progress shows while albums are already there.
TEST_F(PlaybackScreens, AFailedReloadIsShownOverTheAlbumsAndAReloadShowsItsProgress) {
    sources.setCurrent(MusicSource::spotify);
    // The Library lists albums with a cover only; this one is never fetched.
    standIn.onJson(
        "GET", "/v1/me/albums", 200,
        R"({"items":[{"added_at":"2026-09-01T10:00:00Z","album":{"id":"blue",)"
        R"("name":"Blue Lines","uri":"spotify:album:blue","total_tracks":9,)"
        R"("images":[{"url":")" +
            standIn.origin() +
            R"(/none"}],"artists":[{"id":"x","name":"Massive Attack"}]}}],"next":null})");
    show();
    view.click("tabLibrary");
    ASSERT_TRUE(waitUntil([&] { return view.find("albumCell-spotify-blue") != nullptr; }));
    EXPECT_FALSE(view.visible("libraryError"));
    standIn.onJson("GET", "/v1/me/albums", 500, R"({"error":{"status":500,"message":"down"}})");
    runTask(models->library.load());
    ASSERT_TRUE(models->library.errorMessage());
    EXPECT_TRUE(view.visible("libraryError"));
    EXPECT_EQ(view.property("libraryError", "message"), *models->library.errorMessage());
    EXPECT_TRUE(view.saveScreen("library-error-over-albums"));

    view.click("tabHome");
    UnifiedAlbum album = spotifyAlbum("abc");
    album.trackCount = 10;
    album.rawGenres = {"jazz"};
    models->history.recordPlay(album);
    runTask(models->home.load());
    ASSERT_TRUE(waitUntil([&] { return view.find("albumCell-spotify-abc") != nullptr; }));
    EXPECT_FALSE(view.visible("homeLoading"));
    // "&" is part of a genre's name, not a shortcut marker: drawn and named as it is.
    auto* chip = qobject_cast<QQuickItem*>(view.find("genreChip-soul"));
    ASSERT_NE(chip, nullptr);
    EXPECT_EQ(accessibleName(chip), "Soul, Jazz & Blues");
    QObject* label = chip->property("contentItem").value<QObject*>();
    EXPECT_EQ(label->property("text"), "Soul, Jazz & Blues");
    EXPECT_EQ(label->property("textFormat").toInt(), Qt::PlainText);
    // Adding local music reloads Home, which waits for the music folder's first reading.
    ASSERT_TRUE(QDir().mkpath(home.filePath("Music")));
    sources.setCurrent(MusicSource::both);
    ASSERT_TRUE(models->home.isLoading());
    EXPECT_TRUE(view.visible("homeLoading"));
    EXPECT_TRUE(view.visible("recentGrid"));
    EXPECT_TRUE(view.saveScreen("home-reloading"));
    EXPECT_TRUE(waitUntil([&] { return !models->home.isLoading(); }));
    EXPECT_FALSE(view.visible("homeLoading"));
}

// Names and errors come from Spotify, from whoever named a device and from
// files: each is drawn as written, and none makes Korvid fetch anything, on
// the resume card, the player bar, the devices sheet and the error alert.
TEST_F(PlaybackScreens, ResumeDevicesAndAlertsShowTextFromOutsideAsWrittenAndFetchNothing) {
    MarkupProbe probe;
    const auto json = [](const QString& text) {
        const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
        return array.mid(1, array.size() - 2).toStdString();
    };
    const auto expectLiteral = [&](const char* screen, int atLeast) {
        QTest::qWait(300);
        const MarkupProbe::Scan scan = MarkupProbe::scan(view.window());
        EXPECT_GE(scan.withTags, atLeast) << screen;
        EXPECT_TRUE(scan.asMarkup.isEmpty())
            << screen << ": " << scan.asMarkup.join(" | ").toStdString();
        EXPECT_TRUE(view.saveScreen(QStringLiteral("markup-") + screen));
    };

    ListeningSession session;
    session.device =
        ListeningSession::Device::SpotifyConnect{"d2", probe.withImage("Den"), "Speaker"};
    session.albumID = QStringLiteral("spotify-abc");
    session.albumTitle = MarkupProbe::bold("Album");
    session.spotifyURI = QStringLiteral("spotify:album:abc");
    session.trackIndex = 2;
    session.positionSeconds = 75;
    session.updatedAt = clock.now().addSecs(-7200);
    ListeningSessionStore().save(session);
    home.restartSettings();
    standIn.onJson("GET", "/v1/me/player/devices", 200,
                   R"({"devices":[{"id":"d2","is_active":false,"name":)" +
                       json(probe.withImage("Kitchen")) + R"(,"type":"Speaker"}]})");
    show();
    ASSERT_TRUE(waitUntil([&] { return view.visible("resumeSessionView"); }));
    EXPECT_EQ(textOf("resumeDetail"), "Track 3 · Played 2 hours ago");
    EXPECT_EQ(textOf("resumeDevice"), "Last played on " + probe.withImage("Den"));
    EXPECT_EQ(textOf("resumePosition"), "1:15");
    EXPECT_EQ(textOf("resumeButton"), "Resume on " + probe.withImage("Den"));
    EXPECT_FALSE(view.visible("playHereButton"));
    expectLiteral("resume-offer", 3);
    // Resuming moves Spotify to the stored device.
    view.click("resumeButton");
    ASSERT_TRUE(waitUntil([&] { return requestCount("PUT", "/v1/me/player") == 1; }));
    ASSERT_TRUE(waitUntil([&] { return !view.visible("resumeSessionView"); }));

    standIn.onJson(
        "GET", "/v1/me/player", 200,
        R"({"is_playing":true,"progress_ms":1000,"item":{"name":)" + json(probe.withImage("Song")) +
            R"(,"duration_ms":200000,"artists":[{"id":"a","name":)" + json(probe.link("Ann")) +
            R"(}],"album":{"id":"abc","name":"Album","uri":"spotify:album:abc","images":[],"artists":[]}},"device":{"id":"d2","is_active":true,"name":)" +
            json(MarkupProbe::bold("Den")) + R"(,"type":"Speaker","volume_percent":30}})");
    runTask(models->playback.refreshNowPlaying());
    ASSERT_EQ(textOf("outputName"), MarkupProbe::bold("Den"));
    auto* output = qobject_cast<QQuickItem*>(view.find("outputLabel"));
    ASSERT_NE(output, nullptr);
    QTest::mouseMove(view.window(),
                     output->mapToScene({output->width() / 2, output->height() / 2}).toPoint());
    ASSERT_TRUE(waitUntil([&] { return view.visible("outputHelp"); }));
    expectLiteral("player-bar", 4);

    // Home's devices button sits beside the speaker button, and is not drawn like it.
    const auto themeIcon = [&](const char* button) {
        return IconNames::themeName(view.property(button, "symbol").toString());
    };
    EXPECT_NE(themeIcon("spotifyDevicesButton"), themeIcon("speakerPickerButton"));
    view.click("spotifyDevicesButton");
    ASSERT_TRUE(waitUntil([&] { return view.visible("spotifyDevicesSheet"); }));
    ASSERT_TRUE(waitUntil([&] { return view.visible("deviceName:d2"); }));
    expectLiteral("devices", 1);
    QTest::keyClick(view.window(), Qt::Key_Escape);

    standIn.onJson("PUT", "/v1/me/player/play", 502,
                   "<html><body>" + probe.withImage("error").toStdString() + "<b>Bad Gateway</b>");
    runTask(models->playback.play(spotifyAlbum("x"), 0, 0));
    ASSERT_TRUE(waitUntil([&] { return view.visible("playbackErrorAlert"); }));
    EXPECT_TRUE(textOf("playbackErrorMessage").contains("<b>Bad Gateway</b>"));
    expectLiteral("error", 1);
    EXPECT_FALSE(probe.wasFetched());
    // The alert stays until dismissed.
    view.click("dismissErrorButton");
    EXPECT_TRUE(waitUntil([&] { return !view.visible("playbackErrorAlert"); }));
    EXPECT_EQ(models->playback.errorMessageText(), "");
}

} // namespace
