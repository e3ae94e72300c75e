#include "platform/Cancellation.h"

QMetaObject::Connection CancellationToken::onCancel(QObject* context,
                                                    std::function<void()> action) const {
    if (!state_) {
        return {};
    }
    return QObject::connect(state_.get(), &detail::CancellationState::cancelledChanged, context,
                            std::move(action));
}

void CancellationSource::cancel() {
    if (state_->cancelled) {
        return;
    }
    state_->cancelled = true;
    Q_EMIT state_->cancelledChanged();
}
