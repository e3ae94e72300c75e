// Shuffling Discover plays through the coordinator, over the Spotify stand-in.
#include "CoordinatorFixture.h"

#include "model/AlbumFilterSettings.h"
#include "musicapp/AppleMusicLibrary.h"
#include "musicapp/TagReader.h"
#include "playback/HomeViewModel.h"

#include <QJsonDocument>
#include <QJsonObject>

class ShuffleDiscoverTest : public CoordinatorFixture {
protected:
    ShuffleDiscoverTest() { sources.setCurrent(MusicSource::spotify); }

    AlbumFilterSettings filter;
    // Spotify alone: Home never reads this library, which has no folder.
    AppleMusicLibrary library{home.filePath("no-music"), home.filePath("index.sqlite"),
                              makeTagLibReader(), &clock};
    HomeViewModel homeModel{library, sources, filter, history};
};

TEST_F(ShuffleDiscoverTest, PlaysTheFirstAlbumOfANewSelectionAndNothingWithoutOne) {
    standIn.onJson("GET", "/v1/me/player", 200, playerState(true, "rock"));
    runTask(coordinator().refreshDevices());
    runTask(homeModel.load());
    runTask(homeModel.shuffleDiscover(coordinator()));
    EXPECT_EQ(requestCount("PUT", "/v1/me/player/play"), 0u);

    UnifiedAlbum album = spotifyAlbum("rock");
    album.rawGenres = {"Rock"};
    album.trackCount = 10;
    history.recordPlay(album);
    runTask(homeModel.load());
    homeModel.selectGenre("rock");
    runTask(homeModel.shuffleDiscover(coordinator()));
    const auto plays = standIn.requestsTo("/v1/me/player/play");
    ASSERT_EQ(plays.size(), 1u);
    const QJsonObject body =
        QJsonDocument::fromJson(QByteArray::fromStdString(plays[0].body)).object();
    EXPECT_EQ(body.value("context_uri").toString(), "spotify:album:rock");
    EXPECT_EQ(coordinator().nowPlayingAlbumIDText(), "spotify-rock");
}
