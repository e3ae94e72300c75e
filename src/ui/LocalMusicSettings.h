#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

class AppleMusicLibrary;

// The "Local Music" section of Settings: whether the music folder has been
// read, and the button that reads it.
class LocalMusicSettings : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the local library")
    Q_PROPERTY(bool isAuthorized READ isAuthorized NOTIFY changed)
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY changed)
    Q_PROPERTY(QString caption READ caption CONSTANT)

public:
    explicit LocalMusicSettings(AppleMusicLibrary* library, QObject* parent = nullptr);

    bool isAuthorized() const;
    bool isScanning() const;
    QString caption() const;
    static QString caption(const QString& musicFolder);

    // Opens the index and reads the folder; a later press reads it again.
    Q_INVOKABLE void scan();

Q_SIGNALS:
    void changed();

private:
    QPointer<AppleMusicLibrary> library_;
};
