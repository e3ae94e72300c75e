#pragma once

#include "platform/KorvidError.h"

#include <QCoroTask>
#include <QObject>
#include <QUrl>

#include <functional>

// A sign-in that did not come back from the browser.
class WebAuthError : public KorvidError {
public:
    enum class Case { cancelled, cannotOpenBrowser };

    static WebAuthError cancelled() {
        return {Case::cancelled, QStringLiteral("The sign-in was cancelled.")};
    }
    static WebAuthError cannotOpenBrowser() {
        return {Case::cannotOpenBrowser,
                QStringLiteral("Korvid couldn't open your web browser. Open the sign-in address "
                               "in a browser yourself and paste the address it ends on below.")};
    }
    Case kind() const noexcept { return case_; }

private:
    WebAuthError(Case kind, const QString& description)
        : KorvidError(description)
        , case_(kind) {}
    Case case_;
};

// The desktop's stand-in for a web authentication session: the page opens in
// the user's browser, and the redirect comes back through the URL-scheme
// handler (a second korvid process hands it over) or is pasted by hand.
class WebAuthSession : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isWaiting READ isWaiting NOTIFY isWaitingChanged)

public:
    using Opener = std::function<bool(const QUrl&)>;

    // `opener` shows the page; by default the desktop's browser.
    explicit WebAuthSession(Opener opener = {}, QObject* parent = nullptr);

    // Opens `url` and resumes with the first address delivered for
    // `callbackScheme`. Starting another session cancels this one.
    QCoro::Task<QUrl> authenticate(QUrl url, QString callbackScheme);

    // From the URL-scheme handler: accepted when a session waits and the
    // address uses its scheme.
    bool deliver(const QUrl& callback);
    // Pasted by hand: any address ends the waiting session, and the sign-in
    // judges it.
    bool deliverPasted(const QUrl& callback);
    void cancel();

    bool isWaiting() const { return waiting_; }

Q_SIGNALS:
    void isWaitingChanged();
    // Internal: ends the current wait.
    void finished(quint64 session, const QUrl& callback, bool cancelled);

private:
    void finish(const QUrl& callback, bool cancelled);

    Opener opener_;
    QString scheme_;
    quint64 session_ = 0;
    bool waiting_ = false;
};
