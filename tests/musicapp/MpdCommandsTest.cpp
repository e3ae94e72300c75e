#include "FakeMpd.h"

#include "musicapp/MpdCommands.h"

#include <gtest/gtest.h>

namespace {

FakeMpd albumPlayer() {
    FakeMpd mpd;
    mpd.database = {"a/1.flac", "a/2.flac", "a/3.flac", "a/4.flac"};
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

} // namespace
