// How AppleMusicLibrary moves between outputs: the hand-over that carries
// the track and position from one output to the next, and finding an output
// again (this computer's, a music player output, a legacy speaker that may be
// asleep).
#include "musicapp/AppleMusicLibrary.h"

#include "airplay1/AirPlay1Handshake.h"
#include "airplay1/AirPlay1Player.h"
#include "airplay1/AirPlay1SpeakerBrowser.h"
#include "musicapp/LocalPlayerCommon.h"
#include "musicapp/LocalPlayerRules.h"
#include "platform/Clock.h"

#include <QPointer>

using namespace std::chrono_literals;
using LocalPlayerCommon::describe;
using LocalPlayerCommon::kStartGrace;
using LocalPlayerCommon::toPlace;
using LocalPlayerRules::HandOver;

namespace {

constexpr auto kSpeakerPoll = 300ms;
constexpr auto kSpeakerWait = 8s;

// Why a hand-over to a legacy speaker found nothing to carry over.
QString nothingToHandOver(const std::optional<MusicPlayerStatus>& status) {
    if (!status) {
        return QStringLiteral("The music player isn't running.");
    }
    return QStringLiteral("The music player is playing something other than Korvid's queue.");
}

// A queue Korvid no longer knows the tracks of (kept from an earlier run).
QString unknownQueue() {
    return QStringLiteral("Play the album again to hear it there.");
}

} // namespace

void AppleMusicLibrary::select(const SpeakerOutput& next) {
    if (output_ && output_->id() == next.id()) {
        return;
    }
    std::optional<SpeakerOutput> previous = output_;
    // A speaker of the group chosen as the output leads it instead; any
    // other kind of output ends the group.
    if (next.isLegacy()) {
        dropMember(next.legacySpeaker().id);
    } else if (!alsoPlaying_.isEmpty()) {
        alsoPlaying_.clear();
        Q_EMIT groupChanged();
    }
    setOutput(next);
    QPointer<AppleMusicLibrary> self(this);
    runCommand([self, previous, next, wasPlaying = isPlaying_, tracks = loadedTracks_,
                volume = airPlay1VolumePercent_]() -> QCoro::Task<> {
        if (self) {
            co_await self->handOver(previous, next, wasPlaying, tracks, volume);
        }
    });
    stateChanged();
}

