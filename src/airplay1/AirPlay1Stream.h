#pragma once

#include "airplay1/AirPlay1Clock.h"
#include "airplay1/AirPlay1FrameSource.h"
#include "airplay1/AirPlay1Packets.h"
#include "airplay1/AirPlay1Speaker.h"
#include "airplay1/UDPSocket.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <netinet/in.h>

// Seams for tests; a session uses the defaults.
struct AirPlay1StreamOptions {
    std::function<double()> now = monotonicRawSeconds; // monotonic seconds
    std::optional<uint16_t> firstSequence;             // random when absent
    std::optional<uint32_t> firstRTPTime;              // random when absent
    // Told on the send thread how long each packet took to take, pack and
    // send: wall and thread CPU seconds. Lets a benchmark see what the
    // real-time thread costs.
    std::function<void(double, double)> packetTimed;
};

// The UDP side of one AirPlay 1 session: paced RTP audio packets from a frame
// source, a sync packet per second, answers to timing requests and resends of
// lost packets. Runs its own send and receive threads once configured.
// The send thread runs at real-time priority and only takes ready blocks,
// packs and sends them: it never waits for decoding, a disk, or a lock the
// caller's thread may hold, and when its source runs dry it sends silence.
class AirPlay1Stream {
public:
    // How long after answering a timing request the stream sends a sync.
    static constexpr double kClockSyncDelaySeconds = 0.05;

    using TimeSource = std::function<double()>;

    using Options = AirPlay1StreamOptions;

    // Opens the timing, control and audio sockets (AirPlay1Error::socketFailed).
    // `onQueueFinished` runs on the send thread when the source runs dry.
    AirPlay1Stream(AirPlay1Codec codec, std::function<void()> onQueueFinished,
                   Options options = {});
    ~AirPlay1Stream();
    AirPlay1Stream(const AirPlay1Stream&) = delete;
    AirPlay1Stream& operator=(const AirPlay1Stream&) = delete;

    uint16_t timingPort() const { return timingPort_; }
    uint16_t controlPort() const { return controlPort_; }
    AirPlay1Codec codec() const { return codec_; }

    // Learns where the speaker listens and starts both threads. Timing
    // requests are answered only from the speaker's address and its timing
    // port (any port of that address when 0).
    void configure(const QString& remoteIP, uint16_t serverPort, uint16_t controlPort,
                   uint16_t timingPort = 0);
    // Replaces the frame source and begins a run with it.
    void start(std::unique_ptr<AirPlay1FrameSource> queue);
    // Begins a new run: the next packet carries the marker and a first sync.
    void beginRun();
    // Final; idempotent.
    void close();

    struct NextPacket {
        uint16_t sequence = 0;
        uint32_t rtpTime = 0;
    };
    NextPacket nextPacket() const;
    // Stops sending and tells which packet would have gone next.
    NextPacket stopSending();
    bool isSending() const;
    bool hasQueue() const;
    // Where the source stands (after the last block sent), if there is one.
    // Never waits on the send thread.
    std::optional<AirPlay1QueuePosition> position() const;
    // Begins a run only when a source is still there; true when it did.
    bool beginRunIfQueued();

private:
    void sendLoop();
    void receiveLoop();
    void beginRunLocked();
    void wakeSender();
    QByteArray payloadFor(const QByteArray& frames) const;
    void sendSync(bool first, uint64_t elapsed);
    void answerTiming(char* buffer, ssize_t size, const sockaddr_in& from);
    void resend(const RetransmitRequest& request);

    const AirPlay1Codec codec_;
    std::function<void()> onQueueFinished_;
    TimeSource now_;
    std::function<void(double, double)> packetTimed_;
    UDPSocket timingSocket_;
    UDPSocket controlSocket_;
    UDPSocket audioSocket_;
    const uint16_t timingPort_;
    const uint16_t controlPort_;
    const AirPlay1Clock clock_;
    const uint32_t ssrc_;
    sockaddr_in audioAddress_{};
    sockaddr_in controlAddress_{};
    sockaddr_in timingSource_{};

    // Send state, guarded by mutex_. Callers hold it for moments only; the
    // send thread merely tries it and looks again later, so it never waits
    // on another thread. wake_ counts changes, for the idle sender to wait on.
    mutable std::mutex mutex_;
    std::atomic<uint64_t> wake_{0};
    std::unique_ptr<AirPlay1FrameSource> queue_;
    PublishedPosition position_;
    bool refilling_ = false;
    AirPlay1Block block_; // the send thread's, reused
    const QByteArray silence_;
    bool isSending_ = false;
    bool isClosed_ = false;
    bool threadsStarted_ = false;
    uint16_t sequence_;
    uint32_t rtpTime_;
    double anchorTime_ = 0;
    uint32_t anchorRTPTime_ = 0;
    uint64_t framesSinceAnchor_ = 0;
    uint64_t lastSyncFrame_ = 0;
    bool startsNewRun_ = true;

    // When the next sync after a timing exchange is due (0: none pending);
    // set by the receive thread, cleared by the send thread.
    std::atomic<double> clockSyncDueAt_{0};

    // Resend state, shared by the send and receive threads only and guarded
    // by historyMutex_; never held with mutex_.
    std::mutex historyMutex_;
    PacketHistory history_;
    std::atomic<bool> receiverStopped_{false};

    std::thread sendThread_;
    std::thread receiveThread_;
};
