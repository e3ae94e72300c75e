#pragma once

#include "model/DisplayAlbum.h"
#include "model/ListeningSession.h"
#include "musicapp/SpeakerOutput.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The texts the playback screens show, worked out here so the views only
// bind them.
namespace PlaybackTexts {

// "%d:%02d" of the whole seconds in `ms`: 0 gives "0:00", 61000 "1:01".
QString time(qint64 ms);

// The symbol of a Spotify Connect device, by its type in any case.
QString spotifyDeviceSymbol(const QString& type);

// A speaker's or device's name on one readable line; "Unnamed Speaker"
// when it has none.
QString readableName(const QString& name);

// "Playing on " and the output's name, saying when it is a legacy speaker
// or a group of them.
QString playingOn(const QString& name, bool isLegacySpeaker, bool isGroup = false);

// Speakers playing together, named as one: "Kitchen + Living Room".
QString groupName(const QStringList& names);

// The time from `then` to `now` in words: "5 minutes ago", "1 day ago".
QString relativeTime(const QDateTime& then, const QDateTime& now);

// The name a stored session's device goes by; "This Computer" for the computer.
QString deviceName(const ListeningSession::Device& device);

// The album after the playing one, wrapping to the first; the first when
// nothing plays or the playing album is not listed; none for no albums.
std::optional<DisplayAlbum> nextAlbum(const QList<DisplayAlbum>& albums,
                                      const QString& nowPlayingAlbumID);

} // namespace PlaybackTexts
