#include "MpdTestServer.h"

#include "musicapp/LibMpdClient.h"
#include "musicapp/MusicAppController.h"
#include "support/RunTask.h"
#include "support/ScopedEnvironment.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <QFile>

#include <clocale>
#include <csignal>

namespace {

using namespace std::chrono_literals;

// A controller on that MPD alone that knows every shared test file.
std::unique_ptr<MusicAppController> controllerFor(const MpdTestServer& mpd, const TestHome& home) {
    MusicAppController::Options options;
    options.musicFolder = TestMusicFolder::shared().path;
    options.addresses = {mpd.address()};
    options.ownDaemon = {home.filePath("own"), home.filePath("own/none.socket")};
    options.connector = std::make_shared<LibMpdConnector>(1500ms);
    options.startDaemon = [] { return false; };
    const TestMusicFolder& music = TestMusicFolder::shared();
    options.trackFile = trackFilesByID(music.files + QStringList{music.lineBreakFile});
    return std::make_unique<MusicAppController>(std::move(options));
}

// A user's MPD through an album's life: queued with what cannot be played
// skipped, paused, moved on, left playing when Korvid quits; then its devices
// and volumes, and at last a frozen player that fails commands instead of
// hanging.
TEST(MusicAppControllerMpdTest, AnAlbumsLifeDevicesVolumesAndAFrozenPlayer) {
    TestHome home;
    const TestMusicFolder& music = TestMusicFolder::shared();
    // Logs every command it receives, as received.
    MpdTestServer mpd(nullptr, "log_level \"verbose\"\n");
    ASSERT_TRUE(mpd.start()) << mpd.errorText().toStdString();
    auto c = controllerFor(mpd, home);
    const QStringList requested =
        testTrackIDs({music.files[0], "Album/missing.flac", music.lineBreakFile, music.files[1],
                      music.files[2]});
    // Index 3 is the quoted track: the missing and unsendable ones are skipped.
    // The start position must reach MPD with a decimal point in any locale.
    const std::string previousLocale = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    runTask(c->playQueue(requested, 3, 4.257, QString("Silent")), 10s);
    std::setlocale(LC_ALL, previousLocale.c_str());
    const QByteArray log = mpd.daemon().output();
    EXPECT_TRUE(log.contains(R"(process command "seek "1" "4.26"")")) << log.toStdString();

    // MPD may say "play" at 0 s for a moment while its decoder seeks; wait
    // for the seek to land (a lost seek shows as a position under 4.25).
    MusicPlayerStatus s =
        statusWhen(*c, [](const auto& s) { return s.isPlaying && s.positionSeconds > 0; });
    EXPECT_TRUE(s.isPlaying);
    EXPECT_TRUE(s.isPlayingQueue);
    EXPECT_EQ(s.trackIndex, 1);
    EXPECT_EQ(s.currentTrackID, testTrackID(music.files[1]));
    EXPECT_GE(s.positionSeconds, 4.25);
    EXPECT_LT(s.positionSeconds, 9.0);
    for (const MusicAirPlayDevice& d : s.devices) {
        EXPECT_EQ(d.isSelected, d.name == "Silent") << d.name.toStdString();
    }
    EXPECT_EQ(runTask(c->musicDirectory()), music.path);
    auto direct = mpd.connect();
    EXPECT_EQ(direct->storedPlaylist("Korvid"), music.files);
    EXPECT_EQ(direct->queueUris(), music.files);

    runTask(c->pause());
    s = runTask(c->status());
    EXPECT_FALSE(s.isPlaying);
    EXPECT_TRUE(s.isPlayingQueue) << "paused on Korvid's queue";
    EXPECT_EQ(s.trackIndex, 1);
    runTask(c->play());
    EXPECT_TRUE(runTask(c->status()).isPlaying);
    runTask(c->nextTrack());
    s = playingStatus(*c);
    EXPECT_EQ(s.trackIndex, 2);
    EXPECT_EQ(s.currentTrackID, testTrackID(music.files[2]));

    // Quitting Korvid leaves a user's own MPD playing.
    EXPECT_TRUE(c->pauseOwnPlayer(5s));
    EXPECT_TRUE(runTask(c->status()).isPlaying);

    // Devices switch by names that need escaping, without a pause, and
    // volumes are clamped.
    const QString awkward = MpdTestServer::awkwardOutputName;
    runTask(c->selectDevice(awkward));
    s = runTask(c->status());
    EXPECT_TRUE(s.isPlaying);
    ASSERT_EQ(s.devices.size(), 2);
    for (const MusicAirPlayDevice& d : s.devices) {
        EXPECT_EQ(d.isSelected, d.name == awkward) << d.name.toStdString();
        EXPECT_EQ(d.kind, "Silent output");
    }

    runTask(c->setMusicVolume(150));
    EXPECT_EQ(runTask(c->status()).volume, 100);
    runTask(c->setDeviceVolume(-5, awkward));
    s = runTask(c->status());
    EXPECT_EQ(s.volume, 0);
    EXPECT_EQ(s.devices.value(1).volume, 0);
    runTask(c->setDeviceVolume(37, "Silent"));
    EXPECT_EQ(runTask(c->status()).volume, 37);

    const auto error = failureOf<MusicAppError>(c->selectDevice("Nowhere \"at\" all"));
    ASSERT_TRUE(error) << "an unknown output was accepted";
    EXPECT_EQ(error->kind(), MusicAppError::Kind::script);
    EXPECT_TRUE(error->message().contains("Nowhere \"at\" all"));

    // A frozen player: a command waits for an answer that never comes...
    ::kill(static_cast<pid_t>(mpd.daemon().pid()), SIGSTOP);
    auto frozen = c->status();
    // ... until the player is killed under it.
    QTimer::singleShot(300, [&mpd] { mpd.daemon().kill(); });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(runTask(std::move(frozen), 5s), MusicAppError);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    EXPECT_THROW(runTask(c->pause(), 5s), MusicAppError);
    EXPECT_FALSE(runTask(c->isRunning(), 5s));
}

// A user's MPD without a playlist folder refuses stored playlists: the album
// goes straight into the queue, which Korvid, also when restarted, still
// knows as its own by the files it put there.
TEST(MusicAppControllerNoPlaylistsTest, PlaysAndKnowsItsQueueWithoutStoredPlaylists) {
    TestHome home;
    MpdTestServer mpd(nullptr, {}, false);
    ASSERT_TRUE(mpd.start()) << mpd.errorText().toStdString();
    const QStringList files = TestMusicFolder::shared().files;
    auto direct = mpd.connect();
    ASSERT_FALSE(direct->storedPlaylistsEnabled());
    ASSERT_TRUE(direct->appendToQueue(files[2])); // what the user had queued
    const QStringList requested = {testTrackID(files[0]), testTrackID("Album/missing.flac"),
                                   testTrackID(files[1])};
    {
        auto c = controllerFor(mpd, home);
        runTask(c->playQueue(requested, 2, 0, QString("Silent")), 10s);
        const MusicPlayerStatus s = playingStatus(*c);
        EXPECT_TRUE(s.isPlaying);
        EXPECT_TRUE(s.isPlayingQueue);
        EXPECT_EQ(s.trackIndex, 1);
        EXPECT_EQ(s.currentTrackID, testTrackID(files[1]));
        EXPECT_EQ(direct->queueUris(), (QStringList{files[0], files[1]}));
    }
    auto restarted = controllerFor(mpd, home);
    MusicPlayerStatus s = playingStatus(*restarted);
    EXPECT_TRUE(s.isPlayingQueue);
    EXPECT_EQ(s.trackIndex, 1);
    // Once the user changes the queue, it is no longer Korvid's.
    ASSERT_TRUE(direct->appendToQueue(files[2]));
    EXPECT_FALSE(runTask(restarted->status()).isPlayingQueue);
}

// An MPD that lets strangers read and queue but wants a password to control.
TEST(MusicAppControllerPasswordTest, RefusalsForPasswordAndPermissionAreNotPermitted) {
    TestHome home;
    MpdTestServer mpd(nullptr, "password \"sesame@read,add,control,admin\"\n"
                               "default_permissions \"read,add\"\n");
    ASSERT_TRUE(mpd.start(false)) << mpd.errorText().toStdString();
    ScopedEnvironment environment;

    auto controllerFor = [&](const QByteArray& host) {
        environment.set("MPD_HOST", host);
        MusicAppController::Options options;
        options.addresses = MusicAppController::standardMpdAddresses();
        options.ownDaemon = {home.filePath("own"), home.filePath("own/none.socket")};
        options.startDaemon = [] { return false; };
        return std::make_unique<MusicAppController>(std::move(options));
    };
    const QByteArray socket = QFile::encodeName(mpd.socketPath());
    const QString notPermitted = MusicAppError::notPermitted().description();

    struct Case {
        QByteArray host;
        bool statusWorks;
        bool controlWorks;
    } cases[] = {
        {socket, true, false},             // no password: reading only
        {"wrong@" + socket, false, false}, // a wrong password is refused at once
        {"sesame@" + socket, true, true},
    };
    for (const Case& c : cases) {
        auto controller = controllerFor(c.host);
        const auto status = failureOf<MusicAppError>(controller->status());
        EXPECT_EQ(status.has_value(), !c.statusWorks) << c.host.constData();
        if (status) {
            EXPECT_EQ(status->kind(), MusicAppError::Kind::notPermitted) << c.host.constData();
        }
        const auto control = failureOf<MusicAppError>(controller->setMusicVolume(30));
        EXPECT_EQ(control.has_value(), !c.controlWorks) << c.host.constData();
        if (control) {
            EXPECT_EQ(control->description(), notPermitted) << c.host.constData();
        }
    }
}

} // namespace
