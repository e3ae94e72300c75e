#include "ui/EmptyStateTexts.h"

#include "model/MusicSourceSettings.h"
#include "musicapp/AppleMusicLibrary.h"

#include <QCoreApplication>
#include <QLocale>

namespace EmptyStateTexts {

QString recentAlbumsMessage(MusicSource source) {
    switch (source) {
    case MusicSource::both:
        return QCoreApplication::translate("EmptyState",
                                           "Play something on Spotify or your local music "
                                           "library and it will show up here.");
    case MusicSource::appleMusic:
        return QCoreApplication::translate(
            "EmptyState", "Play something in your local music library and it will show up here.");
    case MusicSource::spotify:
        break;
    }
    return QCoreApplication::translate("EmptyState",
                                       "Play something on Spotify and it will show up here.");
}

QString savedAlbumsMessage(MusicSource source) {
    switch (source) {
    case MusicSource::both:
        return QCoreApplication::translate("EmptyState",
                                           "Albums you save on Spotify or sync to your local "
                                           "music library will show up here.");
    case MusicSource::appleMusic:
        return QCoreApplication::translate(
            "EmptyState", "Albums synced to your local music library will show up here.");
    case MusicSource::spotify:
        break;
    }
    return QCoreApplication::translate("EmptyState",
                                       "Albums you save on Spotify will show up here.");
}

QString readingMessage(int filesRead) {
    if (filesRead <= 0)
        return QCoreApplication::translate("EmptyState", "Looking for music files…");
    return QCoreApplication::translate("EmptyState",
                                       "%1 files read so far. Albums appear here as they are "
                                       "found.")
        .arg(QLocale().toString(filesRead));
}

} // namespace EmptyStateTexts

EmptyStatePresenter::EmptyStatePresenter(MusicSourceSettings* sourceSettings,
                                         AppleMusicLibrary* localLibrary, QObject* parent)
    : QObject(parent)
    , sourceSettings_(sourceSettings)
    , localLibrary_(localLibrary) {
    connect(sourceSettings, &MusicSourceSettings::currentChanged, this,
            &EmptyStatePresenter::changed);
    if (localLibrary) {
        for (const auto signal :
             {&AppleMusicLibrary::isScanningChanged, &AppleMusicLibrary::scanProgressChanged,
              &AppleMusicLibrary::albumsChanged})
            connect(localLibrary, signal, this, &EmptyStatePresenter::changed);
    }
}

bool EmptyStatePresenter::readingMusicFolder() const {
    return localLibrary_ && MusicSources::includesAppleMusic(source()) &&
           localLibrary_->isReadingFirstTime();
}

QString EmptyStatePresenter::readingMessage() const {
    return EmptyStateTexts::readingMessage(localLibrary_ ? localLibrary_->scannedFileCount() : 0);
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
