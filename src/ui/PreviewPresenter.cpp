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
    loading_ = !albumID_.isEmpty() && lookup_;
    Q_EMIT albumIDChanged();
    Q_EMIT stateChanged();
    if (loading_)
        ask(albumID_, question_);
}

QCoro::Task<> PreviewPresenter::ask(QString albumID, quint64 question) {
    QPointer<PreviewPresenter> self(this);
    std::optional<QUrl> url;
    try {
        url = co_await lookup_(std::move(albumID));
    } catch (const std::exception&) {
        // No preview then; the card plays the album all the same.
    }
    if (!self || question != question_)
        co_return;
    url_ = std::move(url);
    loading_ = false;
    Q_EMIT stateChanged();
}

QString PreviewPresenter::symbol() const {
    return playing_ ? QStringLiteral("stop.circle.fill") : QStringLiteral("play.circle.fill");
}

void PreviewPresenter::togglePreview() {
    if (playing_) {
        stopPreview();
        return;
    }
    if (!url_)
        return;
    player_.play(*url_);
    playing_ = true;
    Q_EMIT stateChanged();
}

void PreviewPresenter::stopPreview() {
    if (!playing_)
        return;
    player_.stop();
    playing_ = false;
    Q_EMIT stateChanged();
}
