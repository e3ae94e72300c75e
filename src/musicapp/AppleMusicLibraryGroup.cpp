// The group side of AppleMusicLibrary: further legacy speakers that play
// along with a legacy output, each at its own level. The output leads and
// stays the first speaker; the group lives only as long as a legacy speaker
// is the output.
#include "musicapp/AppleMusicLibrary.h"

#include "airplay1/AirPlay1Player.h"
#include "airplay1/AirPlay1SpeakerBrowser.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

QList<AirPlay1Speaker> AppleMusicLibrary::groupSpeakers() const {
    const auto lead = legacySpeaker();
    if (!lead) {
        return {};
    }
    QList<AirPlay1Speaker> speakers{*lead};
    for (const GroupMember& member : alsoPlaying_) {
        speakers.append(member.speaker);
    }
    return speakers;
}

bool AppleMusicLibrary::isAlsoPlaying(const QString& speakerID) const {
    return std::any_of(alsoPlaying_.cbegin(), alsoPlaying_.cend(),
                       [&](const GroupMember& member) { return member.speaker.id == speakerID; });
}

QList<AirPlay1Speaker> AppleMusicLibrary::speakersStreamedTo() const {
    return airPlay1Player_->speakers();
}

void AppleMusicLibrary::setAlsoPlaying(const AirPlay1Speaker& speaker, bool on) {
    const auto lead = legacySpeaker();
    if (!lead || lead->id == speaker.id || isAlsoPlaying(speaker.id) == on) {
        return;
    }
    QPointer<AppleMusicLibrary> self(this);
    if (on) {
        alsoPlaying_.append(GroupMember{speaker, 0});
        Q_EMIT groupChanged();
        joinGroup();
        return;
    }
    dropMember(speaker.id);
    runCommand([self, id = speaker.id]() -> QCoro::Task<> {
        if (!self) {
            co_return;
        }
        // Never the leading speaker: taking that one out would stop them all.
        const auto streamed = self->airPlay1Player_->speakers();
        if (streamed.size() > 1 && streamed.first().id != id) {
            co_await self->airPlay1Player_->removeSpeaker(id);
        }
    });
}

double AppleMusicLibrary::speakerVolumePercent(const QString& speakerID) const {
    for (const GroupMember& member : alsoPlaying_) {
        if (member.speaker.id == speakerID) {
            return std::clamp(airPlay1VolumePercent_ + member.volumeOffset, 0.0, 100.0);
        }
    }
    return airPlay1VolumePercent_;
}

void AppleMusicLibrary::setSpeakerVolume(const QString& speakerID, double percent) {
    if (!std::isfinite(percent)) {
        return;
    }
    const auto lead = legacySpeaker();
    if (lead && lead->id == speakerID) {
        setOutputVolume(percent);
        return;
    }
    const auto member =
        std::find_if(alsoPlaying_.begin(), alsoPlaying_.end(),
                     [&](const GroupMember& m) { return m.speaker.id == speakerID; });
    if (member == alsoPlaying_.end()) {
        return;
    }
    percent = std::clamp(percent, 0.0, 100.0);
    member->volumeOffset = percent - airPlay1VolumePercent_;
    Q_EMIT groupChanged();
    QPointer<AppleMusicLibrary> self(this);
    runCommand([self, speakerID, percent]() -> QCoro::Task<> {
        if (self) {
            co_await self->airPlay1Player_->setSpeakerVolume(speakerID, percent);
        }
    });
}

void AppleMusicLibrary::joinGroup() {
    if (alsoPlaying_.isEmpty()) {
        return;
    }
    QPointer<AppleMusicLibrary> self(this);
    runCommand([self]() -> QCoro::Task<> {
        if (self) {
            co_await self->joinMembers();
        }
    });
}

// Speakers already in the stream, and all of them while nothing streams,
// are left as they are: the player ignores those.
QCoro::Task<> AppleMusicLibrary::joinMembers() {
    QPointer<AppleMusicLibrary> self(this);
    const QList<GroupMember> members = alsoPlaying_;
    for (const GroupMember& member : members) {
        if (!self) {
            co_return;
        }
        if (!legacySpeaker() || !isAlsoPlaying(member.speaker.id)) {
            continue;
        }
        co_await airPlay1Player_->addSpeaker(member.speaker,
                                             speakerVolumePercent(member.speaker.id));
    }
}

bool AppleMusicLibrary::dropMember(const QString& speakerID) {
    const auto dropped = alsoPlaying_.removeIf(
        [&](const GroupMember& member) { return member.speaker.id == speakerID; });
    if (dropped == 0) {
        return false;
    }
    Q_EMIT groupChanged();
    return true;
}

void AppleMusicLibrary::handleSpeakerLost(const QString& speakerID, const QString& message) {
    const auto lead = legacySpeaker();
    if (!lead) {
        return; // a group from before the output changed
    }
    const bool wasMember = dropMember(speakerID);
    if (lead->id == speakerID) {
        // The next speaker leads the stream now, so it becomes the output:
        // play and pause go on reaching the speakers that still play.
        const auto streamed = airPlay1Player_->speakers();
        if (streamed.isEmpty()) {
            return; // the whole stream ended, and says so itself
        }
        dropMember(streamed.first().id);
        setOutput(SpeakerOutput::legacy(streamed.first()));
        Q_EMIT groupChanged();
    } else if (!wasMember) {
        return; // taken out by the person while it was joining
    }
    // Only this speaker's part ended: the rest plays on.
    if (onError_) {
        onError_(message);
    }
    stateChanged();
}

// A speaker of the group that went to sleep may wake on another port.
void AppleMusicLibrary::followGroupSpeakers() {
    for (GroupMember& member : alsoPlaying_) {
        for (const AirPlay1Speaker& speaker : airPlay1Browser_->speakers()) {
            if (speaker.id == member.speaker.id) {
                member.speaker = speaker;
            }
        }
    }
}
