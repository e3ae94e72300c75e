#pragma once

#include "model/MusicSource.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

class AppleMusicLibrary;
class MusicSourceSettings;

// What Home and Library say when they have no albums, by source.
namespace EmptyStateTexts {
QString recentAlbumsMessage(MusicSource source);
QString savedAlbumsMessage(MusicSource source);
// While the music folder is first read: how far it got.
QString readingMessage(int filesRead);
} // namespace EmptyStateTexts

class EmptyStatePresenter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the source settings")
    Q_PROPERTY(QString homeTitle READ homeTitle CONSTANT)
    Q_PROPERTY(QString homeMessage READ homeMessage NOTIFY changed)
    Q_PROPERTY(QString libraryTitle READ libraryTitle CONSTANT)
    Q_PROPERTY(QString libraryMessage READ libraryMessage NOTIFY changed)
    // The music folder is read for the first time and holds nothing yet:
    // the pages say so instead of claiming there are no albums.
    Q_PROPERTY(bool readingMusicFolder READ readingMusicFolder NOTIFY changed)
    Q_PROPERTY(QString readingTitle READ readingTitle CONSTANT)
    Q_PROPERTY(QString readingMessage READ readingMessage NOTIFY changed)

public:
    // `localLibrary` may be null.
    EmptyStatePresenter(MusicSourceSettings* sourceSettings, AppleMusicLibrary* localLibrary,
                        QObject* parent = nullptr);

    QString homeTitle() const { return tr("No Recent Albums"); }
    QString homeMessage() const;
    QString libraryTitle() const { return tr("No Saved Albums"); }
    QString libraryMessage() const;
    bool readingMusicFolder() const;
    QString readingTitle() const { return tr("Reading Your Music Folder"); }
    QString readingMessage() const;

Q_SIGNALS:
    void changed();

private:
    MusicSource source() const;
    QPointer<MusicSourceSettings> sourceSettings_;
    QPointer<AppleMusicLibrary> localLibrary_;
};
