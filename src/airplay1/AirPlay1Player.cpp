#include "airplay1/AirPlay1Player.h"

#include "airplay1/AirPlay1DecodingFeed.h"
#include "airplay1/AirPlay1Error.h"
#include "airplay1/AirPlay1Handshake.h"
#include "airplay1/AirPlay1PlayerSession.h"
#include "airplay1/AirPlay1Stream.h"
#include "airplay1/AirPlay1TrackQueue.h"
#include "airplay1/PcmReader.h"
#include "airplay1/RTSPClient.h"

#include <QPointer>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

// Lets the stream's send thread reach the player only while it lives, and
// tells a coroutine that resumes after the player's end to touch nothing.
struct AirPlay1Player::Guard {
    std::mutex mutex;
    AirPlay1Player* player = nullptr; // written on the main thread only
};

// One search for a playable track, and the wake-up of the `play` awaiting it.
struct AirPlay1Player::Opening {
    std::unique_ptr<TrackOpening> work;
    CancellationSource ended; // main thread only
};

bool AirPlay1Player::isGone(const std::shared_ptr<Guard>& guard) {
    return guard->player == nullptr;
}

namespace {

// QStringLiteral's static arrays trip the compiler inside coroutines.
QString text(const char* latin1) {
    return QString::fromLatin1(latin1);
}

// Header maps are built outside the coroutines for the same reason.
QMap<QString, QString> oneHeader(const char* name, const QString& value) {
    QMap<QString, QString> out;
    out.insert(text(name), value);
    return out;
}

QMap<QString, QString> contentType(const char* type) {
    return oneHeader("Content-Type", text(type));
}

QMap<QString, QString> recordHeaders(uint16_t sequence, uint32_t rtpTime) {
    QMap<QString, QString> out = oneHeader("RTP-Info", rtpInfo(sequence, rtpTime));
    out.insert(text("Range"), text("npt=0-"));
    return out;
}

constexpr auto kKeepAliveInterval = std::chrono::seconds(10);

AirPlay1PlaybackPosition toPlayback(const AirPlay1QueuePosition& p) {
    return {p.index, secondsAtFrame(p.frames)};
}

} // namespace

QString AirPlay1Player::describe(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const KorvidError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return text("Unknown error.");
    }
}

AirPlay1Player::AirPlay1Player(Clock& clock, std::shared_ptr<PcmReaderFactory> decoding,
                               QObject* parent)
    : QObject(parent)
    , clock_(clock)
    , decoding_(std::move(decoding))
    , guard_(std::make_shared<Guard>()) {
    qRegisterMetaType<AirPlay1PlayerEvent>();
    guard_->player = this;
}

AirPlay1Player::~AirPlay1Player() {
    {
        std::lock_guard lock(guard_->mutex);
        guard_->player = nullptr;
    }
    if (keepAlive_) {
        keepAlive_->cancel();
    }
    for (const auto& session : group()) {
        session->stream->close();
        session->rtsp->cancel();
    }
    for (const auto& weak : connecting_) {
        if (const auto rtsp = weak.lock()) {
            rtsp->cancel();
        }
    }
    // Each waiting `play` resumes, finds the player gone and drops its
    // search; a worker still stuck in the file system finishes alone.
    for (const auto& weak : std::exchange(openings_, {})) {
        if (const auto opening = weak.lock()) {
            opening->ended.cancel();
        }
    }
}

void AirPlay1Player::yield(AirPlay1PlayerEvent e) {
    Q_EMIT event(e);
}

std::function<void()> AirPlay1Player::finishedCallback(std::shared_ptr<Guard> guard) {
    // Runs on the send thread: hand the event to the player's own thread.
    return [guard] {
        std::lock_guard lock(guard->mutex);
        if (AirPlay1Player* player = guard->player) {
            QMetaObject::invokeMethod(
                player,
                [player] {
                    player->yield({AirPlay1PlayerEvent::Kind::finished, {}});
                },
                Qt::QueuedConnection);
        }
    };
}

QString AirPlay1Player::sessionUri() const {
    return session_ ? session_->uri : QString();
}

