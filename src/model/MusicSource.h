#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <optional>

// Which album source the user browses and plays. The order of the cases is
// the order the source pickers list them in.
enum class MusicSource { spotify, appleMusic, both };

namespace MusicSources {
QList<MusicSource> allCases();
QString rawValue(MusicSource source);
// Exact, case-sensitive match of a stored raw value.
std::optional<MusicSource> fromRawValue(const QString& raw);
QString label(MusicSource source);
bool includesSpotify(MusicSource source);
bool includesAppleMusic(MusicSource source);
// The tint of the main window and the tray panel while this source is chosen.
QColor tint(MusicSource source);
// Local music alone is shown light; Spotify and both are shown dark.
bool prefersDarkScheme(MusicSource source);
} // namespace MusicSources
