#pragma once

// The two MPRIS2 interfaces as QtDBus exports them. Each member forwards to
// MprisService; calls with the wrong argument types never get here, QtDBus
// answers them with an error.
#include "playback/MprisService.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>

class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedList)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedList)
public:
    explicit MprisRootAdaptor(MprisService* service)
        : QDBusAbstractAdaptor(service)
        , service_(service) {}

    bool canQuit() const { return service_->canQuit(); }
    bool canRaise() const { return service_->canRaise(); }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Korvid"); }
    QString desktopEntry() const { return QStringLiteral("korvid"); }
    QStringList supportedList() const { return {}; }

public Q_SLOTS:
    void Raise() { service_->raise(); }
    void Quit() { service_->quit(); }

private:
    MprisService* service_;
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    explicit MprisPlayerAdaptor(MprisService* service)
        : QDBusAbstractAdaptor(service)
        , service_(service) {
        connect(service, &MprisService::seeked, this, &MprisPlayerAdaptor::Seeked);
    }

    QString playbackStatus() const { return value("PlaybackStatus").toString(); }
    double rate() const { return 1.0; }
    void setRate(double) {} // playback runs at its own speed only
    QVariantMap metadata() const { return value("Metadata").toMap(); }
    double volume() const { return value("Volume").toDouble(); }
    void setVolume(double volume) { service_->setVolume(volume); }
    qlonglong position() const { return service_->positionUs(); }
    bool canGoNext() const { return value("CanGoNext").toBool(); }
    bool canGoPrevious() const { return value("CanGoPrevious").toBool(); }
    bool canPlay() const { return value("CanPlay").toBool(); }
    bool canPause() const { return value("CanPause").toBool(); }
    bool canSeek() const { return value("CanSeek").toBool(); }
    bool canControl() const { return true; }

public Q_SLOTS:
    void Next() { service_->next(); }
    void Previous() { service_->previous(); }
    void Pause() { service_->transport(Mpris::Transport::pause); }
    void PlayPause() { service_->transport(Mpris::Transport::playPause); }
    void Stop() { service_->transport(Mpris::Transport::stop); }
    void Play() { service_->transport(Mpris::Transport::play); }
    void Seek(qlonglong offsetUs) { service_->seekBy(offsetUs); }
    void SetPosition(const QDBusObjectPath& trackID, qlonglong positionUs) {
        service_->setPosition(trackID.path(), positionUs);
    }
    void OpenUri(const QString&) {} // SupportedUriSchemes is empty

Q_SIGNALS:
    void Seeked(qlonglong Position);

private:
    QVariant value(const char* name) const {
        return service_->playerProperties().value(QLatin1String(name));
    }
    MprisService* service_;
};
