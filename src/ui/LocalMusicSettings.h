#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

class AppleMusicLibrary;
struct ScanReport;

// The "Local Music" section of Settings: whether the music folder has been
// read, what it holds, what the last scan did, and the button that reads it.
class LocalMusicSettings : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the local library")
    Q_PROPERTY(bool isAuthorized READ isAuthorized NOTIFY changed)
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY changed)
    Q_PROPERTY(QString caption READ caption NOTIFY changed)
    Q_PROPERTY(QString musicFolder READ musicFolder NOTIFY changed)
    // "12 albums, 140 tracks"; empty before the folder has been read.
    Q_PROPERTY(QString contents READ contents NOTIFY changed)
    // What the last scan did, skipped files included; empty before one ended.
    Q_PROPERTY(QString lastScan READ lastScan NOTIFY changed)
    // Said once when the index had to be rebuilt; empty otherwise.
    Q_PROPERTY(QString libraryNotice READ libraryNotice NOTIFY changed)

public:
    explicit LocalMusicSettings(AppleMusicLibrary* library, QObject* parent = nullptr);

    bool isAuthorized() const;
    bool isScanning() const;
    QString caption() const;
    QString musicFolder() const;
    QString contents() const;
    QString lastScan() const;
    QString libraryNotice() const;
    static QString contents(qsizetype albums, qsizetype tracks);
    static QString lastScan(const ScanReport& report);
    static QString caption(const QString& musicFolder);

    // Opens the index and reads the folder; a later press reads it again.
    Q_INVOKABLE void scan();

Q_SIGNALS:
    void changed();

private:
    QPointer<AppleMusicLibrary> library_;
};
