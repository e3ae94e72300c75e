#include "ui/PreviewPlayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>

namespace {
// How often a playing clip is checked for having got stuck.
constexpr auto kStallLimit = std::chrono::milliseconds(1500);
} // namespace

MediaPreviewPlayer::MediaPreviewPlayer(QObject* parent)
    : PreviewPlayer(parent) {
    watchdog_.setInterval(kStallLimit);
    connect(&watchdog_, &QTimer::timeout, this, [this] {
        const qint64 position = player_->position();
        const auto status = player_->mediaStatus();
        const bool waiting = status == QMediaPlayer::LoadingMedia ||
                             status == QMediaPlayer::StalledMedia ||
                             status == QMediaPlayer::BufferingMedia;
        // Playing moves about as far as the time passed; a stuck clip
        // creeps on by a millisecond or two.
        if (!waiting && lastPosition_ >= 0 && position - lastPosition_ < kStallLimit.count() / 2)
            player_->stop();
        lastPosition_ = waiting ? -1 : position;
    });
}

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
        // A clip ends by stopping: at its end, on an error, or when the
        // watchdog finds it stuck (a file that cannot be decoded "plays"
        // without moving and without an error).
        connect(player_.get(), &QMediaPlayer::playbackStateChanged, this,
                [this](QMediaPlayer::PlaybackState state) {
                    if (state != QMediaPlayer::StoppedState)
                        return;
                    watchdog_.stop();
                    Q_EMIT ended();
                });
        connect(player_.get(), &QMediaPlayer::errorOccurred, this, [this] { player_->stop(); });
    }
    player_->setSource(url);
    lastPosition_ = -1;
    player_->play();
    watchdog_.start();
}

void MediaPreviewPlayer::stop() {
    if (player_)
        player_->stop();
}
