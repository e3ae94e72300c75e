#include "musicapp/LocalPlayerRules.h"

#include <algorithm>
#include <cmath>

namespace LocalPlayerRules {

namespace {
constexpr auto computerKind = "computer";

bool isComputerDevice(const MusicAirPlayDevice& device) {
    return device.kind == QLatin1String(computerKind);
}
} // namespace

LegacyQueue legacyQueue(const QList<Track>& tracks, int fullIndex) {
    LegacyQueue queue;
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        if (!tracks[i].url) {
            continue;
        }
        if (i < fullIndex) {
            ++queue.index;
        }
        queue.urls.append(*tracks[i].url);
    }
    return queue;
}

int fullIndex(const QList<Track>& tracks, int legacyIndex) {
    int withFile = 0;
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        if (!tracks[i].url) {
            continue;
        }
        if (withFile == legacyIndex) {
            return static_cast<int>(i);
        }
        ++withFile;
    }
    return 0;
}

int fullIndexOfStatus(const QList<Track>& tracks, const MusicPlayerStatus& status) {
    if (status.currentTrackID) {
        for (qsizetype i = 0; i < tracks.size(); ++i) {
            if (tracks[i].id == *status.currentTrackID) {
                return static_cast<int>(i);
            }
        }
    }
    return status.trackIndex;
}

HandOver handOverCase(const std::optional<SpeakerOutput>& previous, const SpeakerOutput& next) {
    const bool fromLegacy = previous && previous->isLegacy();
    if (next.isLegacy()) {
        return fromLegacy ? HandOver::legacyToLegacy : HandOver::toLegacy;
    }
    return fromLegacy ? HandOver::legacyToMusic : HandOver::toMusic;
}

std::optional<QString> musicDeviceForPlayback(const std::optional<SpeakerOutput>& output,
                                              const QList<MusicAirPlayDevice>& devices) {
    if (output && output->isMusic()) {
        return output->musicDevice().name;
    }
    for (const MusicAirPlayDevice& device : devices) {
        if (isComputerDevice(device)) {
            return device.name;
        }
    }
    return std::nullopt;
}

double outputVolumePercent(const std::optional<SpeakerOutput>& output,
                           const QList<MusicAirPlayDevice>& devices, int musicVolume,
                           double airPlay1VolumePercent) {
    if (!output || output->isComputer()) {
        return musicVolume;
    }
    if (output->isLegacy()) {
        return airPlay1VolumePercent;
    }
    for (const MusicAirPlayDevice& device : devices) {
        if (device.name == output->musicDevice().name) {
            return device.volume;
        }
    }
    return musicVolume;
}

ListeningSession::Device sessionDevice(const std::optional<SpeakerOutput>& output) {
    if (!output || output->isComputer()) {
        return ListeningSession::Device::Local{};
    }
    if (output->isLegacy()) {
        const AirPlay1Speaker& speaker = output->legacySpeaker();
        return ListeningSession::Device::LegacyAirPlay{speaker.id, speaker.name};
    }
    return ListeningSession::Device::AirPlay{output->musicDevice().name};
}

int roundedVolume(double percent) {
    if (!std::isfinite(percent)) {
        return 0;
    }
    // Far outside 0...100 the player clamps anyway; this keeps lround defined.
    return static_cast<int>(std::lround(std::clamp(percent, -1000.0, 1000.0)));
}

VolumeTarget volumeTarget(const std::optional<SpeakerOutput>& output, double percent) {
    VolumeTarget target;
    target.volume = roundedVolume(percent);
    if (output && output->isLegacy()) {
        target.kind = VolumeTarget::Kind::legacySpeaker;
    } else if (output && !output->isComputer()) {
        target.kind = VolumeTarget::Kind::musicDevice;
        target.deviceName = output->musicDevice().name;
    }
    return target;
}

StatusOutcome applyStatus(const StatusState& state, const MusicPlayerStatus& status,
                          const QSet<QString>& legacySpeakerNames) {
    StatusOutcome outcome{state.output, state.isPlaying, false};
    const bool changed = status.devices != state.musicDevices || status.volume != state.musicVolume;
    if (!state.output || !state.output->isLegacy()) {
        // Follow the player's own choice of output; a selected output that is
        // also a legacy speaker is that speaker, not this output.
        const MusicAirPlayDevice* taken = nullptr;
        for (const MusicAirPlayDevice& device : status.devices) {
            if (!device.isSelected || legacySpeakerNames.contains(device.name)) {
                continue;
            }
            if (!taken) {
                taken = &device;
            }
            if (!isComputerDevice(device)) {
                taken = &device;
                break;
            }
        }
        if (!taken && !state.output) {
            const auto computer =
                std::find_if(status.devices.cbegin(), status.devices.cend(), isComputerDevice);
            if (computer != status.devices.cend()) {
                taken = &*computer;
            }
        }
        if (taken) {
            outcome.output = SpeakerOutput::music(taken->name, taken->kind);
        }

        const bool playing = status.isPlaying && status.isPlayingQueue;
        if (state.playStateIsCurrent && playing != state.isPlaying &&
            (playing || state.now > state.expectPlayingUntil)) {
            outcome.isPlaying = playing;
            outcome.notify = true;
            return outcome;
        }
    }
    outcome.notify = changed;
    return outcome;
}

} // namespace LocalPlayerRules
