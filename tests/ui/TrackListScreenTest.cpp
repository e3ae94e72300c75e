// The album's track list in the Now Playing sheet, used as a person does:
// a local album over a real MPD, a Spotify album over the stand-in. A click
// on a track plays the album from there.
#include "LocalWindowFixture.h"

namespace {

class TrackListScreen : public LocalWindowTest {
protected:
    // Opens the sheet and waits for its list of `rows` tracks.
    void openSheet(int rows) {
        view.click("nowPlayingButton");
        ASSERT_TRUE(waitUntil([&] { return view.visible("nowPlayingView"); }));
        ASSERT_TRUE(waitUntil([&] { return view.property("trackList", "count").toInt() == rows; }));
    }
    // Rows out of sight are made a moment after the list shows.
    QString rowText(int row) {
        const QByteArray name = QStringLiteral("trackTitle:%1").arg(row).toLatin1();
        EXPECT_TRUE(waitUntil([&] { return view.find(name.constData()) != nullptr; }));
        return view.property(name.constData(), "text").toString();
    }
    // False while the row is not drawn yet.
    bool rowIsCurrent(int row) {
        const QObject* item =
            view.find(QStringLiteral("trackRow:%1").arg(row).toLatin1().constData());
        return item && item->property("highlighted").toBool();
    }
};

TEST_F(TrackListScreen, OnMpdAClickedTrackPlays) {
    ASSERT_NO_FATAL_FAILURE(show(MusicSource::appleMusic));
    library->select(silent());
    finish(*library);
    runTask(models->playback.play(library->albums().first().unified(), 2, 0));
    finish(*library);
    ASSERT_NO_FATAL_FAILURE(openSheet(kTracks));
    ASSERT_TRUE(waitUntil([&] { return rowIsCurrent(2); }));
    EXPECT_EQ(rowText(2), "3 Leg");
    EXPECT_EQ(view.property("trackListAlbum", "text").toString(), "Journey");
    EXPECT_TRUE(view.saveScreen("track-list-local"));

    // The coordinator shows the clicked track once the player plays it.
    EXPECT_EQ(rowText(4), "5 Leg");
    view.click("trackRow:4");
    finish(*library);
    runTask(models->playback.refreshAppleMusic());
    EXPECT_EQ(models->playback.nowPlayingTrackNameText(), "5 Leg");
    EXPECT_TRUE(waitUntil([&] { return rowIsCurrent(4) && !rowIsCurrent(2); }));
    EXPECT_TRUE(waitForMpd([](const MpdStatus& s) {
        return s.state == MpdPlayState::playing && s.songPosition == 4;
    }));
}

TEST_F(TrackListScreen, ASpotifyAlbumListsFromTheWebAPIAndPlaysFromTheClickedTrack) {
    standIn.onJson("GET", "/v1/me/player", 200, kPlayingOnDen);
    standIn.onJson("GET", "/v1/me/player/devices", 200,
                   R"({"devices":[{"id":"d2","is_active":true,"name":"Den","type":"Speaker"}]})");
    standIn.onJson("PUT", "/v1/me/player/play", 204, "");
    std::string tracks = R"({"items":[)";
    for (int i = 1; i <= 6; ++i) {
        tracks += (i > 1 ? "," : "") + std::string(R"({"name":")") +
                  (i == 2 ? "Song" : "Track " + std::to_string(i)) + R"(","track_number":)" +
                  std::to_string(i) + R"(,"duration_ms":)" + std::to_string(60000 + i * 1000) +
                  R"(,"preview_url":null})";
    }
    standIn.onJson("GET", "/v1/albums/abc/tracks", 200, tracks + "]}");
    ASSERT_NO_FATAL_FAILURE(show(MusicSource::spotify));
    runTask(models->playback.refreshDevices());
    runTask(models->playback.refreshNowPlaying());
    ASSERT_NO_FATAL_FAILURE(openSheet(6));
    ASSERT_TRUE(waitUntil([&] { return rowIsCurrent(1); })); // "Song" plays
    EXPECT_EQ(rowText(4), "Track 5");
    EXPECT_TRUE(view.saveScreen("track-list-spotify"));

    view.click("trackRow:4");
    ASSERT_TRUE(waitUntil([&] { return !standIn.requestsTo("/v1/me/player/play").empty(); }));
    EXPECT_EQ(standIn.requestsTo("/v1/me/player/play").back().body,
              R"({"context_uri":"spotify:album:abc","offset":{"position":4}})");
}

} // namespace
