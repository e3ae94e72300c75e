#pragma once

#include <QHash>
#include <QMetaType>
#include <QString>

#include <cstdint>

// Where a discovered service lives. The browse result gives the first four
// fields; the resolver fills in the IPv4 address and port the RTSP client
// connects to (empty host / port 0 while unresolved).
struct ServiceEndpoint {
    QString name;   // service instance name, e.g. "0011223344AA@Kitchen"
    QString type;   // "_raop._tcp"
    QString domain; // "local"
    int interfaceIndex = -1;
    QString host; // dotted-quad IPv4 address
    quint16 port = 0;

    friend bool operator==(const ServiceEndpoint&, const ServiceEndpoint&) = default;
};

inline size_t qHash(const ServiceEndpoint& e, size_t seed = 0) noexcept {
    return qHashMulti(seed, e.name, e.type, e.domain, e.interfaceIndex, e.host, e.port);
}

// A legacy speaker the program can stream to itself.
struct AirPlay1Speaker {
    QString id;   // full "_raop._tcp" service instance name; stable key
    QString name; // display name: the part after the first '@'
    ServiceEndpoint endpoint;
    bool supportsPCM = false; // TXT "cn" lists codec "0"

    friend bool operator==(const AirPlay1Speaker&, const AirPlay1Speaker&) = default;
};

inline size_t qHash(const AirPlay1Speaker& s, size_t seed = 0) noexcept {
    return qHashMulti(seed, s.id, s.name, s.endpoint, s.supportsPCM);
}

// How the audio is carried to the speaker.
enum class AirPlay1Codec { pcm, alac };

Q_DECLARE_METATYPE(AirPlay1Speaker)
