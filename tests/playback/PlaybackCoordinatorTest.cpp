// The coordinator's rules: which backend each command reaches, what the
// screens then show, and what a failure leaves behind.
#include "CoordinatorFixture.h"

#include "musicapp/MicrophoneMonitor.h"
#include "playback/RefreshLoop.h"
#include "support/ChildProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSettings>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QString kNoActiveDevice =
    QStringLiteral("No active Spotify device. Open Spotify on a speaker or device first.");

class PlaybackCoordinator : public CoordinatorFixture {
protected:
    // A local album playing, as after the user started it.
    void playLocal(const UnifiedAlbum& album = localAlbum()) {
        runTask(coordinator().play(album, 0, 0));
        local.calls.clear();
    }
    std::string lastQuery(const std::string& path) const {
        const auto requests = standIn.requestsTo(path);
        return requests.empty() ? std::string() : requests.back().query();
    }
};

TEST_F(PlaybackCoordinator, SpotifyStartWithoutAnyDeviceSendsNothing) {
    standIn.onJson("GET", "/v1/me/player/devices", 200, devicesJson({}));
    playLocal();
    runTask(coordinator().play(spotifyAlbum(), 0, 0));
    EXPECT_EQ(coordinator().errorMessageText(),
              QString::fromUtf8(PlaybackViewModel::noDeviceMessage));
    EXPECT_EQ(requestCount("PUT", "/v1/me/player/play"), 0u);
    // The local album plays on: nothing was started in its place.
    EXPECT_TRUE(local.calls.isEmpty());
    EXPECT_EQ(coordinator().activeSource(), PlaybackSource::appleMusic);
    EXPECT_TRUE(coordinator().isPlaying());
}

TEST_F(PlaybackCoordinator, FailedSpotifyStartFallsBackToTheLocalAlbum) {
    standIn.onJson("PUT", "/v1/me/player/play", 403,
                   R"({"error":{"status":403,"message":"x","reason":"PREMIUM_REQUIRED"}})");
    runTask(coordinator().refreshDevices());
    playLocal();
    runTask(coordinator().play(spotifyAlbum(), 0, 0));
    EXPECT_EQ(coordinator().errorMessageText(), "Spotify Premium is required to control playback.");
    EXPECT_EQ(coordinator().activeSource(), PlaybackSource::appleMusic);
    EXPECT_EQ(coordinator().isPlaying(), local.playing);
    EXPECT_TRUE(local.calls.isEmpty());
    EXPECT_TRUE(history.entries().isEmpty());
}

TEST_F(PlaybackCoordinator, SpotifyStartAddressesTheChosenDeviceThenShowsWhatPlays) {
    standIn.onJson("GET", "/v1/me/player/devices", 200, devicesJson({{"d1", false}, {"d2", true}}));
    standIn.onJson("GET", "/v1/me/player", 200, playerState(true, "abc", "d2"));
    runTask(coordinator().refreshDevices());
    playLocal();
    runTask(coordinator().play(spotifyAlbum(), 0, 0));
    EXPECT_EQ(lastQuery("/v1/me/player/play"), "device_id=d2");
    EXPECT_EQ(local.calls, QStringList{"pause"});
    EXPECT_EQ(coordinator().activeSource(), PlaybackSource::spotify);
    EXPECT_EQ(coordinator().nowPlayingAlbumIDText(), "spotify-abc");
    EXPECT_EQ(coordinator().nowPlayingArtistNamesText(), "Ann, Bo");
    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries().first().id, "spotify-abc");
}

TEST_F(PlaybackCoordinator, LocalStartPausesSpotifyEvenWhenThatFails) {
    standIn.onJson("PUT", "/v1/me/player/pause", 500, "");
    local.volume = 64;
    clock.advance(10s);
    runTask(coordinator().play(localAlbum(), 2, 41.5));
    EXPECT_EQ(requestCount("PUT", "/v1/me/player/pause"), 1u);
    EXPECT_EQ(local.calls, QStringList{"play 3 2 41.5"});
    EXPECT_EQ(coordinator().errorMessageText(), "");
    EXPECT_EQ(coordinator().nowPlayingTrackNameText(), "Local apple-7");
    EXPECT_EQ(coordinator().nowPlayingAlbumIDText(), "apple-7");
    EXPECT_TRUE(coordinator().isPlaying());
    EXPECT_EQ(coordinator().volumePercent(), 64);
    EXPECT_EQ(history.appleMusicPlayDates().value("apple-7"), clock.now());
    const auto session = storedSession();
    ASSERT_TRUE(session.has_value());
    EXPECT_EQ(session->albumID, "apple-7");
    EXPECT_EQ(session->trackIndex, 2);
    EXPECT_EQ(session->positionSeconds, 41.5);
    EXPECT_EQ(session->device, local.device);
    EXPECT_EQ(session->updatedAt, clock.now());

    // With local music alone, Spotify is never asked.
    sources.setCurrent(MusicSource::appleMusic);
    runTask(coordinator().play(localAlbum(), 0, 0));
    EXPECT_EQ(requestCount("PUT", "/v1/me/player/pause"), 1u);
}

