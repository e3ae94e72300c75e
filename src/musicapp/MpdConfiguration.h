#pragma once

#include "musicapp/MusicAppError.h"
#include "musicapp/SoundSinkKinds.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// Korvid's own MPD, started when no MPD answers: its files live under the XDG
// data folder and its socket under the XDG runtime folder, so it outlives
// Korvid and the queue survives both.

struct MpdDaemonFiles {
    QString folder; // database, state, playlists, log and pid file
    QString socketPath;

    QString configPath() const { return folder + QStringLiteral("/mpd.conf"); }
    QString pidFilePath() const { return folder + QStringLiteral("/pid"); }
    // The kind Korvid gave each output, which MPD itself does not keep.
    QString outputKindsPath() const { return folder + QStringLiteral("/outputs.json"); }
    // The files Korvid queued last, one a line: how it knows its queue in an
    // MPD (its own or the user's) that has no stored playlists.
    QString lastQueuePath() const { return folder + QStringLiteral("/last-queue"); }

    // <XDG data>/korvid/mpd and <private runtime folder>/korvid/mpd.socket;
    // no socket path when there is no private folder.
    static MpdDaemonFiles standard();
};

// The outputs Korvid's own MPD gets: one per sink, or the default ALSA device
// when no sound server answers.
QList<SinkOutput> ownMpdOutputs(const QList<SoundSink>& sinks);

// The configuration file's text: those outputs, only the computer's enabled
// at first, and the music folder scanned on change.
QByteArray mpdConfiguration(const QString& musicFolder, const MpdDaemonFiles& files,
                            const QList<SoundSink>& sinks);

// The outputs' kinds by name, as written next to the configuration and read
// back; empty when there is no readable file.
QByteArray outputKindsText(const QList<SinkOutput>& outputs);
QMap<QString, QString> readOutputKinds(const QString& path);

// The sound server's sinks; empty when none answers within a second or two.
QList<SoundSink> listSoundSinks();

// Writes the configuration and the outputs' kinds and starts `mpd` with it.
// Nothing once it runs; otherwise the error to show (MusicAppError), which
// names the cause: no mpd installed, a file Korvid could not write, or what
// mpd itself said last.
std::optional<MusicAppError> startMpdDaemon(const QString& musicFolder, const MpdDaemonFiles& files,
                                            const QList<SoundSink>& sinks);

// The cause in what mpd printed or logged: its last line that says anything,
// without the time stamp and "exception:" it puts first; empty if none.
QString mpdFailureCause(const QByteArray& output);
