// Datagrams a speaker (or anyone on the network) sends to the stream's
// timing and control ports, and the Transport header of its SETUP reply.
#include "airplay1/AirPlay1Handshake.h"
#include "airplay1/AirPlay1Packets.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {
void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray datagram(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const std::array<uint8_t, 8> ntp = {1, 2, 3, 4, 5, 6, 7, 8};
    if (const auto reply = timingReply(datagram, ntp)) {
        check(datagram.size() >= 32);
        check(reply->size() == 32);
        check(reply->mid(8, 8) == datagram.mid(24, 8));
    }

    if (const auto request = parseRetransmitRequest(datagram)) {
        PacketHistory history;
        for (int i = 0; i < 40; ++i) {
            history.store(static_cast<uint16_t>(65520 + i), QByteArray::number(i));
        }
        const auto sequences = resendSequences(*request);
        check(sequences.size() <= static_cast<size_t>(kMaxResendCount));
        check(sequences.size() <= request->count);
        for (const uint16_t sequence : sequences) {
            if (const auto packet = history.find(sequence)) {
                check(*packet == QByteArray::number(static_cast<uint16_t>(sequence - 65520)));
            }
        }
    }

    const QString transport = QString::fromUtf8(datagram);
    const auto parameters = transportParameters(transport);
    if (const auto ports = speakerPorts(transport)) {
        check(parameters.contains(QStringLiteral("server_port")));
        check(parameters.contains(QStringLiteral("control_port")));
    }
    return 0;
}