TEST_F(PlaybackCoordinator, RefreshDevicesKeepsAListedChoiceElseTakesTheActiveThenTheFirst) {
    struct Case {
        const char* selectedBefore; // chosen through the device list; "" for none
        std::vector<std::pair<std::string, bool>> devices;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"d1", {{"d1", false}, {"d2", true}}, "d1"},
        {"gone", {{"d1", false}, {"d2", true}}, "d2"},
        {"gone", {{"d1", false}, {"d2", false}}, "d1"},
        {"", {{"d1", false}, {"d2", true}}, "d2"},
        {"d1", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selectedBefore);
        coordinator_.reset();
        if (*c.selectedBefore) {
            coordinator().selectDevice({QString::fromLatin1(c.selectedBefore), false, "", "", {}});
        }
        standIn.onJson("GET", "/v1/me/player/devices", 200, devicesJson(c.devices));
        runTask(coordinator().refreshDevices());
        EXPECT_EQ(coordinator().selectedDeviceIDText(), c.expected);
        EXPECT_EQ(coordinator().devices().size(), qsizetype(c.devices.size()));
        EXPECT_FALSE(coordinator().isLoadingDevices());
    }
    // A failure keeps the list and the choice and says why.
    standIn.onJson("GET", "/v1/me/player/devices", 200, devicesJson({{"d1", true}}));
    runTask(coordinator().refreshDevices());
    standIn.onJson("GET", "/v1/me/player/devices", 503, "");
    runTask(coordinator().refreshDevices());
    EXPECT_EQ(coordinator().errorMessageText(), "Spotify error 503: ");
    EXPECT_EQ(coordinator().devices().size(), 1);
    EXPECT_EQ(coordinator().selectedDeviceIDText(), "d1");
    EXPECT_FALSE(coordinator().isLoadingDevices());
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

    standIn.onJson("GET", "/v1/me/player", 200, playerState(true));
    runTask(coordinator().refreshNowPlaying());
    runTask(coordinator().seek(30000));
    EXPECT_EQ(lastQuery("/v1/me/player/seek"), "device_id=d1&position_ms=30000");

    // Spotify's failures reach the user and change nothing else.
    standIn.onJson("PUT", "/v1/me/player/seek", 404,
                   R"({"error":{"status":404,"message":"Device not found"}})");
    runTask(coordinator().seek(5000));
    EXPECT_EQ(coordinator().errorMessageText(), kNoActiveDevice);
    EXPECT_EQ(coordinator().progressMs(), 30000);
}

