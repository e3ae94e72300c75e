// The group side of the player: speakers that join the one playing, leave
// it, and keep their own volume.
#include "airplay1/AirPlay1Player.h"

#include "airplay1/AirPlay1Handshake.h"
#include "airplay1/AirPlay1PlayerSession.h"

std::vector<std::shared_ptr<AirPlay1Player::Session>> AirPlay1Player::group() const {
    std::vector<std::shared_ptr<Session>> out;
    if (session_) {
        out.push_back(session_);
    }
    out.insert(out.end(), joined_.begin(), joined_.end());
    return out;
}

std::shared_ptr<AirPlay1Player::Session> AirPlay1Player::member(const QString& speakerId) const {
    for (const auto& session : group()) {
        if (session->speaker.id == speakerId) {
            return session;
        }
    }
    return nullptr;
}

QList<AirPlay1Speaker> AirPlay1Player::speakers() const {
    QList<AirPlay1Speaker> out;
    for (const auto& session : group()) {
        out.append(session->speaker);
    }
    return out;
}

QCoro::Task<> AirPlay1Player::addSpeaker(AirPlay1Speaker speaker, double volumePercent) {
    const auto guard = guard_;
    const auto lead = session_;
    if (!lead || member(speaker.id)) {
        co_return;
    }
    // Every speaker of the group gets the same packets, so one that takes
    // only compressed audio cannot follow a stream of plain samples.
    if (lead->stream->codec() == AirPlay1Codec::pcm && !speaker.supportsPCM) {
        Q_EMIT speakerLost(
            speaker.id,
            couldNotPlayMessage(speaker.name, QStringLiteral("It doesn't take the audio format "
                                                             "the other speakers are playing.")));
        co_return;
    }
    std::shared_ptr<Session> session;
    std::exception_ptr failure;
    try {
        session = co_await handshake(speaker, lead->stream, lead->stream->addLink());
    } catch (...) {
        failure = std::current_exception();
    }
    if (isGone(guard)) {
        co_return;
    }
    if (failure) {
        Q_EMIT speakerLost(speaker.id, couldNotPlayMessage(speaker.name, describe(failure)));
        co_return;
    }
    if (session_ != lead) {
        // The group ended or changed meanwhile: this session has nothing to join.
        session->stream->removeLink(session->link);
        co_await teardown(session);
        co_return;
    }
    session->volumeOffset = volumePercent - volumePercent_;
    if (volumePercent != volumePercent_) {
        try {
            co_await sendVolume(session);
        } catch (...) {
            // The keep-alive finds a speaker that no longer answers.
        }
    }
    joined_.push_back(session);
}

QCoro::Task<> AirPlay1Player::removeSpeaker(QString speakerId) {
    const auto session = member(speakerId);
    if (!session) {
        co_return;
    }
    if (joined_.empty()) {
        co_await stop();
        co_return;
    }
    co_await leave(session);
}

QCoro::Task<> AirPlay1Player::leave(std::shared_ptr<Session> session) {
    std::erase(joined_, session);
    if (session_ == session && joined_.empty()) {
        co_await stop();
        co_return;
    }
    if (session_ == session) {
        // The next speaker leads; the stream and its place stay.
        session_ = joined_.front();
        joined_.erase(joined_.begin());
        startKeepAlive(session_);
    }
    session->stream->removeLink(session->link);
    co_await teardown(session);
}

QCoro::Task<> AirPlay1Player::setSpeakerVolume(QString speakerId, double percent) {
    const auto session = member(speakerId);
    if (!session) {
        co_return;
    }
    session->volumeOffset = percent - volumePercent_;
    try {
        co_await sendVolume(session);
    } catch (...) {
        // The speaker keeps its old level; the keep-alive finds one that is gone.
    }
}
