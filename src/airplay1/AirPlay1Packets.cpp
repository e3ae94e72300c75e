#include "airplay1/AirPlay1Packets.h"

#include "airplay1/BitWriter.h"

#include <algorithm>
#include <cmath>

namespace {
void appendBigEndian16(QByteArray& out, uint16_t value) {
    out.append(static_cast<char>(value >> 8));
    out.append(static_cast<char>(value & 0xFF));
}

void appendBigEndian32(QByteArray& out, uint32_t value) {
    out.append(static_cast<char>(value >> 24));
    out.append(static_cast<char>((value >> 16) & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
    out.append(static_cast<char>(value & 0xFF));
}

uint16_t readBigEndian16(const QByteArray& in, qsizetype offset) {
    return static_cast<uint16_t>((static_cast<uint8_t>(in[offset]) << 8) |
                                 static_cast<uint8_t>(in[offset + 1]));
}

uint8_t payloadType(const QByteArray& datagram) {
    return static_cast<uint8_t>(datagram[1]) & 0x7F;
}
} // namespace

QByteArray pcmPayload(const QByteArray& littleEndianPcm) {
    const qsizetype samples = littleEndianPcm.size() / 2;
    QByteArray out(samples * 2, Qt::Uninitialized);
    const char* in = littleEndianPcm.constData();
    char* dst = out.data();
    for (qsizetype i = 0; i < samples; ++i) {
        dst[2 * i] = in[2 * i + 1];
        dst[2 * i + 1] = in[2 * i];
    }
    return out;
}

QByteArray alacVerbatimPayload(const QByteArray& littleEndianPcm) {
    BitWriter writer;
    const qsizetype samples = littleEndianPcm.size() / 2;
    writer.reserve(3 + samples * 2);
    writer.write(1, 3); // channels minus one: stereo
    writer.write(0, 4);
    writer.write(0, 12);
    writer.write(0, 1); // no sample count in the header
    writer.write(0, 2);
    writer.write(1, 1); // not compressed
    const auto* in = reinterpret_cast<const uint8_t*>(littleEndianPcm.constData());
    auto sample = [in](qsizetype i) {
        return static_cast<uint32_t>(in[2 * i]) | (static_cast<uint32_t>(in[2 * i + 1]) << 8);
    };
    // A stereo frame's two samples go in one 32-bit write, left first.
    qsizetype i = 0;
    for (; i + 1 < samples; i += 2) {
        writer.write((sample(i) << 16) | sample(i + 1), 32);
    }
    if (i < samples) {
        writer.write(sample(i), 16);
    }
    return writer.finish();
}

QByteArray audioPacket(const RtpHeader& header, const QByteArray& payload) {
    QByteArray out;
    out.reserve(12 + payload.size());
    out.append(static_cast<char>(0x80));
    out.append(static_cast<char>(header.marker ? 0xE0 : 0x60));
    appendBigEndian16(out, header.sequence);
    appendBigEndian32(out, header.rtpTime);
    appendBigEndian32(out, header.ssrc);
    out.append(payload);
    return out;
}

QByteArray syncPacket(bool first, uint32_t anchorRTPTime, uint64_t elapsed,
                      const std::array<uint8_t, 8>& ntp) {
    const auto now = static_cast<uint32_t>(anchorRTPTime + elapsed);
    QByteArray out;
    out.reserve(20);
    out.append(static_cast<char>(first ? 0x90 : 0x80));
    out.append(static_cast<char>(0xD4));
    out.append('\0');
    out.append('\x07');
    appendBigEndian32(out, now - kSyncLatencyFrames);
    out.append(reinterpret_cast<const char*>(ntp.data()), 8);
    appendBigEndian32(out, now);
    return out;
}

std::optional<QByteArray> timingReply(const QByteArray& request,
                                      const std::array<uint8_t, 8>& ntpNow) {
    if (request.size() < 32 || payloadType(request) != 0x52) {
        return std::nullopt;
    }
    QByteArray out;
    out.reserve(32);
    out.append("\x80\xD3\x00\x07\x00\x00\x00\x00", 8);
    out.append(request.mid(24, 8));
    out.append(reinterpret_cast<const char*>(ntpNow.data()), 8);
    out.append(reinterpret_cast<const char*>(ntpNow.data()), 8);
    return out;
}

std::optional<RetransmitRequest> parseRetransmitRequest(const QByteArray& datagram) {
    if (datagram.size() < 8 || payloadType(datagram) != 0x55) {
        return std::nullopt;
    }
    return RetransmitRequest{readBigEndian16(datagram, 4), readBigEndian16(datagram, 6)};
}

std::vector<uint16_t> resendSequences(const RetransmitRequest& request) {
    const int count = std::min<int>(request.count, kMaxResendCount);
    std::vector<uint16_t> out;
    out.reserve(count);
    for (int i = 0; i < count; ++i) {
        out.push_back(static_cast<uint16_t>(request.first + i));
    }
    return out;
}

QByteArray resendPacket(const QByteArray& audioPacket) {
    QByteArray out;
    out.reserve(4 + audioPacket.size());
    out.append("\x80\xD6\x00\x01", 4);
    out.append(audioPacket);
    return out;
}

void PacketHistory::store(uint16_t sequence, const QByteArray& packet) {
    Slot& slot = slots_[sequence % kHistorySlots];
    slot.used = true;
    slot.sequence = sequence;
    slot.packet = packet;
}

std::optional<QByteArray> PacketHistory::find(uint16_t sequence) const {
    const Slot& slot = slots_[sequence % kHistorySlots];
    if (!slot.used || slot.sequence != sequence) {
        return std::nullopt;
    }
    return slot.packet;
}

uint64_t elapsedFrames(double now, double anchorTime) {
    const double frames = (now - anchorTime) * kSampleRate;
    return frames > 0 ? static_cast<uint64_t>(frames) : 0;
}

bool syncDue(bool startsNewRun, uint64_t elapsed, uint64_t lastSyncFrame) {
    return startsNewRun || elapsed >= lastSyncFrame + kSampleRate;
}

bool mayQueuePacket(uint64_t framesSinceAnchor, uint64_t elapsed) {
    return framesSinceAnchor <= elapsed + 4 * kFramesPerPacket;
}

uint64_t framesUntilDue(uint64_t framesSinceAnchor, uint64_t elapsed, uint64_t lastSyncFrame) {
    const uint64_t packetTurn =
        framesSinceAnchor - std::min<uint64_t>(framesSinceAnchor, 4 * kFramesPerPacket);
    const uint64_t nextSync = lastSyncFrame + kSampleRate;
    const uint64_t due = std::min(packetTurn, nextSync);
    return due > elapsed ? due - elapsed : 0;
}
