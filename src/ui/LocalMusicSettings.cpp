#include "ui/LocalMusicSettings.h"

#include "musicapp/AppleMusicLibrary.h"

#include <QCoroTask>

namespace {
QCoro::Task<> authorizeThenRescan(QPointer<AppleMusicLibrary> library) {
    const bool firstTime = !library->isAuthorized();
    co_await library->requestAuthorizationIfNeeded();
    if (library && !firstTime) {
        library->rescan();
    }
}
} // namespace

LocalMusicSettings::LocalMusicSettings(AppleMusicLibrary* library, QObject* parent)
    : QObject(parent)
    , library_(library) {
    if (library) {
        connect(library, &AppleMusicLibrary::isAuthorizedChanged, this,
                &LocalMusicSettings::changed);
        connect(library, &AppleMusicLibrary::isScanningChanged, this, &LocalMusicSettings::changed);
    }
}

bool LocalMusicSettings::isAuthorized() const {
    return library_ && library_->isAuthorized();
}

bool LocalMusicSettings::isScanning() const {
    return library_ && library_->isScanning();
}

QString LocalMusicSettings::caption() const {
    return caption(library_ ? library_->musicFolder() : QString());
}

QString LocalMusicSettings::caption(const QString& musicFolder) {
    return QStringLiteral("Reads the albums in your music folder (") + musicFolder +
           QStringLiteral("). No subscription or sign-in required.");
}

void LocalMusicSettings::scan() {
    if (library_) {
        authorizeThenRescan(library_);
    }
}
