#include "airplay1/AirPlay1Stream.h"

#include "airplay1/AirPlay1Error.h"
#include "airplay1/AirPlay1SendPlan.h"
#include "airplay1/ThreadPriority.h"

#include <QRandomGenerator>

#include <chrono>
#include <ctime>

#include <poll.h>
#include <sys/socket.h>

AirPlay1Stream::AirPlay1Stream(AirPlay1Codec codec, std::function<void()> onQueueFinished,
                               Options options)
    : codec_(codec)
    , onQueueFinished_(std::move(onQueueFinished))
    , now_(std::move(options.now))
    , packetTimed_(std::move(options.packetTimed))
    , timingPort_(timingSocket_.port())
    , controlPort_(controlSocket_.port())
    , clock_(AirPlay1Clock::fromReadings(wallClockSeconds(), now_()))
    , ssrc_(QRandomGenerator::system()->generate())
    , silence_(kFramesPerPacket * kBytesPerFrame, '\0')
    , sequence_(options.firstSequence.value_or(
          static_cast<uint16_t>(QRandomGenerator::system()->generate())))
    , rtpTime_(
          options.firstRTPTime.value_or(QRandomGenerator::system()->generate() & 0x7FFFFFFFu)) {}

AirPlay1Stream::~AirPlay1Stream() {
    close();
    if (sendThread_.joinable()) {
        sendThread_.join();
    }
    if (receiveThread_.joinable()) {
        receiveThread_.join();
    }
}

void AirPlay1Stream::configure(const QString& remoteIP, uint16_t serverPort, uint16_t controlPort,
                               uint16_t timingPort) {
    const auto audio = ipv4SocketAddress(remoteIP, serverPort);
    const auto control = ipv4SocketAddress(remoteIP, controlPort);
    const auto timing = ipv4SocketAddress(remoteIP, timingPort);
    if (!audio || !control || !timing) {
        throw AirPlay1Error::socketFailed(QStringLiteral("bad address ") + remoteIP);
    }
    {
        std::lock_guard lock(mutex_);
        if (isClosed_) {
            throw AirPlay1Error::socketFailed(QStringLiteral("stream closed"));
        }
        if (threadsStarted_) {
            return; // already talking to a speaker; its addresses stay
        }
        audioAddress_ = *audio;
        controlAddress_ = *control;
        timingSource_ = *timing;
        threadsStarted_ = true;
    }
    sendThread_ = std::thread([this] {
        nameAndPrioritiseCurrentThread("Korvid audio");
        sendLoop();
    });
    receiveThread_ = std::thread([this] {
        nameAndPrioritiseCurrentThread("Korvid timing");
        receiveLoop();
    });
}

void AirPlay1Stream::start(std::unique_ptr<AirPlay1FrameSource> queue) {
    // The sources dropped here end after the lock is released: a decoding
    // thread may take a moment to stop.
    std::unique_ptr<AirPlay1FrameSource> previous;
    std::unique_ptr<AirPlay1FrameSource> refused;
    {
        std::lock_guard lock(mutex_);
        previous = std::move(queue_);
        if (previous) {
            previous->close();
        }
        if (isClosed_ && queue) {
            queue->close();
            refused = std::move(queue);
        }
        queue_ = std::move(queue);
        position_.publish(queue_ ? std::optional(queue_->startPosition()) : std::nullopt);
        beginRunLocked();
    }
    wakeSender();
}

void AirPlay1Stream::beginRun() {
    {
        std::lock_guard lock(mutex_);
        beginRunLocked();
    }
    wakeSender();
}

void AirPlay1Stream::wakeSender() {
    wake_.fetch_add(1);
    wake_.notify_all();
}

void AirPlay1Stream::beginRunLocked() {
    if (isClosed_) {
        return;
    }
    anchorTime_ = now_();
    anchorRTPTime_ = rtpTime_;
    framesSinceAnchor_ = 0;
    lastSyncFrame_ = 0;
    startsNewRun_ = true;
    refilling_ = false;
    isSending_ = true;
}

bool AirPlay1Stream::beginRunIfQueued() {
    {
        std::lock_guard lock(mutex_);
        if (!queue_ || isClosed_) {
            return false;
        }
        beginRunLocked();
    }
    wakeSender();
    return true;
}

void AirPlay1Stream::close() {
    std::unique_ptr<AirPlay1FrameSource> dropped;
    bool started = false;
    {
        std::lock_guard lock(mutex_);
        isSending_ = false;
        isClosed_ = true;
        if (queue_) {
            queue_->close();
            dropped = std::move(queue_);
        }
        position_.publish(std::nullopt);
        started = threadsStarted_;
    }
    wakeSender();
    receiverStopped_ = true;
    if (!started) {
        timingSocket_.close();
        controlSocket_.close();
        audioSocket_.close();
    }
}

AirPlay1Stream::NextPacket AirPlay1Stream::nextPacket() const {
    std::lock_guard lock(mutex_);
    return {sequence_, rtpTime_};
}

AirPlay1Stream::NextPacket AirPlay1Stream::stopSending() {
    std::lock_guard lock(mutex_);
    isSending_ = false;
    return {sequence_, rtpTime_};
}

bool AirPlay1Stream::isSending() const {
    std::lock_guard lock(mutex_);
    return isSending_;
}

bool AirPlay1Stream::hasQueue() const {
    std::lock_guard lock(mutex_);
    return queue_ != nullptr;
}

std::optional<AirPlay1QueuePosition> AirPlay1Stream::position() const {
    return position_.read();
}

