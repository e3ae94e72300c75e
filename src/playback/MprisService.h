#pragma once

#include "playback/MprisState.h"

#include <QDBusConnection>
#include <QObject>
#include <QUrl>
#include <QVariantMap>

#include <functional>

class PlaybackViewModel;
class QWindow;

// Korvid on the session bus as org.mpris.MediaPlayer2.korvid, so that the
// desktop's media controls, the media keys and tools like playerctl steer
// the playback coordinator. A thin adapter: what it shows and which commands
// apply come from Mpris::playerProperties and its neighbours.
class MprisService : public QObject {
    Q_OBJECT
public:
    struct Window {
        std::function<void()> raise; // absent: CanRaise is false
        std::function<void()> quit;  // absent: CanQuit is false

        // Raise brings `window` forward; Quit ends the application.
        static Window of(QWindow* window);
    };

    // Takes the bus name unless another process holds it; a second Korvid
    // never takes it from the first.
    explicit MprisService(PlaybackViewModel& playback, Window window = {},
                          QDBusConnection bus = QDBusConnection::sessionBus(),
                          QObject* parent = nullptr);
    ~MprisService() override;

    bool ownsBusName() const { return ownsName_; }

    // ---- For the bus adaptors ----
    Mpris::MprisInput input() const;
    const QVariantMap& playerProperties() const { return published_; }
    qint64 positionUs() const;
    bool canRaise() const { return bool(window_.raise); }
    bool canQuit() const { return bool(window_.quit); }
    void raise();
    void quit();
    void transport(Mpris::Transport command);
    void next();
    void previous();
    void seekBy(qint64 offsetUs);
    void setPosition(const QString& trackID, qint64 positionUs);
    void setVolume(double volume);

Q_SIGNALS:
    void seeked(qlonglong positionUs);

private:
    void republish();
    void seekTo(qint64 ms);
    void updateCover();

    PlaybackViewModel& playback_;
    Window window_;
    QDBusConnection bus_;
    bool ownsName_ = false;
    QVariantMap published_;
    // The file a local cover was written to, for the album it belongs to.
    QString coverAlbumID_;
    QUrl coverFile_;
};
