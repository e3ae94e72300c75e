#pragma once

#include "airplay1/AirPlay1Clock.h"
#include "airplay1/AirPlay1Packets.h"
#include "airplay1/UDPSocket.h"

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include <netinet/in.h>

// The UDP side of one speaker of a stream: its timing, control and audio
// sockets, its own sequence numbers and resend history, and a receive thread
// that answers its timing requests and resends what it lost. Several links
// share one stream's audio, RTP times and clock, so their speakers play in
// step; a link that fails or leaves touches no other.
class AirPlay1Link {
public:
    using TimeSource = std::function<double()>;

    // How long after answering a timing request the stream sends a sync.
    static constexpr double kClockSyncDelaySeconds = 0.05;

    // Opens the sockets (AirPlay1Error::socketFailed).
    AirPlay1Link(const AirPlay1Clock& clock, TimeSource now, uint16_t firstSequence);
    // Waits for the receive thread (a fifth of a second at most once
    // stopped) and closes the sockets.
    ~AirPlay1Link();
    AirPlay1Link(const AirPlay1Link&) = delete;
    AirPlay1Link& operator=(const AirPlay1Link&) = delete;

    uint16_t timingPort() const { return timingPort_; }
    uint16_t controlPort() const { return controlPort_; }

    // Learns where the speaker listens and starts the receive thread. Timing
    // requests are answered only from the speaker's address and its timing
    // port (any port of that address when 0). False when already configured.
    bool configure(const sockaddr_in& audio, const sockaddr_in& control, const sockaddr_in& timing);
    // Tells the receive thread to end: no more answers or resends. Never
    // waits; idempotent.
    void stop();

    // The send thread's: one audio packet (kept for resends) and sync packets.
    void sendAudio(uint16_t sequence, const QByteArray& packet);
    void sendSync(const QByteArray& packet) const;
    // True, once, when a sync is due after a timing exchange.
    bool takeClockSyncDue(double now);

    // The stream's send state of this link, guarded by the stream's lock.
    uint16_t sequence;
    bool opensRun = true; // its next packet carries the marker and a first sync

private:
    void receiveLoop();
    void answerTiming(char* buffer, ssize_t size, const sockaddr_in& from);
    void resend(const RetransmitRequest& request);

    const AirPlay1Clock clock_;
    TimeSource now_;
    UDPSocket timingSocket_;
    UDPSocket controlSocket_;
    UDPSocket audioSocket_;
    const uint16_t timingPort_;
    const uint16_t controlPort_;
    sockaddr_in audioAddress_{};
    sockaddr_in controlAddress_{};
    sockaddr_in timingSource_{};

    // When the next sync after a timing exchange is due (0: none pending);
    // set by the receive thread, cleared by the send thread.
    std::atomic<double> clockSyncDueAt_{0};

    // Shared by the send and receive threads only.
    std::mutex historyMutex_;
    PacketHistory history_;

    std::mutex startMutex_; // configure() against stop()
    std::atomic<bool> stopped_{false};
    std::thread receiveThread_;
};