QCoro::Task<> AirPlay1Player::play(QList<QUrl> tracks, int startIndex, double startSeconds,
                                   AirPlay1Speaker speaker, double volumePercent) {
    // Each await below may resume after the player is gone (its destructor
    // cancels what is pending); from then on nothing of it may be touched.
    const auto guard = guard_;
    tracks_ = tracks;
    volumePercent_ = volumePercent;
    lostPlace_.reset();

    // A place past any real track still fits the frame counter.
    const double from =
        std::isfinite(startSeconds) && startSeconds > 0 ? std::min(startSeconds, 1e9) : 0;
    auto found = co_await openFirstTrack(tracks, startIndex, from);
    if (isGone(guard)) {
        co_return;
    }
    if (!found) {
        if (session_ && session_->stream->isSending()) {
            co_await flush(session_);
            if (isGone(guard)) {
                co_return;
            }
        }
        yield(AirPlay1PlayerEvent::failed(noStreamableTracksMessage(speaker.name)));
        co_return;
    }
    const int index = found->index;
    const qint64 frames = index == startIndex ? frameAtSeconds(from) : 0;
    auto queue = std::make_unique<AirPlay1TrackQueue>(tracks, std::move(found->decoder), index,
                                                      index, frames, decoding_);
    queue->preloadNext();

    std::shared_ptr<Session> session;
    std::exception_ptr failure;
    try {
        session = co_await readySession(speaker);
    } catch (...) {
        failure = std::current_exception();
    }
    if (isGone(guard)) {
        queue->close();
        co_return;
    }
    if (failure) {
        queue->close();
        co_await disconnect();
        if (!isGone(guard)) {
            yield(
                AirPlay1PlayerEvent::failed(couldNotPlayMessage(speaker.name, describe(failure))));
        }
        co_return;
    }
    session->stream->start(std::make_unique<AirPlay1DecodingFeed>(std::move(queue)));
    yield({AirPlay1PlayerEvent::Kind::started, {}});
}

QCoro::Task<std::optional<TrackOpening::Opened>>
AirPlay1Player::openFirstTrack(QList<QUrl> tracks, int startIndex, double startSeconds) {
    const auto guard = guard_;
    auto opening = std::make_shared<Opening>();
    const std::weak_ptr<Opening> weak = opening;
    // Runs on the worker: wakes this coroutine on the player's thread.
    auto ended = [guard, weak] {
        std::lock_guard lock(guard->mutex);
        if (AirPlay1Player* player = guard->player) {
            QMetaObject::invokeMethod(
                player,
                [weak] {
                    if (const auto opening = weak.lock()) {
                        opening->ended.cancel();
                    }
                },
                Qt::QueuedConnection);
        }
    };
    // Nothing waits for a worker that is given up: the window must not stall.
    opening->work = std::make_unique<TrackOpening>(std::move(tracks), startIndex, startSeconds,
                                                   decoding_, "Korvid opening",
                                                   std::chrono::milliseconds(0), std::move(ended));
    std::erase_if(openings_, [](const auto& w) { return w.expired(); });
    openings_.push_back(opening);
    const bool timedOut = co_await clock_.sleep(openingTimeout_, opening->ended.token());
    if (timedOut || isGone(guard)) {
        co_return std::nullopt; // dropping `opening` gives the search up
    }
    co_return opening->work->take();
}

QCoro::Task<std::shared_ptr<AirPlay1Player::Session>>
AirPlay1Player::readySession(AirPlay1Speaker speaker) {
    // Empty when the player went away meanwhile.
    const auto guard = guard_;
    if (session_ && session_->speaker.id == speaker.id) {
        auto current = session_;
        const bool answers = co_await stillAnswers(current);
        if (isGone(guard)) {
            co_return std::shared_ptr<Session>();
        }
        if (answers) {
            co_return current;
        }
    }
    co_await disconnect();
    if (isGone(guard)) {
        co_return std::shared_ptr<Session>();
    }
    auto session = co_await connect(speaker);
    if (isGone(guard)) {
        co_return std::shared_ptr<Session>(); // the new session ends with this last reference
    }
    session_ = session;
    startKeepAlive(session);
    co_return session;
}

QCoro::Task<std::shared_ptr<AirPlay1Player::Session>>
AirPlay1Player::connect(AirPlay1Speaker speaker) {
    AirPlay1Stream::Options options;
    if (compression_) {
        options.alacEncoder = (decoding_ ? decoding_ : PcmReaderFactory::ffmpeg())->alacEncoder();
    }
    const AirPlay1Codec codec =
        options.alacEncoder || !speaker.supportsPCM ? AirPlay1Codec::alac : AirPlay1Codec::pcm;
    auto stream =
        std::make_shared<AirPlay1Stream>(codec, finishedCallback(guard_), std::move(options));
    std::exception_ptr failure;
    try {
        co_return co_await handshake(speaker, stream, stream->firstLink());
    } catch (...) {
        failure = std::current_exception();
    }
    stream->close();
    std::rethrow_exception(failure);
}

