// The coordinator's rules: which backend each command reaches, what the
// screens then show, and what a failure leaves behind.
#include "CoordinatorFixture.h"

using namespace std::chrono_literals;

namespace {

using PlaybackCoordinator = CoordinatorFixture;

// A Spotify album started while a local one plays.
TEST_F(PlaybackCoordinator, SpotifyStartsOnTheChosenDeviceElseTheLocalAlbumPlaysOn) {
    struct Case {
        const char* name;
        std::string devices;
        int playStatus;
        std::string playAnswer;
        QString error;
    };
    const std::vector<Case> cases = {
        {"no device at all: nothing is sent", devicesJson({}), 204, "",
         QString::fromUtf8(PlaybackViewModel::noDeviceMessage)},
        {"the start is refused", devicesJson({{"d1", false}}), 403,
         R"({"error":{"status":403,"message":"x","reason":"PREMIUM_REQUIRED"}})",
         "Spotify Premium is required to control playback."},
        {"the active device is addressed", devicesJson({{"d1", false}, {"d2", true}}), 204, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        coordinator_.reset();
        standIn.onJson("GET", "/v1/me/player/devices", 200, c.devices);
        standIn.onJson("PUT", "/v1/me/player/play", c.playStatus, c.playAnswer);
        standIn.onJson("GET", "/v1/me/player", 200, playerState(true, "abc", "d2"));
        runTask(coordinator().refreshDevices());
        playLocal();
        runTask(coordinator().play(spotifyAlbum(), 0, 0));
        EXPECT_EQ(coordinator().errorMessageText(), c.error);
        if (!c.error.isEmpty()) {
            EXPECT_TRUE(local.calls.isEmpty());
            EXPECT_EQ(coordinator().activeSource(), PlaybackSource::appleMusic);
            EXPECT_TRUE(coordinator().isPlaying());
            EXPECT_TRUE(history.entries().isEmpty());
            continue;
        }
        EXPECT_EQ(lastQuery("/v1/me/player/play"), "device_id=d2");
        EXPECT_EQ(local.calls, QStringList{"pause"});
        EXPECT_EQ(coordinator().activeSource(), PlaybackSource::spotify);
        EXPECT_EQ(coordinator().nowPlayingAlbumIDText(), "spotify-abc");
        EXPECT_EQ(coordinator().nowPlayingArtistNamesText(), "Ann, Bo");
        ASSERT_EQ(history.entries().size(), 1);
        EXPECT_EQ(history.entries().first().id, "spotify-abc");
    }
    // The start without a device never reached Spotify.
    EXPECT_EQ(requestCount("PUT", "/v1/me/player/play"), 2u);
}

TEST_F(PlaybackCoordinator, TransportAndSeekReachTheActiveSource) {
    playLocal();
    runTask(coordinator().skipToNext());
    runTask(coordinator().skipToPrevious());
    runTask(coordinator().togglePlayPause());
    // A player that knows no track has nothing to move within.
    runTask(coordinator().seek(12500));
    EXPECT_EQ(coordinator().progressMs(), 0);
    local.track = LocalNowPlaying{{0, 1, QStringLiteral("First"), QString(), 180000}, 0};
    runTask(coordinator().seek(12500));
    EXPECT_EQ(local.calls, (QStringList{"next", "previous", "toggle", "seek 12.5", "seek 12.5"}));
    EXPECT_FALSE(coordinator().isPlaying());
    EXPECT_EQ(coordinator().progressMs(), 12500);
    EXPECT_EQ(requestCount("POST", "/v1/me/player/next"), 0u);
    EXPECT_EQ(requestCount("PUT", "/v1/me/player/seek"), 0u);

    spotifyReports(playerState(true));
    runTask(coordinator().seek(30000));
    EXPECT_EQ(lastQuery("/v1/me/player/seek"), "device_id=d1&position_ms=30000");

    // Spotify's failures reach the user and change nothing else.
    standIn.onJson("PUT", "/v1/me/player/seek", 404,
                   R"({"error":{"status":404,"message":"Device not found"}})");
    runTask(coordinator().seek(5000));
    EXPECT_EQ(coordinator().errorMessageText(), kNoActiveDevice);
    EXPECT_EQ(coordinator().progressMs(), 30000);
}

TEST_F(PlaybackCoordinator, TheShownSpotifyPositionRunsOnWithinTheTrackAndStopsWhilePaused) {
    struct Case {
        int progressMs;
        int durationMs;
        std::chrono::milliseconds later;
        qint64 expected;
    };
    const std::vector<Case> cases = {
        {1000, 200000, 1500ms, 2500},
        {1000, 200000, -5000ms, 1000}, // a clock set back
        {199000, 200000, 5000ms, 200000},
        {0, 0, 3000ms, 0},
    };
    for (const Case& c : cases) {
        spotifyReports(playerState(true, "abc", "d1", c.progressMs, c.durationMs));
        EXPECT_EQ(coordinator().currentProgressMs(clock.now().addMSecs(c.later.count())),
                  c.expected);
    }

    spotifyReports(playerState(true, "abc", "d1", 1000));
    clock.advance(2500ms);
    runTask(coordinator().togglePlayPause());
    EXPECT_FALSE(coordinator().isPlaying());
    EXPECT_EQ(coordinator().progressMs(), 3500);
    clock.advance(10s);
    EXPECT_EQ(coordinator().currentProgressMs(clock.now()), 3500);
    runTask(coordinator().togglePlayPause());
    clock.advance(1s);
    EXPECT_EQ(coordinator().currentProgressMs(clock.now()), 4500);
    EXPECT_EQ(lastQuery("/v1/me/player/play"), "device_id=d1");
}

TEST_F(PlaybackCoordinator, NowPlayingRefreshRules) {
    enum class Before { local, spotify };
    struct Case {
        const char* name;
        Before before;
        int status;
        std::string answer;
        std::optional<PlaybackSource> source;
        QString albumID;
        bool playing;
        qint64 durationMs;
    };
    const std::string noItem = R"({"is_playing":true,"progress_ms":7,"item":null,"device":null})";
    const std::vector<Case> cases = {
        {"nothing on Spotify, local kept", Before::local, 204, "", PlaybackSource::appleMusic,
         "apple-7", true, 0},
        {"paused Spotify ignored", Before::local, 200, playerState(false),
         PlaybackSource::appleMusic, "apple-7", true, 0},
        {"playing Spotify takes over", Before::local, 200, playerState(true),
         PlaybackSource::spotify, "spotify-abc", true, 200000},
        {"nothing any more on Spotify", Before::spotify, 204, "", std::nullopt, "", false, 0},
        {"an answer without item", Before::spotify, 200, noItem, PlaybackSource::spotify, "", true,
         0},
        {"a broken answer changes nothing", Before::spotify, 200, R"({"item":7})",
         PlaybackSource::spotify, "spotify-old", true, 200000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.before == Before::local) {
            playLocal();
        } else {
            spotifyReports(playerState(true, "old"));
        }
        standIn.onJson("GET", "/v1/me/player", c.status, c.answer);
        runTask(coordinator().refreshNowPlaying());
        EXPECT_EQ(coordinator().activeSource(), c.source);
        EXPECT_EQ(coordinator().nowPlayingAlbumIDText(), c.albumID);
        EXPECT_EQ(coordinator().isPlaying(), c.playing);
        EXPECT_EQ(coordinator().durationMs(), c.durationMs);
        EXPECT_EQ(coordinator().errorMessageText(), "");
    }
}

TEST_F(PlaybackCoordinator, VolumeReadBacksWaitThreeSecondsAfterTheUser) {
    playLocal();
    coordinator().setVolumePercent(80);
    coordinator().commitVolume();
    EXPECT_EQ(local.calls, QStringList{"volume 80"});
    clock.advance(2s);
    local.report(true, 20);
    EXPECT_EQ(coordinator().volumePercent(), 80);
    clock.advance(2s);
    local.report(true, 20);
    EXPECT_EQ(coordinator().volumePercent(), 20);
    // While the slider is held, nothing read back moves it.
    coordinator().setAdjustingVolume(true);
    local.report(true, 35);
    EXPECT_EQ(coordinator().volumePercent(), 20);

    // On Spotify the whole percentage goes out; a failure keeps the user's value.
    coordinator().setAdjustingVolume(false);
    spotifyReports(playerState(true));
    standIn.onJson("PUT", "/v1/me/player/volume", 404,
                   R"({"error":{"status":404,"message":"Device not found"}})");
    coordinator().setVolumePercent(47.9);
    coordinator().commitVolume();
    waitUntil([&] { return !coordinator().errorMessageText().isEmpty(); });
    EXPECT_EQ(lastQuery("/v1/me/player/volume"), "device_id=d1&volume_percent=47");
    EXPECT_EQ(coordinator().errorMessageText(), kNoActiveDevice);
    EXPECT_EQ(coordinator().volumePercent(), 47.9);
}

} // namespace
