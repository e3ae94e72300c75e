#pragma once

#include "model/MusicSource.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

class MusicSourceSettings;

// What Home and Library say when they have no albums, by source.
namespace EmptyStateTexts {
QString recentAlbumsMessage(MusicSource source);
QString savedAlbumsMessage(MusicSource source);
} // namespace EmptyStateTexts

class EmptyStatePresenter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the source settings")
    Q_PROPERTY(QString homeTitle READ homeTitle CONSTANT)
    Q_PROPERTY(QString homeMessage READ homeMessage NOTIFY changed)
    Q_PROPERTY(QString libraryTitle READ libraryTitle CONSTANT)
    Q_PROPERTY(QString libraryMessage READ libraryMessage NOTIFY changed)

public:
    explicit EmptyStatePresenter(MusicSourceSettings* sourceSettings, QObject* parent = nullptr);

    QString homeTitle() const { return QStringLiteral("No Recent Albums"); }
    QString homeMessage() const;
    QString libraryTitle() const { return QStringLiteral("No Saved Albums"); }
    QString libraryMessage() const;

Q_SIGNALS:
    void changed();

private:
    MusicSource source() const;
    QPointer<MusicSourceSettings> sourceSettings_;
};
