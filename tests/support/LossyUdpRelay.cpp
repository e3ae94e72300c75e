#include "support/LossyUdpRelay.h"

#include "support/LoopbackUdp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

LossyUdpRelay::LossyUdpRelay(uint16_t target, double dropRate, std::chrono::milliseconds maxDelay)
    : fd_(openLoopbackUdpSocket(port_))
    , target_(target)
    , dropRate_(dropRate)
    , maxDelay_(maxDelay) {
    receiver_ = std::thread([this] { receive(); });
    sender_ = std::thread([this] { deliver(); });
}

LossyUdpRelay::~LossyUdpRelay() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    due_.notify_all();
    receiver_.join();
    sender_.join();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int LossyUdpRelay::passed() const {
    std::lock_guard lock(mutex_);
    return passed_;
}

int LossyUdpRelay::dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

void LossyUdpRelay::receive() {
    char buffer[2048];
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, 50);
        std::unique_lock lock(mutex_);
        if (stop_) {
            return;
        }
        if (ready <= 0) {
            continue;
        }
        lock.unlock();
        const ssize_t size = ::recv(fd_, buffer, sizeof buffer, 0);
        lock.lock();
        if (size <= 0) {
            continue;
        }
        if (std::uniform_real_distribution<double>(0, 1)(random_) < dropRate_) {
            ++dropped_;
            continue;
        }
        const auto delay = std::chrono::microseconds(std::uniform_int_distribution<int64_t>(
            0, std::chrono::microseconds(maxDelay_).count())(random_));
        held_.emplace(std::chrono::steady_clock::now() + delay, QByteArray(buffer, size));
        due_.notify_all();
    }
}

void LossyUdpRelay::deliver() {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(target_);
    std::unique_lock lock(mutex_);
    while (!stop_) {
        if (held_.empty()) {
            due_.wait(lock);
            continue;
        }
        const auto first = held_.begin();
        if (first->first > std::chrono::steady_clock::now()) {
            due_.wait_until(lock, first->first);
            continue;
        }
        const QByteArray datagram = first->second;
        held_.erase(first);
        ++passed_;
        ::sendto(fd_, datagram.constData(), size_t(datagram.size()), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
}
