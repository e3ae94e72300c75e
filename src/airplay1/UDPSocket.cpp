#include "airplay1/UDPSocket.h"

#include "airplay1/AirPlay1Error.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {
[[noreturn]] void failWithErrno(int fd) {
    const QString text = QString::fromLocal8Bit(std::strerror(errno));
    if (fd >= 0) {
        ::close(fd);
    }
    throw AirPlay1Error::socketFailed(text);
}
} // namespace

UDPSocket::UDPSocket() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        failWithErrno(-1);
    }
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    any.sin_port = 0;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        failWithErrno(fd);
    }
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        failWithErrno(fd);
    }
    port_ = ntohs(bound.sin_port);
    fd_.store(fd);
}

void UDPSocket::send(const QByteArray& data, const sockaddr_in& to) const {
    send(data.constData(), static_cast<size_t>(data.size()), to);
}

void UDPSocket::send(const char* data, size_t size, const sockaddr_in& to) const {
    const int fd = fd_.load();
    if (fd >= 0) {
        ::sendto(fd, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
}

void UDPSocket::close() {
    const int fd = fd_.exchange(-1);
    if (fd >= 0) {
        ::close(fd);
    }
}

bool isFromSpeaker(const sockaddr_in& from, const sockaddr_in& speaker) {
    return from.sin_addr.s_addr == speaker.sin_addr.s_addr &&
           (speaker.sin_port == 0 || from.sin_port == speaker.sin_port);
}

std::optional<sockaddr_in> ipv4SocketAddress(const QString& address, uint16_t port) {
    sockaddr_in out{};
    out.sin_family = AF_INET;
    out.sin_port = htons(port);
    // inet_pton accepts only the dotted-quad form, never a host name.
    if (address.contains(QChar(0)) ||
        ::inet_pton(AF_INET, address.toLatin1().constData(), &out.sin_addr) != 1) {
        return std::nullopt;
    }
    return out;
}
