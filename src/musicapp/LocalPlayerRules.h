#pragma once

#include "model/ListeningSession.h"
#include "model/UnifiedAlbum.h"
#include "musicapp/MusicPlayerStatus.h"
#include "musicapp/SpeakerOutput.h"

#include <QList>
#include <QSet>
#include <QUrl>

#include <chrono>
#include <optional>

// The rules of the local player, free of MPD, speakers and time sources, so
// each can be checked on its own.
namespace LocalPlayerRules {

using Track = AppleMusicPlaybackHandle::Track;

// Two ways to count an album's tracks: the full index counts every track, the
// legacy index only those with a file (the only ones a legacy speaker can be
// sent).
struct LegacyQueue {
    QList<QUrl> urls;
    int index = 0; // tracks with a file among the first max(fullIndex, 0)
};
LegacyQueue legacyQueue(const QList<Track>& tracks, int fullIndex);
// Where the (legacyIndex+1)-th track with a file sits; 0 when there is none.
int fullIndex(const QList<Track>& tracks, int legacyIndex);

// The music player's queue skips tracks it has no file for, so its position
// can trail the album's: the current track's id tells the real place.
int fullIndexOfStatus(const QList<Track>& tracks, const MusicPlayerStatus& status);

// What a change of output has to carry across.
enum class HandOver {
    toLegacy,       // none or a player output, to a legacy speaker
    legacyToLegacy, // one legacy speaker to another
    legacyToMusic,  // a legacy speaker to a player output
    toMusic,        // none or a player output, to a player output
};
HandOver handOverCase(const std::optional<SpeakerOutput>& previous, const SpeakerOutput& next);

// The player output to start on: the selected one, else the computer's.
std::optional<QString> musicDeviceForPlayback(const std::optional<SpeakerOutput>& output,
                                              const QList<MusicAirPlayDevice>& devices);

double outputVolumePercent(const std::optional<SpeakerOutput>& output,
                           const QList<MusicAirPlayDevice>& devices, int musicVolume,
                           double airPlay1VolumePercent);

ListeningSession::Device sessionDevice(const std::optional<SpeakerOutput>& output);

// To the nearest integer, halves away from zero.
int roundedVolume(double percent);

// Where a volume change goes.
struct VolumeTarget {
    enum class Kind { legacySpeaker, musicPlayer, musicDevice };
    Kind kind = Kind::musicPlayer;
    int volume = 0;     // rounded, for the player
    QString deviceName; // for musicDevice
};
VolumeTarget volumeTarget(const std::optional<SpeakerOutput>& output, double percent);

// The player's state a status is applied to, and what becomes of it.
struct StatusState {
    std::optional<SpeakerOutput> output;
    QList<MusicAirPlayDevice> musicDevices;
    int musicVolume = 50;
    bool isPlaying = false;
    std::chrono::milliseconds now{0};
    // A start this recent may still read as stopped.
    std::chrono::milliseconds expectPlayingUntil{std::chrono::milliseconds::min()};
    // False for a status read before a command took effect.
    bool playStateIsCurrent = true;
};
struct StatusOutcome {
    std::optional<SpeakerOutput> output;
    bool isPlaying = false;
    bool notify = false; // whether observers of the playback state hear of it
};
StatusOutcome applyStatus(const StatusState& state, const MusicPlayerStatus& status,
                          const QSet<QString>& legacySpeakerNames);

} // namespace LocalPlayerRules
