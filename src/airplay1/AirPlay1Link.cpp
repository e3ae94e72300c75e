#include "airplay1/AirPlay1Link.h"

#include "airplay1/ThreadPriority.h"

#include <poll.h>
#include <sys/socket.h>

AirPlay1Link::AirPlay1Link(const AirPlay1Clock& clock, TimeSource now, uint16_t firstSequence)
    : sequence(firstSequence)
    , clock_(clock)
    , now_(std::move(now))
    , timingPort_(timingSocket_.port())
    , controlPort_(controlSocket_.port()) {}

AirPlay1Link::~AirPlay1Link() {
    stop();
    if (receiveThread_.joinable()) {
        receiveThread_.join();
    }
}

bool AirPlay1Link::configure(const sockaddr_in& audio, const sockaddr_in& control,
                             const sockaddr_in& timing) {
    std::lock_guard lock(startMutex_);
    if (receiveThread_.joinable() || stopped_) {
        return false;
    }
    audioAddress_ = audio;
    controlAddress_ = control;
    timingSource_ = timing;
    receiveThread_ = std::thread([this] {
        nameAndPrioritiseCurrentThread("Korvid timing");
        receiveLoop();
    });
    return true;
}

void AirPlay1Link::stop() {
    std::lock_guard lock(startMutex_);
    stopped_ = true;
    if (!receiveThread_.joinable()) {
        // Never connected: its ports are free again at once.
        timingSocket_.close();
        controlSocket_.close();
        audioSocket_.close();
    }
}

void AirPlay1Link::sendAudio(uint16_t sequence, const QByteArray& packet) {
    audioSocket_.send(packet, audioAddress_);
    std::lock_guard lock(historyMutex_);
    history_.store(sequence, packet);
}

void AirPlay1Link::sendSync(const QByteArray& packet) const {
    controlSocket_.send(packet, controlAddress_);
}

bool AirPlay1Link::takeClockSyncDue(double now) {
    double due = clockSyncDueAt_.load();
    return due > 0 && now >= due && clockSyncDueAt_.compare_exchange_strong(due, 0);
}

void AirPlay1Link::receiveLoop() {
    char buffer[2048];
    pollfd fds[2] = {{timingSocket_.fd(), POLLIN, 0}, {controlSocket_.fd(), POLLIN, 0}};
    while (!stopped_) {
        fds[0].revents = 0;
        fds[1].revents = 0;
        if (::poll(fds, 2, 200) <= 0) {
            continue;
        }
        if (fds[0].revents & POLLIN) {
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t size = ::recvfrom(fds[0].fd, buffer, sizeof buffer, 0,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (size > 0 && fromLength == sizeof from) {
                answerTiming(buffer, size, from);
            }
        }
        if (fds[1].revents & POLLIN) {
            const ssize_t size = ::recv(fds[1].fd, buffer, sizeof buffer, 0);
            if (size > 0) {
                if (const auto request =
                        parseRetransmitRequest(QByteArray::fromRawData(buffer, size))) {
                    resend(*request);
                }
            }
        }
    }
}

void AirPlay1Link::answerTiming(char* buffer, ssize_t size, const sockaddr_in& from) {
    // Anyone may send to the timing port; an answer goes to the speaker only.
    if (!isFromSpeaker(from, timingSource_)) {
        return;
    }
    const auto reply =
        timingReply(QByteArray::fromRawData(buffer, size), clock_.ntpTimestamp(now_()));
    if (reply) {
        timingSocket_.send(*reply, from);
        // A receiver ignores syncs until it has taken in our clock, which
        // its timing thread may do only after a sync sent at once has been
        // dropped (it then skips half a second of audio to catch up). So a
        // sync follows each answered request, a little later.
        double none = 0;
        clockSyncDueAt_.compare_exchange_strong(none, now_() + kClockSyncDelaySeconds);
    }
}

void AirPlay1Link::resend(const RetransmitRequest& request) {
    for (const uint16_t sequence : resendSequences(request)) {
        std::optional<QByteArray> packet;
        {
            std::lock_guard lock(historyMutex_);
            packet = history_.find(sequence);
        }
        if (packet) {
            // Twice: a receiver asks for a lost packet once, so a resend lost
            // on the way as well would leave a gap. The copy costs little, as
            // resends are few.
            const QByteArray again = resendPacket(*packet);
            controlSocket_.send(again, controlAddress_);
            controlSocket_.send(again, controlAddress_);
        }
    }
}