QByteArray AirPlay1Stream::payloadFor(const QByteArray& frames) const {
    return codec_ == AirPlay1Codec::pcm ? pcmPayload(frames) : alacVerbatimPayload(frames);
}

void AirPlay1Stream::sendSync(bool first, uint64_t elapsed) {
    const double at = anchorTime_ + static_cast<double>(elapsed) / kSampleRate;
    controlSocket_.send(syncPacket(first, anchorRTPTime_, elapsed, clock_.ntpTimestamp(at)),
                        controlAddress_);
}

namespace {
// Wall and thread CPU time since it was made: what a packet cost, for the
// benchmark's seam.
class PacketStopwatch {
public:
    void report(const std::function<void(double, double)>& to) const {
        to(now(CLOCK_MONOTONIC) - wall_, now(CLOCK_THREAD_CPUTIME_ID) - cpu_);
    }

private:
    static double now(clockid_t clock) {
        timespec ts{};
        clock_gettime(clock, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    }
    double wall_ = now(CLOCK_MONOTONIC);
    double cpu_ = now(CLOCK_THREAD_CPUTIME_ID);
};

// A bound on one wait, so a clock that jumps is noticed soon: two packets.
constexpr uint64_t kMaxWaitFrames = 2 * kFramesPerPacket;
// How soon the send thread looks again when a caller holds the lock.
constexpr auto kLockRetry = std::chrono::microseconds(200);
// How often a run that waits for its cushion of decoded audio looks again.
constexpr auto kCushionWait = std::chrono::milliseconds(2);
} // namespace

void AirPlay1Stream::sendLoop() {
    for (;;) {
        const uint64_t seen = wake_.load();
        std::unique_lock lock(mutex_, std::try_to_lock);
        if (!lock.owns_lock()) {
            std::this_thread::sleep_for(kLockRetry);
            continue;
        }
        if (isClosed_) {
            break;
        }
        if (!isSending_ || !queue_) {
            lock.unlock();
            wake_.wait(seen);
            continue;
        }
        if (framesSinceAnchor_ == 0 && !runMayBegin(queue_->readiness())) {
            // The run's clock starts once there is audio to send, so it
            // opens with sound rather than with silence.
            anchorTime_ = now_();
            lock.unlock();
            std::this_thread::sleep_for(kCushionWait);
            continue;
        }
        double now = now_();
        if (fallenBehind(framesSinceAnchor_, elapsedFrames(now, anchorTime_))) {
            // This thread itself was held up: a new run from here, not a burst.
            beginRunLocked();
            now = anchorTime_;
        }
        const uint64_t elapsed = elapsedFrames(now, anchorTime_);
        const double clockSyncAt = clockSyncDueAt_.load();
        const bool clockSyncDue = clockSyncAt > 0 && now >= clockSyncAt;
        if (syncDue(startsNewRun_, elapsed, lastSyncFrame_) || clockSyncDue) {
            sendSync(startsNewRun_, elapsed);
            lastSyncFrame_ = elapsed;
            if (clockSyncDue) {
                double expected = clockSyncAt;
                clockSyncDueAt_.compare_exchange_strong(expected, 0);
            }
        }
        if (mayQueuePacket(framesSinceAnchor_, elapsed)) {
            std::optional<PacketStopwatch> stopwatch;
            if (packetTimed_) {
                stopwatch.emplace();
            }
            const SendStep step = nextSendStep(refilling_, queue_->readiness());
            if (step == SendStep::finished) {
                isSending_ = false;
                lock.unlock();
                if (onQueueFinished_) {
                    onQueueFinished_();
                }
                continue;
            }
            const bool audio = step == SendStep::audio && queue_->take(block_);
            if (audio) {
                position_.publish(block_.position);
            }
            const QByteArray packet = audioPacket({startsNewRun_, sequence_, rtpTime_, ssrc_},
                                                  payloadFor(audio ? block_.frames : silence_));
            startsNewRun_ = false;
            const uint16_t sent = sequence_;
            sequence_ = static_cast<uint16_t>(sequence_ + 1);
            rtpTime_ += kFramesPerPacket;
            framesSinceAnchor_ += kFramesPerPacket;
            lock.unlock();
            audioSocket_.send(packet, audioAddress_);
            if (stopwatch) {
                stopwatch->report(packetTimed_);
            }
            std::lock_guard historyLock(historyMutex_);
            history_.store(sent, packet);
            continue;
        }
        // Nothing is due: sleep until the next packet's turn or sync rather
        // than polling, so streaming costs one wake-up per packet.
        const auto frames = std::min<uint64_t>(
            framesUntilDue(framesSinceAnchor_, elapsed, lastSyncFrame_), kMaxWaitFrames);
        lock.unlock();
        std::this_thread::sleep_for(
            std::chrono::microseconds(frames * 1'000'000 / kSampleRate + 1));
    }
    audioSocket_.close();
}

void AirPlay1Stream::receiveLoop() {
    char buffer[2048];
    pollfd fds[2] = {{timingSocket_.fd(), POLLIN, 0}, {controlSocket_.fd(), POLLIN, 0}};
    while (!receiverStopped_) {
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
    timingSocket_.close();
    controlSocket_.close();
}

void AirPlay1Stream::answerTiming(char* buffer, ssize_t size, const sockaddr_in& from) {
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

void AirPlay1Stream::resend(const RetransmitRequest& request) {
    for (const uint16_t sequence : resendSequences(request)) {
        std::optional<QByteArray> packet;
        {
            std::lock_guard lock(historyMutex_);
            packet = history_.find(sequence);
        }
        if (packet) {
            controlSocket_.send(resendPacket(*packet), controlAddress_);
        }
    }
}
