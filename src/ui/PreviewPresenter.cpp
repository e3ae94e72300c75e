#include "ui/PreviewPresenter.h"

#include "ui/PreviewPlayer.h"

#include <QPointer>

PreviewPresenter::PreviewPresenter(Lookup lookup, PreviewPlayer& player, QObject* parent)
    : QObject(parent)
    , lookup_(std::move(lookup))
    , player_(player) {
    connect(&player_, &PreviewPlayer::ended, this, [this] {
        if (playing_) {
            playing_ = false;
            Q_EMIT stateChanged();
        }
    });
}

void PreviewPresenter::setAlbumID(const QString& albumID) {
    if (albumID == albumID_)
        return;
    stopPreview();
    albumID_ = albumID;
    ++question_;
    url_.reset();
    loading_ = false;
    lacksClip_ = false;
    Q_EMIT albumIDChanged();
    Q_EMIT stateChanged();
}

QCoro::Task<> PreviewPresenter::askAndPlay(QString albumID, quint64 question) {
    QPointer<PreviewPresenter> self(this);
    std::optional<QUrl> url;
    try {
        url = co_await lookup_(std::move(albumID));
    } catch (const std::exception&) {
        // No preview then; the card plays the album all the same.
    }
    if (!self || question != question_)
        co_return;
    loading_ = false;
    url_ = std::move(url);
    lacksClip_ = !url_;
    if (url_)
        play();
    Q_EMIT stateChanged();
}

void PreviewPresenter::play() {
    player_.play(*url_);
    playing_ = true;
}

QString PreviewPresenter::symbol() const {
    return playing_ ? QStringLiteral("stop.circle.fill") : QStringLiteral("play.circle.fill");
}

void PreviewPresenter::togglePreview() {
    if (playing_) {
        stopPreview();
        return;
    }
    if (!hasPreview() || loading_)
        return;
    if (url_) {
        play();
    } else {
        loading_ = true;
        askAndPlay(albumID_, question_);
    }
    Q_EMIT stateChanged();
}

void PreviewPresenter::stopPreview() {
    // Closed while the address is on its way: the answer plays nothing.
    if (loading_) {
        ++question_;
        loading_ = false;
        Q_EMIT stateChanged();
        return;
    }
    if (!playing_)
        return;
    player_.stop();
    playing_ = false;
    Q_EMIT stateChanged();
}