QCoro::Task<> AppleMusicLibrary::handOver(std::optional<SpeakerOutput> previous, SpeakerOutput next,
                                          bool wasPlaying, QList<Track> tracks, double volume) {
    QPointer<AppleMusicLibrary> self(this);
    QStringList ids;
    for (const Track& track : tracks) {
        ids.append(track.id);
    }
    switch (LocalPlayerRules::handOverCase(previous, next)) {
    case HandOver::toLegacy: {
        std::optional<MusicPlayerStatus> status;
        std::exception_ptr failure;
        try {
            // Awaited on a line of its own: with the await inside the if
            // condition, g++ 12 never freed this coroutine's frame.
            const bool running = co_await musicApp_->isRunning();
            if (running && self) {
                status = co_await musicApp_->status();
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (!self) {
            co_return;
        }
        if (!status || !status->isPlayingQueue) {
            // Without a place to carry over nothing plays: a player that was
            // playing must not go on saying so.
            if (wasPlaying) {
                report(
                    couldNotPlayMessage(next.legacySpeaker().name,
                                        failure ? describe(failure) : nothingToHandOver(status)));
            }
            break;
        }
        // Kept until the speaker plays (its start clears it): a speaker that
        // does not start, or a hand-over that stops it first, still has it.
        resumePoint_ = PlayerPlace{LocalPlayerRules::fullIndexOfStatus(tracks, *status),
                                   status->positionSeconds};
        const PlayerPlace place = *resumePoint_;
        if (!wasPlaying) {
            break;
        }
        try {
            co_await musicApp_->pause();
        } catch (...) {
        }
        if (!self) {
            co_return;
        }
        if (tracks.isEmpty()) {
            report(couldNotPlayMessage(next.legacySpeaker().name, unknownQueue()));
            break;
        }
        // The player's queue no longer holds the place once the speaker plays on.
        musicHasQueue_ = false;
        const auto queue = LocalPlayerRules::legacyQueue(tracks, place.index);
        co_await airPlay1Player_->play(queue.urls, queue.index, place.seconds, next.legacySpeaker(),
                                       volume);
        break;
    }
    case HandOver::legacyToLegacy: {
        const auto point = co_await placeOnSpeaker(tracks);
        if (!self || !point) {
            break;
        }
        if (wasPlaying) {
            const auto queue = LocalPlayerRules::legacyQueue(tracks, point->index);
            co_await airPlay1Player_->play(queue.urls, queue.index, point->seconds,
                                           next.legacySpeaker(), volume);
        } else {
            resumePoint_ = point;
        }
        break;
    }
    case HandOver::legacyToMusic: {
        const auto point = co_await placeOnSpeaker(tracks);
        std::exception_ptr failure;
        try {
            if (self) {
                co_await musicApp_->launchIfNeeded();
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (!self) {
            co_return;
        }
        if (failure) {
            report(describe(failure));
            break;
        }
        const QString name = next.musicDevice().name;
        try {
            if (wasPlaying && point && !tracks.isEmpty()) {
                expectPlayingUntil_ = now() + kStartGrace;
                co_await musicApp_->playQueue(ids, point->index, point->seconds, name);
                if (self) {
                    musicHasQueue_ = true;
                    resumePoint_.reset();
                }
            } else {
                co_await musicApp_->selectDevice(name);
                if (self && point) {
                    resumePoint_ = point;
                    // Play then fills the queue from there, not from wherever
                    // the player's old queue stood.
                    musicHasQueue_ = false;
                }
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (self && failure) {
            report(describe(failure));
        }
        break;
    }
    case HandOver::toMusic: {
        std::exception_ptr failure;
        try {
            co_await musicApp_->launchIfNeeded();
            if (self) {
                co_await musicApp_->selectDevice(next.musicDevice().name);
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (self && failure) {
            report(describe(failure));
        }
        break;
    }
    }
    if (self) {
        co_await readStatus(1);
    }
}

QCoro::Task<std::optional<PlayerPlace>> AppleMusicLibrary::placeOnSpeaker(QList<Track> tracks) {
    QPointer<AppleMusicLibrary> self(this);
    const auto point = co_await airPlay1Player_->stop();
    if (point) {
        co_return toPlace(*point, tracks);
    }
    // The speaker never started: the place it was handed is still here.
    co_return self ? resumePoint_ : std::nullopt;
}

QCoro::Task<> AppleMusicLibrary::selectThisMac() {
    QPointer<AppleMusicLibrary> self(this);
    if (musicDevices_.isEmpty()) {
        co_await refreshSpeakers();
        if (!self) {
            co_return;
        }
    }
    for (const MusicAirPlayDevice& device : musicDevices_) {
        if (device.kind == QLatin1String("computer")) {
            select(SpeakerOutput::music(device.name, device.kind));
            co_return;
        }
    }
}

QCoro::Task<std::optional<SpeakerOutput>>
AppleMusicLibrary::availableOutput(ListeningSession::Device device) {
    QPointer<AppleMusicLibrary> self(this);
    if (const auto* legacy = device.as<ListeningSession::Device::LegacyAirPlay>()) {
        const auto speaker = co_await waitForAirPlay1Speaker(legacy->id, kSpeakerWait);
        if (speaker) {
            co_return SpeakerOutput::legacy(*speaker);
        }
        co_return std::nullopt;
    }
    if (device.as<ListeningSession::Device::SpotifyConnect>()) {
        co_return std::nullopt;
    }
    const auto* airPlay = device.as<ListeningSession::Device::AirPlay>();
    const QString name = airPlay ? airPlay->name : QString();
    co_await refreshSpeakers();
    if (!self) {
        co_return std::nullopt;
    }
    for (const MusicAirPlayDevice& found : musicDevices_) {
        const bool wanted = airPlay ? (found.name == name && found.isAvailable)
                                    : found.kind == QLatin1String("computer");
        if (wanted) {
            co_return SpeakerOutput::music(found.name, found.kind);
        }
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<AirPlay1Speaker>>
AppleMusicLibrary::waitForAirPlay1Speaker(QString id, std::chrono::milliseconds timeout) {
    QPointer<AppleMusicLibrary> self(this);
    airPlay1Browser_->start();
    const auto deadline = playerClock_.monotonic() + timeout;
    for (;;) {
        for (const AirPlay1Speaker& speaker : airPlay1Browser_->speakers()) {
            if (speaker.id == id) {
                co_return speaker;
            }
        }
        if (playerClock_.monotonic() > deadline) {
            co_return std::nullopt;
        }
        Clock& clock = playerClock_;
        co_await clock.sleep(kSpeakerPoll);
        if (!self) {
            co_return std::nullopt;
        }
    }
}

// A speaker that went to sleep may wake on another port: it is still the
// selected output, now at its new address.
void AppleMusicLibrary::followLegacySpeaker() {
    const auto selected = legacySpeaker();
    if (!selected) {
        return;
    }
    for (const AirPlay1Speaker& speaker : airPlay1Browser_->speakers()) {
        if (speaker.id == selected->id && speaker != *selected) {
            setOutput(SpeakerOutput::legacy(speaker));
            return;
        }
    }
}
