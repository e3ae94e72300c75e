#include "musicapp/LocalPlayerRules.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace std::chrono_literals;
using namespace LocalPlayerRules;

Track withFile(const char* id) {
    return {QString::fromLatin1(id), QUrl::fromLocalFile(QStringLiteral("/m/%1.flac").arg(id))};
}
Track withoutFile(const char* id) {
    return {QString::fromLatin1(id), std::nullopt};
}

AirPlay1Speaker speaker(const QString& name) {
    return {QStringLiteral("00AA@") + name, name, {}, false};
}

const SpeakerOutput computer =
    SpeakerOutput::music(QStringLiteral("PC"), QStringLiteral("computer"));
const SpeakerOutput kitchen =
    SpeakerOutput::music(QStringLiteral("Kitchen"), QStringLiteral("Pipe"));
const SpeakerOutput den = SpeakerOutput::legacy(speaker(QStringLiteral("Den")));

TEST(LocalPlayerRulesTest, FullAndLegacyIndexesMapBothWays) {
    // Tracks 1 and 3 have no file.
    const QList<Track> album{withoutFile("1"), withFile("2"), withoutFile("3"), withFile("4")};
    const struct {
        int full;
        int legacy;
    } forward[] = {{-1, 0}, {0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {99, 2}};
    for (const auto& row : forward) {
        const LegacyQueue queue = legacyQueue(album, row.full);
        EXPECT_EQ(queue.index, row.legacy) << "full index " << row.full;
        EXPECT_EQ(queue.urls, (QList<QUrl>{*album[1].url, *album[3].url}));
    }
    const struct {
        int legacy;
        int full;
    } back[] = {{0, 1}, {1, 3}, {2, 0}, {-1, 0}};
    for (const auto& row : back) {
        EXPECT_EQ(fullIndex(album, row.legacy), row.full) << "legacy index " << row.legacy;
    }

    const QList<Track> noFiles{withoutFile("1"), withoutFile("2")};
    EXPECT_TRUE(legacyQueue(noFiles, 1).urls.isEmpty());
    EXPECT_EQ(legacyQueue(noFiles, 1).index, 0);
    EXPECT_EQ(fullIndex(noFiles, 0), 0);
}

TEST(LocalPlayerRulesTest, StatusPlaceFollowsTheCurrentTrackNotTheQueuePosition) {
    // The player's queue lacks track "1", so its position 1 is the album's track 2.
    const QList<Track> album{withFile("1"), withFile("2"), withFile("3")};
    MusicPlayerStatus status;
    status.trackIndex = 1;
    status.currentTrackID = QStringLiteral("3");
    EXPECT_EQ(fullIndexOfStatus(album, status), 2);
    status.currentTrackID = QStringLiteral("unknown");
    EXPECT_EQ(fullIndexOfStatus(album, status), 1);
    status.currentTrackID.reset();
    EXPECT_EQ(fullIndexOfStatus(album, status), 1);
}

TEST(LocalPlayerRulesTest, HandOverCaseByPreviousAndNewOutput) {
    const SpeakerOutput attic = SpeakerOutput::legacy(speaker(QStringLiteral("Attic")));
    const struct {
        std::optional<SpeakerOutput> previous;
        SpeakerOutput next;
        HandOver expected;
    } rows[] = {
        {std::nullopt, den, HandOver::toLegacy},     {kitchen, den, HandOver::toLegacy},
        {attic, den, HandOver::legacyToLegacy},      {den, kitchen, HandOver::legacyToMusic},
        {std::nullopt, computer, HandOver::toMusic}, {computer, kitchen, HandOver::toMusic},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(handOverCase(row.previous, row.next), row.expected)
            << (row.previous ? row.previous->id().toStdString() : "none") << " -> "
            << row.next.id().toStdString();
    }
}

TEST(LocalPlayerRulesTest, VolumeGoesWhereTheOutputIsRoundedHalfAwayFromZero) {
    using Kind = VolumeTarget::Kind;
    const struct {
        std::optional<SpeakerOutput> output;
        double percent;
        Kind kind;
        int volume;
    } rows[] = {
        {kitchen, 49.5, Kind::musicDevice, 50},      {computer, 49.5, Kind::musicPlayer, 50},
        {std::nullopt, 49.4, Kind::musicPlayer, 49}, {computer, 2.5, Kind::musicPlayer, 3},
        {computer, -0.5, Kind::musicPlayer, -1},     {den, 49.5, Kind::legacySpeaker, 50},
        {computer, NAN, Kind::musicPlayer, 0},       {computer, 1e300, Kind::musicPlayer, 1000},
    };
    for (const auto& row : rows) {
        const VolumeTarget target = volumeTarget(row.output, row.percent);
        EXPECT_EQ(target.kind, row.kind) << row.percent;
        EXPECT_EQ(target.volume, row.volume) << row.percent;
    }
    EXPECT_EQ(volumeTarget(kitchen, 10).deviceName, QStringLiteral("Kitchen"));

    const QList<MusicAirPlayDevice> devices{{"PC", "computer", true, true, 30},
                                            {"Kitchen", "Pipe", true, false, 70}};
    EXPECT_EQ(outputVolumePercent(std::nullopt, devices, 40, 12.5), 40);
    EXPECT_EQ(outputVolumePercent(computer, devices, 40, 12.5), 40);
    EXPECT_EQ(outputVolumePercent(kitchen, devices, 40, 12.5), 70);
    EXPECT_EQ(outputVolumePercent(den, devices, 40, 12.5), 12.5);
    EXPECT_EQ(outputVolumePercent(SpeakerOutput::music("Gone", "Pipe"), devices, 40, 12.5), 40);
}

TEST(LocalPlayerRulesTest, PlaybackDeviceAndSessionDeviceFollowTheOutput) {
    const QList<MusicAirPlayDevice> devices{{"Kitchen", "Pipe", true, false, 0},
                                            {"PC", "computer", true, false, 0}};
    EXPECT_EQ(musicDeviceForPlayback(kitchen, devices), QStringLiteral("Kitchen"));
    EXPECT_EQ(musicDeviceForPlayback(std::nullopt, devices), QStringLiteral("PC"));
    EXPECT_EQ(musicDeviceForPlayback(den, devices), QStringLiteral("PC"));
    EXPECT_EQ(musicDeviceForPlayback(std::nullopt, {}), std::nullopt);

    using Device = ListeningSession::Device;
    EXPECT_EQ(sessionDevice(std::nullopt), Device(Device::Local{}));
    EXPECT_EQ(sessionDevice(computer), Device(Device::Local{}));
    EXPECT_EQ(sessionDevice(kitchen), Device(Device::AirPlay{"Kitchen"}));
    EXPECT_EQ(sessionDevice(den), Device(Device::LegacyAirPlay{"00AA@Den", "Den"}));
}

TEST(LocalPlayerRulesTest, AStatusIsAppliedWithAGraceAfterEachStart) {
    const MusicAirPlayDevice pc{"PC", "computer", true, true, 50};
    const MusicAirPlayDevice kitchenOn{"Kitchen", "Pipe", true, true, 50};
    const MusicAirPlayDevice kitchenOff{"Kitchen", "Pipe", true, false, 50};
    const MusicAirPlayDevice denOn{"Den", "Pipe", true, true, 50}; // also a legacy speaker
    const auto status = [](QList<MusicAirPlayDevice> devices, bool playing, bool ours) {
        MusicPlayerStatus s;
        s.devices = std::move(devices);
        s.isPlaying = playing;
        s.isPlayingQueue = ours;
        s.volume = 50;
        return s;
    };
    const QList<MusicAirPlayDevice> known{pc, kitchenOff};
    const auto started = 100'000ms; // a start at this moment expects playing until +8 s
    const struct {
        const char* name;
        std::optional<SpeakerOutput> output;
        bool wasPlaying;
        std::chrono::milliseconds now;
        MusicPlayerStatus status;
        QString expectedOutput;
        bool isPlaying;
        bool notify;
    } rows[] = {
        {"paused 3 s after play", kitchen, true, started + 3s, status(known, false, true),
         "music:PC", true, false},
        {"paused 9 s after play", kitchen, true, started + 9s, status(known, false, true),
         "music:PC", false, true},
        {"our queue plays", computer, false, started + 20s, status(known, true, true), "music:PC",
         true, true},
        {"the user's own queue plays", computer, false, started + 20s, status(known, true, false),
         "music:PC", false, false},
        {"a selected non-computer output wins", computer, true, started,
         status({pc, kitchenOn}, true, true), "music:Kitchen", true, true},
        {"a legacy speaker's name is not taken", std::nullopt, true, started,
         status({denOn, kitchenOff, pc}, true, true), "music:PC", true, true},
        {"nothing selected and no output: the computer", std::nullopt, true, started,
         status({kitchenOff, {"PC", "computer", true, false, 50}}, true, true), "music:PC", true,
         true},
        {"unknown outputs keep the selected one", kitchen, true, started,
         status({{"Mystery", "", false, false, 0}}, true, true), "music:Kitchen", true, true},
        {"a legacy output ignores the player", den, false, started + 20s,
         status({pc, kitchenOn}, true, true), "legacy:00AA@Den", false, true},
    };
    for (const auto& row : rows) {
        StatusState state;
        state.output = row.output;
        state.musicDevices = known;
        state.musicVolume = 50;
        state.isPlaying = row.wasPlaying;
        state.now = row.now;
        state.expectPlayingUntil = started + 8s;
        const StatusOutcome outcome = applyStatus(state, row.status, {QStringLiteral("Den")});
        EXPECT_EQ(outcome.output ? outcome.output->id() : QString(), row.expectedOutput)
            << row.name;
        EXPECT_EQ(outcome.isPlaying, row.isPlaying) << row.name;
        EXPECT_EQ(outcome.notify, row.notify) << row.name;

        // Read while a command was on its way, the same status leaves play as it was.
        state.playStateIsCurrent = false;
        const StatusOutcome stale = applyStatus(state, row.status, {QStringLiteral("Den")});
        EXPECT_EQ(stale.isPlaying, row.wasPlaying) << row.name;
    }
}

} // namespace
