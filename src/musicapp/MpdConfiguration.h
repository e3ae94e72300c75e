#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Korvid's own MPD, started when no MPD answers: its files live under the XDG
// data folder and its socket under the XDG runtime folder, so it outlives
// Korvid and the queue survives both.

struct SoundSink {
    QString name;        // the sound server's sink name
    QString description; // what the user calls it
};

struct MpdDaemonFiles {
    QString folder; // database, state, playlists, log and pid file
    QString socketPath;

    QString configPath() const { return folder + QStringLiteral("/mpd.conf"); }
    QString pidFilePath() const { return folder + QStringLiteral("/pid"); }

    // <XDG data>/korvid/mpd and <XDG runtime>/korvid/mpd.socket.
    static MpdDaemonFiles standard();
};

// The configuration file's text: one output per sink (or the default ALSA
// device when no sound server answers), the music folder scanned on change.
QByteArray mpdConfiguration(const QString& musicFolder, const MpdDaemonFiles& files,
                            const QList<SoundSink>& sinks);

// The sound server's sinks; empty when none answers within a second or two.
QList<SoundSink> listSoundSinks();

// Writes the configuration and starts `mpd` with it. False when there is no
// mpd or it does not start.
bool startMpdDaemon(const QString& musicFolder, const MpdDaemonFiles& files,
                    const QList<SoundSink>& sinks);
