#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// Texts the views make from data, worked out here so that a title holding
// "%2" is read exactly as it is.
namespace ViewTexts {

// What a screen reader says for an album: "Title, Artist", and
// "Title, Artist, playing" for the one that plays.
QString albumName(const QString& title, const QString& artistNames, bool isPlaying);

// The line under what plays: "Artist — Album", or whichever of the two is
// known.
QString artistsAndAlbum(const QString& artistNames, const QString& albumTitle);

} // namespace ViewTexts

class ViewTextsObject : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(ViewTexts)
    QML_SINGLETON
public:
    using QObject::QObject;
    Q_INVOKABLE QString albumName(const QString& title, const QString& artistNames,
                                  bool isPlaying) const {
        return ViewTexts::albumName(title, artistNames, isPlaying);
    }
    Q_INVOKABLE QString artistsAndAlbum(const QString& artistNames,
                                        const QString& albumTitle) const {
        return ViewTexts::artistsAndAlbum(artistNames, albumTitle);
    }
};
