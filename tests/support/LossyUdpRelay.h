#pragma once

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <random>
#include <thread>

// A lossy link on loopback, as Wi-Fi would be: datagrams sent to port()
// reach 127.0.0.1:target, except that `dropRate` of them are lost and each
// is held back by a random delay up to `maxDelay` (so some overtake others).
class LossyUdpRelay {
public:
    LossyUdpRelay(uint16_t target, double dropRate, std::chrono::milliseconds maxDelay);
    ~LossyUdpRelay();
    LossyUdpRelay(const LossyUdpRelay&) = delete;
    LossyUdpRelay& operator=(const LossyUdpRelay&) = delete;

    uint16_t port() const { return port_; }
    int passed() const;
    int dropped() const;

private:
    void receive();
    void deliver();

    uint16_t port_ = 0; // set by the socket's opening, so first
    int fd_ = -1;
    uint16_t target_;
    double dropRate_;
    std::chrono::milliseconds maxDelay_;
    std::mt19937 random_{20261207};
    mutable std::mutex mutex_;
    std::condition_variable due_;
    std::multimap<std::chrono::steady_clock::time_point, QByteArray> held_;
    int passed_ = 0;
    int dropped_ = 0;
    bool stop_ = false;
    std::thread receiver_;
    std::thread sender_;
};
