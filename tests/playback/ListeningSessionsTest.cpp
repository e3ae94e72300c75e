// Where a listening session is recorded, which one the next start offers to
// resume, and how resuming restarts it.
#include "CoordinatorFixture.h"

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

using ListeningSessions = CoordinatorFixture;

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

TEST_F(ListeningSessions, RecordsWhatPlaysWhereAndNothingWhilePaused) {
    spotifyReports(playerState(true, "abc", "d1", 61500));
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

    // A local album is stored as it starts; paused, it keeps that record.
    playLocal();
    runTask(coordinator().togglePlayPause());
    local.position = PlayerPlace{2, 5};
    runTask(coordinator().recordListeningSession());
    EXPECT_EQ(storedSession()->albumID, "apple-7");
    EXPECT_EQ(storedSession()->trackIndex, 0);
}

TEST_F(ListeningSessions, SpotifyResumeOffers) {
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

TEST_F(ListeningSessions, LocalResumeOffers) {
    // A stored session that no longer reads offers nothing, and says nothing.
    QSettings().setValue(QStringLiteral("lastListeningSession"), QByteArray("{\"albumID\":"));
    home.restartSettings();
    EXPECT_FALSE(runTask(coordinator().makeResumeOffer()).has_value());
    EXPECT_EQ(coordinator().errorMessageText(), "");

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

TEST_F(ListeningSessions, AKillDuringSessionSavesLeavesAWholeRecordThatIsOffered) {
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

TEST_F(ListeningSessions, ResumeRestartsTheSessionWhereItWas) {
    const SpeakerOutput hall = SpeakerOutput::legacy({"AA@Hall", "Hall", {}});
    const auto offerFor = [&](ListeningSession session, std::optional<SpeakerOutput> target) {
        const bool onSpotify = session.albumID.startsWith("spotify-");
        return ResumeOffer{QUuid::createUuid(), std::move(session),
                           onSpotify ? std::nullopt : std::optional(localAlbum()),
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

    // On Spotify: moved to the stored device after a second's grace.
    local.calls.clear();
    standIn.onJson("GET", "/v1/me/player", 200, playerState(true, "abc", "d2"));
    auto resuming = coordinator().resume(offerFor(spotifySession(), std::nullopt));
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
    runTask(coordinator().resume(offerFor(spotifySession(), std::nullopt)));
    EXPECT_EQ(lastQuery("/v1/me/player/play"), "device_id=d2");
    EXPECT_EQ(coordinator().errorMessageText(), "");
    runTask(coordinator().resume(offerFor(spotifySession(false), std::nullopt)));
    EXPECT_EQ(coordinator().errorMessageText(), kNoActiveDevice);
}

} // namespace