QCoro::Task<std::shared_ptr<AirPlay1Player::Session>>
AirPlay1Player::handshake(AirPlay1Speaker speaker, std::shared_ptr<AirPlay1Stream> stream,
                          std::shared_ptr<AirPlay1Link> link) {
    const auto guard = guard_;
    auto rtsp = std::make_shared<RTSPClient>(speaker.endpoint);
    std::erase_if(connecting_, [](const auto& w) { return w.expired(); });
    connecting_.push_back(rtsp); // the destructor cancels a handshake in progress

    std::exception_ptr failure;
    try {
        const RTSPAddresses addresses = co_await rtsp->connect();
        const uint32_t number = randomSessionNumber();
        const QString uri = ::sessionUri(addresses.local, number);
        co_await rtsp->request(text("OPTIONS"), text("*"));
        co_await rtsp->request(text("ANNOUNCE"), uri, contentType("application/sdp"),
                               sdpBody(stream->codec(), number, addresses.local, addresses.remote));
        const RTSPResponse setup = co_await rtsp->request(
            text("SETUP"), uri,
            oneHeader("Transport", transportRequest(link->controlPort(), link->timingPort())));
        const auto ports = speakerPorts(setup.header(text("transport")));
        if (!ports) {
            throw AirPlay1Error::badResponse();
        }
        const auto route = [&](uint16_t port) {
            return portRoute_ ? portRoute_(speaker, port) : port;
        };
        stream->connect(link, addresses.remote, route(ports->server), route(ports->control),
                        ports->timing);
        const auto next = stream->nextPacket(*link);
        co_await rtsp->request(text("RECORD"), uri, recordHeaders(next.sequence, next.rtpTime));
        auto session = std::make_shared<Session>(Session{speaker, rtsp, stream, link, uri});
        if (!isGone(guard)) {
            co_await sendVolume(session);
        }
        stream->startSendingTo(link);
        co_return session;
    } catch (...) {
        failure = std::current_exception();
    }
    stream->removeLink(link);
    rtsp->cancel();
    std::rethrow_exception(failure);
}

QCoro::Task<bool> AirPlay1Player::stillAnswers(std::shared_ptr<Session> session) {
    try {
        co_await session->rtsp->request(text("OPTIONS"), text("*"));
    } catch (...) {
        co_return false;
    }
    co_return true;
}

QCoro::Task<> AirPlay1Player::sendVolume(std::shared_ptr<Session> session) {
    const double percent = std::clamp(volumePercent_ + session->volumeOffset, 0.0, 100.0);
    co_await session->rtsp->request(text("SET_PARAMETER"), session->uri,
                                    contentType("text/parameters"), volumeBody(percent));
}

QCoro::Task<> AirPlay1Player::flush(std::shared_ptr<Session> lead) {
    lead->stream->stopSending();
    for (const auto& session : group()) {
        const auto next = session->stream->nextPacket(*session->link);
        try {
            co_await session->rtsp->request(
                text("FLUSH"), session->uri,
                oneHeader("RTP-Info", rtpInfo(next.sequence, next.rtpTime)));
        } catch (...) {
            // The place is kept either way; a later resume re-checks the speaker.
        }
    }
}

QCoro::Task<> AirPlay1Player::pause() {
    const auto guard = guard_;
    if (session_) {
        co_await flush(session_);
        if (isGone(guard)) {
            co_return;
        }
    }
    yield({AirPlay1PlayerEvent::Kind::paused, {}});
}

QCoro::Task<> AirPlay1Player::resume() {
    const auto guard = guard_;
    auto session = session_;
    if (!session || !session->stream->hasQueue()) {
        if (!session && lostPlace_) {
            // The connection was lost while playing: start again where it stopped.
            const LostPlace place = *lostPlace_;
            co_await play(tracks_, place.position.index, place.position.seconds, place.speaker,
                          volumePercent_);
            co_return;
        }
        yield({AirPlay1PlayerEvent::Kind::paused, {}});
        co_return;
    }
    const auto place = session->stream->position();
    const bool alive = co_await stillAnswers(session);
    if (isGone(guard)) {
        co_return;
    }
    if (alive) {
        session->stream->beginRunIfQueued();
        yield({AirPlay1PlayerEvent::Kind::started, {}});
        co_return;
    }
    co_await disconnect();
    if (isGone(guard)) {
        co_return;
    }
    const AirPlay1PlaybackPosition at = place ? toPlayback(*place) : AirPlay1PlaybackPosition{};
    co_await play(tracks_, at.index, at.seconds, session->speaker, volumePercent_);
}

QCoro::Task<> AirPlay1Player::skip(int by) {
    const auto guard = guard_;
    auto session = session_;
    if (!session) {
        co_return;
    }
    const auto place = session->stream->position();
    if (!place) {
        co_return;
    }
    const int target = place->index + by;
    if (target >= tracks_.size()) {
        co_await flush(session);
        if (!isGone(guard)) {
            yield({AirPlay1PlayerEvent::Kind::finished, {}});
        }
        co_return;
    }
    co_await play(tracks_, target, 0, session->speaker, volumePercent_);
}

