#pragma once

#include "airplay1/AirPlay1Speaker.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <cstdint>
#include <optional>

// The texts of the RTSP handshake with a legacy speaker, built apart from the
// connection so each can be checked on its own.

// "rtsp://" + local address + "/" + session number.
QString sessionUri(const QString& localAddress, uint32_t sessionNumber);
// A random session number from 1000000000 to 4000000000.
uint32_t randomSessionNumber();

// The ANNOUNCE body describing the audio for `codec`.
QByteArray sdpBody(AirPlay1Codec codec, uint32_t sessionNumber, const QString& localAddress,
                   const QString& remoteAddress);

// The SETUP Transport header offering our control and timing ports.
QString transportRequest(uint16_t controlPort, uint16_t timingPort);
// The name=value pairs of a Transport header; pieces without '=' are ignored.
QMap<QString, QString> transportParameters(const QString& value);

struct SpeakerPorts {
    uint16_t server = 0;
    uint16_t control = 0;
    uint16_t timing = 0; // 0: the reply named none
};
// The speaker's audio and control ports from a SETUP reply's Transport
// header; nothing when either is missing or not a 16-bit number.
std::optional<SpeakerPorts> speakerPorts(const QString& transport);

// "seq=" + sequence + ";rtptime=" + RTP time.
QString rtpInfo(uint16_t sequence, uint32_t rtpTime);

// Decibels for a volume in percent: -144 (mute) at 0 or below, else a linear
// map of 0..100 onto -30..0 dB; above 100 counts as 100.
double volumeDecibels(double percent);
// "volume: " + the level with six decimals + CR LF, whatever the locale.
QByteArray volumeBody(double percent);

// User-facing failure sentences.
QString noStreamableTracksMessage(const QString& speakerName);
QString couldNotPlayMessage(const QString& speakerName, const QString& description);
QString lostConnectionMessage(const QString& speakerName);
