#include "platform/WebAuthSession.h"

#include <QCoroSignal>
#include <QDesktopServices>

WebAuthSession::WebAuthSession(Opener opener, QObject* parent)
    : QObject(parent)
    , opener_(std::move(opener)) {
    if (!opener_)
        opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

QCoro::Task<QUrl> WebAuthSession::authenticate(QUrl url, QString callbackScheme) {
    if (waiting_)
        finish({}, true);
    const quint64 session = ++session_;
    scheme_ = callbackScheme.toLower();
    waiting_ = true;
    Q_EMIT isWaitingChanged();
    if (!opener_(url)) {
        waiting_ = false;
        Q_EMIT isWaitingChanged();
        throw WebAuthError::cannotOpenBrowser();
    }
    while (true) {
        const auto [ended, callback, cancelled] = co_await qCoro(this, &WebAuthSession::finished);
        if (ended != session)
            continue;
        if (cancelled)
            throw WebAuthError::cancelled();
        co_return QUrl(callback);
    }
}

bool WebAuthSession::deliver(const QUrl& callback) {
    if (!waiting_ || callback.scheme().toLower() != scheme_)
        return false;
    finish(callback, false);
    return true;
}

bool WebAuthSession::deliverPasted(const QUrl& callback) {
    if (!waiting_)
        return false;
    finish(callback, false);
    return true;
}

void WebAuthSession::cancel() {
    if (waiting_)
        finish({}, true);
}

void WebAuthSession::finish(const QUrl& callback, bool cancelled) {
    waiting_ = false;
    Q_EMIT isWaitingChanged();
    Q_EMIT finished(session_, callback, cancelled);
}
