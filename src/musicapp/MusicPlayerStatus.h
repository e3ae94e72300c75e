#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

// One output of the music player, as the speaker list shows it.
struct MusicAirPlayDevice {
    QString name;
    QString kind; // "computer" for this computer's own sound
    bool isAvailable = false;
    bool isSelected = false;
    int volume = 0; // 0...100

    friend bool operator==(const MusicAirPlayDevice&, const MusicAirPlayDevice&) = default;
};

// What the music player is doing, read in one go.
struct MusicPlayerStatus {
    QList<MusicAirPlayDevice> devices;
    bool isPlaying = false;
    // The player's queue is the playlist "Korvid" (so a restarted Korvid can
    // take it over).
    bool isPlayingQueue = false;
    int trackIndex = 0;                    // zero-based, 0 unless isPlayingQueue
    std::optional<QString> currentTrackID; // 16 upper-case hex digits
    double positionSeconds = 0;
    double durationSeconds = 0; // of the current track, in whole seconds; 0 when unknown
    int volume = 0;             // 0...100

    friend bool operator==(const MusicPlayerStatus&, const MusicPlayerStatus&) = default;
};

Q_DECLARE_METATYPE(MusicPlayerStatus)
