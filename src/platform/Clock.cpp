#include "platform/Clock.h"

#include <QCoroSignal>
#include <QTimer>

#include <memory>

namespace {
struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};
} // namespace

Clock& Clock::system() {
    static SystemClock clock;
    return clock;
}

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTimeUtc();
}

std::chrono::milliseconds SystemClock::monotonic() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

QCoro::Task<bool> SystemClock::sleep(std::chrono::milliseconds duration, CancellationToken token) {
    if (token.isCancelled()) {
        co_return false;
    }
    // Both objects outlive their own signal emission: they go with deleteLater.
    std::unique_ptr<SleepWaker, DeleteLater> waker(new SleepWaker);
    auto* timer = new QTimer(waker.get());
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    SleepWaker* rawWaker = waker.get();
    QObject::connect(timer, &QTimer::timeout, rawWaker,
                     [rawWaker] { Q_EMIT rawWaker->finished(true); });
    token.onCancel(rawWaker, [rawWaker, timer] {
        // Once the timer has fired the sleeper is already being resumed;
        // a second wake-up would resume a finished coroutine.
        if (!timer->isActive()) {
            return;
        }
        timer->stop();
        Q_EMIT rawWaker->finished(false);
    });
    timer->start(duration);
    const bool completed = co_await qCoro(rawWaker, &SleepWaker::finished);
    co_return completed;
}