TEST_F(PlaybackCoordinator, SpotifyToggleFreezesAndRestartsTheShownPosition) {
    standIn.onJson("GET", "/v1/me/player", 200, playerState(true, "abc", "d1", 1000));
    runTask(coordinator().refreshNowPlaying());
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

TEST_F(PlaybackCoordinator, MicrophoneResumesOnlyAPauseItMade) {
    const AudioInputState call{.sources = {{.index = 1, .isHardware = true, .isRunning = true}},
                               .cardsWithSinks = {},
                               .recordings = {{.index = 9, .source = 1, .processId = 4242}}};
    const AudioInputState quiet{
        .sources = {{.index = 1, .isHardware = true}}, .cardsWithSinks = {}, .recordings = {}};
    const auto endCall = [&] {
        microphone->publish(quiet);
        clock.advance(MicrophoneMonitor::kReleaseDelay);
        waitUntil([] { return false; }, 50ms);
    };
    enum class During { nothing, userPresses };
    struct Case {
        const char* name;
        bool playingBefore;
        During during;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {"paused by the call, resumed after it", true, During::nothing, {"toggle", "toggle"}},
        {"paused by the user, stays paused", false, During::nothing, {}},
        {"user plays during the call", true, During::userPresses, {"toggle", "toggle"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        playLocal();
        if (!c.playingBefore) {
            runTask(coordinator().togglePlayPause());
            local.calls.clear();
        }
        microphone->publish(call);
        waitUntil([&] { return !local.calls.isEmpty(); }, 200ms);
        EXPECT_EQ(coordinator().isPausedForMicrophone(), c.playingBefore);
        if (c.during == During::userPresses) {
            runTask(coordinator().togglePlayPause());
            EXPECT_FALSE(coordinator().isPausedForMicrophone());
        }
        endCall();
        EXPECT_EQ(local.calls, c.expected);
        EXPECT_EQ(coordinator().isPlaying(), c.playingBefore);
    }
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
            standIn.onJson("GET", "/v1/me/player", 200, playerState(true, "old"));
            runTask(coordinator().refreshNowPlaying());
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

TEST_F(PlaybackCoordinator, RefreshOvertakenByAPlayIsDiscarded) {
    standIn.on("GET", "/v1/me/player", [](const SpotifyStandIn::Request&) {
        std::this_thread::sleep_for(300ms);
        return SpotifyStandIn::Reply{200, playerState(true)};
    });
    sources.setCurrent(MusicSource::both);
    auto slowRefresh = coordinator().refreshNowPlaying();
    runTask(coordinator().play(localAlbum(), 0, 0));
    runTask(std::move(slowRefresh));
    EXPECT_EQ(coordinator().activeSource(), PlaybackSource::appleMusic);
    EXPECT_EQ(coordinator().nowPlayingAlbumIDText(), "apple-7");
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
    standIn.onJson("GET", "/v1/me/player", 200, playerState(true));
    runTask(coordinator().refreshNowPlaying());
    standIn.onJson("PUT", "/v1/me/player/volume", 404,
                   R"({"error":{"status":404,"message":"Device not found"}})");
    coordinator().setVolumePercent(47.9);
    coordinator().commitVolume();
    waitUntil([&] { return !coordinator().errorMessageText().isEmpty(); });
    EXPECT_EQ(lastQuery("/v1/me/player/volume"), "device_id=d1&volume_percent=47");
    EXPECT_EQ(coordinator().errorMessageText(), kNoActiveDevice);
    EXPECT_EQ(coordinator().volumePercent(), 47.9);
}

TEST_F(PlaybackCoordinator, InterpolationStaysWithinTheTrack) {
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
        standIn.onJson("GET", "/v1/me/player", 200,
                       playerState(true, "abc", "d1", c.progressMs, c.durationMs));
        runTask(coordinator().refreshNowPlaying());
        EXPECT_EQ(coordinator().currentProgressMs(clock.now().addMSecs(c.later.count())),
                  c.expected);
    }
}

TEST_F(PlaybackCoordinator, TheLocalTrackIsShownAndItsPositionRunsOn) {
    local.track = LocalNowPlaying{{1, 2, QStringLiteral("Second"), QString(), 180000}, 42000};
    playLocal();
    EXPECT_EQ(coordinator().nowPlayingTrackNameText(), "Second");
    EXPECT_EQ(coordinator().nowPlayingArtistNamesText(), "Band"); // the track names none
    EXPECT_EQ(coordinator().nowPlayingAlbumTitle(), "Local apple-7");
    EXPECT_EQ(coordinator().nowPlayingTrackNumber(), 2);
    EXPECT_EQ(coordinator().nowPlayingTrackIndex(), 1);
    clock.advance(3s);
    EXPECT_EQ(coordinator().currentProgressMsNow(), 45000);

    // The player moved on by itself: the next refresh shows where.
    local.track =
        LocalNowPlaying{{2, 3, QStringLiteral("Third"), QStringLiteral("Solo"), 200000}, 1000};
    runTask(coordinator().refreshAppleMusic());
    EXPECT_EQ(coordinator().nowPlayingTrackNameText(), "Third");
    EXPECT_EQ(coordinator().nowPlayingArtistNamesText(), "Solo");
    EXPECT_EQ(coordinator().durationMs(), 200000);
    EXPECT_EQ(coordinator().currentProgressMsNow(), 1000);

    // Paused, and a player that cannot say where it is: what was shown stays, still.
    local.track.reset();
    local.report(false, 50);
    clock.advance(5s);
    EXPECT_EQ(coordinator().nowPlayingTrackNameText(), "Third");
    EXPECT_EQ(coordinator().currentProgressMsNow(), 1000);
}

TEST_F(PlaybackCoordinator, LocalTakeOverOnlyWithoutAnActiveSource) {
    local.takeOver = LocalTakeOver{localAlbum(QStringLiteral("apple-9")), false};
    sources.setCurrent(MusicSource::appleMusic);
    runTask(coordinator().refreshAppleMusic());
    EXPECT_EQ(coordinator().activeSource(), PlaybackSource::appleMusic);
    EXPECT_EQ(coordinator().nowPlayingAlbumIDText(), "apple-9");
    EXPECT_FALSE(coordinator().isPlaying());
    // Once something is active, the music player is only followed.
    local.takeOver = LocalTakeOver{localAlbum(QStringLiteral("apple-3")), true};
    runTask(coordinator().refreshAppleMusic());
    EXPECT_EQ(coordinator().nowPlayingAlbumIDText(), "apple-9");
    EXPECT_EQ(local.refreshes, 2);
}

TEST_F(PlaybackCoordinator, LocalPlayerErrorsAreShownAsTheyCome) {
    coordinator();
    local.error(QStringLiteral("The music player reported an error: gone"));
    EXPECT_EQ(coordinator().errorMessageText(), "The music player reported an error: gone");
    coordinator().dismissError();
    EXPECT_EQ(coordinator().errorMessageText(), "");
}

TEST_F(PlaybackCoordinator, RefreshLoopPassesEveryFiveSecondsWhileRunning) {
    RefreshLoop loop(coordinator(), clock);
    loop.setRunning(true);
    waitUntil([&] { return clock.sleeperCount() == 1; });
    EXPECT_EQ(requestCount("GET", "/v1/me/player"), 1u);
    EXPECT_EQ(local.refreshes, 1);
    clock.advance(4900ms);
    waitUntil([] { return false; }, 50ms);
    EXPECT_EQ(loop.passes(), 1);
    clock.advance(100ms);
    waitUntil([&] { return loop.passes() == 2 && clock.sleeperCount() == 1; });
    EXPECT_EQ(requestCount("GET", "/v1/me/player"), 2u);
    loop.setRunning(false);
    clock.advance(20s);
    waitUntil([] { return false; }, 50ms);
    EXPECT_EQ(loop.passes(), 2);
    EXPECT_EQ(local.refreshes, 2);
}

// ---- Sessions and the resume offer ----

ListeningSession spotifySession(bool withURI = true) {
    ListeningSession session;
    session.device = ListeningSession::Device::SpotifyConnect{"d2", "Den", "Speaker"};
    session.albumID = QStringLiteral("spotify-abc");
    session.albumTitle = QStringLiteral("Album abc");
    session.coverURL = QUrl(QStringLiteral("https://i.scdn.co/image/abc"));
    if (withURI) {
        session.spotifyURI = QStringLiteral("spotify:album:abc");
    }
    session.positionSeconds = 12;
    session.updatedAt = QDateTime(QDate(2026, 1, 2), QTime(3, 4), QTimeZone::utc());
    return session;
}

ListeningSession localSession(ListeningSession::Device device) {
    ListeningSession session;
    session.device = std::move(device);
    session.albumID = QStringLiteral("apple-7");
    session.albumTitle = QStringLiteral("Local apple-7");
    session.trackIndex = 2;
    session.positionSeconds = 75.5;
    session.updatedAt = QDateTime(QDate(2026, 1, 2), QTime(3, 4), QTimeZone::utc());
    return session;
}

TEST_F(PlaybackCoordinator, RecordsTheSpotifySessionThatPlays) {
    standIn.onJson("GET", "/v1/me/player", 200, playerState(true, "abc", "d1", 61500));
    runTask(coordinator().refreshNowPlaying());
    runTask(coordinator().recordListeningSession());
    const auto session = storedSession();
    ASSERT_TRUE(session.has_value());
    const ListeningSession::Device expected =
        ListeningSession::Device::SpotifyConnect{"d1", "Kitchen", "Speaker"};
    EXPECT_EQ(session->device, expected);
    EXPECT_EQ(session->albumID, "spotify-abc");
    EXPECT_EQ(session->spotifyURI, "spotify:album:abc");
    EXPECT_EQ(session->coverURL, QUrl("https://i.scdn.co/image/abc"));
    EXPECT_EQ(session->positionSeconds, 61.5);
}

TEST_F(PlaybackCoordinator, RecordsTheLocalPlaceAndNothingWhilePaused) {
    playLocal();
    local.position = PlayerPlace{1, 33.25};
    local.device = ListeningSession::Device::LegacyAirPlay{"AA@Hall", "Hall"};
    runTask(coordinator().recordListeningSession());
    auto session = storedSession();
    ASSERT_TRUE(session.has_value());
    EXPECT_EQ(session->trackIndex, 1);
    EXPECT_EQ(session->positionSeconds, 33.25);
    EXPECT_EQ(session->device, local.device);

    runTask(coordinator().togglePlayPause());
    local.position = PlayerPlace{2, 5};
    runTask(coordinator().recordListeningSession());
    EXPECT_EQ(storedSession()->trackIndex, 1);
}

TEST_F(PlaybackCoordinator, SpotifyResumeOffers) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, bool>> devices;
        int devicesStatus;
        MusicSource source;
        bool offered;
    };
    const std::vector<Case> cases = {
        {"listed, inactive", {{"d1", true}, {"d2", false}}, 200, MusicSource::both, true},
        {"already active there", {{"d2", true}}, 200, MusicSource::both, false},
        {"not available", {{"d1", true}}, 200, MusicSource::spotify, false},
        {"device list fails", {}, 500, MusicSource::both, false},
        {"local music only", {{"d2", false}}, 200, MusicSource::appleMusic, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        storeSession(spotifySession());
        coordinator_.reset();
        sources.setCurrent(c.source);
        standIn.onJson("GET", "/v1/me/player/devices", c.devicesStatus, devicesJson(c.devices));
        const auto offer = runTask(coordinator().makeResumeOffer());
        EXPECT_EQ(offer.has_value(), c.offered);
        if (offer) {
            EXPECT_EQ(offer->session, spotifySession());
            EXPECT_EQ(offer->artwork.url(), spotifySession().coverURL);
            EXPECT_FALSE(offer->album || offer->target);
        }
        EXPECT_EQ(coordinator().errorMessageText(), "");
        // Once per coordinator's life, whatever the first answer was.
        standIn.onJson("GET", "/v1/me/player/devices", 200, devicesJson({{"d2", false}}));
        EXPECT_FALSE(runTask(coordinator().makeResumeOffer()).has_value());
    }
}

TEST_F(PlaybackCoordinator, LocalResumeOffers) {
    const SpeakerOutput hall = SpeakerOutput::legacy({"AA@Hall", "Hall", {}});
    const SpeakerOutput den = SpeakerOutput::music("Den", "speaker");
    const ListeningSession::Device hallDevice =
        ListeningSession::Device::LegacyAirPlay{"AA@Hall", "Hall"};
    struct Case {
        const char* name;
        ListeningSession::Device device;
        std::optional<SpeakerOutput> reachable;
        std::optional<SpeakerOutput> selected;
        bool albumKnown;
        bool playing;
        bool offered;
    };
    const std::vector<Case> cases = {
        {"other output selected", hallDevice, hall, den, true, false, true},
        {"already on that output", hallDevice, hall, hall, true, false, false},
        {"neither known", hallDevice, std::nullopt, std::nullopt, true, false, false},
        {"unreachable, another selected", hallDevice, std::nullopt, den, true, false, true},
        {"album gone", hallDevice, hall, den, false, false, false},
        {"something plays", hallDevice, hall, den, true, true, false},
        {"this computer", ListeningSession::Device::Local{}, SpeakerOutput::music("Pc", "computer"),
         den, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        storeSession(localSession(c.device));
        coordinator_.reset();
        local.albums.clear();
        if (c.albumKnown) {
            local.albums.insert("apple-7", localAlbum());
        }
        local.reachableDevice = c.device;
        local.reachable = c.reachable;
        local.selected = c.selected;
        if (c.playing) {
            playLocal();
        }
        const auto offer = runTask(coordinator().makeResumeOffer());
        ASSERT_EQ(offer.has_value(), c.offered);
        if (offer) {
            EXPECT_EQ(offer->album->id, "apple-7");
            EXPECT_EQ(offer->target.has_value(), c.reachable.has_value());
        }
    }
}

TEST_F(PlaybackCoordinator, AStoredSessionThatNoLongerReadsGivesNoOffer) {
    QSettings().setValue(QStringLiteral("lastListeningSession"), QByteArray("{\"albumID\":"));
    home.restartSettings();
    EXPECT_FALSE(runTask(coordinator().makeResumeOffer()).has_value());
    EXPECT_EQ(coordinator().errorMessageText(), "");
}

TEST_F(PlaybackCoordinator, AKillDuringSessionSavesLeavesAWholeRecordThatIsOffered) {
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        if (round == 0) {
            // The empty lock a writer killed right after making it leaves.
            QFile lock(QSettings().fileName() + QStringLiteral(".lock"));
            ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        }
        ChildProcess saver;
        ASSERT_TRUE(saver.start(QStringLiteral(KORVID_SESSION_SAVE_BURST), {}))
            << saver.errorText().toStdString();
        ASSERT_TRUE(waitUntil([&] { return saver.output().contains("saving"); }));
        QTest::qWait(int(QRandomGenerator::global()->bounded(20, 200)));
        saver.kill();
        ASSERT_TRUE(saver.waitForFinished(5s));
        const auto session = storedSession();
        ASSERT_TRUE(session.has_value());
        EXPECT_EQ(session->positionSeconds, double(session->trackIndex) / 4);
    }
    local.albums.insert("apple-7", localAlbum());
    local.reachableDevice = ListeningSession::Device::AirPlay{"Den"};
    local.reachable = SpeakerOutput::music("Den", "speaker");
    const auto offer = runTask(coordinator().makeResumeOffer());
    ASSERT_TRUE(offer.has_value());
    EXPECT_EQ(offer->session.albumID, "apple-7");
}

TEST_F(PlaybackCoordinator, ResumeRestartsTheSessionWhereItWas) {
    const SpeakerOutput hall = SpeakerOutput::legacy({"AA@Hall", "Hall", {}});
    const auto offerFor = [&](ListeningSession session, std::optional<SpeakerOutput> target) {
        return ResumeOffer{QUuid::createUuid(), std::move(session), localAlbum(),
                           AlbumArtwork::remote(std::nullopt), std::move(target)};
    };
    runTask(coordinator().resume(
        offerFor(localSession(ListeningSession::Device::LegacyAirPlay{"AA@Hall", "Hall"}), hall)));
    EXPECT_EQ(local.calls, (QStringList{"select legacy:AA@Hall", "play 3 2 75.5"}));
    local.calls.clear();
    runTask(coordinator().resume(offerFor(localSession(ListeningSession::Device::Local{}), {})));
    EXPECT_EQ(local.calls, (QStringList{"selectThisMac", "play 3 2 75.5"}));
    // An output that is not reachable now: nothing happens.
    local.calls.clear();
    runTask(coordinator().resume(
        offerFor(localSession(ListeningSession::Device::AirPlay{"Den"}), std::nullopt)));
    EXPECT_TRUE(local.calls.isEmpty());
}

TEST_F(PlaybackCoordinator, SpotifyResumeTransfersElseRestartsTheAlbum) {
    const auto offerFor = [](ListeningSession session) {
        return ResumeOffer{QUuid::createUuid(), std::move(session), std::nullopt,
                           AlbumArtwork::remote(std::nullopt), std::nullopt};
    };
    standIn.onJson("GET", "/v1/me/player", 200, playerState(true, "abc", "d2"));
    auto resuming = coordinator().resume(offerFor(spotifySession()));
    waitUntil([&] { return clock.sleeperCount() == 1; });
    EXPECT_EQ(requestCount("GET", "/v1/me/player"), 0u);
    clock.advance(1s);
    runTask(std::move(resuming));
    EXPECT_EQ(local.calls, QStringList{"pause"});
    const QJsonObject transfer{{"device_ids", QJsonArray{"d2"}}, {"play", true}};
    EXPECT_EQ(QJsonDocument::fromJson(
                  QByteArray::fromStdString(standIn.requestsTo("/v1/me/player").front().body))
                  .object(),
              transfer);
    EXPECT_EQ(coordinator().selectedDeviceIDText(), "d2");
    EXPECT_EQ(coordinator().nowPlayingAlbumIDText(), "spotify-abc");

    // The device refuses: the album starts from its beginning by its URI,
    // and only without one does the user see why.
    standIn.onJson("PUT", "/v1/me/player", 404,
                   R"({"error":{"status":404,"message":"Device not found"}})");
    runTask(coordinator().resume(offerFor(spotifySession())));
    EXPECT_EQ(lastQuery("/v1/me/player/play"), "device_id=d2");
    EXPECT_EQ(coordinator().errorMessageText(), "");
    runTask(coordinator().resume(offerFor(spotifySession(false))));
    EXPECT_EQ(coordinator().errorMessageText(), kNoActiveDevice);
}

} // namespace
