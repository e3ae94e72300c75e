#pragma once

#include "musicapp/MpdClient.h"
#include "musicapp/MpdConfiguration.h"
#include "musicapp/MusicAppError.h"
#include "musicapp/MusicPlayerStatus.h"

#include <QCoroFuture>
#include <QCoroTask>
#include <QFuture>
#include <QPromise>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class SerialWorker;

// The only place that talks to the music player (MPD). Every operation runs
// on the worker thread "Korvid.musicapp", one at a time and in call order,
// each on a fresh connection; the caller awaits its outcome. Failures are
// MusicAppError.
class MusicAppController {
public:
    // A track id (16 hex digits) to its file relative to the music folder;
    // empty when the library does not know it. Called on the caller's thread.
    using TrackFileLookup = std::function<QString(const QString& trackID)>;

    struct Options {
        QString musicFolder;
        TrackFileLookup trackFile;
        // Tried in order; Korvid's own MPD's socket comes after them.
        QList<MpdAddress> addresses = standardMpdAddresses();
        MpdDaemonFiles ownDaemon = MpdDaemonFiles::standard();
        // libmpdclient when null.
        std::shared_ptr<MpdConnector> connector;
        // Starts Korvid's own MPD; writes the configuration and runs mpd when null.
        std::function<bool()> startDaemon;
        std::chrono::milliseconds launchWait{1500};
        std::chrono::milliseconds pollInterval{100};
    };

    explicit MusicAppController(Options options);
    ~MusicAppController();
    MusicAppController(const MusicAppController&) = delete;
    MusicAppController& operator=(const MusicAppController&) = delete;

    // The MPD the user chose: the environment's MPD_HOST / MPD_PORT when
    // set, else the user's own on their runtime socket (see MpdEndpoints.h).
    static QList<MpdAddress> standardMpdAddresses();

    // Uses an MPD that answers; otherwise starts Korvid's own and gives it
    // 1.5 s to come up.
    QCoro::Task<> launchIfNeeded();
    // Whether an MPD answers now. Never starts one.
    QCoro::Task<bool> isRunning();
    QCoro::Task<MusicPlayerStatus> status();
    // Fills the playlist "Korvid" with the tracks, makes it the queue and
    // plays it from `startIndex` (an index into `trackIDs`) at `startSeconds`,
    // on the output `deviceName` alone when given. An MPD without stored
    // playlists gets the tracks straight into its queue.
    QCoro::Task<> playQueue(QStringList trackIDs, int startIndex, double startSeconds,
                            std::optional<QString> deviceName);
    QCoro::Task<> setDeviceVolume(int volume, QString deviceName);
    QCoro::Task<> setMusicVolume(int volume);
    QCoro::Task<> pause();
    // For quitting, with no event loop left: pauses Korvid's own MPD when it
    // is the one that answers (a user's MPD plays on), after the operations
    // already queued. Waits at most `bound`; true when it got through.
    bool pauseOwnPlayer(std::chrono::milliseconds bound);
    QCoro::Task<> play();
    QCoro::Task<> nextTrack();
    // Back to the start of the current track.
    QCoro::Task<> restartTrack();
    // To `seconds` into the current track.
    QCoro::Task<> seekWithinTrack(double seconds);
    // Plays on the output of that name alone.
    QCoro::Task<> selectDevice(QString deviceName);
    // The folder the running MPD plays from, for the library to read the same
    // files; none when it does not say.
    QCoro::Task<std::optional<QString>> musicDirectory();

    // Runs on the worker thread; owns the connection policy.
    class Engine;

private:
    template <typename T> QCoro::Task<T> perform(std::function<T(Engine&)> work);
    template <typename T> QCoro::Task<T> performOnClient(std::function<T(MpdClient&)> work);

    TrackFileLookup trackFile_;
    std::shared_ptr<Engine> engine_;
    std::unique_ptr<SerialWorker> worker_;
};
