#include "ui/PreviewPlayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>

MediaPreviewPlayer::MediaPreviewPlayer(QObject* parent)
    : PreviewPlayer(parent) {}

MediaPreviewPlayer::~MediaPreviewPlayer() = default;

void MediaPreviewPlayer::play(const QUrl& url) {
    // Made at the first preview: most albums have none, and the GStreamer
    // back end crashes at start where its plugins are missing, so Qt's own
    // FFmpeg back end is preferred unless the user chose one.
    if (!player_) {
        if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
            qputenv("QT_MEDIA_BACKEND", "ffmpeg");
        output_ = std::make_unique<QAudioOutput>();
        player_ = std::make_unique<QMediaPlayer>();
        player_->setAudioOutput(output_.get());
        connect(player_.get(), &QMediaPlayer::mediaStatusChanged, this,
                [this](QMediaPlayer::MediaStatus status) {
                    if (status == QMediaPlayer::EndOfMedia || status == QMediaPlayer::InvalidMedia)
                        Q_EMIT ended();
                });
        connect(player_.get(), &QMediaPlayer::errorOccurred, this, [this] { Q_EMIT ended(); });
    }
    player_->setSource(url);
    player_->play();
}

void MediaPreviewPlayer::stop() {
    if (player_)
        player_->stop();
}
