#pragma once

#include <QObject>
#include <QTimer>
#include <QUrl>

#include <memory>

class QAudioOutput;
class QMediaPlayer;

// Plays one short preview clip at a time.
class PreviewPlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Replaces whatever played with the clip at `url`.
    virtual void play(const QUrl& url) = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    // The clip played to its end or could not be played.
    void ended();
};

// Through Qt Multimedia, on the default audio output.
class MediaPreviewPlayer final : public PreviewPlayer {
    Q_OBJECT
public:
    explicit MediaPreviewPlayer(QObject* parent = nullptr);
    ~MediaPreviewPlayer() override;

    void play(const QUrl& url) override;
    void stop() override;

private:
    std::unique_ptr<QAudioOutput> output_;
    std::unique_ptr<QMediaPlayer> player_; // made at the first preview
    QTimer watchdog_;
    qint64 lastPosition_ = -1;
};
