#include "musicapp/LocalPlayerRules.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace std::chrono_literals;
using namespace LocalPlayerRules;

const SpeakerOutput computer =
    SpeakerOutput::music(QStringLiteral("PC"), QStringLiteral("computer"));
const SpeakerOutput kitchen =
    SpeakerOutput::music(QStringLiteral("Kitchen"), QStringLiteral("Pipe"));
const SpeakerOutput den =
    SpeakerOutput::legacy({QStringLiteral("00AA@Den"), QStringLiteral("Den"), {}, false});

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
