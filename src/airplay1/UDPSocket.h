#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>

#include <netinet/in.h>

// An IPv4 datagram socket bound to an ephemeral port on every address.
class UDPSocket {
public:
    // Throws AirPlay1Error::socketFailed with the system's error text.
    UDPSocket();
    ~UDPSocket() { close(); }
    UDPSocket(const UDPSocket&) = delete;
    UDPSocket& operator=(const UDPSocket&) = delete;

    int fd() const { return fd_.load(); }
    uint16_t port() const { return port_; }
    // Best effort: a datagram that cannot go out is simply lost.
    void send(const QByteArray& data, const sockaddr_in& to) const;
    void send(const char* data, size_t size, const sockaddr_in& to) const;
    // Idempotent.
    void close();

private:
    std::atomic<int> fd_{-1};
    uint16_t port_ = 0;
};

// An IPv4 socket address from dotted-quad text, or nothing for anything else
// (host names included).
std::optional<sockaddr_in> ipv4SocketAddress(const QString& address, uint16_t port);

// Whether a datagram from `from` comes from `speaker`: the same address and,
// unless the speaker's port is 0 (not known), the same port.
bool isFromSpeaker(const sockaddr_in& from, const sockaddr_in& speaker);
