#pragma once

#include "playback/PlaybackViewModel.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>
#include <variant>

// What the desktop's media controls (MPRIS2) are shown of the playback, and
// which of their commands apply. Pure: the bus adapter only reads the
// coordinator into a `MprisInput`, publishes these answers and forwards the
// commands they allow.
namespace Mpris {

inline constexpr auto serviceName = "org.mpris.MediaPlayer2.korvid";
inline constexpr auto objectPath = "/org/mpris/MediaPlayer2";
inline constexpr auto playerInterface = "org.mpris.MediaPlayer2.Player";
inline constexpr auto noTrackPath = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

struct MprisInput {
    std::optional<PlaybackSource> source;
    bool isPlaying = false;
    std::optional<QString> trackName;
    std::optional<QString> artistNames;
    std::optional<QString> albumID;
    std::optional<QString> albumName; // of the track that plays
    int trackNumber = 0;              // 0 when unknown
    std::optional<QUrl> artUrl;       // remote, or a local cover's file
    qint64 durationMs = 0;
    double volumePercent = 0;
};

struct Capabilities {
    bool canPlay = false;
    bool canPause = false;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canSeek = false;
};

Capabilities capabilities(const MprisInput& input);

// The play and pause commands all act through the coordinator's toggle;
// whether one toggles depends on what plays. Stop pauses: the coordinator
// has no stopped state.
enum class Transport { playPause, play, pause, stop };
bool toggles(Transport command, const MprisInput& input);

// The object path that names what plays; NoTrack when nothing does.
QString trackID(const MprisInput& input);

// The player interface's changing properties: PlaybackStatus, Metadata,
// Volume and the Can* flags, with their D-Bus types.
QVariantMap playerProperties(const MprisInput& input);

// The entries of `now` that differ from `before` (or are new in it).
QVariantMap changedProperties(const QVariantMap& before, const QVariantMap& now);

// A volume set from the bus as the coordinator's percentage: clamped to
// 0-100, absent for a value that is not a number.
std::optional<double> volumePercentFor(double mprisVolume);

// Where a relative seek of `offsetUs` from `positionMs` lands: a position, or
// the next track when it passes the end.
struct NextTrack {};
std::variant<qint64, NextTrack> seekTarget(qint64 positionMs, qint64 durationMs, qint64 offsetUs);

// The position SetPosition asks for, when it applies: the track is still the
// one playing and the position lies within it.
std::optional<qint64> setPositionTarget(const MprisInput& input, const QString& requestedTrackID,
                                        qint64 positionUs);

} // namespace Mpris
