#pragma once

#include "model/AlbumArtwork.h"
#include "model/ListeningSessionStore.h"
#include "model/UnifiedAlbum.h"
#include "musicapp/AudioInputSystem.h"
#include "playback/ResumeOffer.h"
#include "spotify/SpotifyRecords.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class Clock;
class LocalPlayback;
class MicrophoneMonitor;
class MusicSourceSettings;
class PlayHistoryStore;
class SpotifyAPI;

// The backend the current playback belongs to.
enum class PlaybackSource { spotify, appleMusic };

// The one object through which screens, the tray panel and the media keys
// start and steer playback. It mirrors what plays (which source, track,
// progress, volume, the Spotify devices, the last error) and sends every
// command to Spotify's Web API or to the local player. Main thread only; its
// tasks interleave at their waits, and `playGeneration` lets a refresh notice
// that a newer play overtook it. No operation throws: failures land in
// errorMessage or are ignored where a poll would only retry.
//
// Playing and the transport are in PlaybackViewModel.cpp, the refresh,
// progress and volume in PlaybackRefresh.cpp, sessions and resuming in
// PlaybackSessions.cpp.
class PlaybackViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString selectedDeviceID READ selectedDeviceIDText NOTIFY selectedDeviceIDChanged)
    Q_PROPERTY(bool isLoadingDevices READ isLoadingDevices NOTIFY isLoadingDevicesChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY errorMessageChanged)
    Q_PROPERTY(bool hasActiveSource READ hasActiveSource NOTIFY activeSourceChanged)
    Q_PROPERTY(bool isPlayingLocally READ isPlayingLocally NOTIFY activeSourceChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(QString nowPlayingTrackName READ nowPlayingTrackNameText NOTIFY nowPlayingChanged)
    Q_PROPERTY(
        QString nowPlayingArtistNames READ nowPlayingArtistNamesText NOTIFY nowPlayingChanged)
    Q_PROPERTY(QString nowPlayingAlbumID READ nowPlayingAlbumIDText NOTIFY nowPlayingChanged)
    Q_PROPERTY(QString nowPlayingAlbumTitle READ nowPlayingAlbumTitle NOTIFY nowPlayingChanged)
    Q_PROPERTY(int nowPlayingTrackNumber READ nowPlayingTrackNumber NOTIFY nowPlayingChanged)
    Q_PROPERTY(int nowPlayingTrackIndex READ nowPlayingTrackIndex NOTIFY nowPlayingChanged)
    Q_PROPERTY(bool canSeek READ canSeek NOTIFY progressChanged)
    // Milliseconds as the views' numbers take them.
    Q_PROPERTY(double durationMs READ durationMsForViews NOTIFY progressChanged)
    Q_PROPERTY(
        double volumePercent READ volumePercent WRITE setVolumePercent NOTIFY volumePercentChanged)
    Q_PROPERTY(bool isAdjustingVolume READ isAdjustingVolume WRITE setAdjustingVolume NOTIFY
                   isAdjustingVolumeChanged)
public:
    // `microphoneInput` is where the microphone monitor looks; the desktop's
    // sound server when null.
    PlaybackViewModel(SpotifyAPI& api, LocalPlayback& appleMusic,
                      MusicSourceSettings& sourceSettings, PlayHistoryStore& playHistory,
                      Clock& clock, std::unique_ptr<AudioInputSystem> microphoneInput = nullptr,
                      QObject* parent = nullptr);
    ~PlaybackViewModel() override;

    // ---- State ----
    const QList<SpotifyDevice>& devices() const { return devices_; }
    const std::optional<QString>& selectedDeviceID() const { return selectedDeviceID_; }
    bool isLoadingDevices() const { return isLoadingDevices_; }
    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    const std::optional<PlaybackSource>& activeSource() const { return activeSource_; }
    bool isPlaying() const { return isPlaying_; }
    const std::optional<QString>& nowPlayingTrackName() const { return nowPlayingTrackName_; }
    const std::optional<QString>& nowPlayingArtistNames() const { return nowPlayingArtistNames_; }
    const std::optional<AlbumArtwork>& nowPlayingArtwork() const { return nowPlayingArtwork_; }
    const std::optional<QString>& nowPlayingAlbumID() const { return nowPlayingAlbumID_; }
    // The album line under the track: the album the track belongs to.
    const QString& nowPlayingAlbumTitle() const { return trackPlace_.albumTitle; }
    // As tagged (local albums); 0 when unknown.
    int nowPlayingTrackNumber() const { return trackPlace_.number; }
    // The track's place in its album (local albums); -1 when unknown.
    int nowPlayingTrackIndex() const { return trackPlace_.index; }
    // A position can be chosen: something plays whose length is known.
    bool canSeek() const { return activeSource_.has_value() && durationMs_ > 0; }
    qint64 progressMs() const { return progressMs_; }
    qint64 durationMs() const { return durationMs_; }
    const QDateTime& progressUpdatedAt() const { return progressUpdatedAt_; }
    double volumePercent() const { return volumePercent_; }
    bool isAdjustingVolume() const { return isAdjustingVolume_; }
    // Whether a microphone pause is in force (Korvid paused, not the user).
    bool isPausedForMicrophone() const { return pausedForMicrophone_; }
    const std::optional<CurrentlyPlayingResponse>& latestSpotifyState() const {
        return latestSpotifyState_;
    }
    const MicrophoneMonitor& microphone() const { return *microphone_; }

    // The views' forms of the optional values: empty when absent.
    QString selectedDeviceIDText() const { return selectedDeviceID_.value_or(QString()); }
    QString errorMessageText() const { return errorMessage_.value_or(QString()); }
    QString nowPlayingTrackNameText() const { return nowPlayingTrackName_.value_or(QString()); }
    QString nowPlayingArtistNamesText() const { return nowPlayingArtistNames_.value_or(QString()); }
    QString nowPlayingAlbumIDText() const { return nowPlayingAlbumID_.value_or(QString()); }
    bool hasActiveSource() const { return activeSource_.has_value(); }
    bool isPlayingLocally() const { return activeSource_ == PlaybackSource::appleMusic; }
    double durationMsForViews() const { return double(durationMs_); }

    // ---- Commands ----
    // Starts an album from a track; the seconds apply to local albums.
    QCoro::Task<> play(UnifiedAlbum album, int startTrackIndex = 0, double startSeconds = 0);
    // Chooses the Spotify Connect device and moves Spotify's playback there
    // in the background.
    void selectDevice(const SpotifyDevice& device);
    QCoro::Task<> refreshDevices();
    QCoro::Task<> togglePlayPause();
    QCoro::Task<> skipToNext();
    QCoro::Task<> skipToPrevious();
    // Within the current track of the active source; Spotify when none is.
    QCoro::Task<> seek(qint64 ms);
    // Called by the alert when the user dismisses it.
    Q_INVOKABLE void dismissError() { setErrorMessage(std::nullopt); }
    // Shows a failure from elsewhere in the program (a settings file that
    // cannot be written) in the same alert.
    void showError(const QString& description) { setErrorMessage(description); }

    // ---- Refresh, progress and volume ----
    QCoro::Task<> refreshNowPlaying();
    QCoro::Task<> refreshAppleMusic();
    // What the tray panel runs when it opens: both refreshes, in order.
    QCoro::Task<> refreshOnce();
    // The position shown between two polls, never past durationMs.
    qint64 currentProgressMs(const QDateTime& at) const;
    // The same for the present moment.
    qint64 currentProgressMsNow() const;
    void setVolumePercent(double percent);
    void setAdjustingVolume(bool adjusting);
    // Sends volumePercent to the active output; read-backs cannot undo it
    // for the next 3 seconds.
    Q_INVOKABLE void commitVolume();

    // ---- Sessions and resume ----
    QCoro::Task<> recordListeningSession();
    // Only the first call in this object's life can give an offer.
    QCoro::Task<std::optional<ResumeOffer>> makeResumeOffer();
    QCoro::Task<> resume(ResumeOffer offer);
    QCoro::Task<std::optional<UnifiedAlbum>> appleMusicAlbum(QString id);

    // Volume read-backs are held this long after the user's own change.
    static constexpr int volumeHoldMs = 3000;
    static constexpr auto noDeviceMessage = "No Spotify Connect device found. Open Spotify on a "
                                            "speaker or device, then try again.";

Q_SIGNALS:
    void devicesChanged();
    void selectedDeviceIDChanged();
    void isLoadingDevicesChanged();
    void errorMessageChanged();
    void activeSourceChanged();
    void isPlayingChanged();
    void nowPlayingChanged();
    void progressChanged();
    // A seek went through: the position jumped to `ms`.
    void seeked(qint64 ms);
    void volumePercentChanged();
    void isAdjustingVolumeChanged();

private:
    QCoro::Task<> playOnSpotify(QString uri, int startTrackIndex = 0);
    QCoro::Task<> pauseSpotify();
    QCoro::Task<> skip(bool forward);
    QCoro::Task<> microphoneChanged(bool inUse);
    void syncAppleMusicPlaybackState();
    void updateVolume(double percent);
    void saveAppleMusicSession(const UnifiedAlbum& album, int trackIndex, double seconds);
    std::optional<QString> spotifyTargetDeviceID() const;
    // The album is now what plays locally.
    void showLocalAlbum(const UnifiedAlbum& album, bool playing);
    // The local player's track and position, once it tells them.
    void showLocalTrack();
    void adoptSpotifyState(const CurrentlyPlayingResponse& state);
    void clearNowPlaying();
    QDateTime now() const;

    void setDevices(QList<SpotifyDevice> devices);
    void setSelectedDeviceID(std::optional<QString> id);
    void setLoadingDevices(bool loading);
    void setErrorMessage(std::optional<QString> message);
    void setActiveSource(std::optional<PlaybackSource> source);
    void setPlaying(bool playing);
    void setNowPlaying(std::optional<QString> trackName, std::optional<QString> artistNames,
                       std::optional<AlbumArtwork> artwork, std::optional<QString> albumID);
    void setProgress(qint64 progressMs, qint64 durationMs);
    struct TrackPlace {
        QString albumTitle;
        int number = 0;
        int index = -1;
        bool operator==(const TrackPlace&) const = default;
    };
    void setTrackPlace(TrackPlace place);

    SpotifyAPI& api_;
    LocalPlayback& appleMusic_;
    MusicSourceSettings& sourceSettings_;
    PlayHistoryStore& playHistory_;
    Clock& clock_;
    ListeningSessionStore sessions_;
    std::unique_ptr<MicrophoneMonitor> microphone_;

    QList<SpotifyDevice> devices_;
    std::optional<QString> selectedDeviceID_;
    bool isLoadingDevices_ = false;
    std::optional<QString> errorMessage_;
    std::optional<PlaybackSource> activeSource_;
    bool isPlaying_ = false;
    std::optional<QString> nowPlayingTrackName_;
    std::optional<QString> nowPlayingArtistNames_;
    std::optional<AlbumArtwork> nowPlayingArtwork_;
    std::optional<QString> nowPlayingAlbumID_;
    TrackPlace trackPlace_;
    qint64 progressMs_ = 0;
    qint64 durationMs_ = 0;
    QDateTime progressUpdatedAt_;
    double volumePercent_ = 50.0;
    bool isAdjustingVolume_ = false;

    std::optional<UnifiedAlbum> appleMusicAlbum_;
    std::optional<CurrentlyPlayingResponse> latestSpotifyState_;
    bool didCheckForResume_ = false;
    qint64 playGeneration_ = 0;
    QDateTime volumeHoldUntil_;
    bool pausedForMicrophone_ = false;
};
