#pragma once

#include <QCoroSignal>
#include <QCoroTask>
#include <QObject>
#include <QString>

#include <exception>
#include <optional>

// The one token refresh in flight. Every caller that needs a new access token
// meanwhile waits for it, and all of them get its one outcome: the token or
// the failure. Hold it by shared pointer while waiting.
class TokenRefresh : public QObject {
    Q_OBJECT

public:
    void succeed(QString accessToken) {
        token_ = std::move(accessToken);
        settle();
    }
    void fail(std::exception_ptr error) {
        error_ = std::move(error);
        settle();
    }

    QCoro::Task<QString> outcome() {
        if (!settled_)
            co_await qCoro(this, &TokenRefresh::settled);
        if (error_)
            std::rethrow_exception(error_);
        co_return QString(*token_);
    }

Q_SIGNALS:
    void settled();

private:
    void settle() {
        settled_ = true;
        Q_EMIT settled();
    }

    bool settled_ = false;
    std::optional<QString> token_;
    std::exception_ptr error_;
};
