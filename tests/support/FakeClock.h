#pragma once

#include "platform/Clock.h"

#include <QPointer>
#include <QTimeZone>

#include <vector>

// A clock that only moves when the test says so. Sleepers wake, in deadline
// order, as advance() passes their deadlines.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 10, 22), QTime(12, 0),
                                                   QTimeZone::utc()));

    QDateTime now() const override { return now_; }
    std::chrono::milliseconds monotonic() const override { return monotonic_; }
    QCoro::Task<bool> sleep(std::chrono::milliseconds duration,
                            CancellationToken token = {}) override;

    // Moves time forward and wakes every sleeper whose deadline has come.
    // The woken coroutines resume on the next pass of the event loop.
    void advance(std::chrono::milliseconds by);
    void setNow(const QDateTime& now) { now_ = now; }
    int sleeperCount() const;

private:
    struct Sleeper {
        std::chrono::milliseconds deadline;
        QPointer<SleepWaker> waker;
    };
    QDateTime now_;
    std::chrono::milliseconds monotonic_{1'000'000};
    std::vector<Sleeper> sleepers_;
};
