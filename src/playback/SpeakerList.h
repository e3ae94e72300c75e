#pragma once

#include "airplay1/AirPlay1Speaker.h"
#include "musicapp/MusicPlayerStatus.h"
#include "musicapp/SpeakerOutput.h"

#include <QList>

#include <optional>

class AppleMusicLibrary;

// The one list the speaker picker shows, merged from the music player's
// outputs and the legacy speakers on the network:
// - a player output named like a legacy speaker is offered once, as the
//   legacy speaker;
// - a player output is listed only while available or selected;
// - the selected output stays listed, unavailable, while it is gone;
// - this computer comes first, then everything by display name in natural
//   order (case-insensitive, numbers by value).
QList<SpeakerOption> buildSpeakerOptions(const QList<MusicAirPlayDevice>& musicDevices,
                                         const QList<AirPlay1Speaker>& legacySpeakers,
                                         const std::optional<SpeakerOutput>& selected);

// The speaker list of the local player as it stands.
QList<SpeakerOption> speakerOptionsOf(const AppleMusicLibrary& library);
