#include "airplay1/AirPlay1Stream.h"

#include "airplay1/AirPlay1Error.h"
#include "airplay1/AirPlay1SendPlan.h"
#include "airplay1/ThreadPriority.h"

#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace {
uint16_t randomSequence() {
    return static_cast<uint16_t>(QRandomGenerator::system()->generate());
}
} // namespace

AirPlay1Stream::AirPlay1Stream(AirPlay1Codec codec, std::function<void()> onQueueFinished,
                               Options options)
    : codec_(codec)
    , onQueueFinished_(std::move(onQueueFinished))
    , now_(std::move(options.now))
    , packetTimed_(std::move(options.packetTimed))
    , alacEncoder_(std::move(options.alacEncoder))
    , clock_(AirPlay1Clock::fromReadings(wallClockSeconds(), now_()))
    , ssrc_(QRandomGenerator::system()->generate())
    , first_(std::make_shared<AirPlay1Link>(clock_, now_,
                                            options.firstSequence.value_or(randomSequence())))
    , silence_(kFramesPerPacket * kBytesPerFrame, '\0')
    , rtpTime_(
          options.firstRTPTime.value_or(QRandomGenerator::system()->generate() & 0x7FFFFFFFu)) {}

AirPlay1Stream::~AirPlay1Stream() {
    close();
    if (sendThread_.joinable()) {
        sendThread_.join();
    }
}

void AirPlay1Stream::configure(const QString& remoteIP, uint16_t serverPort, uint16_t controlPort,
                               uint16_t timingPort) {
    connect(first_, remoteIP, serverPort, controlPort, timingPort);
    std::lock_guard lock(mutex_);
    if (std::find(links_.begin(), links_.end(), first_) == links_.end()) {
        links_.push_back(first_);
    }
}

std::shared_ptr<AirPlay1Link> AirPlay1Stream::addLink() {
    return std::make_shared<AirPlay1Link>(clock_, now_, randomSequence());
}

void AirPlay1Stream::connect(const std::shared_ptr<AirPlay1Link>& link, const QString& remoteIP,
                             uint16_t serverPort, uint16_t controlPort, uint16_t timingPort) {
    const auto audio = ipv4SocketAddress(remoteIP, serverPort);
    const auto control = ipv4SocketAddress(remoteIP, controlPort);
    const auto timing = ipv4SocketAddress(remoteIP, timingPort);
    if (!audio || !control || !timing) {
        throw AirPlay1Error::socketFailed(QStringLiteral("bad address ") + remoteIP);
    }
    std::lock_guard lock(mutex_);
    if (isClosed_) {
        throw AirPlay1Error::socketFailed(QStringLiteral("stream closed"));
    }
    // A link already talking to a speaker keeps its addresses.
    link->configure(*audio, *control, *timing);
    startThreadsLocked();
}

void AirPlay1Stream::startThreadsLocked() {
    if (threadsStarted_) {
        return;
    }
    threadsStarted_ = true;
    sendThread_ = std::thread([this] {
        nameAndPrioritiseCurrentThread("Korvid audio");
        sendLoop();
    });
}

void AirPlay1Stream::startSendingTo(const std::shared_ptr<AirPlay1Link>& link) {
    {
        std::lock_guard lock(mutex_);
        if (isClosed_ || std::find(links_.begin(), links_.end(), link) != links_.end()) {
            return;
        }
        link->opensRun = true;
        links_.push_back(link);
    }
    wakeSender();
}

void AirPlay1Stream::removeLink(const std::shared_ptr<AirPlay1Link>& link) {
    link->stop();
    std::vector<std::shared_ptr<AirPlay1Link>> ended;
    {
        std::lock_guard lock(mutex_);
        std::erase(links_, link);
        // The send thread may still hold a link for a packet under way; the
        // stream keeps it, so its end (which waits for its receive thread)
        // never falls to the real-time thread. Ones only kept here end now.
        for (auto& retired : retired_) {
            if (retired.use_count() == 1) {
                ended.push_back(std::move(retired));
            }
        }
        std::erase(retired_, nullptr);
        if (link != first_) {
            retired_.push_back(link);
        }
    }
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
    for (const auto& link : links_) {
        link->opensRun = true;
    }
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
    std::vector<std::shared_ptr<AirPlay1Link>> links;
    {
        std::lock_guard lock(mutex_);
        isSending_ = false;
        isClosed_ = true;
        if (queue_) {
            queue_->close();
            dropped = std::move(queue_);
        }
        position_.publish(std::nullopt);
        links = links_;
    }
    wakeSender();
    first_->stop();
    for (const auto& link : links) {
        link->stop();
    }
}

AirPlay1Stream::NextPacket AirPlay1Stream::nextPacket() const {
    return nextPacket(*first_);
}

AirPlay1Stream::NextPacket AirPlay1Stream::nextPacket(const AirPlay1Link& link) const {
    std::lock_guard lock(mutex_);
    return {link.sequence, rtpTime_};
}

AirPlay1Stream::NextPacket AirPlay1Stream::stopSending() {
    std::lock_guard lock(mutex_);
    isSending_ = false;
    return {first_->sequence, rtpTime_};
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

QByteArray AirPlay1Stream::payloadFor(const QByteArray& frames) {
    if (codec_ == AirPlay1Codec::pcm) {
        return pcmPayload(frames);
    }
    if (alacEncoder_) {
        QByteArray compressed = alacEncoder_->encode(frames);
        if (!compressed.isEmpty()) {
            return compressed;
        }
    }
    return alacVerbatimPayload(frames);
}

void AirPlay1Stream::sendSyncs(double now, uint64_t elapsed) {
    const bool periodic = syncDue(startsNewRun_, elapsed, lastSyncFrame_);
    if (periodic) {
        lastSyncFrame_ = elapsed;
    }
    const double at = anchorTime_ + static_cast<double>(elapsed) / kSampleRate;
    for (const auto& link : links_) {
        // A link that answered a timing request gets its sync then; others
        // keep that turn for later.
        if (link->takeClockSyncDue(now) || periodic || link->opensRun) {
            link->sendSync(
                syncPacket(link->opensRun, anchorRTPTime_, elapsed, clock_.ntpTimestamp(at)));
        }
    }
}

void AirPlay1Stream::packForLinks(const QByteArray& payload) {
    outgoing_.clear();
    for (const auto& link : links_) {
        outgoing_.push_back(
            {link, link->sequence,
             audioPacket({link->opensRun, link->sequence, rtpTime_, ssrc_}, payload)});
        link->opensRun = false;
        link->sequence = static_cast<uint16_t>(link->sequence + 1);
    }
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
        sendSyncs(now, elapsed);
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
            packForLinks(payloadFor(audio ? block_.frames : silence_));
            startsNewRun_ = false;
            rtpTime_ += kFramesPerPacket;
            framesSinceAnchor_ += kFramesPerPacket;
            lock.unlock();
            for (const Outgoing& out : outgoing_) {
                out.link->sendAudio(out.sequence, out.packet);
            }
            if (stopwatch) {
                stopwatch->report(packetTimed_);
            }
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
    // Links let go here, so none is closed under a packet under way.
    outgoing_.clear();
}
