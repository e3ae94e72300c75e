#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <memory>

namespace detail {
class CancellationState : public QObject {
    Q_OBJECT
public:
    bool cancelled = false;
Q_SIGNALS:
    void cancelledChanged();
};
} // namespace detail

// A read-only view of a CancellationSource, handed to loops and waits that
// must stop early. A default-constructed token is never cancelled.
class CancellationToken {
public:
    CancellationToken() = default;

    bool isCancelled() const { return state_ && state_->cancelled; }

    // Calls `action` (in `context`'s thread) once when the token is cancelled.
    // Nothing happens when the token can never be cancelled.
    QMetaObject::Connection onCancel(QObject* context, std::function<void()> action) const;

private:
    friend class CancellationSource;
    explicit CancellationToken(std::shared_ptr<detail::CancellationState> state)
        : state_(std::move(state)) {}
    std::shared_ptr<detail::CancellationState> state_;
};

// Owner side of cancellation: cancel() reaches every token handed out.
class CancellationSource {
public:
    CancellationSource()
        : state_(std::make_shared<detail::CancellationState>()) {}

    void cancel();
    bool isCancelled() const { return state_->cancelled; }
    CancellationToken token() const { return CancellationToken(state_); }

private:
    std::shared_ptr<detail::CancellationState> state_;
};
