#include "FakeMpd.h"

#include "musicapp/MpdCommands.h"
#include "musicapp/MusicAppController.h"
#include "musicapp/TrackIdentity.h"
#include "support/RunTask.h"

#include <gtest/gtest.h>

namespace {

FakeMpd albumPlayer() {
    FakeMpd mpd;
    mpd.database = {"a/1.flac", "a/2.flac", "a/3.flac", "a/4.flac"};
    mpd.outputList = {
        {0, "Speakers", "pulse", true}, {1, "Stream", "httpd", true}, {2, "Silent", "null", false}};
    mpd.state.volume = 40;
    return mpd;
}

TEST(MpdCommandsTest, OutputKindsHaveOneComputer) {
    const QMap<QString, QString> own = {
        {"HDMI", "TV"}, {"Headset", "Bluetooth device"}, {"Desk", "computer"}};
    struct Case {
        const char* label;
        QList<MpdOutput> outputs;
        QMap<QString, QString> known;
        QStringList kinds;
    } cases[] = {
        {"the first local-sound output is the computer",
         {{0, "Stream", "httpd", true},
          {1, "Card", "alsa", false},
          {2, "Pulse", "pulse", true},
          {3, "PW", "pipewire", true}},
         {},
         {"HTTP stream", "computer", "Speakers", "Speakers"}},
        {"readable plugin names",
         {{0, "a", "null", true},
          {1, "b", "shout", true},
          {2, "c", "fifo", true},
          {3, "d", "somethingnew", true},
          {4, "e", "", true},
          {5, "f", "Pulse", true}},
         {},
         {"Silent output", "Icecast stream", "FIFO", "somethingnew", "Other output", "Pulse"}},
        {"Korvid's own kinds, the default sink not first",
         {{0, "HDMI", "pulse", false}, {1, "Headset", "pulse", false}, {2, "Desk", "pulse", true}},
         own,
         {"TV", "Bluetooth device", "computer"}},
        {"an output the kinds file does not know",
         {{0, "HDMI", "pulse", false}, {1, "New", "pulse", false}},
         own,
         {"TV", "computer"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MpdCommands::outputKinds(c.outputs, c.known), c.kinds) << c.label;
    }
}

TEST(MpdCommandsTest, QueueKeepsKnownFilesAndMapsTheStart) {
    const QString one = "a/1.flac", two = "a/2.flac", three = "a/3.flac", four = "a/4.flac";
    const struct {
        const char* label;
        QStringList files;
        int startIndex;
        QStringList expectedQueue;
        int expectedPosition;
    } cases[] = {
        {"all known", {one, two, three}, 1, {one, two, three}, 1},
        {"unknown to library or MPD: skipped", {one, "", "gone", four}, 3, {one, four}, 1},
        {"a missing start: the next one found", {one, "gone", three}, 1, {one, three}, 1},
        {"past the end falls back to the first", {one, two}, 2, {one, two}, 0},
        {"negative falls back to the first", {one, two}, -1, {one, two}, 0},
        {"no track found at or after the start", {one, "gone"}, 1, {one}, 0},
        {"line breaks are never sent", {one + "\nclear", two, "a/3\r.flac"}, 0, {two}, 0},
    };
    // With stored playlists, and with an MPD that has none: then the queue
    // is filled directly and what it held before goes.
    for (const bool stored : {true, false}) {
        for (const auto& c : cases) {
            FakeMpd mpd = albumPlayer();
            mpd.storedPlaylistsOn = stored;
            mpd.database.insert(one + "\nclear");
            mpd.playlists["Korvid"] = {"old.flac"};
            mpd.queue = {"a/3.flac", "a/4.flac"};
            const QStringList queued =
                MpdCommands::playQueue(mpd, {c.files, c.startIndex, 0, std::nullopt}, [] {});
            const std::string label = c.label + std::string(stored ? "" : ", no stored playlists");
            EXPECT_EQ(mpd.playlists.value("Korvid"),
                      stored ? c.expectedQueue : QStringList{"old.flac"})
                << label;
            EXPECT_EQ(mpd.queue, c.expectedQueue) << label;
            EXPECT_EQ(queued, c.expectedQueue) << label;
            EXPECT_EQ(mpd.state.songPosition, c.expectedPosition) << label;
            EXPECT_FALSE(mpd.randomRepeatSingleConsume) << label;
            EXPECT_FALSE(mpd.seekedTo.has_value()) << label;
        }
    }
}

TEST(MpdCommandsTest, NothingFoundFailsAndLeavesTheUsersQueue) {
    for (const bool stored : {true, false}) {
        FakeMpd mpd = albumPlayer();
        mpd.storedPlaylistsOn = stored;
        mpd.queue = {"a/4.flac"};
        mpd.playlists["Korvid"] = {"a/1.flac"};
        try {
            MpdCommands::playQueue(mpd, {{"gone.flac", ""}, 0, 10, std::nullopt}, [] {});
            ADD_FAILURE() << "an empty queue was accepted";
        } catch (const MpdFailure& failure) {
            EXPECT_EQ(failure.kind(), MpdFailure::Kind::refused);
            EXPECT_EQ(failure.message(),
                      "None of the album's tracks were found in the Music library.");
        }
        EXPECT_EQ(mpd.queue, QStringList{"a/4.flac"}) << stored;
        EXPECT_EQ(mpd.playlists.contains("Korvid"), !stored);
        EXPECT_FALSE(mpd.log.contains("play"));
    }
}

// A first scan that has not reached the album yet: the play waits for it,
// but not for a file that stays missing once the scan is over, nor forever.
TEST(MpdCommandsTest, APlayWaitsForTheScanToReachTheAlbum) {
    struct Case {
        int pollsUntilScanned;
        QStringList expectedQueue;
        int expectedPauses;
    } cases[] = {
        {1, {"a/1.flac", "a/2.flac", "b/1.flac", "b/2.flac"}, 0},
        {4, {"a/1.flac", "a/2.flac", "b/1.flac", "b/2.flac"}, 3},
        {1000, {"a/1.flac", "a/2.flac"}, 100},
    };
    for (const bool stored : {true, false}) {
        for (const Case& c : cases) {
            FakeMpd mpd = albumPlayer();
            mpd.storedPlaylistsOn = stored;
            mpd.queue = {"a/4.flac"};
            mpd.unscanned = {"b/1.flac", "b/2.flac"};
            mpd.pollsUntilScanned = c.pollsUntilScanned;
            int pauses = 0;
            const QStringList queued = MpdCommands::playQueue(
                mpd, {{"a/1.flac", "a/2.flac", "b/1.flac", "gone.flac", "b/2.flac"}, 0, 0, {}},
                [&] { ++pauses; });
            EXPECT_EQ(mpd.queue, c.expectedQueue) << c.pollsUntilScanned << stored;
            EXPECT_EQ(queued, c.expectedQueue) << c.pollsUntilScanned << stored;
            EXPECT_EQ(pauses, c.expectedPauses) << c.pollsUntilScanned << stored;
        }
    }
}

// The place is part of the start itself: a seek after play races MPD's decoder.
TEST(MpdCommandsTest, StartsAtThePlaceInOneCommandOrFromTheBeginningIfRefused) {
    FakeMpd mpd = albumPlayer();
    MpdCommands::playQueue(mpd, {{"a/1.flac", "a/2.flac"}, 1, 12.345, std::nullopt}, [] {});
    EXPECT_EQ(mpd.state.songPosition, 1);
    ASSERT_TRUE(mpd.seekedTo.has_value());
    EXPECT_DOUBLE_EQ(*mpd.seekedTo, 12.345);
    EXPECT_FALSE(mpd.log.contains("play"));

    FakeMpd refusing = albumPlayer();
    refusing.failOn = "seek";
    EXPECT_NO_THROW(MpdCommands::playQueue(refusing, {{"a/1.flac"}, 0, 5, std::nullopt}, [] {}));
    EXPECT_EQ(refusing.state.state, MpdPlayState::playing);
    refusing.failureKind = MpdFailure::Kind::connection;
    EXPECT_THROW(MpdCommands::playQueue(refusing, {{"a/1.flac"}, 0, 5, std::nullopt}, [] {}),
                 MpdFailure);
}

TEST(MpdCommandsTest, DeviceChoiceEnablesOneOutputAlone) {
    FakeMpd mpd = albumPlayer();
    MpdCommands::playQueue(mpd, {{"a/1.flac"}, 0, 0, QString("Silent")}, [] {});
    EXPECT_FALSE(mpd.outputList[0].enabled);
    EXPECT_FALSE(mpd.outputList[1].enabled);
    EXPECT_TRUE(mpd.outputList[2].enabled);
    // The new output comes on before the others go off, so sound never gaps.
    EXPECT_LT(mpd.log.indexOf("enableoutput"), mpd.log.indexOf("disableoutput"));
    // The chosen device is set before playing starts.
    EXPECT_LT(mpd.log.lastIndexOf("disableoutput"), mpd.log.indexOf("play"));

    EXPECT_THROW(MpdCommands::selectOutput(mpd, "Nowhere"), MpdFailure);
    EXPECT_TRUE(mpd.outputList[2].enabled);
}

TEST(MpdCommandsTest, StatusRecognisesKorvidsQueue) {
    using enum MpdPlayState;
    const QStringList ours = {"a/1.flac", "a/2.flac"};
    const QStringList other = {"a/3.flac", "a/2.flac"};
    // The queue's index and a place count only where Korvid's queue plays or
    // is paused; a stopped player has no current track.
    struct Case {
        const char* label;
        MpdPlayState state;
        QStringList queue;
        std::optional<QStringList> stored;
        bool inQueue;
        QStringList lastQueue = {};
    } cases[] = {
        {"playing Korvid", playing, ours, ours, true},
        {"paused Korvid", paused, ours, ours, true},
        {"another queue", playing, other, ours, false},
        {"a longer queue", playing, ours + QStringList{"a/3.flac"}, ours, false},
        {"no stored playlist", playing, ours, std::nullopt, false},
        {"no stored playlist, the files Korvid queued last", playing, ours, std::nullopt, true,
         ours},
        {"the stored playlist wins over the last files", playing, ours, other, false, ours},
        {"stopped", stopped, ours, ours, false},
    };
    for (const Case& c : cases) {
        FakeMpd mpd = albumPlayer();
        mpd.state.state = c.state;
        mpd.state.songPosition = 1;
        mpd.state.elapsedSeconds = 83.5;
        mpd.queue = c.queue;
        if (c.stored) {
            mpd.playlists["Korvid"] = *c.stored;
        }
        mpd.current = "a/2.flac";
        const MusicPlayerStatus status = MpdCommands::readStatus(mpd, {{}, c.lastQueue});
        const bool hasTrack = c.state != stopped;
        EXPECT_EQ(status.isPlaying, c.state == playing) << c.label;
        EXPECT_EQ(status.isPlayingQueue, c.inQueue) << c.label;
        EXPECT_EQ(status.trackIndex, c.inQueue ? 1 : 0) << c.label;
        EXPECT_EQ(status.currentTrackID.has_value(), hasTrack) << c.label;
        if (hasTrack) {
            EXPECT_EQ(*status.currentTrackID,
                      TrackIdentity::hexTrackID(TrackIdentity::trackPersistentID("a/2.flac")));
            EXPECT_DOUBLE_EQ(status.positionSeconds, 83.5) << c.label;
        } else {
            EXPECT_EQ(status.positionSeconds, 0) << c.label;
        }
    }
}

TEST(MpdCommandsTest, StatusListsOutputsAsDevices) {
    FakeMpd mpd = albumPlayer();
    MusicPlayerStatus status = MpdCommands::readStatus(mpd);
    const QList<MusicAirPlayDevice> expected = {{"Speakers", "computer", true, true, 40},
                                                {"Stream", "HTTP stream", true, true, 40},
                                                {"Silent", "Silent output", true, false, 40}};
    EXPECT_EQ(status.devices, expected);
    EXPECT_EQ(status.volume, 40);
    mpd.state.volume = -1; // no mixer
    status = MpdCommands::readStatus(mpd);
    EXPECT_EQ(status.volume, 0);
    EXPECT_EQ(status.devices.value(0).volume, 0);
}

// The controller over the fake: when it starts a player, and that commands
// run in the order they were made.
class ControllerOverFakeTest : public ::testing::Test {
protected:
    FakeMpd mpd = albumPlayer();
    std::shared_ptr<FakeMpdConnector> connector = std::make_shared<FakeMpdConnector>(&mpd);
    int daemonStarts = 0;
    bool daemonStarts_ok = true;

    std::unique_ptr<MusicAppController> controller() {
        MusicAppController::Options options;
        options.addresses = {{"127.0.0.1", 6600}};
        options.ownDaemon = {"/nonexistent/korvid", "/nonexistent/korvid/mpd.socket"};
        options.connector = connector;
        options.startDaemon = [this] {
            ++daemonStarts;
            return daemonStarts_ok;
        };
        options.launchWait = std::chrono::milliseconds(1);
        options.trackFile = [](const QString& id) {
            return id == "0000000000000001" ? "a/1.flac" : "";
        };
        return std::make_unique<MusicAppController>(std::move(options));
    }
};

TEST_F(ControllerOverFakeTest, LaunchStartsTheDaemonOnlyWhenNothingAnswers) {
    auto c = controller();
    runTask(c->launchIfNeeded());
    EXPECT_EQ(daemonStarts, 0);
    connector->refuseWith = MpdFailure(MpdFailure::Kind::connection, "Connection refused");
    runTask(c->launchIfNeeded());
    EXPECT_EQ(daemonStarts, 1);
    daemonStarts_ok = false;
    const auto error = failureOf<MusicAppError>(c->launchIfNeeded());
    ASSERT_TRUE(error) << "a failed start was accepted";
    EXPECT_EQ(error->kind(), MusicAppError::Kind::notInstalled);
    EXPECT_EQ(error->description(),
              "The music player couldn't be opened. Install mpd and try again.");
    EXPECT_FALSE(runTask(c->isRunning()));
    EXPECT_EQ(failureText(c->status()), "The music player reported an error: Connection refused");
}

TEST_F(ControllerOverFakeTest, CommandsRunInCallOrder) {
    auto c = controller();
    std::vector<QCoro::Task<>> tasks;
    tasks.push_back(c->setMusicVolume(150));
    tasks.push_back(c->pause());
    tasks.push_back(c->setMusicVolume(-5));
    tasks.push_back(c->nextTrack());
    tasks.push_back(c->playQueue({"0000000000000001", "FFFFFFFFFFFFFFFF"}, 0, 0, std::nullopt));
    for (auto& task : tasks) {
        runTask(std::move(task));
    }
    // Every connection was opened on the controller's own thread.
    EXPECT_EQ(connector->threadNames, QSet<QString>{"Korvid.musicapp"});
    QStringList commands;
    for (const QString& entry : mpd.log) {
        if (entry == "setvol" || entry == "pause" || entry == "next" || entry == "load") {
            commands.append(entry);
        }
    }
    EXPECT_EQ(commands, (QStringList{"setvol", "pause", "setvol", "next", "load"}));
    EXPECT_EQ(mpd.state.volume, 0);
    EXPECT_EQ(mpd.queue, QStringList{"a/1.flac"});
}

} // namespace
