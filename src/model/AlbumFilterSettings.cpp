#include "model/AlbumFilterSettings.h"
#include "platform/SettingsWriter.h"

#include "model/PreferenceKeys.h"
#include "model/StoredValues.h"

#include <QSettings>

#include <algorithm>
#include <limits>

AlbumFilterSettings::AlbumFilterSettings(QObject* parent)
    : QObject(parent)
    , minTracksPerAlbum_(StoredValues::integer(QSettings().value(PreferenceKeys::minTracksPerAlbum))
                             .value_or(defaultMinTracksPerAlbum)) {}

int AlbumFilterSettings::minTracksPerAlbumForViews() const {
    return int(std::clamp<qint64>(minTracksPerAlbum_, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

void AlbumFilterSettings::setMinTracksPerAlbum(qint64 value) {
    const bool changed = value != minTracksPerAlbum_;
    minTracksPerAlbum_ = value;
    SettingsWriter::instance().writeSoon(PreferenceKeys::minTracksPerAlbum, value);
    if (changed) {
        Q_EMIT minTracksPerAlbumChanged();
    }
}
