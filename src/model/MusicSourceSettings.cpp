#include "model/MusicSourceSettings.h"
#include "platform/SettingsWriter.h"

#include "model/PreferenceKeys.h"

#include <QSettings>

MusicSourceSettings::MusicSourceSettings(QObject* parent)
    : QObject(parent)
    , current_(MusicSources::fromRawValue(QSettings().value(PreferenceKeys::musicSource).toString())
                   .value_or(MusicSource::spotify)) {}

void MusicSourceSettings::setCurrent(MusicSource source) {
    const bool changed = source != current_;
    current_ = source;
    // The store always holds the last value set, even an unchanged one.
    SettingsWriter::instance().writeNow(PreferenceKeys::musicSource,
                                        MusicSources::rawValue(source));
    if (changed) {
        Q_EMIT currentChanged();
    }
}

void MusicSourceSettings::setCurrentIndex(int index) {
    const auto cases = MusicSources::allCases();
    if (index >= 0 && index < cases.size()) {
        setCurrent(cases.at(index));
    }
}
