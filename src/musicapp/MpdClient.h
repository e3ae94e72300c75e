#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <exception>
#include <memory>
#include <optional>

// The narrow view of MPD that the controller needs. Each call is one command
// (or one command list) on an open connection and blocks until MPD answers or
// the connection's time-out passes. Only the adapter behind this interface
// speaks MPD's protocol.

// Where an MPD may listen. An empty host means "as the environment says"
// (MPD_HOST, MPD_PORT, with an optional password in MPD_HOST).
struct MpdAddress {
    QString host; // Unix socket path or host name
    unsigned port = 0;

    friend bool operator==(const MpdAddress&, const MpdAddress&) = default;
};

struct MpdOutput {
    unsigned id = 0;
    QString name;
    QString plugin; // "pulse", "alsa", "null", "httpd", ...
    bool enabled = false;

    friend bool operator==(const MpdOutput&, const MpdOutput&) = default;
};

enum class MpdPlayState { stopped, playing, paused };

struct MpdStatus {
    MpdPlayState state = MpdPlayState::stopped;
    int volume = -1;       // -1: no mixer
    int songPosition = -1; // position of the current song in the queue, -1: none
    double elapsedSeconds = 0;
    double durationSeconds = 0; // of the current song; 0 when unknown
    unsigned queueLength = 0;
    bool isUpdatingDatabase = false;
};

// Why a command failed.
class MpdFailure : public std::exception {
public:
    enum class Kind {
        refused,      // MPD answered ACK
        notPermitted, // ACK for a wrong password or a missing permission
        noSuchItem,   // ACK "no such song / playlist"
        connection,   // nothing answers, the connection broke, timed out or MPD spoke nonsense
    };

    MpdFailure(Kind kind, QString message)
        : kind_(kind)
        , message_(std::move(message))
        , utf8_(message_.toUtf8()) {}

    Kind kind() const noexcept { return kind_; }
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    Kind kind_;
    QString message_;
    QByteArray utf8_;
};

// One open connection. Every method throws MpdFailure.
class MpdClient {
public:
    virtual ~MpdClient() = default;

    virtual QList<MpdOutput> outputs() = 0;
    virtual MpdStatus status() = 0;
    // The file of the current song, relative to the music folder.
    virtual std::optional<QString> currentSongUri() = 0;
    virtual QStringList queueUris() = 0;
    // The files of a stored playlist; none when it does not exist.
    virtual std::optional<QStringList> storedPlaylist(const QString& name) = 0;
    // Deletes a stored playlist; nothing happens when there is none.
    virtual void deleteStoredPlaylist(const QString& name) = 0;
    // Appends a file to a stored playlist, creating it; false when MPD does
    // not know the file.
    virtual bool appendToStoredPlaylist(const QString& name, const QString& uri) = 0;
    // Clears the queue and loads the stored playlist into it.
    virtual void replaceQueueWith(const QString& playlist) = 0;
    // False when MPD refuses stored playlists (one configured without a
    // playlist folder says "Stored playlists are disabled").
    virtual bool storedPlaylistsEnabled() = 0;
    // Appends a file to the queue; false when MPD does not know the file.
    virtual bool appendToQueue(const QString& uri) = 0;
    // Removes the queue's songs at positions [start, end).
    virtual void deleteFromQueue(unsigned start, unsigned end) = 0;
    // Switches random, repeat, single and consume off.
    virtual void setPlainOrder() = 0;
    virtual void setOutputEnabled(unsigned id, bool enabled) = 0;
    virtual void playPosition(unsigned position) = 0;
    // Starts the entry at `position` `seconds` into it, in one step: the
    // decoder opens the track there, so no seek waits for it to be ready.
    virtual void playPositionFrom(unsigned position, double seconds) = 0;
    // Resumes when paused, starts when stopped.
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void next() = 0;
    virtual void seekCurrent(double seconds) = 0;
    virtual void setVolume(unsigned volume) = 0;
    // MPD's music folder; none when MPD does not tell (it tells only clients
    // on its local socket).
    virtual std::optional<QString> musicDirectory() = 0;
};

// Opens connections; throws MpdFailure(connection) when nothing answers.
class MpdConnector {
public:
    virtual ~MpdConnector() = default;
    virtual std::unique_ptr<MpdClient> connect(const MpdAddress& address) = 0;
};
