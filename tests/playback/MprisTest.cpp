// The desktop's media controls: the rules of what they show and allow, then
// Korvid on a private session bus, steered from outside by busctl,
// dbus-monitor and playerctl while the real coordinator plays a local album
// on a real MPD.
#include "../musicapp/LocalPlayerFixture.h"
#include "MprisBus.h"

#include "model/MusicSourceSettings.h"
#include "model/PlayHistoryStore.h"
#include "platform/Keychain.h"
#include "platform/SynchronizedKeyValueStore.h"
#include "playback/MprisService.h"
#include "playback/MprisState.h"
#include "playback/PlaybackViewModel.h"
#include "spotify/SpotifyAPI.h"
#include "spotify/SpotifyAuthManager.h"
#include "support/FakeAudioInputSystem.h"
#include "support/RequiredPeers.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QNetworkAccessManager>
#include <QTest>
#include <QWindow>

#include <cmath>
#include <limits>

namespace {

using Mpris::MprisInput;
using Mpris::Transport;

MprisInput localPlaying() {
    return {.source = PlaybackSource::appleMusic,
            .isPlaying = true,
            .trackName = QStringLiteral("Leg"),
            .artistNames = QStringLiteral("Korvid, Friends"),
            .albumID = QStringLiteral("apple-12"),
            .albumName = QStringLiteral("Journey"),
            .trackNumber = 4,
            .artUrl = QUrl(QStringLiteral("file:///cache/cover.png")),
            .durationMs = 70000,
            .volumePercent = 40};
}

MprisInput spotifyPaused() {
    return {.source = PlaybackSource::spotify,
            .trackName = QStringLiteral("Song"),
            .artistNames = QStringLiteral("Ann"),
            .albumID = QStringLiteral("spotify-abc"),
            .albumName = QStringLiteral("Album abc"),
            .artUrl = QUrl(QStringLiteral("https://i.scdn.co/image/abc")),
            .durationMs = 200000,
            .volumePercent = 30};
}

TEST(MprisRules, PropertiesFollowWhatPlays) {
    struct Case {
        const char* name;
        MprisInput input;
        const char* status;
        QVariantMap metadata; // without the track id
        bool active;
        bool canSeek;
        double volume;
    };
    const QList<Case> cases{
        {"nothing", {.volumePercent = 50}, "Stopped", {}, false, false, 0.5},
        {"local album",
         localPlaying(),
         "Playing",
         {{"xesam:title", "Leg"},
          {"xesam:album", "Journey"},
          {"xesam:trackNumber", 4},
          {"xesam:artist", QStringList{"Korvid, Friends"}},
          {"mpris:artUrl", "file:///cache/cover.png"},
          {"mpris:length", qlonglong(70000000)}},
         true,
         true,
         0.4},
        {"spotify track",
         spotifyPaused(),
         "Paused",
         {{"xesam:title", "Song"},
          {"xesam:album", "Album abc"},
          {"xesam:artist", QStringList{"Ann"}},
          {"mpris:artUrl", "https://i.scdn.co/image/abc"},
          {"mpris:length", qlonglong(200000000)}},
         true,
         true,
         0.3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QVariantMap properties = Mpris::playerProperties(c.input);
        EXPECT_EQ(properties.value("PlaybackStatus").toString(), QLatin1String(c.status));
        QVariantMap metadata = properties.value("Metadata").toMap();
        const auto path = metadata.take("mpris:trackid").value<QDBusObjectPath>().path();
        EXPECT_EQ(path, Mpris::trackID(c.input));
        EXPECT_EQ(path == QLatin1String(Mpris::noTrackPath), !c.active);
        EXPECT_EQ(metadata, c.metadata);
        EXPECT_DOUBLE_EQ(properties.value("Volume").toDouble(), c.volume);
        for (const char* flag : {"CanPlay", "CanPause", "CanGoNext", "CanGoPrevious"}) {
            EXPECT_EQ(properties.value(flag).toBool(), c.active) << flag;
        }
        EXPECT_EQ(properties.value("CanSeek").toBool(), c.canSeek);
    }
}

TEST(MprisRules, TrackIDsAreValidPathsThatChangeWithTheTrack) {
    MprisInput odd = spotifyPaused();
    odd.trackName = QStringLiteral("Ça/va — \"très\" bien");
    MprisInput other = odd;
    other.trackName = QStringLiteral("Next song");
    const QString id = Mpris::trackID(odd);
    EXPECT_FALSE(QDBusObjectPath(id).path().isEmpty()) << id.toStdString();
    EXPECT_FALSE(id.startsWith(QLatin1String("/org/mpris")));
    EXPECT_NE(id, Mpris::trackID(other));
    EXPECT_EQ(id, Mpris::trackID(odd));
}

TEST(MprisRules, TransportTogglesOnlyWhereItChangesSomething) {
    const MprisInput none{};
    const MprisInput playing = localPlaying();
    MprisInput paused = playing;
    paused.isPlaying = false;
    struct Case {
        Transport command;
        const MprisInput& input;
        bool toggles;
    };
    const QList<Case> cases{
        {Transport::playPause, none, false},  {Transport::play, none, false},
        {Transport::playPause, paused, true}, {Transport::play, paused, true},
        {Transport::pause, paused, false},    {Transport::stop, paused, false},
        {Transport::play, playing, false},    {Transport::pause, playing, true},
        {Transport::stop, playing, true},
    };
    for (qsizetype i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(Mpris::toggles(cases[i].command, cases[i].input), cases[i].toggles) << i;
    }
}

TEST(MprisRules, VolumeIsClampedAndNotANumberIgnored) {
    const double inf = std::numeric_limits<double>::infinity();
    const QList<std::pair<double, std::optional<double>>> cases{
        {0.5, 50.0},
        {0.0, 0.0},
        {-0.3, 0.0},
        {1.7, 100.0},
        {inf, 100.0},
        {-inf, 0.0},
        {std::nan(""), std::nullopt},
    };
    for (const auto& [volume, percent] : cases) {
        EXPECT_EQ(Mpris::volumePercentFor(volume), percent) << volume;
    }
}

TEST(MprisRules, SeeksStayWithinTheTrack) {
    constexpr qint64 maxUs = std::numeric_limits<qint64>::max();
    constexpr qint64 minUs = std::numeric_limits<qint64>::min();
    struct Case {
        qint64 positionMs, offsetUs;
        std::optional<qint64> landsAt; // absent: the next track
    };
    const QList<Case> cases{
        {10000, 5000000, 15000},
        {10000, -20000000, 0},
        {190000, 20000000, std::nullopt},
        {10000, maxUs, std::nullopt},
        {10000, minUs, 0},
        // Spotify's progress_ms is any 64-bit number.
        {std::numeric_limits<qint64>::max(), maxUs, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto target = Mpris::seekTarget(c.positionMs, 200000, c.offsetUs);
        if (c.landsAt) {
            ASSERT_TRUE(std::holds_alternative<qint64>(target)) << c.offsetUs;
            EXPECT_EQ(std::get<qint64>(target), *c.landsAt);
        } else {
            EXPECT_TRUE(std::holds_alternative<Mpris::NextTrack>(target)) << c.offsetUs;
        }
    }

    const MprisInput spotify = spotifyPaused();
    const QString current = Mpris::trackID(spotify);
    struct Place {
        const MprisInput& input;
        QString track;
        qint64 positionUs;
        std::optional<qint64> ms;
    };
    const MprisInput local = localPlaying();
    const QList<Place> places{
        {spotify, current, 42000000, 42000},
        {spotify, QStringLiteral("/com/korvid/Track/tother"), 42000000, std::nullopt},
        {spotify, current, -1, std::nullopt},
        {spotify, current, 200000000, 200000},
        {spotify, current, 200000001, std::nullopt},
        {local, Mpris::trackID(local), 1000000, 1000},
    };
    for (qsizetype i = 0; i < places.size(); ++i) {
        const Place& p = places[i];
        EXPECT_EQ(Mpris::setPositionTarget(p.input, p.track, p.positionUs), p.ms) << i;
    }

    // A duration_ms whose microseconds pass the range: the track is as long
    // as MPRIS can say, not negative.
    MprisInput endless = spotifyPaused();
    endless.durationMs = std::numeric_limits<qint64>::max() / 10;
    EXPECT_EQ(Mpris::playerProperties(endless)["Metadata"].toMap()["mpris:length"].toLongLong(),
              maxUs);
    EXPECT_EQ(Mpris::setPositionTarget(endless, Mpris::trackID(endless), maxUs), maxUs / 1000);
}

// ---- Over the bus ----

class MprisOnTheBus : public LocalPlayerTest {
protected:
    void SetUp() override {
        LocalPlayerTest::SetUp();
        if (!bus.start()) {
            KORVID_PEER_MISSING(bus.errorText().toStdString());
        }
        library = makeLibrary();
        sources.setCurrent(MusicSource::appleMusic); // Spotify is never asked
        coordinator = std::make_unique<PlaybackViewModel>(api, *library, sources, history, clock,
                                                          std::make_unique<FakeAudioInputSystem>());
        connection = QDBusConnection::connectToBus(bus.address(), QStringLiteral("korvid-mpris"));
        ASSERT_TRUE(connection.isConnected());
        service = std::make_unique<MprisService>(*coordinator, MprisService::Window{}, connection);
        ASSERT_TRUE(service->ownsBusName());
    }
    void TearDown() override {
        service.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("korvid-mpris"));
    }

    // Plays the album on "Silent" and waits until MPD plays it.
    void playAlbum(std::optional<AlbumArtwork> artwork = std::nullopt) {
        library->select(silent());
        finish(*library);
        UnifiedAlbum album = library->albums().first().unified();
        if (artwork) {
            album.artwork = *artwork;
        }
        runTask(coordinator->play(album, 0, 0));
        finish(*library);
        ASSERT_TRUE(
            waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    }

    // Waits for the command chain, then for MPD to show `wanted`.
    bool mpdShows(const std::function<bool(const MpdStatus&)>& wanted) {
        finish(*library);
        return waitForMpd(wanted);
    }

    MprisBus bus;
    QNetworkAccessManager network;
    MemoryKeychain keychain;
    SpotifyAuthManager auth{network, keychain, clock};
    SpotifyAPI api{auth, network};
    MusicSourceSettings sources;
    NullSynchronizedKeyValueStore synced;
    PlayHistoryStore history{&synced, &clock};
    std::unique_ptr<AppleMusicLibrary> library;
    std::unique_ptr<PlaybackViewModel> coordinator;
    QDBusConnection connection{QString()};
    std::unique_ptr<MprisService> service;
};

TEST_F(MprisOnTheBus, PlayPauseNamesTheAlbumSignalsThePauseAndSkips) {
    ASSERT_NO_FATAL_FAILURE(playAlbum());
    EXPECT_EQ(bus.property("PlaybackStatus"), "s \"Playing\"");
    const QString metadata = bus.property("Metadata");
    EXPECT_TRUE(metadata.contains("\"xesam:album\" s \"Journey\"")) << metadata.toStdString();
    EXPECT_TRUE(metadata.contains("\"xesam:artist\" as 1 \"Korvid\"")) << metadata.toStdString();

    const auto monitor = bus.monitor(QStringLiteral("PropertiesChanged"));
    ASSERT_TRUE(bus.call(QStringLiteral("PlayPause")).succeeded());
    EXPECT_TRUE(mpdShows([](const MpdStatus& s) { return s.state == MpdPlayState::paused; }));
    EXPECT_TRUE(waitUntil([&] { return monitor->output().contains("\"Paused\""); }))
        << monitor->output().toStdString();
    EXPECT_EQ(bus.property("PlaybackStatus"), "s \"Paused\"");

    // Play again, then Next moves MPD to the second track.
    ASSERT_TRUE(bus.call(QStringLiteral("Play")).succeeded());
    ASSERT_TRUE(mpdShows([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    const int song = mpdStatus().songPosition;
    ASSERT_TRUE(bus.call(QStringLiteral("Next")).succeeded());
    EXPECT_TRUE(mpdShows([&](const MpdStatus& s) { return s.songPosition == song + 1; }));
}

TEST_F(MprisOnTheBus, VolumeIsClampedAndBadInputChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(playAlbum());
    const auto volumeIs = [&](int percent) {
        return mpdShows([percent](const MpdStatus& s) { return s.volume == percent; });
    };
    struct Case {
        const char* value;
        int percent;
    };
    for (const Case& c :
         {Case{"0.5", 50}, Case{"nan", 50}, Case{"-0.25", 0}, Case{"0.3", 30}, Case{"7", 100}}) {
        const ProgramRun run =
            bus.setProperty(QStringLiteral("Volume"), QStringLiteral("d"), QLatin1String(c.value));
        EXPECT_TRUE(run.succeeded()) << c.value << ": " << run.output.toStdString();
        EXPECT_TRUE(volumeIs(c.percent)) << c.value << " left " << mpdStatus().volume;
    }

    // Wrong types are refused by the bus layer; a stale SetPosition is
    // ignored. MPD stays where it was.
    const MpdStatus before = mpdStatus();
    const auto since = std::chrono::steady_clock::now();
    EXPECT_FALSE(
        bus.setProperty(QStringLiteral("Volume"), QStringLiteral("s"), "loud").succeeded());
    EXPECT_FALSE(bus.call(QStringLiteral("Seek"), {"s", "far"}).succeeded());
    EXPECT_FALSE(bus.call(QStringLiteral("SetPosition"), {"x", "5"}).succeeded());
    EXPECT_TRUE(
        bus.call(QStringLiteral("SetPosition"), {"ox", "/com/korvid/Track/tother", "30000000"})
            .succeeded());
    finish(*library);
    const MpdStatus after = mpdStatus();
    const double passed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
    EXPECT_EQ(after.volume, 100);
    EXPECT_EQ(after.songPosition, before.songPosition);
    // A 30 s jump would put MPD well ahead of the time that passed.
    EXPECT_LT(after.elapsedSeconds - before.elapsedSeconds, passed + 10);
    EXPECT_EQ(bus.property("PlaybackStatus"), "s \"Playing\"");
}

// A cover of one colour, as a decoded local picture.
class PlainCover final : public LocalArtworkImage {
public:
    QImage image(QSize bounds) const override {
        QImage image(QSize(900, 600).scaled(bounds, Qt::KeepAspectRatio), QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return image;
    }
};

TEST_F(MprisOnTheBus, ALocalCoverIsHandedOverAsAFileInTheCache) {
    ASSERT_NO_FATAL_FAILURE(playAlbum(AlbumArtwork::local(std::make_shared<PlainCover>())));
    QString url;
    ASSERT_TRUE(waitUntil([&] {
        const QString metadata = bus.property(QStringLiteral("Metadata"));
        const qsizetype at = metadata.indexOf(QLatin1String("\"mpris:artUrl\" s \""));
        url = at < 0 ? QString() : metadata.mid(at + 18).section(QLatin1Char('"'), 0, 0);
        return !url.isEmpty();
    }));
    const QString file = QUrl(url).toLocalFile();
    EXPECT_TRUE(file.startsWith(home.path())) << url.toStdString();
    EXPECT_EQ(QImage(file).size(), QSize(512, 341)) << url.toStdString();
}

TEST_F(MprisOnTheBus, TheRootInterfaceNamesKorvidAndRaisesItsWindow) {
    const auto root = [&](const char* name) {
        return bus.property(QLatin1String(name), QStringLiteral("org.mpris.MediaPlayer2"));
    };
    EXPECT_EQ(root("CanRaise"), "b false");
    QWindow window;
    service.reset();
    service =
        std::make_unique<MprisService>(*coordinator, MprisService::Window::of(&window), connection);
    EXPECT_EQ(root("Identity"), "s \"Korvid\"");
    EXPECT_EQ(root("DesktopEntry"), "s \"korvid\"");
    EXPECT_EQ(root("CanQuit"), "b true");
    ASSERT_FALSE(window.isVisible());
    EXPECT_TRUE(bus.busctl({QStringLiteral("call"), QLatin1String(Mpris::serviceName),
                            QLatin1String(Mpris::objectPath),
                            QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Raise")})
                    .succeeded());
    EXPECT_TRUE(waitUntil([&] { return window.isVisible(); }));
    service.reset(); // before the window goes
}

TEST_F(MprisOnTheBus, ASecondKorvidNeverTakesTheName) {
    const QDBusConnection second =
        QDBusConnection::connectToBus(bus.address(), QStringLiteral("korvid-second"));
    {
        MprisService other(*coordinator, {}, second);
        EXPECT_FALSE(other.ownsBusName());
    }
    const ProgramRun owner = bus.busctl(
        {QStringLiteral("call"), QStringLiteral("org.freedesktop.DBus"),
         QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
         QStringLiteral("GetNameOwner"), QStringLiteral("s"), QLatin1String(Mpris::serviceName)});
    EXPECT_EQ(QString::fromUtf8(owner.output).trimmed(),
              QStringLiteral("s \"%1\"").arg(connection.baseService()));
    QDBusConnection::disconnectFromBus(QStringLiteral("korvid-second"));
}

TEST_F(MprisOnTheBus, PlayerctlSeesAndSteersKorvid) {
    if (ExternalDaemon::findProgram(QStringLiteral("playerctl")).isEmpty()) {
        KORVID_PEER_MISSING("playerctl is not installed");
    }
    ASSERT_NO_FATAL_FAILURE(playAlbum());
    const auto playerctl = [&](const QStringList& arguments) {
        const ProgramRun run = bus.run(QStringLiteral("playerctl"),
                                       QStringList{QStringLiteral("--player=korvid")} + arguments);
        EXPECT_TRUE(run.succeeded()) << run.output.toStdString();
        return QString::fromUtf8(run.output).trimmed();
    };
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:album")}), "Journey");
    playerctl({QStringLiteral("volume"), QStringLiteral("0.2")});
    playerctl({QStringLiteral("pause")});
    EXPECT_TRUE(mpdShows(
        [](const MpdStatus& s) { return s.state == MpdPlayState::paused && s.volume == 20; }));
    EXPECT_EQ(playerctl({QStringLiteral("status")}), "Paused");
}

TEST_F(MprisOnTheBus, ALocalTrackShowsItsPlaceAndSeeksWithinItAreAnnounced) {
    ASSERT_NO_FATAL_FAILURE(playAlbum());
    runTask(coordinator->refreshAppleMusic());
    const QString metadata = bus.property(QStringLiteral("Metadata"));
    for (const char* entry : {"\"xesam:title\" s \"1 Leg\"", "\"xesam:album\" s \"Journey\"",
                              "\"xesam:trackNumber\" i 1", "\"mpris:length\" x 70000000"}) {
        EXPECT_TRUE(metadata.contains(QLatin1String(entry))) << metadata.toStdString();
    }
    EXPECT_EQ(bus.property(QStringLiteral("CanSeek")), "b true");
    const auto position = [&] {
        return bus.property(QStringLiteral("Position")).section(QLatin1Char(' '), 1).toLongLong();
    };
    const qint64 before = position();
    QTest::qWait(1500);
    clock.advance(1500ms);
    runTask(coordinator->refreshAppleMusic());
    const qint64 later = position();
    EXPECT_NEAR(double(later - before) / 1e6, 1.5, 0.4);
    EXPECT_NEAR(double(later) / 1e6, mpdStatus().elapsedSeconds, 0.4);

    const auto seeked = bus.monitor(QStringLiteral("Seeked"));
    const QString track = metadata.section(QLatin1String("\"mpris:trackid\" o \""), 1)
                              .section(QLatin1Char('"'), 0, 0);
    ASSERT_TRUE(bus.call(QStringLiteral("SetPosition"), {"ox", track, "30000000"}).succeeded());
    EXPECT_TRUE(waitUntil([&] { return seeked->output().contains("int64 30000000"); }))
        << seeked->output().toStdString();
    EXPECT_TRUE(mpdShows([](const MpdStatus& s) {
        return s.songPosition == 0 && std::abs(s.elapsedSeconds - 30) < 1;
    })) << mpdStatus().elapsedSeconds;
    ASSERT_TRUE(bus.call(QStringLiteral("Seek"), {"x", "-10000000"}).succeeded());
    EXPECT_TRUE(mpdShows([](const MpdStatus& s) {
        return s.songPosition == 0 && std::abs(s.elapsedSeconds - 20) < 1;
    })) << mpdStatus().elapsedSeconds;
    EXPECT_TRUE(waitUntil([&] { return seeked->output().count("int64 ") >= 2; }));
}

} // namespace
