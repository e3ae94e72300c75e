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
        connect(library, &AppleMusicLibrary::albumsChanged, this, &LocalMusicSettings::changed);
        connect(library, &AppleMusicLibrary::scanFinished, this, &LocalMusicSettings::changed);
        connect(library, &AppleMusicLibrary::libraryNoticeChanged, this,
                &LocalMusicSettings::changed);
        connect(library, &AppleMusicLibrary::musicFolderChanged, this,
                &LocalMusicSettings::changed);
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
    return tr("Reads the albums in your music folder (%1). No subscription or sign-in required.")
        .arg(musicFolder);
}

QString LocalMusicSettings::musicFolder() const {
    return library_ ? library_->musicFolder() : QString();
}

QString LocalMusicSettings::contents() const {
    if (!isAuthorized())
        return {};
    const QList<AppleMusicAlbum> albums = library_->albums();
    qsizetype tracks = 0;
    for (const AppleMusicAlbum& album : albums)
        tracks += album.trackCount();
    return contents(albums.size(), tracks);
}

QString LocalMusicSettings::libraryNotice() const {
    return library_ ? library_->libraryNotice() : QString();
}

QString LocalMusicSettings::lastScan() const {
    if (!library_ || !library_->lastScanReport().completed)
        return {};
    return lastScan(library_->lastScanReport());
}

// Counts go through %n, so each language words its own plurals.
QString LocalMusicSettings::contents(qsizetype albums, qsizetype tracks) {
    return tr("%1, %2").arg(tr("%n album(s)", nullptr, int(albums)),
                            tr("%n track(s)", nullptr, int(tracks)));
}

QString LocalMusicSettings::lastScan(const ScanReport& report) {
    const QString text = tr("Last scan: %1 new, %2 changed, %3 removed, %4")
                             .arg(report.added)
                             .arg(report.updated)
                             .arg(report.removed)
                             .arg(tr("%n file(s) skipped", nullptr, int(report.unreadable)));
    // What was not seen is kept: say why albums may still show.
    if (report.foundNoSongs)
        return tr("%1. No music files were found in the folder; the albums read before are kept "
                  "until they are back.")
            .arg(text);
    if (report.unreadableFolders > 0)
        return tr("%1. %n folder(s) couldn't be read; their albums are kept.", nullptr,
                  int(report.unreadableFolders))
            .arg(text);
    return text;
}

void LocalMusicSettings::scan() {
    if (library_) {
        authorizeThenRescan(library_);
    }
}