std::optional<AirPlay1PlaybackPosition> AirPlay1Player::position() const {
    if (session_) {
        if (const auto place = session_->stream->position()) {
            return toPlayback(*place);
        }
        return std::nullopt;
    }
    if (lostPlace_) {
        return lostPlace_->position;
    }
    return std::nullopt;
}

QCoro::Task<std::optional<AirPlay1PlaybackPosition>> AirPlay1Player::stop() {
    const auto place = position();
    lostPlace_.reset();
    co_await disconnect();
    co_return place;
}

QCoro::Task<> AirPlay1Player::setVolume(double percent) {
    volumePercent_ = percent;
    for (const auto& session : group()) {
        try {
            co_await sendVolume(session);
        } catch (...) {
            // The speaker keeps its old level; the next session sends this one.
        }
    }
}

QCoro::Task<> AirPlay1Player::disconnect() {
    if (keepAlive_) {
        keepAlive_->cancel();
        keepAlive_.reset();
    }
    const auto sessions = group();
    session_.reset();
    joined_.clear();
    if (sessions.empty()) {
        co_return;
    }
    sessions.front()->stream->close();
    for (const auto& session : sessions) {
        co_await teardown(session);
    }
}

QCoro::Task<> AirPlay1Player::teardown(std::shared_ptr<Session> session) {
    try {
        co_await session->rtsp->request(text("TEARDOWN"), session->uri);
    } catch (...) {
        // The speaker drops a session it no longer hears from anyway.
    }
    session->rtsp->cancel();
}

namespace {
QCoro::Task<> runKeepAlive(QPointer<AirPlay1Player> player, Clock& clock, QString uri,
                           CancellationToken token,
                           std::function<QCoro::Task<>(AirPlay1Player*, QString)> check) {
    for (;;) {
        const bool slept = co_await clock.sleep(kKeepAliveInterval, token);
        if (!slept || token.isCancelled() || !player) {
            co_return;
        }
        co_await check(player.data(), uri);
        if (token.isCancelled() || !player) {
            co_return;
        }
    }
}
} // namespace

void AirPlay1Player::startKeepAlive(std::shared_ptr<Session> session) {
    if (keepAlive_) {
        keepAlive_->cancel();
    }
    keepAlive_ = std::make_unique<CancellationSource>();
    // Fire and forget: the task ends by itself once cancelled or orphaned.
    runKeepAlive(QPointer<AirPlay1Player>(this), clock_, session->uri, keepAlive_->token(),
                 [](AirPlay1Player* player, QString uri) {
                     return player->checkStillConnected(std::move(uri));
                 });
}

QCoro::Task<> AirPlay1Player::checkStillConnected(QString uri) {
    const auto guard = guard_;
    if (!session_ || session_->uri != uri) {
        co_return;
    }
    // Every speaker of the group is asked; one that is gone ends alone.
    const auto sessions = group();
    std::vector<std::shared_ptr<Session>> lost;
    for (const auto& session : sessions) {
        const bool alive = co_await stillAnswers(session);
        if (isGone(guard)) {
            co_return;
        }
        if (!alive) {
            lost.push_back(session);
        }
    }
    if (!session_ || session_->uri != uri || lost.empty()) {
        co_return;
    }
    if (lost.size() < sessions.size()) {
        for (const auto& session : lost) {
            if (member(session->speaker.id) == session) {
                co_await leave(session);
                if (isGone(guard)) {
                    co_return;
                }
                Q_EMIT speakerLost(session->speaker.id,
                                   lostConnectionMessage(session->speaker.name));
            }
        }
        co_return;
    }
    const auto session = session_;
    if (const auto place = session->stream->position()) {
        lostPlace_ = LostPlace{session->speaker, toPlayback(*place)};
    }
    co_await disconnect();
    if (!isGone(guard)) {
        yield(AirPlay1PlayerEvent::failed(lostConnectionMessage(session->speaker.name)));
    }
}

QCoro::Task<> AirPlay1Player::seek(double seconds) {
    const auto guard = guard_;
    auto session = session_;
    if (!session) {
        if (lostPlace_) {
            lostPlace_->position.seconds = seconds; // a resume starts there
        }
        co_return;
    }
    const auto place = session->stream->position();
    if (!place) {
        co_return;
    }
    if (!session->stream->isSending()) {
        // Paused: the session ends and the place is kept, as for a lost
        // connection, so that resuming opens the track at the new place.
        lostPlace_ = LostPlace{session->speaker, {place->index, seconds}};
        co_await disconnect();
        co_return;
    }
    // Without the flush the speaker would first play out the old place's
    // buffered audio; the new feed decodes from the new place on a thread
    // and ring of its own, and starting it begins a new run (new anchor).
    co_await flush(session);
    if (isGone(guard)) {
        co_return;
    }
    co_await play(tracks_, place->index, seconds, session->speaker, volumePercent_);
}
