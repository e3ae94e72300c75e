#pragma once

#include "musicapp/MpdClient.h"
#include "musicapp/MpdConfiguration.h"
#include "musicapp/MusicAppController.h"
#include "support/ExternalDaemon.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class PulseAudioServer;

// Test audio made once per run with ffmpeg: a few 30-second tracks whose
// names hold quotes, a backslash, non-ASCII letters and one a line break.
struct TestMusicFolder {
    static const TestMusicFolder& shared();

    QString path;
    QStringList files;     // relative paths MPD can play
    QString lineBreakFile; // relative path holding a line break
};

// A private MPD on a socket in its own temporary folder over the shared music
// folder, with silent outputs ("Silent" and one whose name needs escaping)
// and, when a private pulseaudio is given, a local-sound output "Speakers".
// Without `storedPlaylists` it has no playlist folder, so MPD refuses them.
class MpdTestServer {
public:
    static inline const QString awkwardOutputName = QStringLiteral("Kitchen \"Main\" \\ Ünïcode");

    explicit MpdTestServer(PulseAudioServer* pulse = nullptr, QByteArray extraConfig = {},
                           bool storedPlaylists = true);
    ~MpdTestServer();

    // Plays `folder` instead of the shared test music; start() waits for `files`.
    void useMusic(QString folder, QStringList files) {
        musicFolder_ = std::move(folder);
        musicFiles_ = std::move(files);
    }
    // Starts mpd and waits until it answers and, when asked, until its
    // database lists every test file.
    bool start(bool waitForDatabase = true);
    QString errorText() const { return error_; }
    MpdAddress address() const { return {socketPath(), 0}; }
    QString socketPath() const { return daemon_.filePath(QStringLiteral("socket")); }
    ExternalDaemon& daemon() { return daemon_; }
    // A direct connection, to arrange or inspect MPD's state.
    std::unique_ptr<MpdClient> connect() const;

private:
    ExternalDaemon daemon_;
    PulseAudioServer* pulse_;
    QByteArray extraConfig_;
    bool storedPlaylists_;
    QString musicFolder_;
    QStringList musicFiles_;
    QString error_;
};

// Korvid's own MPD, started by the code under test: stopped through its pid
// file when this goes away, whatever the test's outcome.
class OwnMpdStopper {
public:
    explicit OwnMpdStopper(MpdDaemonFiles files)
        : files_(std::move(files)) {}
    ~OwnMpdStopper();
    // The daemon's pid, 0 while there is no pid file.
    pid_t pid() const;

private:
    MpdDaemonFiles files_;
};

// A music folder as a first start finds it: `albumTracks` tracks in "Album/"
// and `otherFiles` more in folders of a hundred, all hard links of one short
// ffmpeg-made song. Returns the album's files, relative to the folder.
QStringList makeLargeMusicFolder(const QString& folder, int albumTracks, int otherFiles);

// The id the library gives the file, as the controller takes it.
QString testTrackID(const QString& relativePath);
QStringList testTrackIDs(const QStringList& relativePaths);
// The library index's part for the controller: each of these files by its id.
MusicAppController::TrackFileLookup trackFilesByID(const QStringList& relativePaths);
// The controller's status once `wanted` holds, else the last one read in 5 s.
MusicPlayerStatus statusWhen(MusicAppController& controller,
                             const std::function<bool(const MusicPlayerStatus&)>& wanted);
inline MusicPlayerStatus playingStatus(MusicAppController& controller) {
    return statusWhen(controller, [](const MusicPlayerStatus& s) { return s.isPlaying; });
}
