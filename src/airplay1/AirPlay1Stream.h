#pragma once

#include "airplay1/AirPlay1Clock.h"
#include "airplay1/AirPlay1FrameSource.h"
#include "airplay1/AirPlay1Link.h"
#include "airplay1/AirPlay1Packets.h"
#include "airplay1/AirPlay1Speaker.h"
#include "airplay1/AlacEncoder.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Seams for tests; a session uses the defaults.
struct AirPlay1StreamOptions {
    std::function<double()> now = monotonicRawSeconds; // monotonic seconds
    std::optional<uint16_t> firstSequence;             // random when absent
    std::optional<uint32_t> firstRTPTime;              // random when absent
    // Told on the send thread how long each packet took to take, pack and
    // send: wall and thread CPU seconds. Lets a benchmark see what the
    // real-time thread costs.
    std::function<void(double, double)> packetTimed;
    // With the ALAC codec: compresses each packet (uncompressed without it,
    // or where it fails). Used on the send thread only.
    std::shared_ptr<AlacEncoder> alacEncoder;
};

// The UDP side of AirPlay 1 sessions that play the same audio: paced RTP
// audio packets from one frame source, a sync packet per second, answers to
// timing requests and resends of lost packets. Each speaker has a link of
// its own (sockets, sequence numbers, resend history, timing); all links
// share the RTP times, the anchor and the clock, so their speakers play in
// step and one that joins late is placed by time. A block is taken and
// packed once, then sent to every link.
// The send thread runs at real-time priority and only takes ready blocks,
// packs and sends them: it never waits for decoding, a disk, or a lock the
// caller's thread may hold, and when its source runs dry it sends silence.
class AirPlay1Stream {
public:
    static constexpr double kClockSyncDelaySeconds = AirPlay1Link::kClockSyncDelaySeconds;

    using TimeSource = std::function<double()>;

    using Options = AirPlay1StreamOptions;

    // Opens the first link's sockets (AirPlay1Error::socketFailed).
    // `onQueueFinished` runs on the send thread when the source runs dry.
    AirPlay1Stream(AirPlay1Codec codec, std::function<void()> onQueueFinished,
                   Options options = {});
    ~AirPlay1Stream();
    AirPlay1Stream(const AirPlay1Stream&) = delete;
    AirPlay1Stream& operator=(const AirPlay1Stream&) = delete;

    // The first link's ports.
    uint16_t timingPort() const { return first_->timingPort(); }
    uint16_t controlPort() const { return first_->controlPort(); }
    AirPlay1Codec codec() const { return codec_; }
    const std::shared_ptr<AirPlay1Link>& firstLink() const { return first_; }

    // Learns where the first link's speaker listens, starts the threads and
    // sends to it from the next run on.
    void configure(const QString& remoteIP, uint16_t serverPort, uint16_t controlPort,
                   uint16_t timingPort = 0);

    // A link for one more speaker, its sockets open, not yet sent to
    // (AirPlay1Error::socketFailed).
    std::shared_ptr<AirPlay1Link> addLink();
    // Learns where the link's speaker listens and starts answering it.
    // Timing requests are answered only from the speaker's address and its
    // timing port (any port of that address when 0).
    void connect(const std::shared_ptr<AirPlay1Link>& link, const QString& remoteIP,
                 uint16_t serverPort, uint16_t controlPort, uint16_t timingPort = 0);
    // The link gets every packet from the next one on; one that joins a run
    // under way is placed by time: a marker and a first sync of the run's
    // anchor, without restarting the others.
    void startSendingTo(const std::shared_ptr<AirPlay1Link>& link);
    // Sends no more to the link and ends its receive thread.
    void removeLink(const std::shared_ptr<AirPlay1Link>& link);
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
    // The first link's next packet, or the given link's.
    NextPacket nextPacket() const;
    NextPacket nextPacket(const AirPlay1Link& link) const;
    // Stops sending and tells which packet would have gone next (first link).
    NextPacket stopSending();
    bool isSending() const;
    bool hasQueue() const;
    // Where the source stands (after the last block sent), if there is one.
    // Never waits on the send thread.
    std::optional<AirPlay1QueuePosition> position() const;
    // Begins a run only when a source is still there; true when it did.
    bool beginRunIfQueued();

private:
    // A packet packed under the lock and sent after it.
    struct Outgoing {
        std::shared_ptr<AirPlay1Link> link;
        uint16_t sequence = 0;
        QByteArray packet;
    };

    void sendLoop();
    void beginRunLocked();
    void startThreadsLocked();
    void wakeSender();
    QByteArray payloadFor(const QByteArray& frames);
    // Syncs due for each link now, sent on its control socket.
    void sendSyncs(double now, uint64_t elapsed);
    // Packs `payload` once per link into outgoing_.
    void packForLinks(const QByteArray& payload);

    const AirPlay1Codec codec_;
    std::function<void()> onQueueFinished_;
    TimeSource now_;
    std::function<void(double, double)> packetTimed_;
    std::shared_ptr<AlacEncoder> alacEncoder_;
    const AirPlay1Clock clock_;
    const uint32_t ssrc_;
    const std::shared_ptr<AirPlay1Link> first_;

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
    std::vector<std::shared_ptr<AirPlay1Link>> links_;   // the ones sent to
    std::vector<Outgoing> outgoing_;                     // the send thread's, reused
    std::vector<std::shared_ptr<AirPlay1Link>> retired_; // removed, ended off that thread
    uint32_t rtpTime_;
    double anchorTime_ = 0;
    uint32_t anchorRTPTime_ = 0;
    uint64_t framesSinceAnchor_ = 0;
    uint64_t lastSyncFrame_ = 0;
    bool startsNewRun_ = true;

    std::thread sendThread_;
};
