// The media controls while a Spotify track plays: positions within the track
// reach the Web API (the stand-in) and are announced; stale or outside ones
// send nothing.
#include "CoordinatorFixture.h"
#include "MprisBus.h"

#include "support/RequiredPeers.h"

namespace {

class MprisSpotify : public CoordinatorFixture {
protected:
    void SetUp() override {
        if (!bus.start()) {
            KORVID_PEER_MISSING(bus.errorText().toStdString());
        }
        spotifyReports(playerState(true, "abc", "d1", 10000, 200000));
        ASSERT_EQ(coordinator().durationMs(), 200000);
        service = bus.serve(coordinator());
    }

    MprisBus bus;
    std::unique_ptr<MprisService> service;
};

TEST_F(MprisSpotify, PositionsWithinTheTrackSeekAndAreAnnounced) {
    const QString metadata = bus.property(QStringLiteral("Metadata"));
    EXPECT_TRUE(metadata.contains("\"xesam:album\" s \"Album abc\"")) << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("\"mpris:length\" x 200000000")) << metadata.toStdString();
    EXPECT_EQ(bus.property(QStringLiteral("CanSeek")), "b true");
    const QString track = metadata.section(QLatin1String("\"mpris:trackid\" o \""), 1)
                              .section(QLatin1Char('"'), 0, 0);
    ASSERT_TRUE(track.startsWith(QLatin1String("/com/korvid/Track/"))) << metadata.toStdString();

    const auto seeked = bus.monitor(QStringLiteral("Seeked"));
    const auto seeks = [&] { return requestCount("PUT", "/v1/me/player/seek"); };
    // A stale track, a position before the start and one past the end: nothing is sent.
    for (const auto& [path, positionUs] :
         {std::pair{QStringLiteral("/com/korvid/Track/tother"), QStringLiteral("42000000")},
          std::pair{track, QStringLiteral("-5")}, std::pair{track, QStringLiteral("200000001")}}) {
        EXPECT_TRUE(bus.call(QStringLiteral("SetPosition"), {"ox", path, positionUs}).succeeded());
    }
    ASSERT_TRUE(bus.call(QStringLiteral("SetPosition"), {"ox", track, "42000000"}).succeeded());
    ASSERT_TRUE(waitUntil([&] { return seeks() >= 1; }));
    EXPECT_EQ(seeks(), 1u);
    const auto requests = standIn.requestsTo("/v1/me/player/seek");
    EXPECT_NE(requests.back().query().find("position_ms=42000"), std::string::npos)
        << requests.back().query();
    EXPECT_TRUE(waitUntil([&] { return seeked->output().contains("int64 42000000"); }))
        << seeked->output().toStdString();

    // A relative seek past the end goes to the next track instead, which
    // the coordinator then reads back.
    standIn.onJson("GET", "/v1/me/player", 200, playerState(true, "next"));
    ASSERT_TRUE(bus.call(QStringLiteral("Seek"), {"x", "500000000"}).succeeded());
    EXPECT_TRUE(waitUntil([&] { return coordinator().nowPlayingAlbumID() == "spotify-next"; }));
    EXPECT_EQ(requestCount("POST", "/v1/me/player/next"), 1u);
    EXPECT_EQ(seeks(), 1u);
}

} // namespace
