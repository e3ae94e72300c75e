#include "MpdTestServer.h"

#include "musicapp/LibMpdClient.h"
#include "musicapp/MusicAppController.h"
#include "support/PulseAudioServer.h"
#include "support/RunTask.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// A brand-new machine: Korvid starts its own player, once, over a private
// pulseaudio and a music folder whose name needs quoting in its configuration.
// The database is empty and the first scan of a few thousand files still
// runs, yet an album plays at the first request.
TEST(OwnMpdTest, AFreshPlayerStartsOnceAndPlaysAnAlbumWhileItsFirstScanRuns) {
    TestHome home;
    PulseAudioServer pulse;
    ASSERT_TRUE(pulse.start()) << pulse.errorText().toStdString();
    // The controller's sink list and the mpd it starts both reach it.
    pulse.exportToThisProcess();
    const OwnMpdStopper stopper(MpdDaemonFiles::standard());
    const QString folder = home.filePath("Mü \"sic\" \\ folder");
    const QStringList album = makeLargeMusicFolder(folder, 12, 4000);
    const QStringList ids = testTrackIDs(album);
    MusicAppController::Options options;
    options.musicFolder = folder;
    options.addresses = {{home.filePath("nobody.socket"), 0}};
    options.trackFile = trackFilesByID(album);
    MusicAppController c(std::move(options));
    EXPECT_FALSE(runTask(c.isRunning()));
    auto started = std::chrono::steady_clock::now();
    runTask(c.launchIfNeeded(), 20s);
    EXPECT_GE(std::chrono::steady_clock::now() - started, 1500ms);
    ASSERT_GT(stopper.pid(), 0) << "no pid file";
    EXPECT_TRUE(runTask(c.isRunning()));
    started = std::chrono::steady_clock::now();
    runTask(c.launchIfNeeded(), 20s);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1000ms) << "an answering player waits";

    runTask(c.playQueue(ids, 0, 0, std::nullopt), 10s);
    const MusicPlayerStatus s = playingStatus(c);
    EXPECT_TRUE(s.isPlaying);
    EXPECT_TRUE(s.isPlayingQueue);
    EXPECT_EQ(s.currentTrackID, ids[0]);
    EXPECT_FALSE(s.devices.isEmpty());
    auto direct = LibMpdConnector().connect({MpdDaemonFiles::standard().socketPath, 0});
    EXPECT_EQ(direct->queueUris(), album);
    // Whether the scan was still running here depends on the machine's load;
    // the fake player's scan case proves the wait, this one pins real MPD.
    RecordProperty("scanStillRunning", direct->status().isUpdatingDatabase ? 1 : 0);

    // Quitting Korvid silences its own player, which nothing else would stop.
    EXPECT_TRUE(c.pauseOwnPlayer(5s));
    EXPECT_FALSE(runTask(c.status()).isPlaying);
}

} // namespace
