#include "ui/ViewTexts.h"

#include <QCoreApplication>

namespace ViewTexts {

QString albumName(const QString& title, const QString& artistNames, bool isPlaying) {
    // One arg() call for both: a title holding "%2" stays as it is.
    if (artistNames.isEmpty()) {
        return isPlaying ? QCoreApplication::translate("AlbumCell", "%1, playing").arg(title)
                         : title;
    }
    return isPlaying
               ? QCoreApplication::translate("AlbumCell", "%1, %2, playing").arg(title, artistNames)
               : QCoreApplication::translate("AlbumCell", "%1, %2").arg(title, artistNames);
}

QString artistsAndAlbum(const QString& artistNames, const QString& albumTitle) {
    if (artistNames.isEmpty() || albumTitle.isEmpty()) {
        return artistNames.isEmpty() ? albumTitle : artistNames;
    }
    return QCoreApplication::translate("PlayerControls", "%1 — %2").arg(artistNames, albumTitle);
}

} // namespace ViewTexts
