#pragma once

#include <QByteArray>

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

// Wire formats of the UDP side of an AirPlay 1 session: RTP audio packets,
// sync packets, timing replies and resends. Everything is big-endian.

inline constexpr int kFramesPerPacket = 352;
inline constexpr int kBytesPerFrame = 4;
inline constexpr int kSampleRate = 44100;
inline constexpr int kHistorySlots = 1024;
inline constexpr int kMaxResendCount = 256;
// The sync packet names the RTP time now playing, a quarter second behind.
inline constexpr uint32_t kSyncLatencyFrames = 11025;

// A place in a track as the player reports it, in seconds, and the frame it
// stands for. Rounded, not cut: a frame turned into seconds and back often
// lands a hair under itself, and a resume would start one frame early.
inline double secondsAtFrame(int64_t frame) {
    return static_cast<double>(frame) / kSampleRate;
}
inline int64_t frameAtSeconds(double seconds) {
    return std::isfinite(seconds) && seconds > 0 ? std::llround(seconds * kSampleRate) : 0;
}

// Little-endian interleaved 16-bit PCM turned into big-endian samples.
QByteArray pcmPayload(const QByteArray& littleEndianPcm);
// One uncompressed ALAC frame holding the stereo frames as they are.
QByteArray alacVerbatimPayload(const QByteArray& littleEndianPcm);

struct RtpHeader {
    bool marker = false;
    uint16_t sequence = 0;
    uint32_t rtpTime = 0;
    uint32_t ssrc = 0;
};

// 12-byte RTP header (payload type 96) followed by `payload`.
QByteArray audioPacket(const RtpHeader& header, const QByteArray& payload);

// The 20-byte sync packet for `elapsed` frames into a run that began at
// `anchorRTPTime`; `ntp` is the NTP time of that moment.
QByteArray syncPacket(bool first, uint32_t anchorRTPTime, uint64_t elapsed,
                      const std::array<uint8_t, 8>& ntp);

// The answer to a timing request, or nothing when the datagram is not one.
std::optional<QByteArray> timingReply(const QByteArray& request,
                                      const std::array<uint8_t, 8>& ntpNow);

struct RetransmitRequest {
    uint16_t first = 0;
    uint16_t count = 0;
};
std::optional<RetransmitRequest> parseRetransmitRequest(const QByteArray& datagram);

// The sequence numbers a request asks for, capped at kMaxResendCount, wrapping.
std::vector<uint16_t> resendSequences(const RetransmitRequest& request);

// A stored audio packet wrapped for resending on the control channel.
QByteArray resendPacket(const QByteArray& audioPacket);

// Recently sent audio packets, indexed by sequence number modulo the slot count.
class PacketHistory {
public:
    PacketHistory()
        : slots_(kHistorySlots) {}
    void store(uint16_t sequence, const QByteArray& packet);
    // The packet sent with `sequence`, unless its slot was reused since.
    std::optional<QByteArray> find(uint16_t sequence) const;

private:
    struct Slot {
        bool used = false;
        uint16_t sequence = 0;
        QByteArray packet;
    };
    std::vector<Slot> slots_;
};

// Pacing of the send loop.
// Frames of real time since the run's anchor.
uint64_t elapsedFrames(double now, double anchorTime);
// A sync goes out at the start of a run and once per second of audio.
bool syncDue(bool startsNewRun, uint64_t elapsed, uint64_t lastSyncFrame);
// The stream stays at most four packets ahead of the clock.
bool mayQueuePacket(uint64_t framesSinceAnchor, uint64_t elapsed);
// Frames of real time until the loop has work again: the next packet's turn
// or the next sync, whichever comes first; 0 when one is due now.
uint64_t framesUntilDue(uint64_t framesSinceAnchor, uint64_t elapsed, uint64_t lastSyncFrame);
