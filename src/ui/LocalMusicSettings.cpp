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
    return QStringLiteral("Reads the albums in your music folder (") + musicFolder +
           QStringLiteral("). No subscription or sign-in required.");
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

namespace {
QString counted(qsizetype count, const char* one, const char* many) {
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}
} // namespace

QString LocalMusicSettings::contents(qsizetype albums, qsizetype tracks) {
    return counted(albums, "album", "albums") + QStringLiteral(", ") +
           counted(tracks, "track", "tracks");
}

QString LocalMusicSettings::lastScan(const ScanReport& report) {
    QString text = QStringLiteral("Last scan: ") + counted(report.added, "new", "new") +
                   QStringLiteral(", ") + counted(report.updated, "changed", "changed") +
                   QStringLiteral(", ") + counted(report.removed, "removed", "removed") +
                   QStringLiteral(", ") +
                   counted(report.unreadable, "file skipped", "files skipped");
    // What was not seen is kept: say why albums may still show.
    if (report.foundNoSongs)
        text += QStringLiteral(". No music files were found in the folder; the albums read "
                               "before are kept until they are back.");
    else if (report.unreadableFolders > 0)
        text += QStringLiteral(". ") + counted(report.unreadableFolders,
                                               "folder couldn't be read; its albums are kept.",
                                               "folders couldn't be read; their albums are kept.");
    return text;
}

void LocalMusicSettings::scan() {
    if (library_) {
        authorizeThenRescan(library_);
    }
}
