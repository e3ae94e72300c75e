#pragma once

#include "airplay1/AirPlay1Speaker.h"
#include "airplay1/TrackOpening.h"
#include "platform/Cancellation.h"
#include "platform/Clock.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUrl>

#include <QCoroTask>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AirPlay1Link;
class AirPlay1Stream;
class PcmReaderFactory;
class RTSPClient;

// What the player reports to its caller. `message` is set for `failed` only
// and is a complete sentence for the user.
struct AirPlay1PlayerEvent {
    enum class Kind { failed, started, paused, finished };
    Kind kind = Kind::started;
    QString message;

    static AirPlay1PlayerEvent failed(QString message) {
        return {Kind::failed, std::move(message)};
    }
    friend bool operator==(const AirPlay1PlayerEvent&, const AirPlay1PlayerEvent&) = default;
};
Q_DECLARE_METATYPE(AirPlay1PlayerEvent)

// A place in the track list: track index and seconds into that track.
struct AirPlay1PlaybackPosition {
    int index = 0;
    double seconds = 0;
    friend bool operator==(const AirPlay1PlaybackPosition&,
                           const AirPlay1PlaybackPosition&) = default;
};

// Plays local files on a legacy AirPlay 1 speaker, or a group of them in
// step: the RTSP handshakes, the audio stream fed by the track queue, pause,
// resume, skip, volume, a keep-alive every 10 seconds, and events about all
// of it. The first speaker of a group leads (`play` names it); the others
// join and leave while it plays, each with a session of its own.
// Main thread only. Operations never throw: outcomes arrive as events. The
// player may be destroyed with operations pending; they then end quietly.
// Tracks are opened on a worker thread; a track list whose first playable
// track has not opened within the opening time-out counts as unplayable.
class AirPlay1Player : public QObject {
    Q_OBJECT

public:
    struct Session;

    explicit AirPlay1Player(Clock& clock = Clock::system(),
                            std::shared_ptr<PcmReaderFactory> decoding = nullptr,
                            QObject* parent = nullptr);
    ~AirPlay1Player() override;

    QCoro::Task<> play(QList<QUrl> tracks, int startIndex, double startSeconds,
                       AirPlay1Speaker speaker, double volumePercent);
    QCoro::Task<> pause();
    QCoro::Task<> resume();
    QCoro::Task<> skip(int by);
    // To `seconds` into the current track. While playing, the speaker drops
    // what it holds (FLUSH) and a new run starts there; while paused, play
    // later starts there.
    QCoro::Task<> seek(double seconds);
    // Where the stream stands: the session's queue, or the place a lost
    // connection left off; nothing otherwise.
    std::optional<AirPlay1PlaybackPosition> position() const;
    // The position, then the session ends.
    QCoro::Task<std::optional<AirPlay1PlaybackPosition>> stop();
    QCoro::Task<> setVolume(double percent);
    double volumePercent() const { return volumePercent_; }

    // The group: the speaker `play` named first, then those added, in order.
    QList<AirPlay1Speaker> speakers() const;
    // Another speaker plays along from the current place, without a gap on
    // the others; ignored without a session or for one already playing. A
    // failure is told through speakerLost.
    QCoro::Task<> addSpeaker(AirPlay1Speaker speaker, double volumePercent);
    // Ends one speaker's session; the others play on. The last one stops
    // playback as stop() does.
    QCoro::Task<> removeSpeaker(QString speakerId);
    // One speaker's own level; setVolume() keeps its distance to the others.
    QCoro::Task<> setSpeakerVolume(QString speakerId, double percent);

    // The session's RTSP URI, empty without one (lets callers tell sessions apart).
    QString sessionUri() const;

    // Compressed ALAC, which every legacy speaker takes, at about half the
    // load on the network of plain samples; on unless turned off (new
    // sessions then send plain samples where the speaker takes them).
    void setCompression(bool on) { compression_ = on; }

    // Where a speaker's audio and control ports are reached; as the speaker
    // says unless changed. A test puts a lossy link in between.
    using PortRoute = std::function<uint16_t(const AirPlay1Speaker&, uint16_t)>;
    void setPortRoute(PortRoute route) { portRoute_ = std::move(route); }

    // How long `play` waits for a track to open; 10 seconds unless changed.
    void setOpeningTimeout(std::chrono::milliseconds timeout) { openingTimeout_ = timeout; }

Q_SIGNALS:
    void event(const AirPlay1PlayerEvent& event);
    // One speaker of a group failed or went away and was dropped, once;
    // the rest play on. `message` is a complete sentence for the user.
    void speakerLost(const QString& speakerId, const QString& message);

private:
    struct Guard;
    struct Opening;
    struct LostPlace {
        AirPlay1Speaker speaker;
        AirPlay1PlaybackPosition position;
    };

    // The first track from `startIndex` on that opens within the time-out.
    QCoro::Task<std::optional<TrackOpening::Opened>>
    openFirstTrack(QList<QUrl> tracks, int startIndex, double startSeconds);
    QCoro::Task<std::shared_ptr<Session>> readySession(AirPlay1Speaker speaker);
    QCoro::Task<std::shared_ptr<Session>> connect(AirPlay1Speaker speaker);
    // RTSP session setup for `link` of `stream`; the link is sent to once
    // the speaker is recording.
    QCoro::Task<std::shared_ptr<Session>> handshake(AirPlay1Speaker speaker,
                                                    std::shared_ptr<AirPlay1Stream> stream,
                                                    std::shared_ptr<AirPlay1Link> link);
    // Every session of the group, the leading one first.
    std::vector<std::shared_ptr<Session>> group() const;
    std::shared_ptr<Session> member(const QString& speakerId) const;
    // Ends one session of a group that keeps playing.
    QCoro::Task<> leave(std::shared_ptr<Session> session);
    static QCoro::Task<> teardown(std::shared_ptr<Session> session);
    static QString describe(std::exception_ptr error);
    QCoro::Task<> flush(std::shared_ptr<Session> session);
    QCoro::Task<> disconnect();
    QCoro::Task<> sendVolume(std::shared_ptr<Session> session);
    // An OPTIONS round trip; false when the speaker is gone.
    QCoro::Task<bool> stillAnswers(std::shared_ptr<Session> session);
    void startKeepAlive(std::shared_ptr<Session> session);
    QCoro::Task<> checkStillConnected(QString uri);
    void yield(AirPlay1PlayerEvent event);
    static std::function<void()> finishedCallback(std::shared_ptr<Guard> guard);
    static bool isGone(const std::shared_ptr<Guard>& guard);

    Clock& clock_;
    std::shared_ptr<PcmReaderFactory> decoding_;
    std::shared_ptr<Guard> guard_;
    std::shared_ptr<Session> session_;
    std::vector<std::shared_ptr<Session>> joined_; // the rest of the group
    std::vector<std::weak_ptr<RTSPClient>> connecting_;
    QList<QUrl> tracks_;
    double volumePercent_ = 50;
    bool compression_ = true;
    PortRoute portRoute_;
    std::unique_ptr<CancellationSource> keepAlive_;
    std::optional<LostPlace> lostPlace_;
    std::chrono::milliseconds openingTimeout_ = std::chrono::seconds(10);
    std::vector<std::weak_ptr<Opening>> openings_; // woken by the destructor
};
