#include "ui/AppearanceModel.h"

#include "model/MusicSourceSettings.h"

AppearanceModel::AppearanceModel(MusicSourceSettings* sourceSettings, QObject* parent)
    : QObject(parent)
    , sourceSettings_(sourceSettings) {
    connect(sourceSettings, &MusicSourceSettings::currentChanged, this, &AppearanceModel::changed);
}

QColor AppearanceModel::tint() const {
    return MusicSources::tint(sourceSettings_ ? sourceSettings_->current() : MusicSource::spotify);
}

bool AppearanceModel::dark() const {
    return MusicSources::prefersDarkScheme(sourceSettings_ ? sourceSettings_->current()
                                                           : MusicSource::spotify);
}
