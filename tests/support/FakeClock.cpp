#include "support/FakeClock.h"

#include <QCoroSignal>
#include <QTimeZone>

#include <algorithm>
#include <memory>

FakeClock::FakeClock(QDateTime start)
    : now_(std::move(start)) {}

QCoro::Task<bool> FakeClock::sleep(std::chrono::milliseconds duration, CancellationToken token) {
    if (token.isCancelled()) {
        co_return false;
    }
    auto waker = std::make_unique<SleepWaker>();
    SleepWaker* raw = waker.get();
    token.onCancel(raw, [this, raw] {
        // A sleeper that advance() already woke must not be resumed twice.
        const auto it = std::find_if(sleepers_.begin(), sleepers_.end(),
                                     [raw](const Sleeper& s) { return s.waker == raw; });
        if (it == sleepers_.end()) {
            return;
        }
        sleepers_.erase(it);
        Q_EMIT raw->finished(false);
    });
    sleepers_.push_back({monotonic_ + duration, raw});
    const bool completed = co_await qCoro(raw, &SleepWaker::finished);
    waker.release()->deleteLater();
    co_return completed;
}

void FakeClock::advance(std::chrono::milliseconds by) {
    monotonic_ += by;
    now_ = now_.addMSecs(by.count());
    std::stable_sort(sleepers_.begin(), sleepers_.end(),
                     [](const Sleeper& a, const Sleeper& b) { return a.deadline < b.deadline; });
    std::vector<Sleeper> due;
    auto firstLater = std::find_if(sleepers_.begin(), sleepers_.end(),
                                   [this](const Sleeper& s) { return s.deadline > monotonic_; });
    due.assign(sleepers_.begin(), firstLater);
    sleepers_.erase(sleepers_.begin(), firstLater);
    for (auto& sleeper : due) {
        if (sleeper.waker) {
            Q_EMIT sleeper.waker->finished(true);
        }
    }
}

int FakeClock::sleeperCount() const {
    return int(std::count_if(sleepers_.begin(), sleepers_.end(),
                             [](const Sleeper& s) { return !s.waker.isNull(); }));
}
