#include "ui/EmptyStateTexts.h"

#include "model/MusicSourceSettings.h"

namespace EmptyStateTexts {

QString recentAlbumsMessage(MusicSource source) {
    switch (source) {
    case MusicSource::both:
        return QStringLiteral("Play something on Spotify or your local music library and it will "
                              "show up here.");
    case MusicSource::appleMusic:
        return QStringLiteral(
            "Play something in your local music library and it will show up here.");
    case MusicSource::spotify:
        break;
    }
    return QStringLiteral("Play something on Spotify and it will show up here.");
}

QString savedAlbumsMessage(MusicSource source) {
    switch (source) {
    case MusicSource::both:
        return QStringLiteral("Albums you save on Spotify or sync to your local music library will "
                              "show up here.");
    case MusicSource::appleMusic:
        return QStringLiteral("Albums synced to your local music library will show up here.");
    case MusicSource::spotify:
        break;
    }
    return QStringLiteral("Albums you save on Spotify will show up here.");
}

} // namespace EmptyStateTexts

EmptyStatePresenter::EmptyStatePresenter(MusicSourceSettings* sourceSettings, QObject* parent)
    : QObject(parent)
    , sourceSettings_(sourceSettings) {
    connect(sourceSettings, &MusicSourceSettings::currentChanged, this,
            &EmptyStatePresenter::changed);
}

MusicSource EmptyStatePresenter::source() const {
    return sourceSettings_ ? sourceSettings_->current() : MusicSource::spotify;
}

QString EmptyStatePresenter::homeMessage() const {
    return EmptyStateTexts::recentAlbumsMessage(source());
}

QString EmptyStatePresenter::libraryMessage() const {
    return EmptyStateTexts::savedAlbumsMessage(source());
}
