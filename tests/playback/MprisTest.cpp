// The desktop's media controls: the rules of what they show and allow, then
// Korvid on a private session bus, steered from outside by busctl and
// dbus-monitor while the real coordinator plays a local album on a real MPD.
#include "LocalCoordinatorFixture.h"
#include "MprisBus.h"

#include "support/RequiredPeers.h"

#include <QTest>
#include <QWindow>

#include <cmath>
#include <limits>

namespace {

using Mpris::MprisInput;
using Mpris::Transport;

TEST(MprisRules, TransportTogglesOnlyWhereItChangesSomething) {
    const MprisInput none{};
    const MprisInput playing{.source = PlaybackSource::appleMusic,
                             .isPlaying = true,
                             .trackName = QStringLiteral("Leg"),
                             .albumID = QStringLiteral("apple-12"),
                             .durationMs = 70000};
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

// Spotify's progress_ms and duration_ms are any 64-bit numbers: what they
// become in microseconds saturates instead of overflowing.
TEST(MprisRules, TimesPastTheRangeSaturate) {
    constexpr qint64 maxUs = std::numeric_limits<qint64>::max();
    EXPECT_TRUE(std::holds_alternative<Mpris::NextTrack>(Mpris::seekTarget(maxUs, 200000, maxUs)));

    const MprisInput endless{.source = PlaybackSource::spotify,
                             .trackName = QStringLiteral("Song"),
                             .albumID = QStringLiteral("spotify-abc"),
                             .durationMs = maxUs / 10};
    EXPECT_EQ(Mpris::playerProperties(endless)["Metadata"].toMap()["mpris:length"].toLongLong(),
              maxUs);
    EXPECT_EQ(Mpris::setPositionTarget(endless, Mpris::trackID(endless), maxUs), maxUs / 1000);
}

// ---- Over the bus ----

class MprisOnTheBus : public LocalCoordinatorTest {
protected:
    void SetUp() override {
        LocalCoordinatorTest::SetUp();
        if (!bus.start()) {
            KORVID_PEER_MISSING(bus.errorText().toStdString());
        }
        library = makeLibrary();
        coordinator = makeCoordinator(*library);
        service = bus.serve(*coordinator);
    }

    // Waits for the command chain, then for MPD to show `wanted`.
    bool mpdShows(const std::function<bool(const MpdStatus&)>& wanted) {
        finish(*library);
        return waitForMpd(wanted);
    }

    std::unique_ptr<AppleMusicLibrary> library;
    std::unique_ptr<PlaybackViewModel> coordinator;
    MprisBus bus;
    std::unique_ptr<MprisService> service;
};

// A cover of one colour, as a decoded local picture.
class PlainCover final : public LocalArtworkImage {
public:
    QImage image(QSize bounds) const override {
        QImage image(QSize(900, 600).scaled(bounds, Qt::KeepAspectRatio), QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return image;
    }
};

TEST_F(MprisOnTheBus, ALocalAlbumIsShownAndSteeredFromOutside) {
    UnifiedAlbum album = library->albums().first().unified();
    album.artwork = AlbumArtwork::local(std::make_shared<PlainCover>());
    playOn(*library, *coordinator, silent(), 0, 0, album);
    ASSERT_TRUE(mpdShows([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    {
        SCOPED_TRACE("the album, and its local cover as a file in the cache");
        EXPECT_EQ(bus.property("PlaybackStatus"), "s \"Playing\"");
        QString metadata, url;
        ASSERT_TRUE(waitUntil([&] {
            metadata = bus.property(QStringLiteral("Metadata"));
            const qsizetype at = metadata.indexOf(QLatin1String("\"mpris:artUrl\" s \""));
            url = at < 0 ? QString() : metadata.mid(at + 18).section(QLatin1Char('"'), 0, 0);
            return !url.isEmpty();
        }));
        EXPECT_TRUE(metadata.contains("\"xesam:album\" s \"Journey\"")) << metadata.toStdString();
        EXPECT_TRUE(metadata.contains("\"xesam:artist\" as 1 \"Korvid\""))
            << metadata.toStdString();
        const QString file = QUrl(url).toLocalFile();
        EXPECT_TRUE(file.startsWith(home.path())) << url.toStdString();
        EXPECT_EQ(QImage(file).size(), QSize(512, 341)) << url.toStdString();
    }
    {
        SCOPED_TRACE("the track's place runs on, and seeks within it are announced");
        runTask(coordinator->refreshAppleMusic());
        const QString metadata = bus.property(QStringLiteral("Metadata"));
        for (const char* entry : {"\"xesam:title\" s \"1 Leg\"", "\"xesam:album\" s \"Journey\"",
                                  "\"xesam:trackNumber\" i 1", "\"mpris:length\" x 70000000"}) {
            EXPECT_TRUE(metadata.contains(QLatin1String(entry))) << metadata.toStdString();
        }
        EXPECT_EQ(bus.property(QStringLiteral("CanSeek")), "b true");
        const auto position = [&] {
            return bus.property(QStringLiteral("Position"))
                .section(QLatin1Char(' '), 1)
                .toLongLong();
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
    {
        SCOPED_TRACE("a pause is signalled; play again, then Next moves MPD on");
        const auto monitor = bus.monitor(QStringLiteral("PropertiesChanged"));
        ASSERT_TRUE(bus.call(QStringLiteral("PlayPause")).succeeded());
        EXPECT_TRUE(mpdShows([](const MpdStatus& s) { return s.state == MpdPlayState::paused; }));
        EXPECT_TRUE(waitUntil([&] { return monitor->output().contains("\"Paused\""); }))
            << monitor->output().toStdString();
        EXPECT_EQ(bus.property("PlaybackStatus"), "s \"Paused\"");
        ASSERT_TRUE(bus.call(QStringLiteral("Play")).succeeded());
        ASSERT_TRUE(mpdShows([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
        const int song = mpdStatus().songPosition;
        ASSERT_TRUE(bus.call(QStringLiteral("Next")).succeeded());
        EXPECT_TRUE(mpdShows([&](const MpdStatus& s) { return s.songPosition == song + 1; }));
    }
    {
        SCOPED_TRACE("the volume is clamped and bad input changes nothing");
        for (const auto& [value, percent] :
             {std::pair{"0.5", 50}, std::pair{"nan", 50}, std::pair{"-0.25", 0},
              std::pair{"inf", 100}, std::pair{"0.3", 30}, std::pair{"7", 100}}) {
            const ProgramRun run = bus.setProperty(QStringLiteral("Volume"), QStringLiteral("d"),
                                                   QLatin1String(value));
            EXPECT_TRUE(run.succeeded()) << value << ": " << run.output.toStdString();
            // A copy: clang 14 cannot capture a structured binding.
            const int expected = percent;
            EXPECT_TRUE(mpdShows([&](const MpdStatus& s) { return s.volume == expected; }))
                << value << " left " << mpdStatus().volume;
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
    {
        SCOPED_TRACE("a desktop's controls read every property at once, then pause");
        const ProgramRun all = bus.busctl(
            {QStringLiteral("call"), QLatin1String(Mpris::serviceName),
             QLatin1String(Mpris::objectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
             QStringLiteral("GetAll"), QStringLiteral("s"), QLatin1String(Mpris::playerInterface)});
        ASSERT_TRUE(all.succeeded()) << all.output.toStdString();
        for (const char* shown :
             {"\"Rate\" d 1", "\"Volume\" d 1", "\"CanGoNext\" b true", "\"CanGoPrevious\" b true",
              "\"CanPlay\" b true", "\"CanPause\" b true", "\"CanSeek\" b true",
              "\"CanControl\" b true"}) {
            EXPECT_TRUE(all.output.contains(shown)) << shown << " in " << all.output.toStdString();
        }
        ASSERT_TRUE(bus.call(QStringLiteral("Pause")).succeeded());
        EXPECT_TRUE(mpdShows([](const MpdStatus& s) { return s.state == MpdPlayState::paused; }));
    }
}

TEST_F(MprisOnTheBus, TheNameIsKorvidsAloneAndRaisesItsWindow) {
    const auto root = [&](const char* name) {
        return bus.property(QLatin1String(name), QStringLiteral("org.mpris.MediaPlayer2"));
    };
    EXPECT_EQ(root("CanRaise"), "b false");
    // A second Korvid never takes the name.
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
              QStringLiteral("s \"%1\"").arg(bus.connection.baseService()));
    QDBusConnection::disconnectFromBus(QStringLiteral("korvid-second"));

    QWindow window;
    service.reset();
    service = bus.serve(*coordinator, MprisService::Window::of(&window));
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

} // namespace
