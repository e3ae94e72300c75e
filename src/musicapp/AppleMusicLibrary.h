#pragma once

#include "airplay1/AirPlay1Speaker.h"
#include "model/ListeningSession.h"
#include "musicapp/AppleMusicAlbum.h"
#include "musicapp/CommandChain.h"
#include "musicapp/LibraryScanner.h"
#include "musicapp/LocalPlayback.h"
#include "musicapp/MusicAppController.h"
#include "musicapp/MusicPlayerStatus.h"
#include "musicapp/SpeakerOutput.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class AirPlay1Player;
class AirPlay1SpeakerBrowser;
class Clock;
class FolderWatcher;
class LibraryIndex;
class MusicAppError;
class PcmReaderFactory;
class ServiceBrowsing;
class TagReader;
struct AirPlay1PlayerEvent;

// The local music library and the local player, the one object the rest of
// the program talks to for local albums. Lives on the main thread.
// - Reading (AppleMusicLibrary.cpp): the albums of the music folder, from
//   Korvid's own index, which a background scan keeps in line with the folder.
// - Playing (AppleMusicLibraryPlayer.cpp): one album at a time on one output,
//   a music player (MPD) output or a legacy AirPlay 1 speaker.
// - Outputs (AppleMusicLibraryOutputs.cpp): moving the track and position
//   across when the output changes, and finding an output again.
// - The track (AppleMusicLibraryTrack.cpp): which track plays, how far into
//   it, and moving within it.
// - The group (AppleMusicLibraryGroup.cpp): further legacy speakers playing
//   along with a legacy output.
class AppleMusicLibrary : public QObject, public LocalPlayback {
    Q_OBJECT
    Q_PROPERTY(bool isAuthorized READ isAuthorized NOTIFY isAuthorizedChanged)
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY isScanningChanged)
    Q_PROPERTY(int scannedFileCount READ scannedFileCount NOTIFY scanProgressChanged)
    Q_PROPERTY(QString libraryNotice READ libraryNotice NOTIFY libraryNoticeChanged)
    Q_PROPERTY(QString musicFolder READ musicFolder NOTIFY musicFolderChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(QString outputID READ outputID NOTIFY outputChanged)
    Q_PROPERTY(int musicVolume READ musicVolume NOTIFY musicVolumeChanged)
    Q_PROPERTY(
        QString musicAccessProblem READ musicAccessProblemText NOTIFY musicAccessProblemChanged)
    Q_PROPERTY(
        double airPlay1VolumePercent READ airPlay1VolumePercent NOTIFY airPlay1VolumePercentChanged)
public:
    using Track = AppleMusicPlaybackHandle::Track;

    // How the player half reaches the music player and the speakers; the
    // defaults are the real ones.
    struct PlayerParts {
        // musicFolder and trackFile are filled in by the library.
        MusicAppController::Options musicApp;
        std::shared_ptr<ServiceBrowsing> browsing; // avahi when null
        std::shared_ptr<PcmReaderFactory> decoding;
    };

    // The index lives at LibraryIndex::defaultPath() and tags are read with TagLib.
    explicit AppleMusicLibrary(QString musicFolder, QObject* parent = nullptr);
    AppleMusicLibrary(QString musicFolder, QString indexPath,
                      std::shared_ptr<const TagReader> reader, Clock* clock = nullptr,
                      QObject* parent = nullptr);
    AppleMusicLibrary(QString musicFolder, QString indexPath,
                      std::shared_ptr<const TagReader> reader, Clock* clock, PlayerParts parts,
                      QObject* parent = nullptr);
    ~AppleMusicLibrary() override;

    // Opens the index and starts a scan of the folder. True once the music
    // folder could be read and the index opened; then it stays true. A music
    // player that runs already and names its folder decides the folder: the
    // library must hold the files it plays.
    QCoro::Task<bool> requestAuthorizationIfNeeded() override;

    bool isAuthorized() const { return isAuthorized_; }
    bool isScanning() const { return isScanning_; }
    const QString& musicFolder() const { return musicFolder_; }

    // The albums of the index as it stands; empty before authorization.
    QList<AppleMusicAlbum> albums() const;
    qsizetype trackCount() const { return snapshot_ ? snapshot_->tracks.size() : 0; }
    // Songs looked at so far by the scan that runs; 0 between scans.
    int scannedFileCount() const { return scannedFileCount_; }
    // A scan runs and the index holds no song yet: the first reading of the
    // folder, during which an empty library means nothing.
    bool isReadingFirstTime() const { return isScanning_ && trackCount() == 0; }
    // What the person should know about the library, said once: the index
    // was found damaged and rebuilt, or the music player plays from a folder
    // Korvid cannot read. Else empty.
    const QString& libraryNotice() const { return libraryNotice_; }

    // Looks at the folder again in the background (new, changed and removed
    // files). Does nothing before authorization; asked while a scan runs, it
    // looks again once that one ends.
    void rescan();

    // After the first scan the library follows the folder: a change is
    // read a moment after changes settle. Past `watchBudget` folders (or
    // when the user's inotify watches run out) it looks at the whole folder
    // every `pollInterval` instead.
    void setFolderWatching(int watchBudget, std::chrono::milliseconds pollInterval);
    // Whether every folder of the last scan is watched.
    bool watchesEveryFolder() const { return watchesEveryFolder_; }
    static constexpr std::chrono::milliseconds changesSettle{1500};
    static constexpr std::chrono::milliseconds changesWaitAtMost{10000};
    static constexpr std::chrono::milliseconds defaultPollInterval{60000};
    // What the last finished scan did.
    const ScanReport& lastScanReport() const { return lastScanReport_; }

    // The file of a track id, relative to the music folder; empty when the
    // index does not know it. What the music player is asked to play.
    QString trackFile(const QString& trackID) const;
    // The index's record of a track id; null when it does not know it.
    const IndexedTrack* indexedTrack(const QString& trackID) const;
    std::optional<UnifiedAlbum> unifiedAlbum(const QString& id) const override;

    // ---- The player ----

    bool isPlaying() const override { return isPlaying_; }
    const std::optional<SpeakerOutput>& output() const override { return output_; }
    QString outputID() const { return output_ ? output_->id() : QString(); }
    const QList<MusicAirPlayDevice>& musicDevices() const { return musicDevices_; }
    int musicVolume() const { return musicVolume_; }
    const std::optional<QString>& musicAccessProblem() const { return musicAccessProblem_; }
    QString musicAccessProblemText() const { return musicAccessProblem_.value_or(QString()); }
    const QList<Track>& loadedTracks() const { return loadedTracks_; }
    double airPlay1VolumePercent() const { return airPlay1VolumePercent_; }
    const QList<QUrl>& securityScopedURLs() const { return securityScopedURLs_; }
    // Where play starts when nothing is queued (full index).
    const std::optional<PlayerPlace>& resumePoint() const { return resumePoint_; }
    const std::optional<MusicPlayerStatus>& musicStatus() const { return musicStatus_; }

    // Set by the playback coordinator.
    void setOnPlaybackStateChanged(std::function<void()> callback) override;
    void setOnError(std::function<void(const QString&)> callback) override;

    std::optional<AirPlay1Speaker> legacySpeaker() const;
    std::optional<QString> musicDeviceForPlayback() const;
    double outputVolumePercent() const override;
    ListeningSession::Device sessionDevice() const override;
    // The legacy speakers on the network now.
    QList<AirPlay1Speaker> legacySpeakersFound() const;

    void play(const AppleMusicPlaybackHandle& handle, int startIndex, double startSeconds) override;
    void pause() override;
    // When Korvid quits: silences Korvid's own MPD, which would otherwise
    // play on with nothing on the desktop to stop it. A user's MPD, and
    // closing the window into the tray, leave playback alone. Waits at most
    // two seconds.
    void pauseOwnPlayerForQuit();
    void togglePlayPause() override;
    void skipToNext() override;
    void skipToPrevious() override;
    bool seek(double seconds) override;
    void select(const SpeakerOutput& output) override;
    void setOutputVolume(double percent) override;
    std::optional<LocalNowPlaying> nowPlaying() const override;
    QList<LocalTrack> albumTracks(const QString& albumID) const override;

    // ---- The group ----
    // Further legacy speakers play along with a legacy output, in step; the
    // output stays the first speaker (the one a stored session names) and
    // the group ends when the output is no longer a legacy speaker.

    // The output's speaker, then those added, in order; empty unless the
    // output is a legacy speaker.
    QList<AirPlay1Speaker> groupSpeakers() const;
    bool isAlsoPlaying(const QString& speakerID) const;
    // Adds a legacy speaker to the output (it joins at the current place
    // while playing) or takes it out again. Only while the output is
    // another legacy speaker.
    void setAlsoPlaying(const AirPlay1Speaker& speaker, bool on);
    // A speaker's own level, 0-100: the group's level for the output, that
    // level and the speaker's own distance from it for the others.
    double speakerVolumePercent(const QString& speakerID) const;
    // The output's level moves the whole group; another speaker's moves it alone.
    void setSpeakerVolume(const QString& speakerID, double percent);
    // The speakers that are streamed to now, the leading one first.
    QList<AirPlay1Speaker> speakersStreamedTo() const;

    QCoro::Task<> refreshSpeakers();
    QCoro::Task<> refreshStatus() override { return readStatus(0); }
    QCoro::Task<> selectThisMac() override;
    using TakeOver = LocalTakeOver;
    QCoro::Task<std::optional<TakeOver>> takeOverOngoingPlayback() override;
    QCoro::Task<std::optional<PlayerPlace>> currentPosition() override;
    QCoro::Task<std::optional<SpeakerOutput>>
    availableOutput(ListeningSession::Device device) override;
    QCoro::Task<std::optional<AirPlay1Speaker>>
    waitForAirPlay1Speaker(QString id, std::chrono::milliseconds timeout);
    // Resumes once every command issued so far has finished.
    QCoro::Task<> commandsFinished();

Q_SIGNALS:
    void isAuthorizedChanged();
    void isScanningChanged();
    void scanProgressChanged();
    void libraryNoticeChanged();
    void musicFolderChanged();
    // The index changed: albums() now answers differently.
    void albumsChanged();
    void scanFinished();
    // The index was opened (or could not be); ends an authorization attempt.
    void libraryOpened(bool opened);

    void isPlayingChanged();
    void outputChanged();
    void musicDevicesChanged();
    // The legacy-speaker browser found or lost a speaker.
    void legacySpeakersChanged();
    void musicVolumeChanged();
    void musicAccessProblemChanged();
    void loadedTracksChanged();
    void airPlay1VolumePercentChanged();
    // Speakers joined or left the group, or one's level changed.
    void groupChanged();

private:
    // Reading half.
    enum class Job { openAndScan, scan };
    void startJob(Job job);
    void runJob(Job job, qint64 nowMs);
    void joinWorker();
    void setAuthorized(bool value);
    void setScanning(bool value);
    void setLibraryNotice(QString notice);
    QCoro::Task<> followMusicPlayerFolder();
    void publish(std::shared_ptr<const LibrarySnapshot> snapshot);
    void finishScan(const ScanReport& report, std::shared_ptr<const LibrarySnapshot> snapshot);
    void followFolders(const QStringList& relativeFolders);
    void noteFolderChange();

    QString musicFolder_;
    QString indexPath_;
    std::shared_ptr<const TagReader> reader_;

    std::shared_ptr<const LibrarySnapshot> snapshot_; // the open library; null until opened
    bool opening_ = false;
    bool askedMusicPlayerFolder_ = false;
    bool isAuthorized_ = false;
    bool isScanning_ = false;
    ScanReport lastScanReport_;
    std::atomic<int> scanned_{0}; // written by the scan, read by progressTimer_
    int scannedFileCount_ = 0;
    QTimer progressTimer_;
    QString libraryNotice_;

    // Following the folder.
    int watchBudget_;
    std::chrono::milliseconds pollInterval_ = defaultPollInterval;
    std::unique_ptr<FolderWatcher> watcher_;
    bool watchesEveryFolder_ = false;
    bool rescanPending_ = false;
    QTimer settleTimer_;
    QTimer pollTimer_;
    std::optional<std::chrono::steady_clock::time_point> unsettledSince_;

    std::thread worker_;
    std::atomic<bool> cancelled_{false};
    mutable QHash<std::uint64_t, qsizetype> trackByID_; // into snapshot_->tracks, built on use
    // Plays recorded in this run, laid over every snapshot a scan publishes.
    QHash<std::uint64_t, qint64> recordedPlays_;
    std::unique_ptr<LibraryIndex> playsIndex_; // the main thread's connection
    void recordPlay(const QString& trackID);

    // Playing half.
    using Moment = std::chrono::milliseconds;
    void setUpPlayer(PlayerParts parts);
    void runCommand(CommandChain::Body body) { commands_.run(std::move(body)); }
    void report(const QString& description);
    // Forward by one track, or back to the start of the current one (0).
    void skip(int by);
    void stateChanged();
    // Reads the player's status; `runningCommands` is 1 from within a
    // command, whose own effect has taken place by then.
    QCoro::Task<> readStatus(quint64 runningCommands);
    // A status read while a command was on its way says nothing about
    // whether the album plays: that is the command's to decide.
    void apply(const MusicPlayerStatus& status, bool playStateIsCurrent);
    void handleAirPlay1Event(const AirPlay1PlayerEvent& event);
    void followLegacySpeaker();
    void noteCurrentTrack(const std::optional<QString>& trackID);
    void openTracks(const QList<Track>& tracks);
    QStringList loadedTrackIDs() const;
    Moment now() const;
    void setPlaying(bool value);
    void setOutput(std::optional<SpeakerOutput> output);
    void setMusicDevices(QList<MusicAirPlayDevice> devices);
    void setMusicVolume(int volume);
    void setMusicAccessProblem(std::optional<QString> problem);
    void setLoadedTracks(QList<Track> tracks);
    QCoro::Task<> handOver(std::optional<SpeakerOutput> previous, SpeakerOutput next,
                           bool wasPlaying, QList<Track> tracks, double volume);
    // Stops the legacy speaker; where it stood (full index), else where it
    // was to start.
    QCoro::Task<std::optional<PlayerPlace>> placeOnSpeaker(QList<Track> tracks);

    Clock& playerClock_;
    std::unique_ptr<MusicAppController> musicApp_;
    std::unique_ptr<AirPlay1SpeakerBrowser> airPlay1Browser_;
    std::unique_ptr<AirPlay1Player> airPlay1Player_;
    CommandChain commands_;
    std::function<void()> onPlaybackStateChanged_;
    std::function<void(const QString&)> onError_;

    bool isPlaying_ = false;
    std::optional<SpeakerOutput> output_;
    QList<MusicAirPlayDevice> musicDevices_;
    int musicVolume_ = 50;
    std::optional<QString> musicAccessProblem_;
    QList<Track> loadedTracks_;
    double airPlay1VolumePercent_ = 50;
    QList<QUrl> securityScopedURLs_;
    std::optional<MusicPlayerStatus> musicStatus_;
    Moment expectPlayingUntil_ = Moment::min();
    std::optional<PlayerPlace> resumePoint_;
    bool musicHasQueue_ = false;
    std::optional<QString> lastTakeoverTrackID_;
    // When musicStatus_ was read, for the position between readings.
    Moment statusReadAt_{0};
    // Where a start or a seek just sent the player, until it tells where it is.
    std::optional<PlayerPlace> pendingPlace_;
    // Where the legacy speaker's current run began.
    std::optional<PlayerPlace> legacyRunStart_;
    std::optional<PlayerPlace> heardPlace() const;
    std::optional<QString> lastRecordedTrackID_;

    // The group beside the output.
    struct GroupMember {
        AirPlay1Speaker speaker;
        double volumeOffset = 0; // its level above the group's, in percent
    };
    QList<GroupMember> alsoPlaying_;
    // Brings every speaker added to the group into the stream that plays.
    void joinGroup();
    QCoro::Task<> joinMembers();
    void handleSpeakerLost(const QString& speakerID, const QString& message);
    // Drops a speaker from the group; false when it was not in it.
    bool dropMember(const QString& speakerID);
    void followGroupSpeakers();
};
