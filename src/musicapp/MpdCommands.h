#pragma once

#include "musicapp/MpdClient.h"
#include "musicapp/MusicPlayerStatus.h"

#include <QMap>

#include <functional>
#include <optional>

// What each player operation means in MPD commands. Free functions over an
// open connection, so they run the same against MPD and against a fake.
namespace MpdCommands {

// The stored playlist that holds Korvid's queue.
inline const QString playlistName = QStringLiteral("Korvid");

inline const QString noTracksFoundMessage =
    QStringLiteral("None of the album's tracks were found in the Music library.");

// The kind of each output, in order. `known` holds the kinds Korvid wrote
// for its own MPD's outputs; otherwise exactly one output is "computer": the
// first that plays on this computer's own sound (pulse, pipewire, alsa, ...).
// Other local-sound outputs are "Speakers", the rest a readable name of their
// plugin.
QStringList outputKinds(const QList<MpdOutput>& outputs, const QMap<QString, QString>& known = {});

int clampVolume(int volume);

// A file MPD's line-based protocol can carry: a line break would end the
// command early and splice the rest in as a second command.
bool isSendableUri(const QString& uri);

// What Korvid knows beyond what MPD says.
struct StatusHints {
    // By output name, for Korvid's own MPD.
    QMap<QString, QString> outputKinds;
    // The files Korvid queued last: its queue where there is no stored
    // playlist "Korvid" to compare with.
    QStringList lastQueue;
};

MusicPlayerStatus readStatus(MpdClient& client, const StatusHints& hints = {});

struct QueueRequest {
    // One entry per requested track: its file relative to the music folder, or
    // empty when the library does not know the track.
    QStringList files;
    int startIndex = 0;
    double startSeconds = 0;
    std::optional<QString> deviceName;
};

// Refills the stored playlist with the files MPD knows, makes it the queue in
// plain order on the chosen output and starts it; where MPD has no stored
// playlists, fills the queue itself. While MPD's database is updating and
// some files are still unknown to it, it waits for the scan (up to 100
// pauses) before it starts without them. `pause` is called between such
// polls.
// Returns the files queued.
QStringList playQueue(MpdClient& client, const QueueRequest& request,
                      const std::function<void()>& pause);

// Enables the output of that name and disables every other.
void selectOutput(MpdClient& client, const QString& name);

// Sets MPD's volume on behalf of one output (MPD has one volume for all).
void setDeviceVolume(MpdClient& client, int volume, const QString& name);

} // namespace MpdCommands
