#include "airplay1/AirPlay1Handshake.h"

#include <QRandomGenerator>
#include <QStringList>

#include <charconv>
#include <cmath>

QString sessionUri(const QString& localAddress, uint32_t sessionNumber) {
    return QStringLiteral("rtsp://") + localAddress + QLatin1Char('/') +
           QString::number(sessionNumber);
}

uint32_t randomSessionNumber() {
    return static_cast<uint32_t>(1000000000ull +
                                 QRandomGenerator::system()->bounded(quint64(3000000001ull)));
}

QByteArray sdpBody(AirPlay1Codec codec, uint32_t sessionNumber, const QString& localAddress,
                   const QString& remoteAddress) {
    QByteArray out = "v=0\r\no=iTunes ";
    out += QByteArray::number(sessionNumber);
    out += " 0 IN IP4 ";
    out += localAddress.toUtf8();
    out += "\r\ns=iTunes\r\nc=IN IP4 ";
    out += remoteAddress.toUtf8();
    out += "\r\nt=0 0\r\n";
    out += "m=audio 0 RTP/AVP 96\r\n";
    if (codec == AirPlay1Codec::alac) {
        out += "a=rtpmap:96 AppleLossless\r\na=fmtp:96 352 0 16 40 10 14 2 255 0 0 44100\r\n";
    } else {
        out += "a=rtpmap:96 L16/44100/2\r\n";
    }
    return out;
}

QString transportRequest(uint16_t controlPort, uint16_t timingPort) {
    return QStringLiteral("RTP/AVP/UDP;unicast;interleaved=0-1;mode=record;control_port=") +
           QString::number(controlPort) + QStringLiteral(";timing_port=") +
           QString::number(timingPort);
}

QMap<QString, QString> transportParameters(const QString& value) {
    QMap<QString, QString> out;
    for (const QString& piece : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = piece.split(QLatin1Char('='));
        if (parts.size() < 2) {
            continue;
        }
        out.insert(parts[0].trimmed(), parts[1].trimmed());
    }
    return out;
}

std::optional<SpeakerPorts> speakerPorts(const QString& transport) {
    const auto parameters = transportParameters(transport);
    bool serverOk = false;
    bool controlOk = false;
    const uint16_t server = parameters.value(QStringLiteral("server_port")).toUShort(&serverOk);
    const uint16_t control = parameters.value(QStringLiteral("control_port")).toUShort(&controlOk);
    if (!serverOk || !controlOk) {
        return std::nullopt;
    }
    // Where the speaker's timing requests come from, when it says.
    const uint16_t timing = parameters.value(QStringLiteral("timing_port")).toUShort();
    return SpeakerPorts{server, control, timing};
}

QString rtpInfo(uint16_t sequence, uint32_t rtpTime) {
    return QStringLiteral("seq=") + QString::number(sequence) + QStringLiteral(";rtptime=") +
           QString::number(rtpTime);
}

double volumeDecibels(double percent) {
    // Not a number counts as mute rather than reaching the wire as "nan".
    if (!(percent > 0)) {
        return -144;
    }
    return std::min(percent, 100.0) * 30 / 100 - 30;
}

QByteArray volumeBody(double percent) {
    char number[64];
    const auto result = std::to_chars(number, number + sizeof number, volumeDecibels(percent),
                                      std::chars_format::fixed, 6);
    QByteArray out = "volume: ";
    out.append(number, result.ptr - number);
    out += "\r\n";
    return out;
}

QString noStreamableTracksMessage(const QString& speakerName) {
    return QStringLiteral("None of these tracks can be streamed to ") + speakerName +
           QStringLiteral(
               ". Legacy speakers can only play tracks stored on this computer that aren't "
               "copy-protected.");
}

QString couldNotPlayMessage(const QString& speakerName, const QString& description) {
    return QStringLiteral("Couldn't play to ") + speakerName + QStringLiteral(". ") + description;
}

QString lostConnectionMessage(const QString& speakerName) {
    return QStringLiteral("Lost the connection to ") + speakerName + QLatin1Char('.');
}
